#include "app/lobby/cli.h"

#include "host/agones.h"
#include "lobby/agonesaddress.h"
#include "lobby/bytestream.h"
#include "lobby/reconnector.h"
#include "lobby/relaybridge.h"
#include "lobby/room.h"
#include "lobby/stanzaelement.h"
#include "lobby/tablelist.h"
#include "lobby/tablepublisher.h"
#include "lobby/xmppclient.h"
#include "protocol/lanwire.h"
#include "protocol/protocol.h"
#include "text/plaintext.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <strophe.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace dw::lobby {

namespace {

constexpr int kDefaultXmppPort = 5222;
// /status is read once a second, as often as the game announces itself on
// the LAN; the room hears of a change at most every
// TablePublisher::kIntervalMs.
constexpr int kStatusPollMs = 1000;
// The largest /status answer read.
constexpr qint64 kMaxStatusBytes = 64 * 1024;

void say(const QString& line) {
    std::fprintf(stderr, "driftwake-lobby: %s\n", line.toLocal8Bit().constData());
}

QString shown(const QString& text) {
    return QString::fromStdString(displayText(text.toStdString()));
}

// The line --list-tables prints for a table: nickname, name, seats, state
// and addresses, separated by tabs.
QString tableLine(const QString& nick, const Table& t) {
    QStringList addresses;
    for (const HostPort& a : t.addresses)
        addresses << QString::fromStdString(formatHostPort(a.host, a.port));
    return QStringLiteral("%1\t%2\t%3/%4\t%5\t%6")
        .arg(shown(nick), shown(QString::fromStdString(t.name)))
        .arg(t.seats)
        .arg(kMaxSeats)
        .arg(t.playing ? QStringLiteral("playing") : QStringLiteral("waiting"),
             addresses.isEmpty() ? QStringLiteral("-") : addresses.join(','));
}

// Signs in and joins the room; calls `ready` once in, or quits the
// application with exit code 2 after saying why.
class Session : public QObject {
public:
    // A session that `staysOn` signs in again when its connection drops, and
    // calls `ready` again each time it is back in the room.
    Session(const CliOptions& options, const QString& nick, bool staysOn,
            std::function<void()> ready)
        : room_(client_), ready_(std::move(ready)) {
        const auto server = parseHostPort(options.server.toStdString(), kDefaultXmppPort);
        QString password;
        QString error;
        if (!server || server->port < 1 || server->port > 65535) {
            stop(QStringLiteral("--server needs HOST or HOST:PORT."));
            return;
        }
        if (!readPasswordFile(options.passwordFile, password, error)) {
            stop(error);
            return;
        }
        SignIn how;
        how.jid = options.jid;
        how.password = password;
        how.host = QString::fromStdString(server->host);
        how.port = static_cast<quint16>(server->port);
        how.caFile = qEnvironmentVariable("DRIFTWAKE_LOBBY_CA");
        const QString domain = options.jid.section('@', 1).section('/', 0, 0);
        const QString roomJid = options.room.isEmpty() ? defaultRoomFor(domain) : options.room;
        // Made before the handlers below, so that it has taken up a drop or
        // a failed attempt by the time they look.
        if (staysOn) {
            reconnector_ = std::make_unique<Reconnector>(client_);
            connect(reconnector_.get(), &Reconnector::gaveUp, this,
                    [this](Failure f) { stop(failureText(f)); });
        }
        connect(&client_, &XmppClient::failed, this, [this](Failure f) {
            if (!reconnecting())
                stop(failureText(f));
        });
        connect(&client_, &XmppClient::disconnected, this, [this](Failure f) {
            if (!reconnecting())
                stop(failureText(f));
            else
                say(failureText(f) + QStringLiteral(" Signing in again."));
        });
        connect(&client_, &XmppClient::signedIn, this,
                [this, roomJid, nick] { room_.join(roomJid, nick); });
        connect(&room_, &Room::joinFailed, this,
                [this](RoomFailure f) { stop(roomFailureText(f)); });
        connect(&room_, &Room::removed, this, [this](RoomFailure f) { stop(roomFailureText(f)); });
        connect(&room_, &Room::joined, this, [this] { ready_(); });
        client_.signIn(how);
    }
    XmppClient& client() { return client_; }
    Room& room() { return room_; }
    void finish(int code) {
        if (room_.isJoined())
            room_.leave();
        if (client_.isSignedIn()) {
            stopping_ = true;
            client_.signOut();
            // The server's end of the stream, or libstrophe's wait for it.
            QTimer::singleShot(3000, qApp, [code] { QCoreApplication::exit(code); });
            connect(&client_, &XmppClient::disconnected, qApp,
                    [code] { QCoreApplication::exit(code); });
            return;
        }
        QCoreApplication::exit(code);
    }

private:
    bool reconnecting() const { return reconnector_ && reconnector_->isReconnecting(); }
    void stop(const QString& why) {
        if (stopping_)
            return;
        stopping_ = true;
        say(why);
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(2); });
    }

    XmppClient client_;
    Room room_;
    std::unique_ptr<Reconnector> reconnector_;
    std::function<void()> ready_;
    bool stopping_ = false;
};

