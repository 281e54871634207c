// Three lobbies and Prosody, with the real game: A hosts with its address
// shown, B and C list the table. B joins it through the launch line (a
// double click starts a real game window that joins A's game); C joins
// with a protocol client that chooses "Just Watch". The seats in the room
// follow; the table goes when A's game ends, and when A's lobby goes.
#include "protocol/messages.h"
#include "tests/lobby/prosody.h"
#include "tests/support/processes.h"
#include "tests/ui/lobby/lobbywindow.h"
#include "ui/lobby/roomwindow.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <csignal>
#include <memory>
#include <sys/types.h>

using namespace dw;
using namespace dw::lobby;
using namespace dw::testing;

using Lobby = LobbyWindow;

class TestLobbyThree : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
        QVERIFY(!qEnvironmentVariable("DRIFTWAKE_BIN").isEmpty());
    }

    void hostJoinWatchAndLeave() {
        auto a = std::make_unique<Lobby>();
        Lobby b;
        Lobby c;
        QVERIFY(a->enter(server_, "alice@localhost", "secret1", "Ann"));
        QVERIFY(b.enter(server_, "bob@localhost", "secret2", "Bob"));
        QVERIFY(c.enter(server_, "carol@localhost", "secret3", "Cat"));

        // A hosts with its address shown; there is no router here, so the
        // address is the machine's own.
        qputenv("DRIFTWAKE_DATA_DIR", dataA_.path().toUtf8());
        a->window.findChild<QCheckBox*>("check_address")->click();
        QTest::mouseClick(a->window.findChild<QPushButton*>("button_host"), Qt::LeftButton);
        const qint64 gameA = a->window.launcher().lastPid();
        QVERIFY(gameA > 0);
        QVERIFY(QTest::qWaitFor([&] { return b.rows() == 1 && c.rows() == 1; }, 30000));
        QCOMPARE(b.cell(RoomWindow::ColHost), QStringLiteral("Ann"));
        QCOMPARE(b.cell(RoomWindow::ColState), QStringLiteral("waiting"));
        const quint16 port = a->window.launcher().hostedPort();
        if (HostedTable::interfaceAddresses(port).empty())
            QSKIP("This machine has no address but loopback to show.");
        QVERIFY(
            QTest::qWaitFor([&] { return b.cell(RoomWindow::ColAddress) != "not shown"; }, 30000));

        // B joins through the launch line: a double click on the table.
        qputenv("DRIFTWAKE_DATA_DIR", dataB_.path().toUtf8());
        QTreeWidgetItem* row = b.tree()->topLevelItem(0);
        emit b.tree()->itemDoubleClicked(row, RoomWindow::ColName);
        // The shown address answers: the game joins it directly.
        QVERIFY(QTest::qWaitFor([&] { return b.window.launcher().lastPid() > 0; }, 5000));
        const qint64 gameB = b.window.launcher().lastPid();
        QVERIFY(!b.window.relayJoin());
        QVERIFY(QTest::qWaitFor([&] { return c.cell(RoomWindow::ColSeats) == "2 of 4"; }, 30000));

        // C takes a seat and just watches.
        RawClient watcher;
        const int seat = watcher.login(port, "Cat");
        QVERIFY(seat > 1);
        watcher.send(msg::JustWatch{seat, true});
        QVERIFY(QTest::qWaitFor(
            [&] {
                return b.cell(RoomWindow::ColSeats) == "3 of 4" &&
                       c.cell(RoomWindow::ColSeats) == "3 of 4";
            },
            30000));

        // A's game ends: the table goes from both lists; B's game ends with
        // its host.
        ::kill(static_cast<pid_t>(gameA), SIGTERM);
        QVERIFY(QTest::qWaitFor([&] { return b.rows() == 0 && c.rows() == 0; }, 30000));
        QVERIFY(QTest::qWaitFor([&] { return ::kill(static_cast<pid_t>(gameB), 0) != 0; }, 30000));

        // A hosts again, and A's lobby goes away with its game running: the
        // room withdraws the table with the lobby's presence.
        qputenv("DRIFTWAKE_DATA_DIR", dataA_.path().toUtf8());
        QTest::mouseClick(a->window.findChild<QPushButton*>("button_host"), Qt::LeftButton);
        const qint64 gameA2 = a->window.launcher().lastPid();
        QVERIFY(QTest::qWaitFor([&] { return b.rows() == 1 && c.rows() == 1; }, 30000));
        a.reset();
        QVERIFY(QTest::qWaitFor([&] { return b.rows() == 0 && c.rows() == 0; }, 30000));
        ::kill(static_cast<pid_t>(gameA2), SIGKILL);
    }

private:
    PrivateProsody server_{
        PrivateProsody::Options{{"alice:secret1", "bob:secret2", "carol:secret3"}, true}};
    QTemporaryDir dataA_;
    QTemporaryDir dataB_;
};

QTEST_MAIN(TestLobbyThree)
#include "test_lobbythree.moc"
