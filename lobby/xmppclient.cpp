#include "lobby/xmppclient.h"

#include "text/plaintext.h"

#include <QSocketNotifier>

#include <strophe.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace dw::lobby {

namespace {

constexpr const char* kNsTls = "urn:ietf:params:xml:ns:xmpp-tls";
constexpr const char* kNsRegister = "jabber:iq:register";
constexpr const char* kNsRegisterFeature = "http://jabber.org/features/iq-register";
constexpr const char* kNsStreams = "http://etherx.jabber.org/streams";
constexpr const char* kRegisterId = "dw-register";

// libstrophe reads at most a few kilobytes per step, and bytes that TLS has
// already decrypted make no socket readable: after each read and each send
// it is stepped this many times more, enough for one whole TLS record.
constexpr int kStepsPerEvent = 6;

// The certificate failure handler gets no user data: the connections that
// are signing in, to find the client a failure belongs to.
std::map<xmpp_conn_t*, XmppClient*>& clients() {
    static std::map<xmpp_conn_t*, XmppClient*> map;
    return map;
}

bool startsWith(const char* text, const char* prefix) {
    return text && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

} // namespace

QString failureText(Failure failure) {
    switch (failure) {
    case Failure::None:
        return {};
    case Failure::WrongPassword:
        return QStringLiteral("The server refused the account name or password.");
    case Failure::ServerDown:
        return QStringLiteral("The lobby server cannot be reached; it may be down.");
    case Failure::Certificate:
        return QStringLiteral(
            "The server's certificate could not be verified, so the lobby did not connect.");
    case Failure::RegistrationRefused:
        return QStringLiteral("The server does not allow creating an account here.");
    case Failure::AccountTaken:
        return QStringLiteral("That account name is already taken on this server.");
    case Failure::GuestsRefused:
        return QStringLiteral("The server does not let guests in.");
    case Failure::NoEncryption:
        return QStringLiteral("The server does not offer an encrypted connection.");
    case Failure::TimedOut:
        return QStringLiteral("The lobby server did not answer in time.");
    case Failure::Lost:
        return QStringLiteral("The connection to the lobby server was lost.");
    }
    return {};
}

// libstrophe's C callbacks.
struct XmppClient::Callbacks {
    static void log(void* userdata, xmpp_log_level_t level, const char* area, const char* msg) {
        auto* self = static_cast<XmppClient*>(userdata);
        // The messages of libstrophe 0.12 that tell why signing in failed;
        // the connection handler itself only says that it ended.
        if (std::strcmp(area, "xmpp") == 0 && startsWith(msg, "connection failed"))
            self->reported_ = Failure::ServerDown;
        else if (std::strcmp(area, "auth") == 0 && level == XMPP_LEVEL_ERROR) {
            if (std::strstr(msg, "ANONYMOUS"))
                self->reported_ = Failure::GuestsRefused;
            else if (std::strstr(msg, "TLS"))
                self->reported_ = Failure::NoEncryption;
            else if (self->reported_ == Failure::None)
                self->reported_ = Failure::WrongPassword;
        } else if (std::strcmp(area, "tls") == 0 &&
                   startsWith(msg, "Certificate verification FAILED"))
            self->reported_ = Failure::Certificate;
        else if (std::strstr(msg, "TLS is not supported"))
            self->reported_ = Failure::NoEncryption;
        static const bool debug = std::getenv("DRIFTWAKE_LOBBY_DEBUG") != nullptr;
        if (debug)
            std::fprintf(stderr, "xmpp %s: %s\n", area, logText(msg ? msg : "").c_str());
    }

    static int certificateFailed(const xmpp_tlscert_t* cert, const char* const) {
        auto it = clients().find(xmpp_tlscert_get_conn(cert));
        if (it != clients().end())
            it->second->reported_ = Failure::Certificate;
        return 0; // never connect to a server whose certificate does not verify
    }

