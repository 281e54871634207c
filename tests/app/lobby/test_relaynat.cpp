// Two homes behind NAT, with nothing forwarded, play through the lobby
// server's bytestream proxy. The test makes five network namespaces: an
// "internet" that runs Prosody, and two homes, each behind a NAT namespace
// of its own that masquerades its home and forwards nothing inwards.
//
//   home A 10.0.1.2 -- 10.0.1.1 NAT A 100.64.1.2 -- 100.64.1.1 internet
//   home B 10.0.2.2 -- 10.0.2.1 NAT B 100.64.2.2 -- 100.64.2.1 (Prosody)
//
// Home A runs a headless host and its advertising lobby; the test itself
// moves into home B and plays there through `driftwake-lobby --connect`.
// Needs root (namespaces, iptables); elsewhere it skips with a message,
// unless DRIFTWAKE_REQUIRE_NETNS=1 makes that a failure.
#include "protocol/messages.h"
#include "tests/lobby/prosody.h"
#include "tests/support/processes.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <memory>

using namespace dw;
using namespace dw::testing;

namespace {

constexpr quint16 kGamePort = 7772;
constexpr quint16 kStatusPort = 7773;
constexpr quint16 kBridgePort = 7000;
const QString kServer = QStringLiteral("100.64.1.1");

bool run(const QStringList& command, QString* output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.first(), command.mid(1));
    const bool ok =
        p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return ok;
}

// The five namespaces, their links and the NAT rules; removed when destroyed.
class NatHomes {
public:
    NatHomes() {
        const QString tag = QString::number(getpid());
        internet = "dw" + tag + "i";
        natA = "dw" + tag + "na";
        homeA = "dw" + tag + "ha";
        natB = "dw" + tag + "nb";
        homeB = "dw" + tag + "hb";
    }
    ~NatHomes() {
        for (const QString& ns : {internet, natA, homeA, natB, homeB})
            run({"ip", "netns", "del", ns});
    }
    // Empty when made, else what went wrong.
    QString make() {
        QString out;
        for (const QString& ns : {internet, natA, homeA, natB, homeB})
            if (!run({"ip", "netns", "add", ns}, &out) ||
                !run({"ip", "-n", ns, "link", "set", "lo", "up"}, &out))
                return "cannot make a network namespace: " + out;
        if (!home(natA, homeA, "1", "homea", &out) || !home(natB, homeB, "2", "homeb", &out))
            return out;
        return {};
    }
    // A command run inside a namespace.
    static QStringList in(const QString& ns, const QStringList& command) {
        return QStringList{"ip", "netns", "exec", ns} + command;
    }

    QString internet, natA, homeA, natB, homeB;

private:
    // One home behind its NAT: 10.0.N.0/24 inside, 100.64.N.0/24 outside.
    bool home(const QString& nat, const QString& home, const QString& n, const QString& side,
              QString* out) {
        const QString wan = "100.64." + n;
        const QString lan = "10.0." + n;
        const QList<QStringList> steps{
            {"ip", "link", "add", "name", "wan", "netns", nat, "type", "veth", "peer", "name", side,
             "netns", internet},
            {"ip", "link", "add", "name", "lan", "netns", nat, "type", "veth", "peer", "name",
             "eth0", "netns", home},
            {"ip", "-n", internet, "addr", "add", wan + ".1/24", "dev", side},
            {"ip", "-n", internet, "link", "set", "dev", side, "up"},
            {"ip", "-n", nat, "addr", "add", wan + ".2/24", "dev", "wan"},
            {"ip", "-n", nat, "addr", "add", lan + ".1/24", "dev", "lan"},
            {"ip", "-n", nat, "link", "set", "wan", "up"},
            {"ip", "-n", nat, "link", "set", "lan", "up"},
            {"ip", "-n", nat, "route", "add", "default", "via", wan + ".1"},
            {"ip", "-n", home, "addr", "add", lan + ".2/24", "dev", "eth0"},
            {"ip", "-n", home, "link", "set", "eth0", "up"},
            {"ip", "-n", home, "route", "add", "default", "via", lan + ".1"},
            in(nat, {"sysctl", "-qw", "net.ipv4.ip_forward=1"}),
            in(nat, {"iptables", "-w", "-t", "nat", "-A", "POSTROUTING", "-o", "wan", "-j",
                     "MASQUERADE"}),
            in(nat, {"iptables", "-w", "-P", "FORWARD", "DROP"}),
            in(nat, {"iptables", "-w", "-A", "FORWARD", "-i", "lan", "-o", "wan", "-j", "ACCEPT"}),
            in(nat, {"iptables", "-w", "-A", "FORWARD", "-i", "wan", "-o", "lan", "-m", "conntrack",
                     "--ctstate", "ESTABLISHED,RELATED", "-j", "ACCEPT"}),
        };
        for (const QStringList& step : steps)
            if (!run(step, out)) {
                *out = step.join(' ') + ": " + *out;
                return false;
            }
        return true;
    }
};

