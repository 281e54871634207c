// Finding games on the LAN and joining over IPv6, with the real program on
// this machine. Other tests may run hosts at the same time: every check
// looks only at the ports this test started.
#include "host/lan.h"
#include "tests/support/processes.h"
#include "ui/netdialogs.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTreeWidget>
#include <QUdpSocket>

#include <filesystem>
#include <functional>

using namespace dw;
using namespace dw::testing;

namespace {

// The lines of `--find-games` output that name a game on `port`.
QStringList linesFor(const QString& output, quint16 port) {
    QStringList out;
    const auto lines = output.split(QLatin1Char('\n'));
    for (const QString& l : lines)
        if (l.startsWith(QStringLiteral("127.0.0.1:%1 ").arg(port)))
            out.append(l.trimmed());
    return out;
}

QString findGames(const ProgramCopy& copy, int* exitCode) {
    Running finder(copy, {"--find-games", "3"});
    finder.process().waitForFinished(20000);
    *exitCode = finder.process().exitCode();
    return finder.output();
}

// UDP sockets of this process bound to the discovery port, from /proc.
int discoverySockets() {
    QSet<QString> inodes;
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        const std::string link = std::filesystem::read_symlink(fd.path(), ec).string();
        if (!ec && link.rfind("socket:[", 0) == 0)
            inodes.insert(QString::fromStdString(link.substr(8, link.size() - 9)));
    }
    QFile udp(QStringLiteral("/proc/self/net/udp"));
    if (!udp.open(QIODevice::ReadOnly))
        return -1;
    const QString port =
        QStringLiteral(":%1").arg(kDiscoveryPort, 4, 16, QLatin1Char('0')).toUpper();
    int count = 0;
    const auto lines = QString::fromLatin1(udp.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() > 9 && f[1].endsWith(port) && inodes.contains(f[9]))
            ++count;
    }
    return count;
}

void announce(const Announcement& a) {
    QUdpSocket sender;
    const std::string bytes = encodeAnnouncement(a);
    sender.writeDatagram(QByteArray(bytes.data(), qsizetype(bytes.size())),
                         QHostAddress("127.255.255.255"), quint16(kDiscoveryPort));
}

} // namespace