int listTables(const CliOptions& options) {
    const QString nick = options.nick.isEmpty() ? options.jid.section('@', 0, 0) : options.nick;
    TableList list;
    Session* session = nullptr;
    Session s(options, nick, false, [&] {
        QTimer::singleShot(options.listSeconds * 1000, qApp, [&] {
            if (list.tables().empty())
                std::printf("no tables found\n");
            for (const auto& [n, t] : list.tables())
                std::printf("%s\n", tableLine(QString::fromStdString(n), t).toUtf8().constData());
            std::fflush(stdout);
            session->finish(list.tables().empty() ? 1 : 0);
        });
    });
    session = &s;
    QObject::connect(&s.room(), &Room::presence, &s, [&](const QString& n, StanzaRef st) {
        if (n != s.room().nick())
            list.heard(n.toStdString(), tableIn(st.stanza), TableList::Clock::now());
    });
    QObject::connect(&s.room(), &Room::occupantLeft, &s,
                     [&](const QString& n) { list.left(n.toStdString()); });
    return QCoreApplication::exec();
}

// The table of a headless host from its /status, or nothing when the answer
// is not a status.
std::optional<Table> tableFromStatus(const QByteArray& body, Table base) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject status = doc.object();
    const QString state = status.value("state").toString();
    if (state != "waiting" && state != "playing")
        return std::nullopt;
    base.playing = state == "playing";
    // Seats taken, by pilots who play or watch from their seat, as the
    // host's LAN announcement counts them.
    base.seats = 0;
    for (const QJsonValue& seat : status.value("seats").toArray())
        if (seat.toObject().value("connected").toBool())
            ++base.seats;
    base.seats = std::min(base.seats, kMaxSeats);
    base.spectators = std::min<int>(status.value("spectators").toArray().size(), kMaxSpectators);
    base.amount = std::clamp(status.value("amount").toInt(), 0, kMaxAmount);
    const QString version = status.value("version").toString();
    if (!version.isEmpty() && version.size() <= static_cast<qsizetype>(kMaxVersion))
        base.version = version.toStdString();
    return base;
}

// A GET that gives up after 2 s, or once more than `maxBytes` arrive.
QNetworkReply* boundedGet(QNetworkAccessManager& http, const QUrl& url, qint64 maxBytes) {
    QNetworkRequest request(url);
    request.setTransferTimeout(2 * kStatusPollMs);
    QNetworkReply* reply = http.get(request);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, maxBytes](qint64 got, qint64) {
                         if (got > maxBytes)
                             reply->abort();
                     });
    return reply;
}

// The fleet table's address from the Agones SDK sidecar, asked every 2 s
// until the GameServer has one; nothing when the program is told to end
// first.
std::optional<HostPort> addressFromAgones() {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(AgonesSdk::portFromEnvironment());
    url.setPath(QStringLiteral("/gameserver"));
    QNetworkAccessManager http;
    QEventLoop loop;
    QTimer again;
    again.setSingleShot(true);
    std::optional<HostPort> found;
    bool told = false;
    auto ask = [&] {
        QNetworkReply* reply = boundedGet(http, url, kMaxGameServerBytes);
        QObject::connect(reply, &QNetworkReply::finished, reply, [&, reply] {
            reply->deleteLater();
            if (reply->error() == QNetworkReply::NoError)
                found = gameServerAddress(reply->read(kMaxGameServerBytes));
            if (found) {
                loop.quit();
                return;
            }
            if (!told)
                say(QStringLiteral("Waiting for the Agones SDK at %1 to give the table's "
                                   "address.")
                        .arg(url.toString()));
            told = true;
            again.start(TablePublisher::kIntervalMs);
        });
    };
    QObject::connect(&again, &QTimer::timeout, &again, ask);
    ask();
    loop.exec();
    return found;
}

