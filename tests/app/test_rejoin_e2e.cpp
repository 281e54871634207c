// Separate programs: a headless host and a window client started from the
// launch line, joined through a relay that cuts the link while both keep
// running. The client takes its seat back; when its game ends without its
// user it ends too, with a line on standard error and an exit status that
// says why: 3 removed, 4 the host ended, 5 rejoining gave up. (A host that
// is killed, status 4 as well: test_faults.)
#include "tests/support/processes.h"
#include "tests/support/tcpproxy.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace dw;
using namespace dw::testing;

namespace {

// Waits for `text` in the output while this process's event loop runs (the
// relay lives in it).
bool seen(Running& r, const char* text, int timeoutMs) {
    return QTest::qWaitFor([&] { return r.output().contains(QLatin1String(text)); }, timeoutMs);
}

} // namespace

class RejoinPrograms : public QObject {
    Q_OBJECT
    // Every case: a headless host, and a copy of the program for the client.
    std::unique_ptr<ProgramCopy> hostCopy, clientCopy;
    std::unique_ptr<Running> hostRun;
    quint16 port = 0;

private slots:
    void init() {
        hostCopy = std::make_unique<ProgramCopy>();
        clientCopy = std::make_unique<ProgramCopy>();
        QVERIFY(hostCopy->ok() && clientCopy->ok());
        port = freePort();
        hostRun = std::make_unique<Running>(
            *hostCopy, QStringList{"--headless", "--port", QString::number(port)});
        QVERIFY2(hostRun->waitForOutput("listening", 20000), qPrintable(hostRun->output()));
    }
    void cleanup() {
        hostRun.reset();
        hostCopy.reset();
        clientCopy.reset();
    }

    void theClientTakesItsSeatBackAndEndsCleanlyOnTheHostsNotice() {
        TcpProxy proxy(port);
        QVERIFY(proxy.listen());
        // Another player stays on, and sees no newcomer when the seat comes back.
        RawClient other;
        QCOMPARE(other.login(port, "Bob"), 1);
        Running client(*clientCopy, joinArgs("Ann", proxy.port()), true);
        QVERIFY2(seen(client, "You are Connected.", 30000), qPrintable(client.output()));
        QVERIFY(other.waitFor(msg::NewPlayerInfo{2, "Ann"}, 10000));

        proxy.cut();
        QVERIFY2(seen(client, "Reconnecting", 10000), qPrintable(client.output()));
        QVERIFY2(seen(client, "you are back in your seat.", 20000), qPrintable(client.output()));
        QCOMPARE(client.process().state(), QProcess::Running);
        QCOMPARE(proxy.relayed(), 2);
        // The other player saw the seat leave and the same seat come back.
        QVERIFY(other.waitFor(msg::NewPlayerInfo{2, "Ann"}, 10000));
        for (const std::string& m : other.received())
            QVERIFY2(!msg::decodeMessage<msg::NewPlayerInfo>(m) ||
                         msg::decodeMessage<msg::NewPlayerInfo>(m)->seat == 2,
                     m.c_str());

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(hostRun->terminate(), 0);
        QVERIFY2(seen(client, "The host ended the game.", 10000), qPrintable(client.output()));
        QVERIFY2(client.process().waitForFinished(20000), qPrintable(client.output()));
        QCOMPARE(client.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.process().exitCode(), 4);
        QVERIFY(client.output().contains(QLatin1String("driftwake: The host ended the game.")));
        QVERIFY(clock.elapsed() >= 2500);
        // No attempt to come back after the notice.
        QCOMPARE(proxy.relayed(), 2);
    }

    void aRemovedClientEndsWithStatus3() {
        // Bob, the lowest seat, holds the host's rights.
        RawClient bob;
        QCOMPARE(bob.login(port, "Bob"), 1);
        Running client(*clientCopy, joinArgs("Ann", port), true);
        QVERIFY2(seen(client, "You are Connected.", 30000), qPrintable(client.output()));
        QVERIFY(bob.waitFor(msg::NewPlayerInfo{2, "Ann"}, 10000));
        bob.send(msg::KickHim{1, 2});
        QVERIFY2(client.process().waitForFinished(20000), qPrintable(client.output()));
        QCOMPARE(client.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.process().exitCode(), 3);
        QVERIFY(client.output().contains(
            QLatin1String("driftwake: The host removed you from the game.")));
    }

    void aClientThatCannotRejoinInTimeEndsWithStatus5() {
        TcpProxy proxy(port);
        QVERIFY(proxy.listen());
        // Rejoining gives up after 3 s instead of 2 minutes.
        QProcessEnvironment env = Running::environment(*clientCopy, true);
        env.insert(QStringLiteral("DRIFTWAKE_REJOIN_SECONDS"), QStringLiteral("3"));
        Running client(*clientCopy, joinArgs("Ann", proxy.port()), env);
        QVERIFY2(seen(client, "You are Connected.", 30000), qPrintable(client.output()));
        // The host stays, but the link to it does not come back.
        proxy.setDown(true);
        proxy.cut();
        QVERIFY2(seen(client, "Reconnecting", 10000), qPrintable(client.output()));
        // The relay lives in this process: its event loop runs meanwhile.
        QVERIFY2(QTest::qWaitFor([&] { return client.process().state() == QProcess::NotRunning; },
                                 20000),
                 qPrintable(client.output()));
        QCOMPARE(client.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.process().exitCode(), 5);
        QVERIFY(client.output().contains(
            QLatin1String("driftwake: The host could not be reached for 3 seconds.")));
        // One connection for each attempt, at 0.5, 1 and 2 s.
        QVERIFY2(proxy.turnedAway() >= 2 && proxy.turnedAway() <= 4,
                 qPrintable(QString::number(proxy.turnedAway())));
    }
};

QTEST_MAIN(RejoinPrograms)
#include "test_rejoin_e2e.moc"
