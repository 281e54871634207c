// The room on a real Prosody, with three lobbies in one process: joining,
// the list of pilots, chat both ways, a taken nickname, a room that does not
// exist, and a table carried in presence.
#include "lobby/room.h"
#include "lobby/stanzaelement.h"
#include "lobby/tablepublisher.h"
#include "lobby/xmppclient.h"
#include "tests/lobby/prosody.h"
#include "text/plaintext.h"

#include <QSignalSpy>
#include <QTest>

#include <strophe.h>

#include <memory>

using namespace dw;
using namespace dw::lobby;
using namespace dw::testing;

namespace {

using Lobby = SignedInLobby;

} // namespace

class TestLobbyRoom : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qRegisterMetaType<Failure>();
        qRegisterMetaType<RoomFailure>();
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
    }

    void pilotsAndChat() {
        Lobby a(server_, "alice@localhost", "secret1");
        Lobby b(server_, "bob@localhost", "secret2");
        Lobby c(server_, "carol@localhost", "secret3");
        QVERIFY(a.client.isSignedIn() && b.client.isSignedIn() && c.client.isSignedIn());
        QCOMPARE(a.join(server_.room(), "Ann"), RoomFailure::None);
        QCOMPARE(b.join(server_.room(), "Ben"), RoomFailure::None);
        QVERIFY(b.sees("Ann") && b.sees("Ben"));
        QTRY_VERIFY(a.sees("Ben"));

        // A taken nickname: one sentence, and another name works.
        QCOMPARE(c.join(server_.room(), "Ann"), RoomFailure::NicknameTaken);
        QCOMPARE(roomFailureText(RoomFailure::NicknameTaken),
                 "Another pilot in the room already uses that name; choose another one.");
        QVERIFY(!c.room.isJoined());
        QCOMPARE(c.join(server_.room(), "Cat"), RoomFailure::None);
        QCOMPARE(c.room.occupants().size(), 3u);

        // Chat both ways, as the text was sent: shown through displayText.
        const QString hostile = "hello <b>&amp;</b> \x1b[31mred\n[12:00] Ben: forged";
        // The escape cannot travel in XML: it is left out, and the stream
        // stays up.
        a.room.sendChat(hostile);
        const QString sent = "hello <b>&amp;</b> [31mred\n[12:00] Ben: forged";
        QTRY_VERIFY(b.lines.contains("Ann: " + sent));
        QTRY_VERIFY(c.lines.contains("Ann: " + sent));
        QCOMPARE(QString::fromStdString(displayText(sent.toStdString())),
                 "hello <b>&amp;</b> [31mred[12:00] Ben: forged");
        b.room.sendChat("hi Ann");
        QTRY_VERIFY(a.lines.contains("Ben: hi Ann"));

        // A pilot leaves the list when it leaves the room.
        QSignalSpy left(&a.room, &Room::occupantLeft);
        c.room.leave();
        QTRY_VERIFY(!a.sees("Cat"));
        QCOMPARE(left.first().first().toString(), "Cat");
        // A lobby that signs out leaves the room too.
        b.client.signOut();
        QTRY_VERIFY(!a.sees("Ben"));
    }

    void noRoomIsCreated() {
        Lobby a(server_, "alice@localhost", "secret1");
        QCOMPARE(a.join("nosuchroom@conference.localhost", "Ann"), RoomFailure::NoSuchRoom);
        QCOMPARE(roomFailureText(RoomFailure::NoSuchRoom),
                 "The room does not exist on this server.");
    }

    void tableTravelsInPresence() {
        Lobby a(server_, "alice@localhost", "secret1");
        Lobby b(server_, "bob@localhost", "secret2");
        QCOMPARE(b.join(server_.room(), "Ben"), RoomFailure::None);
        std::optional<Table> heard;
        connect(&b.room, &Room::presence, &b.room, [&](const QString& nick, StanzaRef s) {
            if (nick == "Ann")
                heard = tableIn(s.stanza);
        });
        QCOMPARE(a.join(server_.room(), "Ann"), RoomFailure::None);
        Table t;
        t.name = "Friday run";
        t.seats = 1;
        t.amount = 500;
        t.version = "1.0.1";
        t.addresses = {{"203.0.113.7", 7772}, {"127.0.0.1", 22}};
        xmpp_stanza_t* element = toStanza(a.client.context(), tableElement(t));
        a.room.sendPresence(element);
        xmpp_stanza_release(element);
        QTRY_VERIFY(heard.has_value());
        // The loopback address never reaches the list.
        t.addresses.pop_back();
        QCOMPARE(*heard, t);
    }

    // A burst of changes sends one table presence at once and the last
    // change when the interval ends; nothing in between.
    void tablePresencesAreSpacedAndTheLastArrives() {
        Lobby a(server_, "alice@localhost", "secret1");
        Lobby b(server_, "bob@localhost", "secret2");
        QCOMPARE(b.join(server_.room(), "Ben"), RoomFailure::None);
        std::vector<std::optional<Table>> heard;
        connect(&b.room, &Room::presence, &b.room, [&](const QString& nick, StanzaRef s) {
            if (nick == "Ann")
                heard.push_back(tableIn(s.stanza));
        });
        TablePublisher publisher(a.client, a.room);
        Table t;
        t.name = "Friday run";
        t.version = "1.0.1";
        // Set before joining: it goes out once the room is joined.
        publisher.setTable(t);
        QCOMPARE(publisher.sent(), 0);
        QCOMPARE(a.join(server_.room(), "Ann"), RoomFailure::None);
        QTRY_COMPARE(publisher.sent(), 1);
        QTRY_VERIFY(!heard.empty() && heard.back() == t);
        for (int seats = 1; seats <= 4; ++seats) {
            t.seats = seats;
            t.spectators = seats * 2;
            publisher.setTable(t);
        }
        QCOMPARE(publisher.sent(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(publisher.sent(), 2, 10000);
        QTRY_VERIFY(heard.back() == t);
        // Withdrawn: a presence without the table.
        QTest::qWait(TablePublisher::kIntervalMs + 200);
        publisher.setTable(std::nullopt);
        QCOMPARE(publisher.sent(), 3);
        QTRY_VERIFY(!heard.back().has_value());
        // Only the join presence, the first table and one per interval.
        QCOMPARE(heard.size(), std::size_t(4));
    }

private:
    PrivateProsody server_{
        PrivateProsody::Options{{"alice:secret1", "bob:secret2", "carol:secret3"}, true}};
};

QTEST_GUILESS_MAIN(TestLobbyRoom)
#include "test_lobbyroom.moc"