int advertise(const CliOptions& options) {
    std::optional<HostPort> address;
    if (options.agones) {
        address = addressFromAgones();
        if (!address)
            return 0; // told to end before the address came
    } else {
        address = parseHostPort(options.advertise.toStdString(), 0);
    }
    if (!address || address->port < 1 || address->port > 65535) {
        say(QStringLiteral("--advertise needs HOST:PORT."));
        return 2;
    }
    // A host on this machine's loopback is a table that shows no address:
    // it is reached through the relay alone.
    const bool relayedOnly =
        !options.agones && QHostAddress(QString::fromStdString(address->host)).isLoopback();
    if (!relayedOnly && !isJoinableAddress(address->host)) {
        say(QStringLiteral("%1 is not an address others can join: give the host's public or "
                           "LAN IP address, or 127.0.0.1 for relayed joins only.")
                .arg(shown(QString::fromStdString(address->host))));
        return 2;
    }
    Table table;
    table.name =
        (options.tableName.isEmpty() ? QStringLiteral("Driftwake table") : options.tableName)
            .left(static_cast<qsizetype>(kMaxTableName))
            .toStdString();
    while (table.name.size() > kMaxTableName)
        table.name.pop_back();
    table.version = std::string(kVersion);
    if (!relayedOnly)
        table.addresses = {*address};
    const QString nick = options.nick.isEmpty() ? QString::fromStdString(table.name) : options.nick;

    QNetworkAccessManager http;
    QTimer poll;
    std::optional<Table> current =
        options.statusUrl.isEmpty() ? std::optional(table) : std::nullopt;
    int failures = 0;
    std::unique_ptr<TablePublisher> publisher;

    std::unique_ptr<RelayHost> relay;
    auto publish = [&] {
        if (publisher)
            publisher->setTable(current);
        // Relayed joins reach the host on loopback while its table is
        // listed. (A fleet's game port inside its pod is not the one
        // Agones gives, so fleet tables take direct joins only.)
        if (relay)
            relay->setGamePort(current && !options.agones ? static_cast<quint16>(address->port)
                                                          : 0);
    };

    auto fetch = [&] {
        QNetworkReply* reply = boundedGet(http, QUrl(options.statusUrl), kMaxStatusBytes);
        QObject::connect(reply, &QNetworkReply::finished, reply, [&, reply] {
            reply->deleteLater();
            std::optional<Table> read;
            if (reply->error() == QNetworkReply::NoError)
                read = tableFromStatus(reply->read(kMaxStatusBytes), table);
            if (read) {
                failures = 0;
                current = read;
            } else if (++failures >= 3) {
                current.reset(); // the host is gone: withdraw the table
            }
            publish();
        });
    };

    Session s(options, nick, true, [&] {
        if (!options.statusUrl.isEmpty()) {
            fetch();
            poll.start(kStatusPollMs);
        } else {
            publish();
        }
    });
    publisher = std::make_unique<TablePublisher>(s.client(), s.room());
    relay = std::make_unique<RelayHost>(s.client(), s.room());
    if (!options.statusUrl.isEmpty())
        QObject::connect(&poll, &QTimer::timeout, &poll, fetch);
    return QCoreApplication::exec();
}

