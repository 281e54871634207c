// The room window against a real Prosody, with a second pilot in the room:
// chat both ways as plain text, the pilots present, tables appearing and
// leaving with their hosts (another version greyed), a taken nickname; a
// moderator's kick and ban, and a pilot ignored.
#include "lobby/stanzaelement.h"
#include "protocol/protocol.h"
#include "tests/lobby/prosody.h"
#include "tests/ui/lobby/lobbywindow.h"
#include "ui/lobby/roomwindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace dw::lobby;
using namespace dw::testing;

namespace {

QStringList pilots(RoomWindow& w) {
    QStringList names;
    auto* list = child<QListWidget>(w, "list_pilots");
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

// Selects `nick` in the pilot list, as a right click does before the menu.
bool selectPilot(RoomWindow& w, const QString& nick) {
    auto* list = child<QListWidget>(w, "list_pilots");
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toString() == nick) {
            list->setCurrentItem(list->item(i));
            return true;
        }
    return false;
}

// The pilot list's menu item `name`, triggered when enabled.
bool trigger(RoomWindow& w, const char* name) {
    auto* action = child<QAction>(w, name);
    if (!action->isEnabled())
        return false;
    action->trigger();
    return true;
}

QString status(RoomWindow& w) {
    auto* l = child<QLabel>(w, "label_status");
    return l->isHidden() ? QString() : l->text();
}

} // namespace

class TestLobbyRoomWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qRegisterMetaType<Failure>();
        qRegisterMetaType<RoomFailure>();
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
    }

    void chatPilotsAndTables() {
        XmppClient aliceClient;
        Room aliceRoom(aliceClient);
        RoomWindow w(aliceClient, aliceRoom);
        w.show();
        QVERIFY(signIn(aliceClient, server_, "alice@localhost", "secret1"));
        w.join(server_.room(), "Ann");
        QVERIFY(QTest::qWaitFor([&] { return aliceRoom.isJoined(); }, 10000));

        XmppClient bobClient;
        Room bob(bobClient);
        QVERIFY(signIn(bobClient, server_, "bob@localhost", "secret2"));
        QCOMPARE(joinAndWait(bob, server_.room(), "Bo<b>b</b>"), RoomFailure::None);
        QVERIFY(QTest::qWaitFor([&] { return pilots(w).contains("Bo<b>b</b>"); }, 5000));
        QVERIFY(pilots(w).contains("Ann"));

        // Chat both ways; markup stays text, control characters go.
        bob.sendChat(QStringLiteral("<i>hello</i> &amp; \u202Eevil"));
        auto* chat = child<QPlainTextEdit>(w, "text_chat");
        QVERIFY(QTest::qWaitFor(
            [&] { return chat->toPlainText().contains("Bo<b>b</b>: <i>hello</i> &amp;"); }, 5000));
        QVERIFY(!chat->toPlainText().contains(QChar(0x202E)));
        QStringList bobHeard;
        connect(&bob, &Room::chat, this, [&](const QString& nick, const QString& text, bool past) {
            if (!past)
                bobHeard << nick + ": " + text;
        });
        child<QLineEdit>(w, "edit_chat")->setText("Hi Bob");
        QTest::mouseClick(child<QPushButton>(w, "button_send"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return bobHeard.contains("Ann: Hi Bob"); }, 5000));
        QCOMPARE(child<QLineEdit>(w, "edit_chat")->text(), QString());

        // Bob hosts a table of this version, then one of another.
        auto* tables = child<QTreeWidget>(w, "tree_tables");
        Table t;
        t.name = "Night <run>";
        t.seats = 2;
        t.spectators = 1;
        t.amount = 500;
        t.version = std::string(dw::kVersion);
        t.addresses.push_back({"203.0.113.7", 7772});
        xmpp_stanza_t* element = toStanza(bobClient.context(), tableElement(t));
        bob.sendPresence(element);
        xmpp_stanza_release(element);
        QVERIFY(QTest::qWaitFor([&] { return tables->topLevelItemCount() == 1; }, 5000));
        QTreeWidgetItem* row = tables->topLevelItem(0);
        QCOMPARE(row->text(RoomWindow::ColName), QStringLiteral("Night <run>"));
        QCOMPARE(row->text(RoomWindow::ColHost), QStringLiteral("Bo<b>b</b>"));
        QCOMPARE(row->text(RoomWindow::ColSeats), QStringLiteral("2 of 4"));
        QCOMPARE(row->text(RoomWindow::ColSpectators), QStringLiteral("1"));
        QCOMPARE(row->text(RoomWindow::ColState), QStringLiteral("waiting"));
        QCOMPARE(row->text(RoomWindow::ColAmount), QStringLiteral("500"));
        QCOMPARE(row->text(RoomWindow::ColAddress), QStringLiteral("203.0.113.7:7772"));
        QVERIFY(!row->isDisabled());

        QTest::qWait(2100); // one table presence every 2 s
        t.version = "9.9";
        t.playing = true;
        element = toStanza(bobClient.context(), tableElement(t));
        bob.sendPresence(element);
        xmpp_stanza_release(element);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return tables->topLevelItemCount() == 1 &&
                       tables->topLevelItem(0)->text(RoomWindow::ColState) ==
                           QStringLiteral("needs version 9.9");
            },
            5000));
        QVERIFY(tables->topLevelItem(0)->isDisabled());

        // The table leaves with its host, and so does the pilot.
        bob.leave();
        QVERIFY(QTest::qWaitFor([&] { return tables->topLevelItemCount() == 0; }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return !pilots(w).contains("Bo<b>b</b>"); }, 5000));
    }

    // A taken nickname reads one sentence and offers a field for another.
    void takenNickname() {
        XmppClient bobClient;
        Room bob(bobClient);
        QVERIFY(signIn(bobClient, server_, "bob@localhost", "secret2"));
        QCOMPARE(joinAndWait(bob, server_.room(), "Ace"), RoomFailure::None);

        XmppClient client;
        Room room(client);
        RoomWindow w(client, room);
        w.show();
        QVERIFY(signIn(client, server_, "carol@localhost", "secret3"));
        w.join(server_.room(), "Ace");
        QVERIFY(QTest::qWaitFor([&] { return !status(w).isEmpty(); }, 10000));
        QCOMPARE(status(w), roomFailureText(RoomFailure::NicknameTaken));
        auto* nick = child<QLineEdit>(w, "edit_nick");
        QVERIFY(!nick->parentWidget()->isHidden());
        nick->setText("Ace 2");
        QTest::mouseClick(child<QPushButton>(w, "button_nick"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return room.isJoined(); }, 10000));
        QCOMPARE(room.nick(), QStringLiteral("Ace 2"));
        QVERIFY(status(w).isEmpty());
        QVERIFY(nick->parentWidget()->isHidden());
        QVERIFY(QTest::qWaitFor([&] { return pilots(w).contains("Ace"); }, 5000));
    }

    // Dora owns the room: she kicks Eve and bans Finn, who each read one
    // sentence and are not taken back into the room. Finn ignores Eve first.
    void kickBanAndIgnore() {
        LobbyWindow dora, eve, finn;
        QVERIFY(dora.enter(server_, "dora@localhost", "pw-dora", "Dora"));
        QVERIFY(eve.enter(server_, "eve@localhost", "pw-eve", "Eve"));
        QVERIFY(finn.enter(server_, "finn@localhost", "pw-finn", "Finn"));
        QVERIFY(QTest::qWaitFor([&] { return dora.room.occupants().size() == 3; }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return finn.room.occupants().size() == 3; }, 5000));
        QVERIFY(dora.room.canKick() && dora.room.canBan());
        // Dora sees the real accounts; the others may do nothing to anyone.
        QVERIFY(QTest::qWaitFor([&] { return pilots(dora.window).contains("Eve eve@localhost"); },
                                5000));
        QVERIFY(selectPilot(eve.window, "Finn"));
        QVERIFY(!trigger(eve.window, "action_kick"));
        QVERIFY(!trigger(eve.window, "action_ban"));

        // Finn ignores Eve: her next line reaches Dora, not Finn.
        auto* finnChat = child<QPlainTextEdit>(finn.window, "text_chat");
        auto* doraChat = child<QPlainTextEdit>(dora.window, "text_chat");
        eve.room.sendChat("first line");
        QVERIFY(QTest::qWaitFor([&] { return finnChat->toPlainText().contains("Eve: first line"); },
                                5000));
        QVERIFY(selectPilot(finn.window, "Eve"));
        QVERIFY(trigger(finn.window, "action_ignore"));
        QVERIFY(finn.window.isIgnored("Eve"));
        QVERIFY(pilots(finn.window).contains("Eve (ignored)"));
        eve.room.sendChat("second line");
        finn.room.sendChat("Finn's line");
        QVERIFY(QTest::qWaitFor(
            [&] { return doraChat->toPlainText().contains("Finn: Finn's line"); }, 5000));
        QVERIFY(doraChat->toPlainText().contains("Eve: second line"));
        QVERIFY(QTest::qWaitFor(
            [&] { return finnChat->toPlainText().contains("Finn: Finn's line"); }, 5000));
        QVERIFY(!finnChat->toPlainText().contains("second line"));

        // The kick: Eve reads one sentence, and stays out.
        QVERIFY(selectPilot(dora.window, "Eve"));
        QVERIFY(trigger(dora.window, "action_kick"));
        const QString kicked = roomFailureText(RoomFailure::Kicked);
        QVERIFY(QTest::qWaitFor([&] { return status(eve.window) == kicked; }, 10000));
        QCOMPARE(child<QPlainTextEdit>(eve.window, "text_chat")->toPlainText().count(kicked), 1);
        QVERIFY(!eve.room.isJoined());
        QVERIFY(QTest::qWaitFor([&] { return !pilots(dora.window).contains("Eve eve@localhost"); },
                                5000));

        // The ban: Finn reads his sentence, and the room keeps him out.
        QVERIFY(selectPilot(dora.window, "Finn"));
        QVERIFY(trigger(dora.window, "action_ban"));
        const QString banned = roomFailureText(RoomFailure::Banned);
        QVERIFY(QTest::qWaitFor([&] { return status(finn.window) == banned; }, 10000));
        QVERIFY(finnChat->toPlainText().contains(banned));
        QVERIFY(!finn.room.isJoined());
        QCOMPARE(joinAndWait(finn.room, server_.room(), "Finn"), RoomFailure::Banned);
        // Neither came back on its own meanwhile.
        QVERIFY(!eve.room.isJoined());
        QVERIFY(QTest::qWaitFor([&] { return dora.room.occupants().size() == 1; }, 5000));
    }

private:
    PrivateProsody server_{PrivateProsody::Options{{"alice:secret1", "bob:secret2", "carol:secret3",
                                                    "dora:pw-dora", "eve:pw-eve", "finn:pw-finn"},
                                                   true},
                           {"dora@localhost"}};
};

QTEST_MAIN(TestLobbyRoomWindow)
#include "test_lobbyroomwindow.moc"
