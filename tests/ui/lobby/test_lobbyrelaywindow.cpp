// Relayed joins from the room window, with the real game: A hosts with no
// address shown; B's double click on the table starts a game that joins
// A's game through the relay (the lobby listens on loopback and carries each
// connection the game makes as a new stream), and the room's seats follow.
// Another connection to B's loopback port is a new stream, as a rejoin
// would be: it replaces the game's stream, and the game's rejoin replaces it
// in turn. Quitting B's lobby while it relays asks first.
#include "protocol/messages.h"
#include "tests/lobby/prosody.h"
#include "tests/support/processes.h"
#include "tests/ui/lobby/lobbywindow.h"
#include "ui/lobby/roomwindow.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <csignal>
#include <sys/types.h>
#include <vector>

using namespace dw;
using namespace dw::lobby;
using namespace dw::testing;

class TestLobbyRelayWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
        QVERIFY(!qEnvironmentVariable("DRIFTWAKE_BIN").isEmpty());
    }

    void aTableWithNoAddressIsJoinedThroughTheRelay() {
        LobbyWindow a;
        LobbyWindow b;
        QVERIFY(a.enter(server_, "alice@localhost", "secret1", "Ann"));
        QVERIFY(b.enter(server_, "bob@localhost", "secret2", "Bob"));
        QVERIFY(QTest::qWaitFor([&] { return b.window.relayHost().proxyKnown(); }, 15000));

        qputenv("DRIFTWAKE_DATA_DIR", dataA_.path().toUtf8());
        QTest::mouseClick(a.window.findChild<QPushButton*>("button_host"), Qt::LeftButton);
        const qint64 gameA = a.window.launcher().lastPid();
        QVERIFY(gameA > 0);
        games_.push_back(gameA);
        QVERIFY(QTest::qWaitFor([&] { return b.rows() == 1; }, 30000));
        QCOMPARE(b.cell(RoomWindow::ColAddress), QStringLiteral("not shown"));
        QVERIFY(QTest::qWaitFor([&] { return a.window.relayHost().gamePort() != 0; }, 10000));

        // B's double click: a relayed join.
        qputenv("DRIFTWAKE_DATA_DIR", dataB_.path().toUtf8());
        emit b.tree()->itemDoubleClicked(b.tree()->topLevelItem(0), RoomWindow::ColName);
        QVERIFY(b.window.relayJoin());
        const qint64 gameB = b.window.launcher().lastPid();
        QVERIFY(gameB > 0);
        games_.push_back(gameB);
        QVERIFY2(QTest::qWaitFor([&] { return b.cell(RoomWindow::ColSeats) == "2 of 4"; }, 30000),
                 qPrintable(b.cell(RoomWindow::ColSeats) + " seated; A says: " + a.status() +
                            "; B says: " + b.status()));
        QCOMPARE(a.window.relayHost().streams(), 1);
        QVERIFY(b.window.isRelaying());

        // Another connection to the loopback port opens a stream of its own,
        // which replaces the game's (one stream per joiner): the game sees
        // its link drop, rejoins through the loopback port, and its new
        // stream replaces this one in turn. (The test's socket is read
        // without blocking: the relay runs on this thread.)
        QTcpSocket other;
        other.connectToHost(QHostAddress::LocalHost, b.window.relayJoin()->port());
        QByteArray greeting;
        QVERIFY(QTest::qWaitFor(
            [&] {
                greeting += other.readAll();
                return greeting.endsWith('\xff');
            },
            20000));
        QVERIFY2(greeting.startsWith("CMD_sendlogininfo+"), greeting.constData());
        QCOMPARE(a.window.relayHost().streams(), 1);
        QVERIFY(QTest::qWaitFor([&] { return other.state() == QAbstractSocket::UnconnectedState; },
                                30000));
        QCOMPARE(a.window.relayHost().streams(), 1);
        QVERIFY(QTest::qWaitFor([&] { return b.cell(RoomWindow::ColSeats) == "2 of 4"; }, 30000));
        QVERIFY(::kill(static_cast<pid_t>(gameB), 0) == 0);

        // Quitting B's lobby now asks first; "No" keeps it.
        b.window.show();
        bool asked = false;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    asked = true;
                    box->button(QMessageBox::No)->click();
                }
        });
        answer.start(100);
        b.window.close();
        answer.stop();
        QVERIFY(asked);
        QVERIFY(b.window.isVisible());

        // The games end: nothing is relayed, and the lobby quits at once.
        ::kill(static_cast<pid_t>(gameA), SIGTERM);
        ::kill(static_cast<pid_t>(gameB), SIGTERM);
        QVERIFY(QTest::qWaitFor([&] { return !b.window.isRelaying(); }, 30000));
        b.window.close();
        QVERIFY(!b.window.isVisible());
    }

    void aServerWithoutAProxyTakesDirectJoinsOnly() {
        PrivateProsody bare(PrivateProsody::Options{{"alice:secret1", "bob:secret2"}, true, false});
        QVERIFY2(bare.ok(), qPrintable(bare.error()));
        LobbyWindow a;
        LobbyWindow b;
        QVERIFY(a.enter(bare, "alice@localhost", "secret1", "Ann"));
        QVERIFY(b.enter(bare, "bob@localhost", "secret2", "Bob"));
        QVERIFY(QTest::qWaitFor([&] { return b.window.relayHost().proxyMissing(); }, 15000));

        qputenv("DRIFTWAKE_DATA_DIR", dataA_.path().toUtf8());
        QTest::mouseClick(a.window.findChild<QPushButton*>("button_host"), Qt::LeftButton);
        QVERIFY(a.window.launcher().lastPid() > 0);
        games_.push_back(a.window.launcher().lastPid());
        QVERIFY(QTest::qWaitFor([&] { return b.rows() == 1; }, 30000));
        QCOMPARE(b.cell(RoomWindow::ColAddress), QStringLiteral("direct joins only"));

        // A double click says why nothing can be joined, and starts nothing.
        qputenv("DRIFTWAKE_DATA_DIR", dataB_.path().toUtf8());
        emit b.tree()->itemDoubleClicked(b.tree()->topLevelItem(0), RoomWindow::ColName);
        QVERIFY(!b.window.relayJoin());
        QCOMPARE(b.window.launcher().lastPid(), qint64(0));
        QCOMPARE(child<QLabel>(b.window, "label_status")->text(),
                 QStringLiteral("This table's host shows no address to join."));
    }

    void cleanup() {
        // The games started, whatever became of the test.
        for (const qint64 pid : games_)
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        games_.clear();
    }

private:
    std::vector<qint64> games_;
    PrivateProsody server_{PrivateProsody::Options{{"alice:secret1", "bob:secret2"}, true}};
    QTemporaryDir dataA_;
    QTemporaryDir dataB_;
};

QTEST_MAIN(TestLobbyRelayWindow)
#include "test_lobbyrelaywindow.moc"
