// Hosting through the launch line with the real game: "Host a Table" starts
// driftwake, whose lobby link lists the table in another lobby's window;
// when the game ends the table is withdrawn.
#include "lobby/roomwindow.h"
#include "tests/lobby/prosody.h"

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

namespace {

bool signIn(XmppClient& client, const PrivateProsody& server, const QString& jid,
            const QString& password) {
    SignIn how;
    how.jid = jid;
    how.password = password;
    how.host = "127.0.0.1";
    how.port = server.port();
    how.caFile = server.caFile();
    client.signIn(how);
    return QTest::qWaitFor([&] { return client.isSignedIn(); }, 20000);
}

struct Lobby {
    XmppClient client;
    Room room{client};
    RoomWindow window{client, room};
    bool enter(const PrivateProsody& server, const QString& jid, const QString& password,
               const QString& nick) {
        if (!signIn(client, server, jid, password))
            return false;
        window.join(server.room(), nick);
        return QTest::qWaitFor([&] { return room.isJoined(); }, 10000);
    }
    int rows() { return window.findChild<QTreeWidget*>("tree_tables")->topLevelItemCount(); }
};

} // namespace

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
        QVERIFY(QTest::qWaitFor([&] { return bob.rows() == 1; }, 15000));
        auto* row = bob.window.findChild<QTreeWidget*>("tree_tables")->topLevelItem(0);
        QCOMPARE(row->text(RoomWindow::ColHost), QStringLiteral("Ann"));
        QCOMPARE(row->text(RoomWindow::ColState), QStringLiteral("waiting"));
        // The game hosts on the port the lobby chose.
        QVERIFY(ann.window.launcher().hosting());
        QTcpSocket game;
        game.connectToHost("127.0.0.1", ann.window.launcher().hostedPort());
        QVERIFY(game.waitForConnected(3000));
        game.abort();

        // The game is killed: the link closes and the table is withdrawn.
        ::kill(static_cast<pid_t>(pid), SIGKILL);
        QVERIFY(QTest::qWaitFor([&] { return !ann.window.launcher().hosting(); }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return bob.rows() == 0; }, 5000));
    }

private:
    PrivateProsody server_{PrivateProsody::Options{{"alice:secret1", "bob:secret2"}, true}};
    QTemporaryDir data_;
};

QTEST_MAIN(TestLobbyHosting)
#include "test_lobbyhosting.moc"
