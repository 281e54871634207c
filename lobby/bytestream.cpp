#include "lobby/bytestream.h"

#include "lobby/relaybridge.h"
#include "lobby/stanzaelement.h"
#include "text/plaintext.h"

#include <QRandomGenerator>
#include <QTcpSocket>

#include <strophe.h>

#include <cstdio>
#include <cstring>

namespace dw::lobby {

namespace {

// The most bytes a SOCKS5 server's answers may take.
constexpr qint64 kMaxSocksBytes = 2 + 4 + 256 + 2;

ElementLimits answerLimits() {
    ElementLimits limits;
    limits.depth = 2;
    limits.children = 64; // disco#items lists many services; the first are read
    return limits;
}

QString attribute(xmpp_stanza_t* stanza, const char* name) {
    const char* value = xmpp_stanza_get_attribute(stanza, name);
    return value ? QString::fromUtf8(value) : QString();
}

} // namespace

QString randomToken() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

xmpp_stanza_t* makeIq(xmpp_ctx_t* ctx, const char* type, const Element* query) {
    xmpp_stanza_t* iq = xmpp_iq_new(ctx, type, nullptr);
    if (query)
        xmpp_stanza_add_child_ex(iq, toStanza(ctx, *query), 0);
    return iq;
}

bool isResult(xmpp_stanza_t* answer) {
    const char* type = answer ? xmpp_stanza_get_type(answer) : nullptr;
    return type && std::strcmp(type, "result") == 0;
}

std::optional<Element> childElement(xmpp_stanza_t* stanza, const char* name, std::string_view ns) {
    const std::string n(ns);
    xmpp_stanza_t* c = xmpp_stanza_get_child_by_name_and_ns(stanza, name, n.c_str());
    return c ? toElement(c, answerLimits()) : std::nullopt;
}

// IqRequests

IqRequests::IqRequests(XmppClient& client, QObject* parent) : QObject(parent), client_(client) {
    connect(&client_, &XmppClient::stanzaReceived, this, &IqRequests::onStanza);
}

IqRequests::~IqRequests() = default;

void IqRequests::send(xmpp_stanza_t* iq, const QString& to, int timeoutMs, Answer done) {
    const QString id = randomToken();
    xmpp_stanza_set_id(iq, id.toUtf8().constData());
    xmpp_stanza_set_to(iq, to.toUtf8().constData());
    Pending& p = pending_[id];
    p.to = to;
    p.done = std::move(done);
    p.timer = std::make_unique<QTimer>();
    p.timer->setSingleShot(true);
    connect(p.timer.get(), &QTimer::timeout, this, [this, id] {
        auto it = pending_.find(id);
        if (it == pending_.end())
            return;
        Answer answer = std::move(it->second.done);
        it->second.timer.release()->deleteLater();
        pending_.erase(it);
        answer(nullptr);
    });
    p.timer->start(timeoutMs);
    client_.send(iq);
}

void IqRequests::onStanza(StanzaRef ref) {
    xmpp_stanza_t* st = ref.stanza;
    const char* name = xmpp_stanza_get_name(st);
    const char* type = xmpp_stanza_get_type(st);
    const char* id = xmpp_stanza_get_id(st);
    if (!name || !type || !id || std::strcmp(name, "iq") != 0 ||
        (std::strcmp(type, "result") != 0 && std::strcmp(type, "error") != 0))
        return;
    auto it = pending_.find(QString::fromUtf8(id));
    if (it == pending_.end())
        return;
    // An answer counts only from the address asked.
    if (attribute(st, "from").compare(it->second.to, Qt::CaseInsensitive) != 0)
        return;
    Answer answer = std::move(it->second.done);
    it->second.timer->stop();
    it->second.timer.release()->deleteLater();
    pending_.erase(it);
    answer(st);
}

// ProxyFinder

ProxyFinder::ProxyFinder(XmppClient& client, QObject* parent) : QObject(parent), requests_(client) {
    timer_.setSingleShot(true);
    timer_.setInterval(kTimeoutMs);
    connect(&timer_, &QTimer::timeout, this, [this] { done(); });
}

void ProxyFinder::find() {
    const int round = ++round_;
    proxy_.reset();
    searching_ = true;
    asking_ = 0;
    timer_.start();
    XmppClient& client = requests_.client();
    const QString domain = client.boundJid().section('@', 1).section('/', 0, 0);
    Element items;
    items.name = "query";
    items.ns = std::string(kDiscoItemsNs);
    xmpp_stanza_t* iq = makeIq(client.context(), "get", &items);
    requests_.send(iq, domain, kTimeoutMs, [this, round](xmpp_stanza_t* answer) {
        if (round != round_ || !searching_)
            return;
        const auto query =
            isResult(answer) ? childElement(answer, "query", kDiscoItemsNs) : std::nullopt;
        const auto jids = query ? parseDiscoItems(*query) : std::vector<std::string>{};
        if (jids.empty()) {
            done();
            return;
        }
        XmppClient& c = requests_.client();
        Element info;
        info.name = "query";
        info.ns = std::string(kDiscoInfoNs);
        for (const std::string& jid : jids) {
            ++asking_;
            xmpp_stanza_t* ask = makeIq(c.context(), "get", &info);
            const QString to = QString::fromStdString(jid);
            requests_.send(ask, to, kTimeoutMs, [this, round, to](xmpp_stanza_t* a) {
                if (round != round_ || !searching_)
                    return;
                --asking_;
                const auto q = isResult(a) ? childElement(a, "query", kDiscoInfoNs) : std::nullopt;
                if (!q || !isBytestreamProxy(*q)) {
                    if (asking_ == 0)
                        done();
                    return;
                }
                // The first proxy named is asked for its address.
                Element streams;
                streams.name = "query";
                streams.ns = std::string(kBytestreamsNs);
                xmpp_stanza_t* get = makeIq(requests_.client().context(), "get", &streams);
                ++asking_;
                requests_.send(get, to, kTimeoutMs, [this, round](xmpp_stanza_t* r) {
                    if (round != round_ || !searching_)
                        return;
                    --asking_;
                    const auto sq =
                        isResult(r) ? childElement(r, "query", kBytestreamsNs) : std::nullopt;
                    if (auto host = sq ? parseStreamHost(*sq) : std::nullopt) {
                        proxy_ = host;
                        done();
                    } else if (asking_ == 0) {
                        done();
                    }
                });
                xmpp_stanza_release(get);
            });
            xmpp_stanza_release(ask);
        }
    });
    xmpp_stanza_release(iq);
}

void ProxyFinder::done() {
    if (!searching_)
        return;
    searching_ = false;
    searched_ = true;
    timer_.stop();
    emit finished();
}

// SOCKS5

namespace {

class Socks5Client : public QObject {
public:
    Socks5Client(const StreamHost& proxy, const std::string& hash, int timeoutMs, QObject* context,
                 std::function<void(QTcpSocket*)> done)
        : context_(context), hash_(hash), done_(std::move(done)) {
        socket_ = new QTcpSocket(this);
        socket_->setReadBufferSize(kMaxSocksBytes);
        connect(socket_, &QTcpSocket::connected, this,
                [this] { socket_->write(QByteArray::fromStdString(socksGreeting())); });
        connect(socket_, &QTcpSocket::readyRead, this, &Socks5Client::read);
        connect(socket_, &QTcpSocket::errorOccurred, this, [this] { finish(false); });
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { finish(false); });
        timer_.start(timeoutMs);
        socket_->connectToHost(QString::fromStdString(proxy.host),
                               static_cast<quint16>(proxy.port));
    }

private:
    void read() {
        if (over_)
            return;
        if (socket_->bytesAvailable() > kMaxSocksBytes) {
            finish(false);
            return;
        }
        // Only the bytes each answer needs are taken, so that nothing of the
        // stream itself is read here.
        const std::string data = socket_->peek(kMaxSocksBytes).toStdString();
        std::size_t used = 0;
        const SocksRead r = greeted_ ? readSocksReply(data, used) : readSocksMethod(data, used);
        if (r == SocksRead::Bad) {
            finish(false);
            return;
        }
        if (r == SocksRead::More)
            return;
        socket_->read(static_cast<qint64>(used));
        if (!greeted_) {
            greeted_ = true;
            socket_->write(QByteArray::fromStdString(socksConnect(hash_)));
            if (socket_->bytesAvailable() > 0)
                read();
            return;
        }
        finish(true);
    }

    void finish(bool ok) {
        if (over_)
            return;
        over_ = true;
        timer_.stop();
        socket_->disconnect(this);
        QTcpSocket* s = nullptr;
        if (ok) {
            s = socket_;
            s->setParent(nullptr);
            s->setReadBufferSize(0);
        }
        if (context_)
            done_(s);
        else
            delete s;
        deleteLater();
    }

    QPointer<QObject> context_;
    std::string hash_;
    std::function<void(QTcpSocket*)> done_;
    QTcpSocket* socket_ = nullptr;
    QTimer timer_;
    bool greeted_ = false;
    bool over_ = false;
};

} // namespace

void connectSocks5(const StreamHost& proxy, const std::string& hash, int timeoutMs,
                   QObject* context, std::function<void(QTcpSocket*)> done) {
    new Socks5Client(proxy, hash, timeoutMs, context, std::move(done));
}

} // namespace dw::lobby
