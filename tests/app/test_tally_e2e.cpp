// The tally kept by the real program: a GUI client sits in a playing seat
// of a game on a headless host, the game runs to its winner, the host ends,
// the client ends with it and leaves its tally file behind.
#include "store/tallytable.h"
#include "tests/support/processes.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace dw;
using namespace dw::testing;

class TallyEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The tally must land beside the client's own copy of the program.
        qunsetenv("DRIFTWAKE_DATA_DIR");
    }

    void aFinishedGameIsCountedInTheClientsTallyFile() {
        ProgramCopy hostCopy, clientCopy;
        QVERIFY(hostCopy.ok() && clientCopy.ok());
        const QString tallyPath =
            QDir(clientCopy.dir()).filePath(QString::fromStdString(tallyFileName("Driftwake")));
        QVERIFY(!QFileInfo::exists(tallyPath));

        const quint16 port = freePort();
        Running host(hostCopy,
                     {"--headless", "--port", QString::number(port), "--timer-scale", "0.002"});
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));

        // Seat 1, the host's own player, may start games and switch any seat
        // to the computer.
        RawClient me;
        QCOMPARE(me.login(port, "Watcher"), 1);

        Running client(clientCopy, joinArgs("Tess", port), true);
        QVERIFY2(host.waitForOutput("seat 2 logged in as Tess", 30000), qPrintable(host.output()));
        QVERIFY2(client.waitForOutput("You are Connected.", 30000), qPrintable(client.output()));
        QVERIFY(me.waitFor(msg::NewPlayerInfo{2, "Tess"}, 5000));

        me.send(msg::StartGameRequest{"Watcher", "1000", "50", false, false});
        QVERIFY(me.waitFor<msg::StartGameAnnounce>(5000));
        // Nobody clicks in the GUI client: both seats are played by the host.
        me.send(msg::JustWatch{1, true});
        QVERIFY(me.waitFor(msg::JustWatching{1, true}, 5000));
        me.send(msg::JustWatch{2, true});
        QVERIFY(me.waitFor(msg::JustWatching{2, true}, 5000));

        const auto winner = me.waitFor<msg::Winner>(180000);
        QVERIFY2(winner, qPrintable(host.output()));
        const bool tessWon = *winner == msg::Winner{"Tess", 2};
        // The client has handled the winner before its host goes away.
        QVERIFY2(
            client.waitForOutput(tessWon ? "You have Won the Game!" : "has Won the Game!", 30000),
            qPrintable(client.output()));

        QCOMPARE(host.terminate(), 0);
        QVERIFY2(client.process().waitForFinished(30000), qPrintable(client.output()));
        QCOMPARE(client.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.process().exitCode(), 4); // the host ended the game

        QVERIFY2(QFileInfo::exists(tallyPath), qPrintable(client.output()));
        TallyTable tally;
        const auto error = tally.load(tallyPath.toStdString());
        QVERIFY2(!error, error ? error->c_str() : "");
        QCOMPARE(tally.number(TallyTable::OwnGames, 0), 1);
        QCOMPARE(tally.number(TallyTable::OwnWins, 0), tessWon ? 1 : 0);
        // Nobody was chosen to be tallied.
        QCOMPARE(tally.rowCount(), 1);
        QVERIFY(tally.tallied().empty());
    }
};

QTEST_GUILESS_MAIN(TallyEndToEnd)
#include "test_tally_e2e.moc"
