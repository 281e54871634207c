#include "tests/lobby/prosody.h"

#include "lobby/bytestream.h"
#include "tests/support/processes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <strophe.h>

namespace dw::testing {

PrivateProsody::PrivateProsody(const Options& options, const QStringList& owners)
    : PrivateProsody(options, owners, Place{}) {}

PrivateProsody::PrivateProsody(const Options& options, const QStringList& owners,
                               const Place& place)
    : options_(options), place_(place), owners_(owners) {
    // Two free ports can be taken by someone else before Prosody binds them:
    // a start that fails on its ports is tried again on others.
    for (int attempt = 0; attempt < 3 && !ok_; ++attempt) {
        port_ = freePort();
        do
            proxyPort_ = freePort();
        while (proxyPort_ == port_);
        start();
    }
}

bool PrivateProsody::restart() {
    stop();
    return start();
}

bool PrivateProsody::start() {
    const Options& options = options_;
    {
        QStringList args{QStringLiteral("--dir"),        dir_.filePath(QStringLiteral("server")),
                         QStringLiteral("--address"),    place_.address,
                         QStringLiteral("--port"),       QString::number(port_),
                         QStringLiteral("--proxy-port"), QString::number(proxyPort_),
                         QStringLiteral("--quiet")};
        for (const QString& user : options.users)
            args << QStringLiteral("--user") << user;
        if (!options.registration)
            args << QStringLiteral("--no-registration");
        if (!options.proxy)
            args << QStringLiteral("--no-proxy");
        process_.setProcessChannelMode(QProcess::MergedChannels);
        if (place_.netns.isEmpty())
            process_.start(QStringLiteral(DW_LOBBY_SERVER_SCRIPT), args);
        else
            process_.start(QStringLiteral("ip"),
                           QStringList{QStringLiteral("netns"), QStringLiteral("exec"),
                                       place_.netns, QStringLiteral(DW_LOBBY_SERVER_SCRIPT)} +
                               args);
        QByteArray out;
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning &&
               !out.contains("ready\n")) {
            process_.waitForReadyRead(200);
            out += process_.readAll();
        }
        ok_ = out.contains("ready\n");
        error_ = QString::fromLocal8Bit(out);
        // The room's owners, set by the operator on the admin socket.
        for (const QString& owner : owners_) {
            if (!ok_)
                break;
            QProcess shell;
            shell.setProcessChannelMode(QProcess::MergedChannels);
            shell.start(QStringLiteral("prosodyctl"),
                        {QStringLiteral("--config"),
                         dir_.filePath(QStringLiteral("server/prosody.cfg.lua")),
                         QStringLiteral("shell"),
                         QStringLiteral("muc:room('%1'):set_affiliation(true, '%2', 'owner')")
                             .arg(room(), owner)});
            ok_ = shell.waitForFinished(20000) && shell.exitStatus() == QProcess::NormalExit &&
                  shell.exitCode() == 0;
            if (!ok_)
                error_ = QString::fromLocal8Bit(shell.readAll());
        }
        if (!ok_)
            stop();
    }
    return ok_;
}

PrivateProsody::~PrivateProsody() {
    stop();
}

QString PrivateProsody::caFile() const {
    return dir_.filePath(QStringLiteral("server/cert.pem"));
}

QProcessEnvironment PrivateProsody::lobbyEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DRIFTWAKE_LOBBY_CA"), caFile());
    return env;
}

void PrivateProsody::stop() {
    if (process_.state() == QProcess::NotRunning)
        return;
    // The script stops Prosody and waits for it on SIGTERM.
    process_.terminate();
    if (!process_.waitForFinished(15000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

dw::lobby::SignIn PrivateProsody::account(const QString& jid, const QString& password) const {
    dw::lobby::SignIn how;
    how.jid = jid;
    how.password = password;
    how.host = place_.address;
    how.port = port();
    how.caFile = caFile();
    return how;
}

QString writePasswordFile(const QTemporaryDir& dir, const QString& name, const QByteArray& password,
                          bool othersRead) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(password + "\n");
    f.close();
    QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner;
    if (othersRead)
        mode |= QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(path, mode);
    return path;
}

bool signIn(dw::lobby::XmppClient& client, const PrivateProsody& server, const QString& jid,
            const QString& password) {
    client.signIn(server.account(jid, password));
    const QDeadlineTimer deadline(20000);
    while (!client.isSignedIn() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return client.isSignedIn();
}

dw::lobby::RoomFailure joinAndWait(dw::lobby::Room& room, const QString& roomJid,
                                   const QString& nick) {
    using dw::lobby::Room;
    using dw::lobby::RoomFailure;
    QSignalSpy joined(&room, &Room::joined);
    QSignalSpy failed(&room, &Room::joinFailed);
    room.join(roomJid, nick);
    if (!QTest::qWaitFor([&] { return !joined.isEmpty() || !failed.isEmpty(); }, 10000))
        return RoomFailure::Refused;
    return failed.isEmpty() ? RoomFailure::None : failed.first().first().value<RoomFailure>();
}

SignedInLobby::SignedInLobby(const PrivateProsody& server, const QString& jid,
                             const QString& password) {
    QObject::connect(&room, &dw::lobby::Room::chat, &room,
                     [this](const QString& nick, const QString& text, bool past) {
                         if (!past)
                             lines << nick + ": " + text;
                     });
    signIn(client, server, jid, password);
}

QString sendOffer(dw::lobby::XmppClient& client, const QString& to, const std::string& sid,
                  const dw::lobby::StreamHost& proxy) {
    using namespace dw::lobby;
    IqRequests requests(client);
    const Element offer = offerElement(sid, proxy, client.boundJid().toStdString());
    xmpp_stanza_t* iq = makeIq(client.context(), "set", &offer);
    QString condition = QStringLiteral("pending");
    requests.send(iq, to, 10000, [&](xmpp_stanza_t* answer) {
        if (!answer) {
            condition = QStringLiteral("no answer");
            return;
        }
        if (isResult(answer)) {
            condition.clear();
            return;
        }
        condition = QStringLiteral("error");
        xmpp_stanza_t* error = xmpp_stanza_get_child_by_name(answer, "error");
        for (xmpp_stanza_t* c = error ? xmpp_stanza_get_children(error) : nullptr; c;
             c = xmpp_stanza_get_next(c))
            if (xmpp_stanza_get_name(c) && std::string(xmpp_stanza_get_name(c)) != "text")
                condition = QString::fromUtf8(xmpp_stanza_get_name(c));
    });
    xmpp_stanza_release(iq);
    if (!QTest::qWaitFor([&] { return condition != "pending"; }, 15000))
        return QStringLiteral("no answer");
    return condition;
}

} // namespace dw::testing
