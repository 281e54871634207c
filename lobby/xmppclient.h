// The lobby's XMPP connection: libstrophe driven from Qt's event loop. The
// socket libstrophe opens is watched with QSocketNotifiers, and libstrophe is
// stepped (xmpp_run_once with no wait) only when that socket is readable,
// writable while something waits to be sent, or a Qt timer runs out, so an
// idle connection costs no CPU. The connection is TLS only, with the
// server's certificate checked against the system's store.
#pragma once

#include <QObject>
#include <QString>

#include <QTimer>
#include <strophe.h>

#include <memory>

class QSocketNotifier;

namespace dw::lobby {

// A stanza handed to slots, valid until the slot returns. (libstrophe's
// stanza type is opaque, and Qt's signals need complete types.)
struct StanzaRef {
    xmpp_stanza_t* stanza = nullptr;
};

// How to sign in, and where.
struct SignIn {
    enum class Mode {
        Account,  // an account and its password
        Guest,    // anonymous login on `jid`, a guest domain
        Register, // create the account by in-band registration, then sign in
    };
    Mode mode = Mode::Account;
    QString jid;      // name@domain; for Guest the guest domain itself
    QString password; // Account and Register
    QString host;     // the server to connect to; empty: the JID's domain
    quint16 port = 0; // 0: the standard port (or what DNS names)
    QString caFile;   // one more certificate to trust, for tests
};

// Why signing in failed or a connection ended.
enum class Failure {
    None,
    WrongPassword,
    ServerDown,
    Certificate,
    RegistrationRefused,
    AccountTaken,
    GuestsRefused,
    NoEncryption,
    TimedOut,
    Lost,
};

// One sentence for the pilot about `failure`.
QString failureText(Failure failure);

class XmppClient : public QObject {
    Q_OBJECT
public:
    explicit XmppClient(QObject* parent = nullptr);
    ~XmppClient() override;

    // Starts signing in; signedIn() or failed() follows. A running
    // connection is dropped first.
    void signIn(const SignIn& how);
    // Signs in again as the last signIn() did (an account made by it is
    // signed in to, not made again); signedIn() or failed() follows.
    void reconnect();
    // Closes the stream politely; disconnected(Failure::None) follows.
    void signOut();
    bool isSignedIn() const { return signedIn_; }
    // The full address the server gave this connection.
    QString boundJid() const;

    // libstrophe's context, to build stanzas for send().
    xmpp_ctx_t* context() const { return ctx_; }
    // Queues `stanza` for the server; the caller keeps its reference.
    void send(xmpp_stanza_t* stanza);

    // How long signing in may take (default 15 s).
    void setSignInTimeout(int ms) { signInTimer_.setInterval(ms); }

signals:
    void signedIn();
    // Signing in did not succeed; the connection is closed.
    void failed(dw::lobby::Failure failure);
    // The account asked for with Mode::Register was created (sign-in goes on).
    void registered();
    // A signed-in connection ended; None after signOut().
    void disconnected(dw::lobby::Failure failure);
    // Every stanza the server sends once signed in (message, presence, iq).
    // The stanza lives until the slot returns.
    void stanzaReceived(dw::lobby::StanzaRef stanza);

private:
    struct Callbacks;
    friend struct Callbacks;

    void startConnection(bool raw);
    void connectionEnded(Failure why);
    void step();
    void watch(int fd);
    void updateNotifiers();
    void dropConnection();

    std::unique_ptr<xmpp_log_t> log_;
    xmpp_ctx_t* ctx_ = nullptr;
    xmpp_conn_t* conn_ = nullptr;
    xmpp_conn_t* ended_ = nullptr; // released when libstrophe has returned
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    int fd_ = -1;
    bool stepping_ = false;
    bool signedIn_ = false;
    bool registered_ = false;
    bool closing_ = false;
    bool raw_ = false; // registering: the stream is negotiated here
    SignIn how_;
    // What libstrophe reported while signing in, to tell failures apart.
    Failure reported_ = Failure::None;
    QTimer signInTimer_;
    // Steps libstrophe once its own timers (the wait for a closing stream)
    // may have run out.
    QTimer closeTimer_;
    QTimer negotiationTimer_;
};

} // namespace dw::lobby

Q_DECLARE_METATYPE(dw::lobby::Failure)