// Moves this thread into a named namespace: the test's own sockets are made
// there from then on.
bool enter(const QString& ns) {
    const int fd = open(qPrintable("/run/netns/" + ns), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = setns(fd, CLONE_NEWNET) == 0;
    close(fd);
    return ok;
}

// Whether a TCP connection to host:port is made within three seconds.
bool reachable(const QString& host, quint16 port) {
    QTcpSocket s;
    s.connectToHost(host, port);
    return s.waitForConnected(3000);
}

class TestRelayNat : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (geteuid() != 0)
            return skipOrFail("network namespaces need root");
        const QString error = homes_.make();
        if (!error.isEmpty())
            return skipOrFail(error);
        prosody_ = std::make_unique<PrivateProsody>(
            PrivateProsody::Options{{"alice:secret1", "bob:secret2"}, false}, QStringList{},
            PrivateProsody::Place{homes_.internet, kServer});
        QVERIFY2(prosody_->ok(), qPrintable(prosody_->error()));
        aliceFile_ = writePasswordFile(dir_, "alice", "secret1");
        bobFile_ = writePasswordFile(dir_, "bob", "secret2");
        QVERIFY(!lobbyProgram().isEmpty());
        QVERIFY(copy_.ok());
    }

    void cleanupTestCase() {
        for (auto* p : {&bridge_, &advertiser_, &host_})
            stopProcess(*p);
        prosody_.reset();
    }

    void aGameBetweenTwoHomesRunsThroughTheRelay() {
        // Home A: a headless host and its lobby, which shows no address.
        start(host_, homes_.homeA, copy_.path(),
              {"--headless", "--no-announce", "--port", QString::number(kGamePort), "--status-port",
               QString::number(kStatusPort), "--timer-scale", "0.05"});
        QVERIFY2(waitForOutput(host_, "listening", 20000), qPrintable(output(host_)));
        start(advertiser_, homes_.homeA, lobbyProgram(),
              prosody_->signInArgs("alice", aliceFile_) +
                  QStringList{"--advertise", QStringLiteral("127.0.0.1:%1").arg(kGamePort),
                              "--nick", "Alice", "--table-name", "Alice", "--status-url",
                              QStringLiteral("http://127.0.0.1:%1/status").arg(kStatusPort)});

        // The test becomes a player in home B. From there, neither Alice's
        // home address nor her router's public one can be reached.
        QVERIFY(enter(homes_.homeB));
        QVERIFY(!reachable("100.64.1.2", kGamePort));
        QVERIFY(!reachable("10.0.1.2", kGamePort));
        QVERIFY2(reachable(kServer, prosody_->port()), "the server is out of reach from home B");

        // Bob's lobby in home B lists the table, without an address.
        QString listed;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         listed = list();
                         return listed.startsWith("Alice\t");
                     },
                     30000),
                 qPrintable(listed + output(advertiser_)));
        QVERIFY2(!listed.contains("10.0.1.2") && !listed.contains("100.64.1.2"),
                 qPrintable(listed));

        // Through the relay: Bob sits down, starts a game and lets the
        // computer play his seat.
        QVERIFY(connectBridge());
        RawClient bob;
        QCOMPARE(bob.login(kBridgePort, "Bob"), 1);
        const auto key = bob.waitFor<msg::SeatKey>(10000);
        QVERIFY(key);
        bob.send(msg::StartGameRequest{"Bob", "1000", "50", true, true});
        bob.send(msg::JustWatch{1, true});
        QVERIFY2(bob.waitFor<msg::NextPlayer>(20000), qPrintable(output(host_)));

        // The stream is cut mid-game: the bridge in home B goes away. A new
        // stream lets Bob take his seat, with his hand, back with his key.
        bridge_.kill();
        bridge_.waitForFinished(5000);
        QVERIFY(connectBridge());
        RawClient back;
        QVERIFY(back.connectTo(kBridgePort, 10000));
        const auto entry = back.waitFor<msg::SendLoginInfo>(10000);
        QVERIFY2(entry, qPrintable(output(bridge_)));
        back.send(msg::Reclaim{entry->seat, 1, key->key});
        QVERIFY2(back.waitFor(msg::SendLoginInfo{1}, 10000), qPrintable(output(host_)));
        back.send(msg::LoginInfo{1, std::string(kVersion), "Bob"});
        const auto hand = back.waitFor<msg::MyCards>(seatIs(1), 10000);
        QVERIFY(hand);
        QCOMPARE(hand->cards.size(), std::size_t(7));
        back.send(msg::JustWatch{1, true});

        // The computer pilots play the game to its winner, which reaches
        // Bob in home B.
        QVERIFY2(back.waitFor<msg::Winner>(180000), qPrintable(output(host_)));
    }

