// Relayed game connections: SOCKS5 bytestreams (XEP-0065) through the
// bytestream proxy of the lobby's own server. Both ends connect outwards to
// the proxy, so a host that nobody can reach directly can still be joined,
// and neither end learns the other's address.
//
// The joiner's lobby finds the proxy by service discovery (ProxyFinder) and
// offers a stream to the host's occupant address in the room
// (RelayRequest); only occupants can reach that address. The host's lobby
// (RelayHost) checks the offer, connects to its own proxy with the stream's
// hash and answers; the joiner connects with the same hash and asks the
// proxy to join the two. Each stream then carries one game connection
// (lobby/relaybridge.h).
#pragma once

#include "lobby/bytestreamwire.h"
#include "lobby/room.h"
#include "lobby/xmppclient.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class QTcpSocket;

namespace dw::lobby {

class RelayBridge;

// A random stream or request id.
QString randomToken();

// Sends iq requests and hands each answer (result or error) from the
// address asked to its callback; null when none came in time.
class IqRequests : public QObject {
public:
    using Answer = std::function<void(xmpp_stanza_t* answer)>;
    explicit IqRequests(XmppClient& client, QObject* parent = nullptr);
    ~IqRequests() override;
    // Sends `iq` (the caller keeps its reference) to `to` with a fresh id.
    void send(xmpp_stanza_t* iq, const QString& to, int timeoutMs, Answer done);
    XmppClient& client() { return client_; }

private:
    void onStanza(StanzaRef ref);
    struct Pending {
        QString to;
        Answer done;
        std::unique_ptr<QTimer> timer;
    };
    XmppClient& client_;
    std::map<QString, Pending> pending_;
};

// An iq of `type` carrying `query` (may be null).
xmpp_stanza_t* makeIq(xmpp_ctx_t* ctx, const char* type, const Element* query);
// True for an answer of type result.
bool isResult(xmpp_stanza_t* answer);
// The first child of `stanza` named `name` in `ns`, read within small bounds.
std::optional<Element> childElement(xmpp_stanza_t* stanza, const char* name, std::string_view ns);

// Finds the server's bytestream proxy: disco#items on the server's domain,
// disco#info on each item, then the proxy's SOCKS5 address.
class ProxyFinder : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 10000;
    explicit ProxyFinder(XmppClient& client, QObject* parent = nullptr);
    // Starts looking (again); finished() follows within kTimeoutMs.
    void find();
    bool isSearching() const { return searching_; }
    // A search has ended (and found proxy(), or none).
    bool hasSearched() const { return searched_; }
    const std::optional<StreamHost>& proxy() const { return proxy_; }

signals:
    void finished();

private:
    void done();
    IqRequests requests_;
    QTimer timer_;
    std::optional<StreamHost> proxy_;
    int round_ = 0;
    int asking_ = 0;
    bool searching_ = false;
    bool searched_ = false;
};

// How long either side of a stream waits for the proxy's SOCKS5 answers.
constexpr int kSocksMs = 10000;

// Connects to `proxy` and asks for the stream `hash` over SOCKS5, within
// `timeoutMs` and a few dozen bytes. `done` gets the connected socket
// (then the caller's), or null; it is not called once `context` is gone.
void connectSocks5(const StreamHost& proxy, const std::string& hash, int timeoutMs,
                   QObject* context, std::function<void(QTcpSocket*)> done);

// The host's side: accepts offers from occupants of its room while it has a
// live table, and bridges each stream to the game on 127.0.0.1.
class RelayHost : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxStreams = 16;
    // How long an accepted stream may wait for the joiner's first byte, and
    // the game's port for its connection.
    static constexpr int kFirstByteMs = 30000;
    static constexpr int kGameConnectMs = 5000;

    RelayHost(XmppClient& client, Room& room, QObject* parent = nullptr);
    ~RelayHost() override;
    // The game's port while a table is live; 0: none, and every stream ends.
    void setGamePort(quint16 port);
    quint16 gamePort() const { return gamePort_; }
    // Streams bridged to the game or being set up.
    int streams() const { return static_cast<int>(streams_.size()); }
    // The proxy found when the room was joined (none: relayed joins refused).
    const std::optional<StreamHost>& proxy() const { return finder_.proxy(); }
    bool proxyKnown() const { return !finder_.isSearching() && finder_.proxy().has_value(); }
    // The server was asked and has no proxy: direct joins only.
    bool proxyMissing() const {
        return finder_.hasSearched() && !finder_.isSearching() && !finder_.proxy();
    }

signals:
    // The proxy search ended (proxy() tells the outcome).
    void proxyChecked();
    void streamsChanged();

private:
    struct Stream;
    void onStanza(StanzaRef ref);
    // Checks a bytestream offer (`query` is its query child) and accepts or
    // refuses it.
    void offer(xmpp_stanza_t* iq, xmpp_stanza_t* query);
    void answerHeldOffers();
    void refuse(xmpp_stanza_t* iq, const char* condition, const char* type);
    void accept(const QString& nick, const QString& id, const Offer& offer);
    void connected(const QString& nick, const QString& sid, QTcpSocket* socket);
    void end(const QString& nick, const QString& sid);
    bool seen(const std::string& sid);

    XmppClient& client_;
    Room& room_;
    ProxyFinder finder_;
    quint16 gamePort_ = 0;
    std::map<QString, std::unique_ptr<Stream>> streams_; // by joiner nickname
    std::set<std::string> sids_;
    std::deque<std::string> sidOrder_;
    std::vector<xmpp_stanza_t*> held_; // offers that came while the proxy was sought
};

// The joiner's side: one stream to the host at `hostOccupant`
// (room@service/nick) through `proxy`.
class RelayRequest : public QObject {
    Q_OBJECT
public:
    static constexpr int kAnswerMs = 20000;
    static constexpr int kActivateMs = 10000;

    RelayRequest(XmppClient& client, const StreamHost& proxy, const QString& hostOccupant,
                 QObject* parent = nullptr);
    ~RelayRequest() override;
    void start();

signals:
    // The stream is open: the receiver takes `stream` (re-parent it).
    void ready(QTcpSocket* stream);
    // One sentence for the pilot.
    void failed(const QString& why);

private:
    void fail(const QString& why);
    IqRequests requests_;
    StreamHost proxy_;
    QString hostOccupant_;
    QString sid_;
    QPointer<QTcpSocket> socket_;
    bool over_ = false;
};

} // namespace dw::lobby
