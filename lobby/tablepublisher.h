// What the room is told of this lobby's table: the table element in the
// lobby's presence, sent at most once every kIntervalMs. Changes that come
// sooner are held and the last of them is sent when the interval ends, so
// the room always ends up with the table as it is. After (re)joining the
// room, the table is sent again at once.
#pragma once

#include "lobby/room.h"
#include "lobby/table.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace dw::lobby {

class TablePublisher : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 2000;

    TablePublisher(XmppClient& client, Room& room, QObject* parent = nullptr);

    // The table the room should see; nothing withdraws it.
    void setTable(const std::optional<Table>& table);
    const std::optional<Table>& table() const { return current_; }
    // What the room was last told.
    const std::optional<Table>& published() const { return published_; }
    // Table presences sent so far.
    int sent() const { return sent_; }

private:
    void publish();

    XmppClient& client_;
    Room& room_;
    QTimer interval_;
    std::optional<Table> current_;
    std::optional<Table> published_;
    int sent_ = 0;
};

} // namespace dw::lobby