// --connect: one relayed stream to a table, bridged to the first connection
// made to 127.0.0.1:--local-port.
int connectTable(const CliOptions& options) {
    const QString nick = options.nick.isEmpty() ? options.jid.section('@', 0, 0) : options.nick;
    Session* session = nullptr;
    ProxyFinder* finder = nullptr;
    RelayRequest* request = nullptr;
    QTcpServer listener;
    QTcpSocket* stream = nullptr;
    RelayBridge* bridge = nullptr;
    bool started = false;
    auto end = [&](int code, const QString& why) {
        if (!why.isEmpty())
            say(why);
        session->finish(code);
    };
    Session s(options, nick, true, [&] {
        // Signed in again after a drop: the stream, if any, goes on.
        if (started)
            return;
        started = true;
        finder = new ProxyFinder(s.client(), &s);
        QObject::connect(finder, &ProxyFinder::finished, &s, [&] {
            if (!finder->proxy()) {
                end(2, QStringLiteral("The server offers no bytestream proxy: its tables take "
                                      "direct joins only."));
                return;
            }
            if (s.room().occupants().count(options.connect) == 0) {
                end(2, QStringLiteral("No table %1 in the room.").arg(shown(options.connect)));
                return;
            }
            request = new RelayRequest(s.client(), *finder->proxy(),
                                       s.room().roomJid() + QLatin1Char('/') + options.connect, &s);
            QObject::connect(request, &RelayRequest::failed, &s,
                             [&](const QString& why) { end(2, why); });
            QObject::connect(request, &RelayRequest::ready, &s, [&](QTcpSocket* socket) {
                stream = socket;
                stream->setParent(&s);
                QObject::connect(stream, &QTcpSocket::disconnected, &s, [&] {
                    if (!bridge)
                        end(1, QStringLiteral("The relayed stream ended."));
                });
                if (!listener.listen(QHostAddress::LocalHost,
                                     static_cast<quint16>(options.localPort))) {
                    end(2, QStringLiteral("Cannot listen on 127.0.0.1:%1: %2")
                               .arg(options.localPort)
                               .arg(listener.errorString()));
                    return;
                }
                std::printf("listening on 127.0.0.1:%d\n", options.localPort);
                std::fflush(stdout);
            });
            request->start();
        });
        finder->find();
    });
    session = &s;
    QObject::connect(&listener, &QTcpServer::newConnection, &s, [&] {
        QTcpSocket* local = listener.nextPendingConnection();
        if (!local || bridge || !stream) {
            delete local;
            return;
        }
        listener.close(); // only the first connection is carried
        stream->disconnect(&s);
        bridge = new RelayBridge(stream, local, &s);
        QObject::connect(bridge, &RelayBridge::finished, &s,
                         [&] { end(0, QStringLiteral("The relayed stream ended.")); });
    });
    return QCoreApplication::exec();
}

} // namespace

QString cliUsage() {
    return QStringLiteral(
        "Usage: driftwake-lobby [--help]\n"
        "       driftwake-lobby --server HOST[:PORT] --jid JID --password-file FILE\n"
        "                       [--room ROOM] [--nick NICK] --list-tables SECONDS\n"
        "       driftwake-lobby --server HOST[:PORT] --jid JID --password-file FILE\n"
        "                       [--room ROOM] [--nick NICK] (--advertise HOST:PORT | --agones)\n"
        "                       [--table-name NAME] [--status-url URL]\n"
        "       driftwake-lobby --server HOST[:PORT] --jid JID --password-file FILE\n"
        "                       [--room ROOM] [--nick NICK] --connect TABLE --local-port PORT\n"
        "Without a mode it opens the sign-in window.\n"
        "  --server HOST[:PORT]   the XMPP server (port 5222 by default)\n"
        "  --jid JID              the account, name@domain\n"
        "  --password-file FILE   the password on the file's first line (mode 600)\n"
        "  --room ROOM            the room (default driftwake@conference.DOMAIN)\n"
        "  --nick NICK            the nickname in the room\n"
        "  --list-tables SECONDS  prints the tables heard in that time and exits\n"
        "  --advertise HOST:PORT  lists a headless host as a table while it runs\n"
        "                         (HOST 127.0.0.1: no address shown, relayed joins only)\n"
        "  --agones               the same, with the address of the fleet's GameServer\n"
        "                         from the Agones SDK (AGONES_SDK_HTTP_PORT, default 9358)\n"
        "                         (direct joins only: the game's port inside the pod is\n"
        "                         not the one Agones gives)\n"
        "  --table-name NAME      the advertised table's name\n"
        "  --connect TABLE        opens a relayed stream to the table of that nickname\n"
        "                         and carries the first connection to --local-port\n"
        "  --local-port PORT      where --connect listens, on 127.0.0.1\n"
        "  --status-url URL       the host's /status, for seats and state\n"
        "  --help                 prints this and exits\n");
}

