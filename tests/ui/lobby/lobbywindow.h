// A lobby signed in to the private Prosody with its room window in the
// room, and what its table list shows: the window tests' pilot.
#pragma once

#include "tests/lobby/prosody.h"
#include "ui/lobby/roomwindow.h"

#include <QLabel>
#include <QTest>
#include <QTreeWidget>

namespace dw::testing {

// The child control `name` of a lobby window; the test ends when there is none.
template <typename T> T* child(QWidget& w, const char* name) {
    auto* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no %s", name);
    return c;
}

struct LobbyWindow {
    lobby::XmppClient client;
    lobby::Room room{client};
    lobby::RoomWindow window{client, room};

    // Signs in as `jid` and joins the room as `nick`; true once in.
    bool enter(const PrivateProsody& server, const QString& jid, const QString& password,
               const QString& nick) {
        if (!signIn(client, server, jid, password))
            return false;
        window.join(server.room(), nick);
        return QTest::qWaitFor([&] { return room.isJoined(); }, 20000);
    }
    QTreeWidget* tree() { return window.findChild<QTreeWidget*>("tree_tables"); }
    int rows() { return tree()->topLevelItemCount(); }
    // What the window says to its pilot (a failure's reason), or "".
    QString status() { return child<QLabel>(window, "label_status")->text(); }
    // The text in `column` of the only table listed, or "" when not one.
    QString cell(int column) {
        return rows() == 1 ? tree()->topLevelItem(0)->text(column) : QString();
    }
};

} // namespace dw::testing
