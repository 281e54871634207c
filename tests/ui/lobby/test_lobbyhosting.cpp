// Hosting through the launch line with the real game: "Host a Table" starts
// driftwake, whose lobby link lists the table in another lobby's window;
// its seats and spectators follow the game's announcement; its address is
// shown only when ticked (the router's public one, from a test router);
// when the game ends the table is withdrawn. While a game window of the
// same data directory is open, the lobby says so and starts nothing.
#include "client/singleinstance.h"
#include "tests/lobby/prosody.h"
#include "tests/support/fakeigd.h"
#include "tests/support/processes.h"
#include "tests/ui/lobby/lobbywindow.h"
#include "ui/lobby/roomwindow.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <csignal>
#include <sys/types.h>

using namespace dw::lobby;
using namespace dw::testing;

using Lobby = LobbyWindow;

class TestLobbyHosting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
        QVERIFY(!qEnvironmentVariable("DRIFTWAKE_BIN").isEmpty());
        qputenv("DRIFTWAKE_DATA_DIR", data_.path().toUtf8());
    }

    void hostedTableFollowsTheGamesLink() {
        // Another program holds 9001: the game must find the lobby through
        // DRIFTWAKE_LOBBY_LINK_PORT.
        QTcpServer other;
        other.listen(QHostAddress::LocalHost, 9001);
        Lobby ann;
        Lobby bob;
        QVERIFY(ann.window.launcher().linkPort() != 9001);
        QVERIFY(ann.enter(server_, "alice@localhost", "secret1", "Ann"));
        QVERIFY(bob.enter(server_, "bob@localhost", "secret2", "Bob"));
        QVERIFY(ann.window.launcher().linkPort() != 0);
        QVERIFY(bob.window.launcher().linkPort() != ann.window.launcher().linkPort());

        QTest::mouseClick(ann.window.findChild<QPushButton*>("button_host"), Qt::LeftButton);
        const qint64 pid = ann.window.launcher().lastPid();
        QVERIFY(pid > 0);
        // While the game starts, a second click starts nothing, and
        // another game links to the lobby where joined games do (as one
        // started by hand does on 9001) and ends: it is not the table's.
        QTest::mouseClick(ann.window.findChild<QPushButton*>("button_host"), Qt::LeftButton);
        QCOMPARE(ann.window.launcher().lastPid(), pid);
        QCOMPARE(ann.status(), QStringLiteral("Your table's game is still starting."));
        {
            QTcpSocket stranger;
            stranger.connectToHost("127.0.0.1", ann.window.launcher().linkPort());
            QVERIFY(stranger.waitForConnected(3000));
            QTest::qWait(100);
        }
        QVERIFY(QTest::qWaitFor([&] { return bob.rows() == 1; }, 15000));
        QVERIFY(ann.window.launcher().hosting());
        auto* row = bob.window.findChild<QTreeWidget*>("tree_tables")->topLevelItem(0);
        QCOMPARE(row->text(RoomWindow::ColHost), QStringLiteral("Ann"));
        QCOMPARE(row->text(RoomWindow::ColState), QStringLiteral("waiting"));
        // No game has been started, so there is no amount to earn yet.
        QCOMPARE(row->text(RoomWindow::ColAmount), QStringLiteral("-"));
        // The game hosts on the port the lobby chose.
        QVERIFY(ann.window.launcher().hosting());
        QTcpSocket game;
        game.connectToHost("127.0.0.1", ann.window.launcher().hostedPort());
        QVERIFY(game.waitForConnected(3000));
        game.abort();
        QCOMPARE(row->text(RoomWindow::ColAddress), QStringLiteral("not shown"));
        QVERIFY(ann.window.hostedTable().table()->addresses.empty());

        // Pilots sit down at the game and one more connection watches: the
        // room follows the game's announcement.
        const quint16 gamePort = ann.window.launcher().hostedPort();
        RawClient pilots[3];
        for (RawClient& p : pilots)
            QVERIFY(p.login(gamePort, "Pilot " + std::to_string(&p - pilots)) > 1);
        RawClient watcher;
        QVERIFY(watcher.connectTo(gamePort));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return bob.cell(RoomWindow::ColSeats) == "4 of 4" &&
                       bob.cell(RoomWindow::ColSpectators) == "1";
            },
            20000));
        pilots[2].socket().abort();
        QVERIFY(QTest::qWaitFor([&] { return bob.cell(RoomWindow::ColSeats) == "3 of 4"; }, 20000));

        // "Show my address to the room": the router's public address.
        FakeIgd router;
        QVERIFY(router.ok());
        qputenv("DRIFTWAKE_IGD_URL", router.url().toUtf8());
        ann.window.findChild<QCheckBox*>("check_address")->click();
        const QString external =
            QStringLiteral("%1:%2").arg(FakeIgd::kExternalAddress).arg(gamePort);
        QVERIFY(
            QTest::qWaitFor([&] { return bob.cell(RoomWindow::ColAddress) == external; }, 20000));
        QCOMPARE(router.activeMappings(), 1);
        // Unticked: the address goes, and so does the router's mapping.
        ann.window.findChild<QCheckBox*>("check_address")->click();
        QVERIFY(QTest::qWaitFor([&] { return bob.cell(RoomWindow::ColAddress) == "not shown"; },
                                20000));
        QVERIFY(QTest::qWaitFor([&] { return router.activeMappings() == 0; }, 20000));
        qunsetenv("DRIFTWAKE_IGD_URL");

        // The game is killed: the link closes and the table is withdrawn.
        ::kill(static_cast<pid_t>(pid), SIGKILL);
        QVERIFY(QTest::qWaitFor([&] { return !ann.window.launcher().hosting(); }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return bob.rows() == 0; }, 5000));
    }

    void anOpenGameWindowOfTheDataDirectoryStartsNothing() {
        // The game, with this data directory, as a player left it open.
        const QString bin = qEnvironmentVariable("DRIFTWAKE_BIN");
        QProcess game;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        game.setProcessEnvironment(env);
        game.start(bin, {});
        QVERIFY(game.waitForStarted());
        const QString install = QFileInfo(bin).canonicalPath();
        // Asked as often as it can be while the game starts: asking must not
        // make the starting game believe another copy runs.
        QElapsedTimer asking;
        asking.start();
        bool seen = false;
        while (!seen && asking.elapsed() < 15000)
            seen = dw::SingleInstance::running(data_.path(), install);
        QVERIFY(seen);
        QVERIFY(!game.waitForFinished(500));
        // Another data directory is another game.
        QTemporaryDir other;
        QVERIFY(!dw::SingleInstance::running(other.path(), install));

        Lobby ann;
        QVERIFY(ann.enter(server_, "alice@localhost", "secret1", "Ann"));
        QTest::mouseClick(ann.window.findChild<QPushButton*>("button_host"), Qt::LeftButton);
        const QString said = "A Driftwake window is already open for this data directory: close "
                             "it before starting another game.";
        QCOMPARE(ann.status(), said);
        QCOMPARE(ann.window.launcher().lastPid(), qint64(0));
        QVERIFY(!ann.window.launcher().hosting());
        QString error;
        QVERIFY(!ann.window.launcher().join("Ann", "203.0.113.7:7772", error));
        QCOMPARE(error, said);
        QCOMPARE(ann.window.launcher().lastPid(), qint64(0));

        // Once the game has ended, the lobby starts games again.
        game.terminate();
        QVERIFY(game.waitForFinished(10000));
        QVERIFY(!dw::SingleInstance::running(data_.path(), install));
        QTest::mouseClick(ann.window.findChild<QPushButton*>("button_host"), Qt::LeftButton);
        QVERIFY(ann.window.launcher().lastPid() > 0);
        QVERIFY(QTest::qWaitFor([&] { return ann.window.launcher().hosting(); }, 15000));
        ::kill(static_cast<pid_t>(ann.window.launcher().lastPid()), SIGKILL);
        QVERIFY(QTest::qWaitFor([&] { return !ann.window.launcher().hosting(); }, 10000));
    }

    // The server goes away while a game runs and comes back: the game goes
    // on, and the hosting lobby signs in again, rejoins and publishes its
    // table, which the other lobby (signed in again too) lists.
    void gameGoesOnWhileTheServerIsAway() {
        Lobby ann;
        Lobby bob;
        QVERIFY(ann.enter(server_, "alice@localhost", "secret1", "Ann"));
        QVERIFY(bob.enter(server_, "bob@localhost", "secret2", "Bob"));
        QTest::mouseClick(ann.window.findChild<QPushButton*>("button_host"), Qt::LeftButton);
        const qint64 pid = ann.window.launcher().lastPid();
        QVERIFY(pid > 0);
        QVERIFY(QTest::qWaitFor([&] { return bob.rows() == 1; }, 15000));

        QVERIFY2(server_.restart(), qPrintable(server_.error()));
        QVERIFY(QTest::qWaitFor([&] { return bob.rows() == 0; }, 20000));
        QVERIFY(QTest::qWaitFor(
            [&] { return bob.rows() == 1 && ann.room.isJoined() && bob.room.isJoined(); }, 60000));
        QCOMPARE(bob.cell(RoomWindow::ColHost), QStringLiteral("Ann"));
        QCOMPARE(::kill(static_cast<pid_t>(pid), 0), 0);
        QVERIFY(ann.window.launcher().hosting());

        // A game the lobby started ends on SIGTERM, as one started by hand:
        // SIGTERM is neither blocked nor ignored in it.
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        QVERIFY(status.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = status.readAll().split('\n');
        for (const QByteArray& line : lines)
            if (line.startsWith("SigBlk:") || line.startsWith("SigIgn:")) {
                const qulonglong mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
                const qulonglong bit = 1ULL << (SIGTERM - 1);
                QVERIFY2(!(mask & bit), line.constData());
            }
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        QVERIFY(QTest::qWaitFor([&] { return !ann.window.launcher().hosting(); }, 20000));
        QVERIFY(QTest::qWaitFor([&] { return bob.rows() == 0; }, 10000));
    }

    // The machine's own addresses offered to the room are never loopback,
    // link-local or multicast ones.
    void ownAddressesAreJoinable() {
        for (const dw::HostPort& a : HostedTable::interfaceAddresses(7772)) {
            QVERIFY2(isJoinableAddress(a.host), a.host.c_str());
            QCOMPARE(a.port, 7772);
        }
    }

private:
    PrivateProsody server_{PrivateProsody::Options{{"alice:secret1", "bob:secret2"}, true}};
    QTemporaryDir data_;
};

QTEST_MAIN(TestLobbyHosting)
#include "test_lobbyhosting.moc"