    static int socketMade(xmpp_conn_t* conn, void* sock) {
        auto it = clients().find(conn);
        if (it != clients().end())
            it->second->watch(*static_cast<int*>(sock));
        return xmpp_sockopt_cb_keepalive(conn, sock);
    }

    static void connection(xmpp_conn_t* conn, xmpp_conn_event_t event, int,
                           xmpp_stream_error_t* streamError, void* userdata) {
        // A connection being released reports its end too: not news.
        if (clients().count(conn) == 0)
            return;
        auto* self = static_cast<XmppClient*>(userdata);
        if (event == XMPP_CONN_RAW_CONNECT) {
            // Registration: open the stream, ask for TLS, then register.
            xmpp_handler_add(conn, features, kNsStreams, "features", nullptr, self);
            xmpp_conn_open_stream_default(conn);
        } else if (event == XMPP_CONN_CONNECT) {
            // On a raw connection this only says that a stream opened.
            if (self->raw_)
                return;
            self->signInTimer_.stop();
            self->negotiationTimer_.stop();
            self->signedIn_ = true;
            xmpp_handler_add(conn, stanza, nullptr, nullptr, nullptr, self);
            emit self->signedIn();
        } else {
            Failure why = self->reported_;
            if (why == Failure::None && streamError && streamError->type == XMPP_SE_NOT_AUTHORIZED)
                why = Failure::WrongPassword;
            if (why == Failure::None)
                why = self->signedIn_ ? Failure::Lost : Failure::ServerDown;
            self->connectionEnded(why);
        }
    }

    static int features(xmpp_conn_t* conn, xmpp_stanza_t* features, void* userdata) {
        auto* self = static_cast<XmppClient*>(userdata);
        xmpp_ctx_t* ctx = self->ctx_;
        if (!xmpp_conn_is_secured(conn)) {
            if (!xmpp_stanza_get_child_by_name_and_ns(features, "starttls", kNsTls)) {
                self->reported_ = Failure::NoEncryption;
                xmpp_disconnect(conn);
                return 0;
            }
            xmpp_handler_add(conn, proceed, kNsTls, nullptr, nullptr, self);
            xmpp_stanza_t* starttls = xmpp_stanza_new(ctx);
            xmpp_stanza_set_name(starttls, "starttls");
            xmpp_stanza_set_ns(starttls, kNsTls);
            xmpp_send(conn, starttls);
            xmpp_stanza_release(starttls);
            return 1; // the stream after TLS brings its own features
        }
        if (!xmpp_stanza_get_child_by_name_and_ns(features, "register", kNsRegisterFeature)) {
            self->reported_ = Failure::RegistrationRefused;
            xmpp_disconnect(conn);
            return 0;
        }
        char* node = xmpp_jid_node(ctx, self->how_.jid.toUtf8().constData());
        xmpp_stanza_t* iq = xmpp_iq_new(ctx, "set", kRegisterId);
        xmpp_stanza_t* query = xmpp_stanza_new(ctx);
        xmpp_stanza_set_name(query, "query");
        xmpp_stanza_set_ns(query, kNsRegister);
        const QByteArray password = self->how_.password.toUtf8();
        const std::pair<const char*, const char*> fields[] = {{"username", node ? node : ""},
                                                              {"password", password.constData()}};
        for (const auto& [name, value] : fields) {
            xmpp_stanza_t* field = xmpp_stanza_new(ctx);
            xmpp_stanza_set_name(field, name);
            xmpp_stanza_t* text = xmpp_stanza_new(ctx);
            xmpp_stanza_set_text(text, value);
            xmpp_stanza_add_child(field, text);
            xmpp_stanza_release(text);
            xmpp_stanza_add_child(query, field);
            xmpp_stanza_release(field);
        }
        if (node)
            xmpp_free(ctx, node);
        xmpp_stanza_add_child(iq, query);
        xmpp_stanza_release(query);
        xmpp_id_handler_add(conn, registerAnswer, kRegisterId, self);
        xmpp_send(conn, iq);
        xmpp_stanza_release(iq);
        return 0;
    }