class Lan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Announcements of this test stay on this machine.
        QCOMPARE(qEnvironmentVariable("DRIFTWAKE_LAN_SCOPE"), QStringLiteral("loopback"));
        QCOMPARE(LanAnnouncer::targets(), QList<QHostAddress>{QHostAddress("127.255.255.255")});
    }

    void findGamesListsTwoHeadlessHostsButNotAQuietOne() {
        ProgramCopy a, b, quiet, finder;
        QVERIFY(a.ok() && b.ok() && quiet.ok() && finder.ok());
        const quint16 portA = freePort(), portB = freePort(), portQuiet = freePort();
        Running hostA(a, {"--headless", "--port", QString::number(portA)});
        Running hostB(b, {"--headless", "--port", QString::number(portB)});
        Running hostQuiet(quiet,
                          {"--headless", "--no-announce", "--port", QString::number(portQuiet)});
        for (Running* h : {&hostA, &hostB, &hostQuiet})
            QVERIFY2(h->waitForOutput("listening", 20000), qPrintable(h->output()));

        // A pilot sits down at host B.
        RawClient pilot;
        QCOMPARE(pilot.login(portB, "Ann"), 1);

        int rc = -1;
        const QString out = findGames(finder, &rc);
        QCOMPARE(rc, 0);
        const QStringList seenA = linesFor(out, portA), seenB = linesFor(out, portB);
        QCOMPARE(seenA.size(), 1);
        QVERIFY2(seenA[0].contains(QStringLiteral(" seated 0/4 waiting")), qPrintable(out));
        QCOMPARE(seenB.size(), 1);
        QVERIFY2(seenB[0].contains(QStringLiteral(" seated 1/4 waiting")), qPrintable(out));
        QVERIFY2(linesFor(out, portQuiet).isEmpty(), qPrintable(out));

        // A browser inside this process hears them too, while the finder's
        // copy was listening on the same port: the port is shared.
        LanBrowser browser;
        QVERIFY(browser.start());
        QTRY_VERIFY_WITH_TIMEOUT(std::count_if(browser.games().begin(), browser.games().end(),
                                               [&](const FoundGame& g) {
                                                   return g.announcement.port == portA ||
                                                          g.announcement.port == portB;
                                               }) == 2,
                                 3000);

        // A host that ends is forgotten.
        QCOMPARE(hostA.terminate(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            std::none_of(browser.games().begin(), browser.games().end(),
                         [&](const FoundGame& g) { return g.announcement.port == portA; }),
            LanBrowser::kForgetMs + 3000);
    }

    void findGamesSaysSoWhenItHearsNothingOfItsOwn() {
        // Other hosts may be announcing on this machine; a finder run for a
        // moment either finds nothing ("no games found", 1) or lists lines.
        ProgramCopy copy;
        QVERIFY(copy.ok());
        Running finder(copy, {"--find-games", "0.3"});
        QVERIFY(finder.process().waitForFinished(20000));
        const QString out = finder.output();
        if (finder.process().exitCode() == 1)
            QCOMPARE(out.trimmed(), QStringLiteral("no games found"));
        else
            QVERIFY2(out.contains(QStringLiteral(" seated ")), qPrintable(out));
    }

    void browsersIgnoreDatagramsThatAreNotAnnouncements() {
        LanBrowser browser;
        QVERIFY(browser.start());
        QUdpSocket sender;
        const quint16 port = freePort();
        const std::string good =
            encodeAnnouncement({"abc" + std::to_string(port), port, 2, true, "Zed", "1.0.1"});
        for (const QByteArray& junk :
             {QByteArray("hello"), QByteArray("DRIFTWAKE GAME 1\nport=1\n"), QByteArray(2000, 'x'),
              QByteArray(good.data(), qsizetype(good.size()))})
            sender.writeDatagram(junk, QHostAddress("127.255.255.255"), quint16(kDiscoveryPort));
        QTRY_VERIFY_WITH_TIMEOUT(
            std::any_of(browser.games().begin(), browser.games().end(),
                        [&](const FoundGame& g) { return g.announcement.port == port; }),
            3000);
        const auto ours =
            std::count_if(browser.games().begin(), browser.games().end(), [&](const FoundGame& g) {
                return g.announcement.port == port || g.announcement.port == 1;
            });
        QCOMPARE(ours, 1);
        for (const FoundGame& g : browser.games())
            if (g.announcement.port == port) {
                QCOMPARE(g.address, QStringLiteral("127.0.0.1"));
                QCOMPARE(g.joinText(), QStringLiteral("127.0.0.1:%1").arg(port));
                QVERIFY(g.announcement.playing);
                QCOMPARE(g.announcement.name, std::string("Zed"));
            }
    }

    void aHostInOneNetworkNamespaceIsFoundFromAnother() {
        // Two namespaces joined by a virtual cable: a LAN of two machines
        // that nothing outside this test can see.
        const QString tag = QString::number(QCoreApplication::applicationPid());
        const QString a = QStringLiteral("dwlanA") + tag, b = QStringLiteral("dwlanB") + tag;
        const QString va = QStringLiteral("dwva") + tag, vb = QStringLiteral("dwvb") + tag;
        const auto ip = [](const QStringList& args) {
            QProcess p;
            p.start(QStringLiteral("ip"), args);
            return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit &&
                   p.exitCode() == 0;
        };
        if (!ip({"netns", "add", a}))
            QSKIP("cannot create network namespaces here (needs root and ip netns)");
        struct Cleanup {
            std::function<void()> f;
            ~Cleanup() { f(); }
        } cleanup{[&] {
            ip({"netns", "del", a});
            ip({"netns", "del", b});
        }};
        QVERIFY(ip({"netns", "add", b}));
        QVERIFY(
            ip({"link", "add", va, "netns", a, "type", "veth", "peer", "name", vb, "netns", b}));
        QVERIFY(
            ip({"-n", a, "addr", "add", "10.77.12.1/24", "broadcast", "10.77.12.255", "dev", va}));
        QVERIFY(
            ip({"-n", b, "addr", "add", "10.77.12.2/24", "broadcast", "10.77.12.255", "dev", vb}));
        for (const QString& ns : {a, b})
            QVERIFY(ip({"-n", ns, "link", "set", "lo", "up"}));
        QVERIFY(ip({"-n", a, "link", "set", va, "up"}));
        QVERIFY(ip({"-n", b, "link", "set", vb, "up"}));

        ProgramCopy hostCopy, finderCopy;
        QVERIFY(hostCopy.ok() && finderCopy.ok());
        // Inside the namespaces announcements use every interface.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DRIFTWAKE_LAN_SCOPE"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), hostCopy.dir());
        QProcess host;
        host.setProcessEnvironment(env);
        host.setProcessChannelMode(QProcess::MergedChannels);
        host.start(QStringLiteral("ip"),
                   {"netns", "exec", a, hostCopy.path(), "--headless", "--port", "7790"});
        QVERIFY(host.waitForStarted(10000));
        QByteArray hostOut;
        QTRY_VERIFY_WITH_TIMEOUT((hostOut += host.readAll()).contains("listening") ||
                                     host.state() != QProcess::Running,
                                 20000);
        QVERIFY2(hostOut.contains("listening"), hostOut.constData());
        QProcess finder;
        finder.setProcessEnvironment(env);
        finder.setProcessChannelMode(QProcess::MergedChannels);
        finder.start(QStringLiteral("ip"),
                     {"netns", "exec", b, finderCopy.path(), "--find-games", "3"});
        QVERIFY(finder.waitForFinished(20000));
        const QString out = QString::fromUtf8(finder.readAll());
        host.terminate();
        host.waitForFinished(10000);
        QCOMPARE(finder.exitCode(), 0);
        QVERIFY2(out.contains(QStringLiteral("10.77.12.1:7790 seated 0/4 waiting")),
                 qPrintable(out));
    }

    void aClientJoinsOverIpv6() {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHostIPv6, 0))
            QSKIP("this machine has no IPv6 loopback address");
        probe.close();
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        Running host(copy, {"--headless", "--no-announce", "--port", QString::number(port)});
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));
        // The same host takes IPv4 and IPv6 connections.
        RawClient v4;
        QCOMPARE(v4.login(port, "Four"), 1);
        QTcpSocket v6;
        v6.connectToHost(QStringLiteral("::1"), port);
        QVERIFY2(v6.waitForConnected(5000), qPrintable(v6.errorString()));
        QVERIFY(v6.waitForReadyRead(5000));
        const std::string hello = v6.readAll().toStdString();
        QCOMPARE(msg::decodeMessage<msg::SendLoginInfo>(hello.substr(0, hello.find(kTerminator))),
                 std::optional(msg::SendLoginInfo{2}));
    }
    void aFloodOfGamesIsCappedAt64() {
        LanBrowser browser;
        QVERIFY(browser.start());
        for (int i = 0; i < 100; ++i)
            announce({QString::number(0xf100d000 + i, 16).toStdString(), 20000 + i, 1, false,
                      "Flood", "1.0.1"});
        QTRY_COMPARE_WITH_TIMEOUT(browser.games().size(), qsizetype(LanBrowser::kMaxGames), 3000);
        QTest::qWait(300);
        QCOMPARE(browser.games().size(), qsizetype(LanBrowser::kMaxGames));
    }

    void theJoinDialogShowsNamesPlainAndClosesItsPortWithItself() {
        QCOMPARE(discoverySockets(), 0);
        JoinDialog dialog;
        dialog.prepare(QStringLiteral("Zed"), {});
        dialog.show();
        QCOMPARE(discoverySockets(), 1);
        // A right-to-left override would make "Ann" + "evil.exe" read as
        // "Annexe.live".
        const quint16 port = freePort();
        const std::string id = "b1d1" + std::to_string(port);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                announce({id, port, 1, false, "Ann\u202Eevil.exe", "1.0.1"});
                for (int i = 0; i < dialog.list_games->topLevelItemCount(); ++i) {
                    const QTreeWidgetItem* item = dialog.list_games->topLevelItem(i);
                    if (item->text(JoinDialog::ColAddress).endsWith(QString::number(port)))
                        return item->text(JoinDialog::ColHost) == QStringLiteral("Annevil.exe");
                }
                return false;
            }(),
            3000);
        dialog.reject();
        QCOMPARE(discoverySockets(), 0);
        QCOMPARE(dialog.list_games->topLevelItemCount(), 0);
        // Opened again, it listens again.
        dialog.prepare(QStringLiteral("Zed"), {});
        QCOMPARE(discoverySockets(), 1);
        dialog.reject();
    }
};

QTEST_MAIN(Lan)
#include "test_lan.moc"
