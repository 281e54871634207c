// The real program, run as separate processes on loopback.
#include "tests/support/processes.h"

#include <QTest>

using namespace dw;
using namespace dw::testing;

namespace {
const std::string T(1, kTerminator);
}

class EndToEnd : public QObject {
    Q_OBJECT

private slots:
    void aGuiClientJoinsAHeadlessHost() {
        ProgramCopy hostCopy, clientCopy;
        QVERIFY(hostCopy.ok() && clientCopy.ok());
        const quint16 port = freePort();
        Running host(hostCopy, {"--headless", "--port", QString::number(port)});
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));

        Running client(clientCopy, {"Bob", "127.0.0.1", "join", "--port", QString::number(port)},
                       true);
        QVERIFY2(host.waitForOutput("seat 1 logged in as Bob", 30000), qPrintable(host.output()));
        QVERIFY2(client.waitForOutput("You are Connected.", 30000), qPrintable(client.output()));

        // A second player arrives, chats, and leaves; the GUI client sees it all.
        RawClient ann;
        QVERIFY(ann.connectTo(port));
        QCOMPARE(ann.waitFor("CMD_sendlogininfo", 5000), std::string("CMD_sendlogininfo+2"));
        ann.send(buildMessage("CMD_logininfo", {2, "1.0.1", "Ann" + T}));
        QVERIFY(!ann.waitFor("CMD_existingplayers+1+Bob", 5000).empty());
        ann.send(buildMessage("CMD_chat", {2, "hello there|clRed"}));
        QVERIFY2(client.waitForOutput("Ann chats: hello there", 10000),
                 qPrintable(client.output()));
        ann.socket().disconnectFromHost();
        QVERIFY2(client.waitForOutput("Ann disconnected.", 10000), qPrintable(client.output()));

        // When the host ends, the client's connection closes and it ends too.
        QCOMPARE(host.terminate(), 0);
        QVERIFY(client.process().waitForFinished(20000));
        QCOMPARE(client.process().exitCode(), 0);
    }

    void aHeadlessGameRunsToItsWinner() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        // Expert pilots play the whole game over the network.
        Running host(copy, {"--headless", "--port", QString::number(port), "--timer-scale", "0.002",
                            "--pilot-level", "expert"});
        QVERIFY2(host.waitForOutput("expert pilots", 20000), qPrintable(host.output()));

        RawClient me;
        QCOMPARE(me.login(port, "Watcher"), 1);
        me.send(buildMessage("CMD_startgame", {"Watcher", 1000, 50, 0, 0}, Trailing::Yes));
        QCOMPARE(me.waitFor("CMD_startgame+", 5000),
                 std::string("CMD_startgame+Watcher+1000+50000+f+f+"));
        me.send(buildMessage("CMD_justwatch", {1, "1"}));
        QVERIFY(!me.waitFor("CMD_justwatching+1+1", 5000).empty());
        const std::string winner = me.waitFor("CMD_winner+", 120000);
        QVERIFY2(!winner.empty(), qPrintable(host.output()));
        QVERIFY2(!host.output().contains("host notice"), qPrintable(host.output())); // no refusal
        QCOMPARE(host.terminate(), 0);
    }

    void aPortInUseIsAClearError() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        Running first(copy, {"--headless", "--port", QString::number(port)});
        QVERIFY(first.waitForOutput("listening", 20000));
        Running second(copy, {"--headless", "--port", QString::number(port)});
        QVERIFY(second.process().waitForFinished(20000));
        QVERIFY(second.process().exitCode() != 0);
        QVERIFY2(second.output().contains(QString::number(port)), qPrintable(second.output()));
        QCOMPARE(first.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(EndToEnd)
#include "test_e2e.moc"