    static int proceed(xmpp_conn_t* conn, xmpp_stanza_t* answer, void* userdata) {
        auto* self = static_cast<XmppClient*>(userdata);
        if (std::strcmp(xmpp_stanza_get_name(answer), "proceed") != 0 ||
            xmpp_conn_tls_start(conn) != XMPP_EOK) {
            if (self->reported_ == Failure::None)
                self->reported_ = Failure::NoEncryption;
            xmpp_disconnect(conn);
            return 0;
        }
        xmpp_conn_open_stream_default(conn);
        return 0;
    }

    static int registerAnswer(xmpp_conn_t* conn, xmpp_stanza_t* answer, void* userdata) {
        auto* self = static_cast<XmppClient*>(userdata);
        const char* type = xmpp_stanza_get_type(answer);
        if (type && std::strcmp(type, "result") == 0) {
            self->registered_ = true;
        } else {
            xmpp_stanza_t* error = xmpp_stanza_get_child_by_name(answer, "error");
            const bool taken = error && xmpp_stanza_get_child_by_name(error, "conflict");
            self->reported_ = taken ? Failure::AccountTaken : Failure::RegistrationRefused;
        }
        xmpp_disconnect(conn);
        return 0;
    }

    static int stanza(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
        emit static_cast<XmppClient*>(userdata)->stanzaReceived(StanzaRef{stanza});
        return 1;
    }
};

XmppClient::XmppClient(QObject* parent) : QObject(parent) {
    static const bool initialised = [] {
        // A write to a connection the server has closed must fail, not end
        // the program: libstrophe and OpenSSL write with plain write().
        std::signal(SIGPIPE, SIG_IGN);
        xmpp_initialize();
        return true;
    }();
    (void)initialised;
    log_ = std::make_unique<xmpp_log_t>();
    log_->handler = &Callbacks::log;
    log_->userdata = this;
    ctx_ = xmpp_ctx_new(nullptr, log_.get());
    signInTimer_.setSingleShot(true);
    signInTimer_.setInterval(15000);
    connect(&signInTimer_, &QTimer::timeout, this, [this] {
        if (!conn_ || signedIn_)
            return;
        reported_ = Failure::TimedOut;
        xmpp_disconnect(conn_);
        step();
    });
    // While the stream is negotiated (TLS, SASL, binding) and while it is
    // closed, libstrophe writes for itself: what TLS could not write at once
    // waits for the next step, and xmpp_conn_send_queue_len() counts none of
    // it. Until signed in, and while signing out, it is stepped on a short
    // timer as well; a signed-in lobby is stepped only by its socket.
    negotiationTimer_.setInterval(50);
    connect(&negotiationTimer_, &QTimer::timeout, this, [this] { step(); });
    closeTimer_.setSingleShot(true);
    connect(&closeTimer_, &QTimer::timeout, this, [this] { step(); });
}

XmppClient::~XmppClient() {
    dropConnection();
    xmpp_ctx_free(ctx_);
}

void XmppClient::dropConnection() {
    if (ended_) {
        xmpp_conn_release(ended_);
        ended_ = nullptr;
    }
    readNotifier_.reset();
    writeNotifier_.reset();
    fd_ = -1;
    if (conn_) {
        clients().erase(conn_);
        xmpp_conn_release(conn_);
        conn_ = nullptr;
    }
    signedIn_ = false;
    signInTimer_.stop();
    closeTimer_.stop();
    negotiationTimer_.stop();
}

void XmppClient::signIn(const SignIn& how) {
    dropConnection();
    how_ = how;
    registered_ = false;
    startConnection(how.mode == SignIn::Mode::Register);
}

void XmppClient::reconnect() {
    if (how_.mode == SignIn::Mode::Register)
        how_.mode = SignIn::Mode::Account;
    registered_ = false;
    startConnection(false);
}

void XmppClient::startConnection(bool raw) {
    dropConnection();
    reported_ = Failure::None;
    closing_ = false;
    raw_ = raw;
    conn_ = xmpp_conn_new(ctx_);
    clients()[conn_] = this;
    // A raw connection (registration) starts TLS itself, in Callbacks::features,
    // and registers only once the stream is secured.
    xmpp_conn_set_flags(conn_,
                        (raw ? 0 : XMPP_CONN_FLAG_MANDATORY_TLS) | XMPP_CONN_FLAG_DISABLE_SM);
    xmpp_conn_set_jid(conn_, how_.jid.toUtf8().constData());
    if (how_.mode != SignIn::Mode::Guest)
        xmpp_conn_set_pass(conn_, how_.password.toUtf8().constData());
    if (!how_.caFile.isEmpty())
        xmpp_conn_set_cafile(conn_, how_.caFile.toLocal8Bit().constData());
    xmpp_conn_set_certfail_handler(conn_, &Callbacks::certificateFailed);
    xmpp_conn_set_sockopt_callback(conn_, &Callbacks::socketMade);
    const QByteArray host = how_.host.toUtf8();
    const char* alt = host.isEmpty() ? nullptr : host.constData();
    const int started =
        raw ? xmpp_connect_raw(conn_, alt, how_.port, &Callbacks::connection, this)
            : xmpp_connect_client(conn_, alt, how_.port, &Callbacks::connection, this);
    if (started != XMPP_EOK) {
        dropConnection();
        emit failed(Failure::ServerDown);
        return;
    }
    signInTimer_.start();
    negotiationTimer_.start();
    step();
}

void XmppClient::connectionEnded(Failure why) {
    // Called from inside libstrophe, whose socket is closed by now.
    readNotifier_.reset();
    writeNotifier_.reset();
    fd_ = -1;
    const bool wasSignedIn = signedIn_;
    signedIn_ = false;
    signInTimer_.stop();
    closeTimer_.stop();
    negotiationTimer_.stop();
    // The connection object is released once libstrophe has returned.
    clients().erase(conn_);
    ended_ = conn_;
    conn_ = nullptr;
    if (registered_ && how_.mode == SignIn::Mode::Register) {
        // The account exists now: sign in with it.
        registered_ = false;
        how_.mode = SignIn::Mode::Account;
        emit registered();
        QTimer::singleShot(0, this, [this] { startConnection(false); });
        return;
    }
    if (wasSignedIn)
        emit disconnected(closing_ ? Failure::None : why);
    else
        emit failed(why == Failure::None ? Failure::ServerDown : why);
}

void XmppClient::signOut() {
    if (!conn_)
        return;
    closing_ = true;
    xmpp_disconnect(conn_);
    negotiationTimer_.start();
    step();
    // libstrophe waits a while for the server's end of the stream.
    closeTimer_.start(2500);
}

QString XmppClient::boundJid() const {
    const char* jid = conn_ ? xmpp_conn_get_bound_jid(conn_) : nullptr;
    return jid ? QString::fromUtf8(jid) : QString();
}

void XmppClient::send(xmpp_stanza_t* stanza) {
    if (!conn_ || !signedIn_)
        return;
    xmpp_send(conn_, stanza);
    step();
}

void XmppClient::step() {
    if (stepping_) {
        // A handler sent something: the writable notifier takes it.
        return;
    }
    stepping_ = true;
    for (int i = 0; i < kStepsPerEvent; ++i)
        xmpp_run_once(ctx_, 0);
    stepping_ = false;
    updateNotifiers();
}

void XmppClient::watch(int fd) {
    readNotifier_.reset();
    writeNotifier_.reset();
    fd_ = fd;
    readNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, [this] { step(); });
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this, [this] { step(); });
}

void XmppClient::updateNotifiers() {
    if (!conn_ || !writeNotifier_)
        return;
    writeNotifier_->setEnabled(xmpp_conn_is_connecting(conn_) ||
                               xmpp_conn_send_queue_len(conn_) > 0);
}

} // namespace dw::lobby
