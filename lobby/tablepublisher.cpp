#include "lobby/tablepublisher.h"

#include "lobby/stanzaelement.h"

namespace dw::lobby {

TablePublisher::TablePublisher(XmppClient& client, Room& room, QObject* parent)
    : QObject(parent), client_(client), room_(room) {
    interval_.setSingleShot(true);
    connect(&interval_, &QTimer::timeout, this, &TablePublisher::publish);
    connect(&room_, &Room::joined, this, [this] {
        // The presence that joined carried no table.
        published_.reset();
        interval_.stop();
        publish();
    });
    const auto left = [this] {
        published_.reset();
        interval_.stop();
    };
    connect(&room_, &Room::removed, this, left);
    connect(&client_, &XmppClient::disconnected, this, left);
}

void TablePublisher::setTable(const std::optional<Table>& table) {
    current_ = table;
    publish();
}

void TablePublisher::publish() {
    if (!room_.isJoined() || interval_.isActive() || current_ == published_)
        return;
    if (current_) {
        xmpp_stanza_t* element = toStanza(client_.context(), tableElement(*current_));
        room_.sendPresence(element);
        xmpp_stanza_release(element);
    } else {
        room_.sendPresence(nullptr);
    }
    published_ = current_;
    ++sent_;
    interval_.start(kIntervalMs);
}

} // namespace dw::lobby
