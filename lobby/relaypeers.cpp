// The two ends of a relayed stream: RelayHost and RelayRequest
// (lobby/bytestream.h).
#include "lobby/bytestream.h"

#include "lobby/relaybridge.h"
#include "lobby/stanzaelement.h"
#include "text/plaintext.h"

#include <QTcpSocket>

#include <strophe.h>

#include <cstring>

namespace dw::lobby {

namespace {

constexpr const char* kStanzasNs = "urn:ietf:params:xml:ns:xmpp-stanzas";

QString attribute(xmpp_stanza_t* stanza, const char* name) {
    const char* value = xmpp_stanza_get_attribute(stanza, name);
    return value ? QString::fromUtf8(value) : QString();
}

// An error answer to the request `id` from `to`.
xmpp_stanza_t* errorIq(xmpp_ctx_t* ctx, const QString& to, const QString& id, const char* condition,
                       const char* type) {
    xmpp_stanza_t* iq = xmpp_iq_new(ctx, "error", id.toUtf8().constData());
    xmpp_stanza_set_to(iq, to.toUtf8().constData());
    xmpp_stanza_t* error = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(error, "error");
    xmpp_stanza_set_type(error, type);
    xmpp_stanza_t* why = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(why, condition);
    xmpp_stanza_set_ns(why, kStanzasNs);
    xmpp_stanza_add_child_ex(error, why, 0);
    xmpp_stanza_add_child_ex(iq, error, 0);
    return iq;
}

// The condition of an error answer, for the pilot.
QString errorCondition(xmpp_stanza_t* answer) {
    xmpp_stanza_t* error = xmpp_stanza_get_child_by_name(answer, "error");
    for (xmpp_stanza_t* c = error ? xmpp_stanza_get_children(error) : nullptr; c;
         c = xmpp_stanza_get_next(c)) {
        const char* ns = xmpp_stanza_get_ns(c);
        const char* name = xmpp_stanza_get_name(c);
        if (name && ns && std::strcmp(ns, kStanzasNs) == 0)
            return QString::fromStdString(displayText(std::string(name).substr(0, 64)));
    }
    return QStringLiteral("an error");
}

// The bytestreams query of an iq, if it has one.
xmpp_stanza_t* bytestreamQuery(xmpp_stanza_t* iq) {
    const std::string ns(kBytestreamsNs);
    return xmpp_stanza_get_child_by_name_and_ns(iq, "query", ns.c_str());
}

ElementLimits offerLimits() {
    ElementLimits limits;
    limits.depth = 1;
    limits.children = 8;
    limits.attributes = 4;
    return limits;
}

} // namespace

// RelayHost

struct RelayHost::Stream {
    QString sid;
    QString id;   // the offer's request id
    QString from; // the joiner's occupant address
    QPointer<QTcpSocket> proxy;
    QPointer<QTcpSocket> game;
    QPointer<RelayBridge> bridge;
    QTimer timer;
    ~Stream() {
        for (QObject* o : {static_cast<QObject*>(bridge.data()),
                           static_cast<QObject*>(proxy.data()), static_cast<QObject*>(game.data())})
            if (o) {
                o->disconnect();
                o->deleteLater();
            }
    }
};

RelayHost::RelayHost(XmppClient& client, Room& room, QObject* parent)
    : QObject(parent), client_(client), room_(room), finder_(client) {
    connect(&client_, &XmppClient::stanzaReceived, this, &RelayHost::onStanza);
    connect(&room_, &Room::joined, this, [this] { finder_.find(); });
    connect(&finder_, &ProxyFinder::finished, this, &RelayHost::proxyChecked);
    connect(&finder_, &ProxyFinder::finished, this, &RelayHost::answerHeldOffers);
    if (room_.isJoined())
        finder_.find();
}

RelayHost::~RelayHost() {
    for (xmpp_stanza_t* st : held_)
        xmpp_stanza_release(st);
}

void RelayHost::setGamePort(quint16 port) {
    if (port == gamePort_)
        return;
    gamePort_ = port;
    if (!streams_.empty()) {
        streams_.clear();
        emit streamsChanged();
    }
}

bool RelayHost::seen(const std::string& sid) {
    if (sids_.count(sid))
        return true;
    sids_.insert(sid);
    sidOrder_.push_back(sid);
    if (sidOrder_.size() > 4096) {
        sids_.erase(sidOrder_.front());
        sidOrder_.pop_front();
    }
    return false;
}

void RelayHost::refuse(xmpp_stanza_t* iq, const char* condition, const char* type) {
    const char* id = xmpp_stanza_get_id(iq);
    const char* from = xmpp_stanza_get_from(iq);
    if (!id || !from)
        return;
    xmpp_stanza_t* answer =
        errorIq(client_.context(), QString::fromUtf8(from), QString::fromUtf8(id), condition, type);
    client_.send(answer);
    xmpp_stanza_release(answer);
}

void RelayHost::onStanza(StanzaRef ref) {
    xmpp_stanza_t* st = ref.stanza;
    const char* name = xmpp_stanza_get_name(st);
    const char* type = xmpp_stanza_get_type(st);
    if (!name || !type || std::strcmp(name, "iq") != 0 || std::strcmp(type, "set") != 0)
        return;
    xmpp_stanza_t* query = bytestreamQuery(st);
    if (!query)
        return;
    if (finder_.isSearching()) {
        // Just after joining the room the proxy is not known yet: the offer
        // is answered when the search ends, well within the joiner's wait.
        if (static_cast<int>(held_.size()) >= kMaxStreams)
            refuse(st, "resource-constraint", "wait");
        else
            held_.push_back(xmpp_stanza_clone(st));
        return;
    }
    offer(st, query);
}

void RelayHost::answerHeldOffers() {
    std::vector<xmpp_stanza_t*> held;
    held.swap(held_);
    for (xmpp_stanza_t* st : held) {
        offer(st, bytestreamQuery(st));
        xmpp_stanza_release(st);
    }
}

void RelayHost::offer(xmpp_stanza_t* st, xmpp_stanza_t* query) {
    // Only the room's occupants reach this lobby through its occupant
    // address, and the room names them as the sender.
    const QString from = attribute(st, "from");
    const QString prefix = room_.roomJid() + QLatin1Char('/');
    const QString nick = from.mid(prefix.size());
    if (!room_.isJoined() || !from.startsWith(prefix, Qt::CaseInsensitive) || nick.isEmpty() ||
        nick == room_.nick() || room_.occupants().count(nick) == 0) {
        refuse(st, "forbidden", "auth");
        return;
    }
    const auto element = toElement(query, offerLimits());
    const auto offer = element ? parseOffer(*element) : std::nullopt;
    if (!offer) {
        refuse(st, "bad-request", "modify");
        return;
    }
    if (gamePort_ == 0) {
        refuse(st, "not-allowed", "cancel");
        return;
    }
    // Only this lobby's own proxy is used: an offer cannot send the host's
    // machine to connect elsewhere.
    const auto& proxy = finder_.proxy();
    bool ours = false;
    for (const std::string& jid : offer->streamHosts)
        ours = ours || (proxy && QString::fromStdString(jid).compare(
                                     QString::fromStdString(proxy->jid), Qt::CaseInsensitive) == 0);
    if (!ours) {
        refuse(st, "item-not-found", "cancel");
        return;
    }
    auto current = streams_.find(nick);
    const bool settingUp = current != streams_.end() && !current->second->bridge;
    if (seen(offer->sid) || settingUp) {
        refuse(st, "not-acceptable", "cancel");
        return;
    }
    if (current != streams_.end()) {
        // The joiner asks again: its old stream is gone on its side.
        streams_.erase(current);
    } else if (static_cast<int>(streams_.size()) >= kMaxStreams) {
        refuse(st, "resource-constraint", "wait");
        return;
    }
    accept(nick, attribute(st, "id"), *offer);
    emit streamsChanged();
}

void RelayHost::accept(const QString& nick, const QString& id, const Offer& offer) {
    auto stream = std::make_unique<Stream>();
    stream->sid = QString::fromStdString(offer.sid);
    stream->id = id;
    stream->from = room_.roomJid() + QLatin1Char('/') + nick;
    const QString sid = stream->sid;
    streams_[nick] = std::move(stream);
    const std::string target = (room_.roomJid() + QLatin1Char('/') + room_.nick()).toStdString();
    connectSocks5(*finder_.proxy(), streamHash(offer.sid, offer.requester, target), kSocksMs, this,
                  [this, nick, sid](QTcpSocket* socket) { connected(nick, sid, socket); });
}

void RelayHost::connected(const QString& nick, const QString& sid, QTcpSocket* socket) {
    auto it = streams_.find(nick);
    if (it == streams_.end() || it->second->sid != sid) {
        delete socket;
        return;
    }
    Stream& s = *it->second;
    if (!socket) {
        xmpp_stanza_t* answer =
            errorIq(client_.context(), s.from, s.id, "item-not-found", "cancel");
        client_.send(answer);
        xmpp_stanza_release(answer);
        end(nick, sid);
        return;
    }
    socket->setParent(this);
    s.proxy = socket;
    const Element used =
        streamHostUsedElement(sid.toStdString(), finder_.proxy() ? finder_.proxy()->jid : "");
    xmpp_stanza_t* answer = makeIq(client_.context(), "result", &used);
    xmpp_stanza_set_id(answer, s.id.toUtf8().constData());
    xmpp_stanza_set_to(answer, s.from.toUtf8().constData());
    client_.send(answer);
    xmpp_stanza_release(answer);

    // The game is connected once the joiner's first byte shows that the
    // proxy has joined the two ends: the game speaks first, and nothing
    // may reach the proxy before that.
    s.timer.setSingleShot(true);
    connect(&s.timer, &QTimer::timeout, this, [this, nick, sid] { end(nick, sid); });
    s.timer.start(kFirstByteMs);
    connect(socket, &QTcpSocket::disconnected, this, [this, nick, sid] { end(nick, sid); });
    connect(socket, &QTcpSocket::readyRead, this, [this, nick, sid, socket] {
        auto found = streams_.find(nick);
        if (found == streams_.end() || found->second->sid != sid || found->second->game)
            return;
        Stream& st = *found->second;
        socket->setReadBufferSize(RelayBridge::kMaxBuffered);
        st.game = new QTcpSocket(this);
        st.timer.start(kGameConnectMs);
        connect(st.game, &QTcpSocket::errorOccurred, this, [this, nick, sid] { end(nick, sid); });
        connect(st.game, &QTcpSocket::connected, this, [this, nick, sid] {
            auto f = streams_.find(nick);
            if (f == streams_.end() || f->second->sid != sid)
                return;
            Stream& ready = *f->second;
            ready.timer.stop();
            ready.proxy->disconnect(this);
            ready.game->disconnect(this);
            ready.bridge = new RelayBridge(ready.proxy, ready.game, this);
            connect(ready.bridge, &RelayBridge::finished, this,
                    [this, nick, sid] { end(nick, sid); });
        });
        st.game->connectToHost(QStringLiteral("127.0.0.1"), gamePort_);
    });
}

void RelayHost::end(const QString& nick, const QString& sid) {
    // Deferred: this may run inside a signal of the stream's own sockets.
    QTimer::singleShot(0, this, [this, nick, sid] {
        auto it = streams_.find(nick);
        if (it == streams_.end() || it->second->sid != sid)
            return;
        streams_.erase(it);
        emit streamsChanged();
    });
}

// RelayRequest

RelayRequest::RelayRequest(XmppClient& client, const StreamHost& proxy, const QString& hostOccupant,
                           QObject* parent)
    : QObject(parent), requests_(client), proxy_(proxy), hostOccupant_(hostOccupant) {}

RelayRequest::~RelayRequest() {
    delete socket_.data();
}

void RelayRequest::fail(const QString& why) {
    if (over_)
        return;
    over_ = true;
    delete socket_.data();
    emit failed(why);
}

void RelayRequest::start() {
    XmppClient& client = requests_.client();
    sid_ = randomToken();
    const std::string requester = client.boundJid().toStdString();
    const Element offer = offerElement(sid_.toStdString(), proxy_, requester);
    xmpp_stanza_t* iq = makeIq(client.context(), "set", &offer);
    requests_.send(iq, hostOccupant_, kAnswerMs, [this, requester](xmpp_stanza_t* answer) {
        if (!answer) {
            fail(QStringLiteral("The table did not answer the request for a relayed stream."));
            return;
        }
        if (!isResult(answer)) {
            fail(QStringLiteral("The table refused the relayed stream (%1).")
                     .arg(errorCondition(answer)));
            return;
        }
        const auto query = childElement(answer, "query", kBytestreamsNs);
        const auto used = query ? parseStreamHostUsed(*query) : std::nullopt;
        if (!used || QString::fromStdString(*used).compare(QString::fromStdString(proxy_.jid),
                                                           Qt::CaseInsensitive) != 0) {
            fail(QStringLiteral("The table answered the relayed stream with another proxy."));
            return;
        }
        const std::string hash =
            streamHash(sid_.toStdString(), requester, hostOccupant_.toStdString());
        connectSocks5(proxy_, hash, kSocksMs, this, [this](QTcpSocket* socket) {
            if (!socket) {
                fail(QStringLiteral("The server's bytestream proxy could not be reached."));
                return;
            }
            socket->setParent(this);
            socket_ = socket;
            connect(socket, &QTcpSocket::disconnected, this, [this] {
                fail(QStringLiteral("The server's bytestream proxy closed the stream."));
            });
            Element activate = activateElement(sid_.toStdString(), hostOccupant_.toStdString());
            xmpp_stanza_t* set = makeIq(requests_.client().context(), "set", &activate);
            requests_.send(
                set, QString::fromStdString(proxy_.jid), kActivateMs, [this](xmpp_stanza_t* a) {
                    if (!isResult(a)) {
                        fail(QStringLiteral("The server's bytestream proxy did not "
                                            "open the stream (%1).")
                                 .arg(a ? errorCondition(a) : QStringLiteral("no answer")));
                        return;
                    }
                    if (over_ || !socket_)
                        return;
                    over_ = true;
                    QTcpSocket* s = socket_;
                    s->disconnect(this);
                    s->setParent(nullptr);
                    socket_.clear();
                    // The first byte tells the host that the
                    // stream is open: an empty message.
                    s->write("\xff", 1);
                    emit ready(s);
                });
            xmpp_stanza_release(set);
        });
    });
    xmpp_stanza_release(iq);
}

} // namespace dw::lobby