bool readPasswordFile(const QString& path, QString& password, QString& error) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (path.isEmpty() || ::stat(name.constData(), &info) != 0) {
        error = QStringLiteral("Cannot read the password file %1.").arg(shown(path));
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = QStringLiteral("The password file %1 is not a regular file.").arg(shown(path));
        return false;
    }
    if (info.st_mode & (S_IRGRP | S_IROTH)) {
        error = QStringLiteral("The password file %1 can be read by others; make it private "
                               "(chmod 600) and try again.")
                    .arg(shown(path));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot read the password file %1.").arg(shown(path));
        return false;
    }
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty()) {
        error = QStringLiteral("The password file %1 holds no password on its first line.")
                    .arg(shown(path));
        return false;
    }
    password = QString::fromUtf8(line);
    return true;
}

bool parseCli(const QStringList& arguments, CliOptions& o, bool& windowless, QString& error) {
    windowless = false;
    auto value = [&](qsizetype& i) -> QString {
        if (i + 1 >= arguments.size()) {
            error = QStringLiteral("%1 needs a value.").arg(arguments[i]);
            return {};
        }
        return arguments[++i];
    };
    for (qsizetype i = 1; i < arguments.size() && error.isEmpty(); ++i) {
        const QString& a = arguments[i];
        if (a == "--server")
            o.server = value(i);
        else if (a == "--jid")
            o.jid = value(i);
        else if (a == "--password-file")
            o.passwordFile = value(i);
        else if (a == "--room")
            o.room = value(i);
        else if (a == "--nick")
            o.nick = value(i);
        else if (a == "--list-tables") {
            bool ok = false;
            o.listSeconds = value(i).toInt(&ok);
            if (error.isEmpty() && (!ok || o.listSeconds < 1 || o.listSeconds > 3600))
                error = QStringLiteral("--list-tables needs a number of seconds (1 to 3600).");
            windowless = true;
        } else if (a == "--advertise") {
            o.advertise = value(i);
            windowless = true;
        } else if (a == "--agones") {
            o.agones = true;
            windowless = true;
        } else if (a == "--help") {
            o.help = true;
        } else if (a == "--table-name")
            o.tableName = value(i);
        else if (a == "--status-url")
            o.statusUrl = value(i);
        else if (a == "--connect") {
            o.connect = value(i);
            windowless = true;
        } else if (a == "--local-port") {
            bool ok = false;
            o.localPort = value(i).toInt(&ok);
            if (error.isEmpty() && (!ok || o.localPort < 1 || o.localPort > 65535))
                error = QStringLiteral("--local-port needs a port (1 to 65535).");
        } else
            error = QStringLiteral("Unknown option %1.").arg(shown(a));
    }
    if (!error.isEmpty() || !windowless || o.help)
        return error.isEmpty();
    const int modes =
        (o.listSeconds > 0) + (!o.advertise.isEmpty() || o.agones) + !o.connect.isEmpty();
    if (modes > 1)
        error = QStringLiteral("Give one of --list-tables, --advertise and --connect.");
    else if (!o.connect.isEmpty() && o.localPort == 0)
        error = QStringLiteral("--connect needs --local-port.");
    else if (!o.connect.isEmpty() && (o.connect.size() > Room::kMaxNick))
        error = QStringLiteral("--connect needs a table's nickname.");
    else if (o.agones && !o.advertise.isEmpty())
        error = QStringLiteral("Give --advertise or --agones, not both.");
    else if (o.server.isEmpty() || o.jid.isEmpty() || o.passwordFile.isEmpty())
        error = QStringLiteral("--server, --jid and --password-file are needed.");
    else if (!o.jid.contains('@'))
        error = QStringLiteral("--jid needs an account address, name@domain.");
    return error.isEmpty();
}

int runCli(const CliOptions& options) {
    if (!options.connect.isEmpty())
        return connectTable(options);
    return options.listSeconds > 0 ? listTables(options) : advertise(options);
}

} // namespace dw::lobby
