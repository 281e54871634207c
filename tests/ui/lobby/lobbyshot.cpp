// driftwake-lobbyshot --out DIR: the lobby's windows as a pilot sees them,
// written as PNG files for the README and for review. The sign-in window is
// shown answering an account that is not a name and a domain; the room
// window is signed in to a private Prosody with a second pilot who chats and
// hosts two tables, one of another version.
#include "lobby/stanzaelement.h"
#include "protocol/protocol.h"
#include "tests/lobby/prosody.h"
#include "ui/lobby/roomwindow.h"
#include "ui/lobby/signinwindow.h"
#include "ui/tools/shots.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

using dw::shots::waitUntil;

bool save(QWidget& w, const QDir& out, const char* name) {
    return dw::shots::save(w, out.path(), name);
}

void hostTable(dw::lobby::XmppClient& client, dw::lobby::Room& room, dw::lobby::Table t) {
    xmpp_stanza_t* element = dw::lobby::toStanza(client.context(), dw::lobby::tableElement(t));
    room.sendPresence(element);
    xmpp_stanza_release(element);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("out"), QStringLiteral("Directory for the PNG files."),
                      QStringLiteral("DIR"), QStringLiteral(".")});
    parser.process(app);
    const QDir out(parser.value(QStringLiteral("out")));
    QTemporaryDir data;

    dw::lobby::XmppClient client;
    dw::lobby::SignInWindow signInWindow(client, (data.path() + "/korvellobby.ini").toStdString());
    const auto set = [&](const char* name, const char* text) {
        signInWindow.findChild<QLineEdit*>(QString::fromLatin1(name))
            ->setText(QString::fromLatin1(text));
    };
    set("edit_pilot", "Ann");
    set("edit_server", "lobby.example.org");
    set("edit_account", "ann");
    set("edit_password", "pw");
    signInWindow.show();
    signInWindow.findChild<QPushButton*>(QStringLiteral("button_signin"))->click();
    QApplication::processEvents();
    if (!save(signInWindow, out, "lobby-signin.png"))
        return 1;

    dw::testing::PrivateProsody server({{"ann:pw1", "bob:pw2", "cy:pw3"}, true});
    if (!server.ok()) {
        std::fprintf(stderr, "driftwake-lobbyshot: %s\n", qPrintable(server.error()));
        return 1;
    }
    dw::lobby::Room room(client);
    dw::lobby::RoomWindow window(client, room);
    window.show();
    dw::lobby::XmppClient bobClient;
    dw::lobby::Room bob(bobClient);
    dw::lobby::XmppClient cyClient;
    dw::lobby::Room cy(cyClient);
    if (!dw::testing::signIn(client, server, "ann@localhost", "pw1") ||
        !dw::testing::signIn(bobClient, server, "bob@localhost", "pw2") ||
        !dw::testing::signIn(cyClient, server, "cy@localhost", "pw3")) {
        std::fprintf(stderr, "driftwake-lobbyshot: signing in failed\n");
        return 1;
    }
    window.join(server.room(), QStringLiteral("Ann"));
    bob.join(server.room(), QStringLiteral("Bob"));
    cy.join(server.room(), QStringLiteral("Cy"));
    waitUntil([&] { return room.isJoined() && bob.isJoined() && cy.isJoined(); }, 10000);
    bob.sendChat(QStringLiteral("Anyone up for a run? <b>3 seats</b> free"));
    waitUntil([] { return false; }, 300);
    room.sendChat(QStringLiteral("Sure, joining in a minute."));
    dw::lobby::Table t;
    t.name = "Friday night run";
    t.seats = 1;
    t.amount = 5000;
    t.version = std::string(dw::kVersion);
    t.addresses.push_back({"203.0.113.7", 7772});
    hostTable(bobClient, bob, t);
    t.name = "Old timers";
    t.seats = 4;
    t.spectators = 2;
    t.playing = true;
    t.version = "0.9";
    t.addresses = {{"198.51.100.20", 7772}};
    hostTable(cyClient, cy, t);
    waitUntil([&] { return window.tables().tables().size() == 2; }, 5000);
    waitUntil([] { return false; }, 500);
    return save(window, out, "lobby-room.png") ? 0 : 1;
}
