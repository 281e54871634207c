#include "lobby/room.h"

#include "lobby/xmppclient.h"

#include <strophe.h>

#include <cstring>

namespace dw::lobby {

namespace {

constexpr const char* kNsMuc = "http://jabber.org/protocol/muc";
constexpr const char* kNsMucUser = "http://jabber.org/protocol/muc#user";
constexpr const char* kNsMucAdmin = "http://jabber.org/protocol/muc#admin";
// The id of this lobby's admin requests, to tell the room's answer apart.
constexpr const char* kAdminId = "dw-moderation";
constexpr const char* kNsStanzas = "urn:ietf:params:xml:ns:xmpp-stanzas";
constexpr const char* kNsDelay = "urn:xmpp:delay";
// Chat lines the room replays on joining.
constexpr const char* kHistoryLines = "20";

bool is(const char* a, const char* b) {
    return a && b && std::strcmp(a, b) == 0;
}

// The status codes of the muc#user element of `stanza`.
bool hasStatus(xmpp_stanza_t* stanza, const char* code) {
    xmpp_stanza_t* x = xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kNsMucUser);
    for (xmpp_stanza_t* c = x ? xmpp_stanza_get_children(x) : nullptr; c;
         c = xmpp_stanza_get_next(c))
        if (is(xmpp_stanza_get_name(c), "status") && is(xmpp_stanza_get_attribute(c, "code"), code))
            return true;
    return false;
}

// The defined condition of the error in `stanza`, or "".
QString errorCondition(xmpp_stanza_t* stanza) {
    xmpp_stanza_t* error = xmpp_stanza_get_child_by_name(stanza, "error");
    for (xmpp_stanza_t* c = error ? xmpp_stanza_get_children(error) : nullptr; c;
         c = xmpp_stanza_get_next(c))
        if (xmpp_stanza_is_tag(c) && is(xmpp_stanza_get_ns(c), kNsStanzas) &&
            !is(xmpp_stanza_get_name(c), "text"))
            return QString::fromUtf8(xmpp_stanza_get_name(c));
    return {};
}

// The text of the child `name` of `stanza`, at most `limit` characters.
QString childText(xmpp_stanza_t* stanza, const char* name, int limit) {
    xmpp_stanza_t* child = xmpp_stanza_get_child_by_name(stanza, name);
    if (!child)
        return {};
    char* text = xmpp_stanza_get_text(child);
    if (!text)
        return {};
    QString result = QString::fromUtf8(text).left(limit);
    xmpp_free(xmpp_stanza_get_context(stanza), text);
    return result;
}

QString attribute(xmpp_stanza_t* stanza, const char* name) {
    const char* value = stanza ? xmpp_stanza_get_attribute(stanza, name) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

} // namespace

QString roomFailureText(RoomFailure failure) {
    switch (failure) {
    case RoomFailure::None:
        return {};
    case RoomFailure::NicknameTaken:
        return QStringLiteral(
            "Another pilot in the room already uses that name; choose another one.");
    case RoomFailure::NoSuchRoom:
        return QStringLiteral("The room does not exist on this server.");
    case RoomFailure::Banned:
        return QStringLiteral("You have been banned from the room.");
    case RoomFailure::Kicked:
        return QStringLiteral("A moderator removed you from the room.");
    case RoomFailure::MembersOnly:
        return QStringLiteral("The room is open to its members only.");
    case RoomFailure::BadNickname:
        return QStringLiteral("The room does not accept that pilot name; choose another one.");
    case RoomFailure::Refused:
        return QStringLiteral("The room did not let you in.");
    case RoomFailure::RoomClosed:
        return QStringLiteral("The room was closed.");
    }
    return {};
}

Room::Room(XmppClient& client, QObject* parent) : QObject(parent), client_(client) {
    connect(&client_, &XmppClient::stanzaReceived, this, &Room::onStanza);
    connect(&client_, &XmppClient::disconnected, this, [this] {
        joining_ = joined_ = false;
        occupants_.clear();
    });
}

void Room::join(const QString& roomJid, const QString& nick) {
    roomJid_ = roomJid.toLower();
    nick_ = nick.left(kMaxNick);
    occupants_.clear();
    joined_ = false;
    joining_ = true;
    xmpp_ctx_t* ctx = client_.context();
    xmpp_stanza_t* presence = xmpp_presence_new(ctx);
    xmpp_stanza_set_to(presence, (roomJid_ + '/' + nick_).toUtf8().constData());
    xmpp_stanza_t* x = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(x, "x");
    xmpp_stanza_set_ns(x, kNsMuc);
    xmpp_stanza_t* history = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(history, "history");
    xmpp_stanza_set_attribute(history, "maxstanzas", kHistoryLines);
    xmpp_stanza_add_child(x, history);
    xmpp_stanza_release(history);
    xmpp_stanza_add_child(presence, x);
    xmpp_stanza_release(x);
    client_.send(presence);
    xmpp_stanza_release(presence);
}

void Room::leave() {
    if (!joined_ && !joining_)
        return;
    // Sending may read the room's answer at once: the room is left first.
    joined_ = joining_ = false;
    occupants_.clear();
    xmpp_stanza_t* presence = xmpp_presence_new(client_.context());
    xmpp_stanza_set_type(presence, "unavailable");
    xmpp_stanza_set_to(presence, (roomJid_ + '/' + nick_).toUtf8().constData());
    client_.send(presence);
    xmpp_stanza_release(presence);
}

QString Room::sendable(const QString& text) {
    // XML cannot carry most control characters: a stream that held one would
    // be closed by the server.
    QString result;
    result.reserve(text.size());
    for (QChar c : text)
        if (c.unicode() >= 0x20 ? c.unicode() < 0xFFFE : (c == '\t' || c == '\n' || c == '\r'))
            result += c;
    return result;
}

void Room::sendChat(const QString& line) {
    const QString text = sendable(line);
    if (!joined_ || text.isEmpty())
        return;
    xmpp_stanza_t* message =
        xmpp_message_new(client_.context(), "groupchat", roomJid_.toUtf8().constData(), nullptr);
    xmpp_message_set_body(message, text.left(kMaxChat).toUtf8().constData());
    client_.send(message);
    xmpp_stanza_release(message);
}

void Room::sendPresence(xmpp_stanza_t* extra) {
    if (!joined_)
        return;
    xmpp_stanza_t* presence = xmpp_presence_new(client_.context());
    xmpp_stanza_set_to(presence, (roomJid_ + '/' + nick_).toUtf8().constData());
    if (extra)
        xmpp_stanza_add_child_ex(presence, extra, 1);
    client_.send(presence);
    xmpp_stanza_release(presence);
}

void Room::fail(RoomFailure failure) {
    const bool wasJoined = joined_;
    joined_ = joining_ = false;
    occupants_.clear();
    if (wasJoined)
        emit removed(failure);
    else
        emit joinFailed(failure);
}

void Room::onStanza(StanzaRef ref) {
    xmpp_stanza_t* stanza = ref.stanza;
    if (!joined_ && !joining_)
        return;
    const QString from = attribute(stanza, "from");
    const qsizetype slash = from.indexOf('/');
    const QString bare = (slash < 0 ? from : from.left(slash)).toLower();
    if (bare != roomJid_)
        return;
    const QString nick = slash < 0 ? QString() : from.mid(slash + 1);
    const char* name = xmpp_stanza_get_name(stanza);
    if (is(name, "presence"))
        onPresence(stanza, nick);
    else if (is(name, "message"))
        onMessage(stanza, nick);
    else if (is(name, "iq") && is(xmpp_stanza_get_type(stanza), "error") &&
             is(xmpp_stanza_get_id(stanza), kAdminId))
        emit moderationRefused();
}

Occupant Room::self() const {
    const auto found = occupants_.find(nick_);
    return found == occupants_.end() ? Occupant{} : found->second;
}

bool Room::canKick() const {
    return joined_ && self().role == QStringLiteral("moderator");
}

bool Room::canBan() const {
    const QString affiliation = self().affiliation;
    return joined_ &&
           (affiliation == QStringLiteral("admin") || affiliation == QStringLiteral("owner"));
}

void Room::sendAdminItem(const char* key, const QString& value, const char* attribute,
                         const char* setting) {
    xmpp_ctx_t* ctx = client_.context();
    xmpp_stanza_t* iq = xmpp_iq_new(ctx, "set", kAdminId);
    xmpp_stanza_set_to(iq, roomJid_.toUtf8().constData());
    xmpp_stanza_t* query = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(query, "query");
    xmpp_stanza_set_ns(query, kNsMucAdmin);
    xmpp_stanza_t* item = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(item, "item");
    xmpp_stanza_set_attribute(item, key, value.toUtf8().constData());
    xmpp_stanza_set_attribute(item, attribute, setting);
    xmpp_stanza_add_child_ex(query, item, 0);
    xmpp_stanza_add_child_ex(iq, query, 0);
    client_.send(iq);
    xmpp_stanza_release(iq);
}

void Room::kick(const QString& nick) {
    if (!joined_ || nick.isEmpty() || nick == nick_)
        return;
    sendAdminItem("nick", nick, "role", "none");
}

bool Room::ban(const QString& nick) {
    const auto found = occupants_.find(nick);
    if (!joined_ || found == occupants_.end() || nick == nick_)
        return false;
    const QString bare = found->second.jid.section('/', 0, 0);
    if (bare.isEmpty())
        return false;
    sendAdminItem("jid", bare, "affiliation", "outcast");
    return true;
}

void Room::onPresence(xmpp_stanza_t* stanza, const QString& nick) {
    const char* type = xmpp_stanza_get_type(stanza);
    if (is(type, "error")) {
        if (!joining_)
            return;
        const QString condition = errorCondition(stanza);
        if (condition == "conflict")
            fail(RoomFailure::NicknameTaken);
        else if (condition == "item-not-found" || condition == "not-allowed" || condition == "gone")
            fail(RoomFailure::NoSuchRoom);
        else if (condition == "forbidden")
            fail(RoomFailure::Banned);
        else if (condition == "registration-required")
            fail(RoomFailure::MembersOnly);
        else if (condition == "jid-malformed" || condition == "not-acceptable")
            fail(RoomFailure::BadNickname);
        else
            fail(RoomFailure::Refused);
        return;
    }
    if (nick.isEmpty())
        return;
    const bool self = hasStatus(stanza, "110") || nick == nick_;
    if (is(type, "unavailable")) {
        if (self) {
            if (hasStatus(stanza, "301"))
                fail(RoomFailure::Banned);
            else if (hasStatus(stanza, "307"))
                fail(RoomFailure::Kicked);
            else if (xmpp_stanza_get_child_by_name(stanza, "x") &&
                     xmpp_stanza_get_child_by_path(stanza, "x", "destroy", nullptr))
                fail(RoomFailure::RoomClosed);
            else if (joined_ || joining_)
                fail(RoomFailure::Refused);
            return;
        }
        if (occupants_.erase(nick) > 0)
            emit occupantLeft(nick);
        return;
    }
    if (type)
        return; // subscriptions and the like mean nothing in a room
    if (self && hasStatus(stanza, "201")) {
        // The join made a new room: this lobby never creates one.
        leave();
        emit joinFailed(RoomFailure::NoSuchRoom);
        return;
    }
    if (nick.size() > kMaxNick)
        return;
    const bool known = occupants_.count(nick) > 0;
    if (!known && occupants_.size() >= kMaxOccupants)
        return;
    xmpp_stanza_t* x = xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kNsMucUser);
    xmpp_stanza_t* item = x ? xmpp_stanza_get_child_by_name(x, "item") : nullptr;
    Occupant& occupant = occupants_[nick];
    occupant.nick = nick;
    occupant.role = attribute(item, "role").left(20);
    occupant.affiliation = attribute(item, "affiliation").left(20);
    occupant.jid = attribute(item, "jid").left(3071);
    if (!known)
        emit occupantJoined(nick);
    emit presence(nick, StanzaRef{stanza});
    if (self && joining_) {
        // The room sends the own presence last, after everyone present.
        joining_ = false;
        joined_ = true;
        emit joined();
    }
}

void Room::onMessage(xmpp_stanza_t* stanza, const QString& nick) {
    const char* type = xmpp_stanza_get_type(stanza);
    if (!is(type, "groupchat") || nick.isEmpty())
        return;
    const QString body = childText(stanza, "body", kMaxChat);
    if (body.isEmpty())
        return;
    const bool past = xmpp_stanza_get_child_by_name_and_ns(stanza, "delay", kNsDelay) != nullptr;
    emit chat(nick, body, past);
}

} // namespace dw::lobby
