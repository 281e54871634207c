// driftwake-lobby without a window, as programs: --list-tables against a
// private Prosody, and --advertise of a real headless host whose seats and
// state follow its /status through a game, and which signs in again after
// the server restarts; --agones publishes the address of the fleet's
// GameServer as the Agones SDK sidecar describes it.
#include "lobby/agonesaddress.h"
#include "protocol/messages.h"
#include "tests/lobby/prosody.h"
#include "tests/support/fakesidecar.h"
#include "tests/support/processes.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace dw;
using namespace dw::testing;

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

class TestLobbyCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
        QVERIFY(!lobbyProgram().isEmpty());
        bobFile_ = writePasswordFile(dir_, "bob", "secret2");
        aliceFile_ = writePasswordFile(dir_, "alice", "secret1");
    }

    void passwordFileOthersCanRead() {
        const QString open = writePasswordFile(dir_, "open", "secret2", true);
        const Result r = run(server_.signInArgs("bob", open) + QStringList{"--list-tables", "1"});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("can be read by others"), qPrintable(r.err));
        // A wrong password: the sentence, exit 2.
        const Result wrong =
            run(server_.signInArgs("bob", aliceFile_) + QStringList{"--list-tables", "1"});
        QCOMPARE(wrong.code, 2);
        QVERIFY2(wrong.err.contains("refused the account name or password"), qPrintable(wrong.err));
    }

    void listAndAdvertise() {
        Result none = list();
        QCOMPARE(none.code, 1);
        QCOMPARE(none.out, QStringLiteral("no tables found\n"));

        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        const quint16 statusPort = freePort();
        Running host(copy, {"--headless", "--no-announce", "--port", QString::number(port),
                            "--status-port", QString::number(statusPort), "--timer-scale", "0.2"});
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));

        // The address shown is the host's public one; /status is read on
        // loopback.
        const QString shown = QStringLiteral("203.0.113.7:%1").arg(port);
        QProcess advertiser;
        advertiser.setProcessEnvironment(server_.lobbyEnvironment());
        advertiser.start(
            lobbyProgram(),
            server_.signInArgs("alice", aliceFile_) +
                QStringList{"--advertise", shown, "--table-name", "Night run", "--status-url",
                            QStringLiteral("http://127.0.0.1:%1/status").arg(statusPort)});
        QVERIFY(advertiser.waitForStarted());
        const QString waiting = "Night run\tNight run\t0/4\twaiting\t" + shown + "\n";
        QVERIFY(QTest::qWaitFor([&] { return list().out == waiting; }, 20000));

        // A pilot sits down: the room hears it within a few seconds.
        RawClient ann;
        QCOMPARE(ann.login(port, "Ann"), 1);
        const QString seated = "Night run\tNight run\t1/4\twaiting\t" + shown + "\n";
        Result r;
        QVERIFY(QTest::qWaitFor([&] { return (r = list()).out == seated; }, 20000));
        QCOMPARE(r.code, 0);

        // She starts a game and watches the computer pilots play it: the
        // room hears the table playing, and waiting again after the winner
        // (the pacing keeps the game going for a listing to see it).
        ann.send(msg::StartGameRequest{"Ann", "1000", "50", false, false});
        ann.send(msg::JustWatch{1, true});
        const QString playing = "Night run\tNight run\t1/4\tplaying\t" + shown + "\n";
        QVERIFY2(QTest::qWaitFor([&] { return (r = list()).out == playing; }, 20000),
                 qPrintable(r.out + r.err));
        QVERIFY(ann.waitFor<msg::Winner>(120000));
        QVERIFY(QTest::qWaitFor([&] { return list().out == seated; }, 20000));

        // The server restarts: the advertiser signs in again and lists the
        // table again.
        QVERIFY2(server_.restart(), qPrintable(server_.error()));
        QVERIFY2(QTest::qWaitFor([&] { return list().out == seated; }, 60000),
                 qPrintable(advertiser.readAllStandardError()));
        QCOMPARE(advertiser.state(), QProcess::Running);

        // The advertiser ends: the table goes with it.
        advertiser.terminate();
        QVERIFY(advertiser.waitForFinished(10000));
        QCOMPARE(advertiser.exitCode(), 0);
        QCOMPARE(list().out, QStringLiteral("no tables found\n"));
    }

    void advertiseInTheFleet() {
        FakeSidecar sidecar;
        const quint16 sdkPort = freePort();
        QVERIFY(sidecar.listen(sdkPort));
        // Not scheduled yet: the GameServer has no address.
        sidecar.gameServer = R"({"status":{"state":"Scheduled","ports":[]}})";
        QProcessEnvironment env = server_.lobbyEnvironment();
        env.insert("AGONES_SDK_HTTP_PORT", QString::number(sdkPort));
        QProcess advertiser;
        advertiser.setProcessEnvironment(env);
        advertiser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        advertiser.start(lobbyProgram(), server_.signInArgs("alice", aliceFile_) +
                                             QStringList{"--agones", "--table-name", "Fleet one"});
        QVERIFY(advertiser.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return sidecar.count("/gameserver") >= 1; }, 10000));
        QCOMPARE(list().out, QStringLiteral("no tables found\n"));

        // Agones gives the node's address and the game's port.
        sidecar.gameServer = R"({"objectMeta":{"name":"driftwake-x1"},"status":{"state":"Ready",
            "address":"203.0.113.9","ports":[{"name":"status","port":30001},
            {"name":"game","port":30002}]}})";
        // The sidecar answers only while this test waits without blocking.
        const int asked = sidecar.count("/gameserver");
        QVERIFY(QTest::qWaitFor([&] { return sidecar.count("/gameserver") > asked; }, 10000));
        QTest::qWait(200);
        Result r;
        QVERIFY(QTest::qWaitFor(
            [&] { return (r = list()).out.contains("Fleet one\t") && r.code == 0; }, 20000));
        QVERIFY2(r.out.endsWith("\t203.0.113.9:30002\n"), qPrintable(r.out));
        advertiser.terminate();
        QVERIFY(advertiser.waitForFinished(10000));
        QCOMPARE(advertiser.exitCode(), 0);

        // --agones goes with neither --advertise nor --list-tables.
        const Result both = run(server_.signInArgs("alice", aliceFile_) +
                                QStringList{"--agones", "--advertise", "203.0.113.9:7772"});
        QCOMPARE(both.code, 2);
    }

    void gameServerAddressIsChecked() {
        using dw::lobby::gameServerAddress;
        const auto read = [](const char* status) {
            return gameServerAddress(QByteArray(R"({"status":)") + status + "}");
        };
        // Without a port named game, the first port.
        QCOMPARE(read(R"({"address":"10.1.2.3","ports":[{"name":"a","port":7000}]})")->port, 7000);
        QCOMPARE(read(R"({"address":"node-1.example","ports":[{"port":7000}]})")->host,
                 std::string("node-1.example"));
        QVERIFY(!read(R"({"address":"10.1.2.3","ports":[]})"));
        QVERIFY(!read(R"({"address":"10.1.2.3","ports":[{"name":"game","port":70000}]})"));
        QVERIFY(!read(R"({"address":"10.1.2.3","ports":[{"name":"game","port":"7000"}]})"));
        QVERIFY(!read(R"({"address":"","ports":[{"port":7000}]})"));
        QVERIFY(!read(R"({"address":"evil\n<b>x</b>","ports":[{"port":7000}]})"));
        QVERIFY(!read(R"({"address":7,"ports":[{"port":7000}]})"));
        QVERIFY(!gameServerAddress("not json"));
        QVERIFY(!gameServerAddress(QByteArray(dw::lobby::kMaxGameServerBytes + 1, ' ')));
    }

private:
    Result run(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(server_.lobbyEnvironment());
        p.start(lobbyProgram(), args);
        Result r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    Result list() {
        return run(server_.signInArgs("bob", bobFile_) + QStringList{"--list-tables", "2"});
    }

    PrivateProsody server_{PrivateProsody::Options{{"alice:secret1", "bob:secret2"}, true}};
    QTemporaryDir dir_;
    QString bobFile_;
    QString aliceFile_;
};

} // namespace

QTEST_GUILESS_MAIN(TestLobbyCli)
#include "test_lobbycli.moc"