private:
    static void skipOrFail(const QString& why) {
        if (qEnvironmentVariable("DRIFTWAKE_REQUIRE_NETNS") == "1")
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }

    void start(QProcess& p, const QString& ns, const QString& program, const QStringList& args,
               QProcess::ProcessChannelMode channels = QProcess::MergedChannels) {
        QProcessEnvironment env = Running::environment(copy_, false);
        env.insert("DRIFTWAKE_LOBBY_CA", prosody_->caFile());
        env.insert("DRIFTWAKE_LAN_SCOPE", "loopback");
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(channels);
        p.start("ip", QStringList{"netns", "exec", ns, program} + args);
        p.waitForStarted();
    }
    static QString output(QProcess& p) {
        const QByteArray more = p.readAll();
        QString& seen = seen_[&p];
        seen += QString::fromLocal8Bit(more);
        return seen;
    }
    static bool waitForOutput(QProcess& p, const QString& text, int timeoutMs) {
        return QTest::qWaitFor([&] { return output(p).contains(text); }, timeoutMs);
    }
    static void stopProcess(QProcess& p) {
        if (p.state() == QProcess::NotRunning)
            return;
        p.terminate();
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
    // Bob's relayed stream to Alice's table, listening on the bridge port in
    // home B; true once it says it listens.
    bool connectBridge() {
        seen_.remove(&bridge_);
        start(bridge_, homes_.homeB, lobbyProgram(),
              prosody_->signInArgs("bob", bobFile_) +
                  QStringList{"--connect", "Alice", "--local-port", QString::number(kBridgePort)});
        const bool listening = QTest::qWaitFor(
            [&] { return output(bridge_).contains(QString::number(kBridgePort)); }, 30000);
        if (!listening)
            qWarning("%s", qPrintable(output(bridge_)));
        return listening;
    }
    QString list() {
        QProcess p;
        start(p, homes_.homeB, lobbyProgram(),
              prosody_->signInArgs("bob", bobFile_) + QStringList{"--list-tables", "2"},
              QProcess::SeparateChannels);
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    NatHomes homes_;
    std::unique_ptr<PrivateProsody> prosody_;
    ProgramCopy copy_;
    QTemporaryDir dir_;
    QString aliceFile_, bobFile_;
    QProcess host_, advertiser_, bridge_;
    static inline QHash<QProcess*, QString> seen_;
};

} // namespace

QTEST_GUILESS_MAIN(TestRelayNat)
#include "test_relaynat.moc"
