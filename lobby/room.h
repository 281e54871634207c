// The lobby's room: one multi-user chat room (XEP-0045) joined with the
// pilot name as nickname. It keeps the list of pilots present and passes on
// the room's chat. It never creates a room: a room that does not exist yet
// is left at once.
#pragma once

#include <QObject>
#include <QString>

#include "lobby/xmppclient.h"

#include <strophe.h>

#include <map>

namespace dw::lobby {

// The room a lobby joins when none is named: driftwake@conference.DOMAIN.
inline QString defaultRoomFor(const QString& domain) {
    return QStringLiteral("driftwake@conference.") + domain;
}

// Why joining failed, or why the room was left.
enum class RoomFailure {
    None,
    NicknameTaken,
    NoSuchRoom,
    Banned,
    Kicked,
    MembersOnly,
    BadNickname,
    Refused,
    RoomClosed,
};

// One sentence for the pilot about `failure`.
QString roomFailureText(RoomFailure failure);

// A pilot in the room.
struct Occupant {
    QString nick;
    QString role;        // visitor, participant, moderator
    QString affiliation; // none, member, admin, owner, outcast
    QString jid;         // the real address, where the room shows it
};

class Room : public QObject {
    Q_OBJECT
public:
    // The longest chat line sent or shown, in characters.
    static constexpr int kMaxChat = 1000;
    // The longest nickname accepted, in characters.
    static constexpr int kMaxNick = 40;
    // The most pilots kept in the list; presences beyond are ignored.
    static constexpr std::size_t kMaxOccupants = 500;

    Room(XmppClient& client, QObject* parent = nullptr);

    // Joins `roomJid` (name@service) as `nick`; joined() or joinFailed()
    // follows.
    void join(const QString& roomJid, const QString& nick);
    void leave();
    bool isJoined() const { return joined_; }
    QString nick() const { return nick_; }
    QString roomJid() const { return roomJid_; }

    // Sends a line of chat to the room (cut to kMaxChat), without the
    // control characters XML cannot carry.
    void sendChat(const QString& line);
    static QString sendable(const QString& text);
    // Sends the own presence in the room again, with `extra` (an element of
    // the caller's, which keeps its reference) as a child; null sends none.
    void sendPresence(xmpp_stanza_t* extra);

    const std::map<QString, Occupant>& occupants() const { return occupants_; }
    // This pilot's own place in the room (empty role until joined).
    Occupant self() const;
    // What this pilot may do to others, as the room granted it: moderators
    // kick, admins and owners ban.
    bool canKick() const;
    bool canBan() const;

    // Asks the room to remove `nick` (its role becomes none). moderationRefused()
    // follows when the room does not.
    void kick(const QString& nick);
    // Asks the room to ban the account of `nick` (affiliation outcast);
    // false when the room does not show this pilot that account.
    bool ban(const QString& nick);

signals:
    void joined();
    void joinFailed(dw::lobby::RoomFailure failure);
    // The room removed this pilot (kick, ban, the room closed).
    void removed(dw::lobby::RoomFailure failure);
    // A chat line from `nick`; `past` for the history the room replays on
    // joining. Both texts are as they arrived: show them with displayText().
    void chat(const QString& nick, const QString& text, bool past);
    void occupantJoined(const QString& nick);
    void occupantLeft(const QString& nick);
    // Every available presence from a pilot in the room (also the own
    // one), for what the lobby reads from it. Lives until the slot returns.
    void presence(const QString& nick, dw::lobby::StanzaRef stanza);
    // The room refused a kick or a ban asked for by this pilot.
    void moderationRefused();

private:
    void onStanza(StanzaRef ref);
    void onPresence(xmpp_stanza_t* stanza, const QString& nick);
    void onMessage(xmpp_stanza_t* stanza, const QString& nick);
    void sendAdminItem(const char* key, const QString& value, const char* attribute,
                       const char* setting);
    void fail(RoomFailure failure);

    XmppClient& client_;
    QString roomJid_;
    QString nick_;
    bool joining_ = false;
    bool joined_ = false;
    std::map<QString, Occupant> occupants_;
};

} // namespace dw::lobby

Q_DECLARE_METATYPE(dw::lobby::RoomFailure)
