#include "tests/support/fakeigd.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace dw::testing {

namespace {

const QByteArray kService = "urn:schemas-upnp-org:service:WANIPConnection:1";

QByteArray description() {
    return "<?xml version=\"1.0\"?>\r\n"
           "<root xmlns=\"urn:schemas-upnp-org:device-1-0\">"
           "<specVersion><major>1</major><minor>0</minor></specVersion>"
           "<device><deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType>"
           "<friendlyName>Test router</friendlyName>"
           "<deviceList><device>"
           "<deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType>"
           "<deviceList><device>"
           "<deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>"
           "<serviceList><service><serviceType>" +
           kService +
           "</serviceType><serviceId>urn:upnp-org:serviceId:WANIPConn1</serviceId>"
           "<SCPDURL>/WANIPCn.xml</SCPDURL><controlURL>/ctl/IPConn</controlURL>"
           "<eventSubURL>/evt/IPConn</eventSubURL></service></serviceList>"
           "</device></deviceList></device></deviceList></device></root>\r\n";
}

QByteArray envelope(const QByteArray& body) {
    return "<?xml version=\"1.0\"?>\r\n<s:Envelope "
           "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body>" +
           body + "</s:Body></s:Envelope>\r\n";
}

QByteArray fault(int code, const QByteArray& description) {
    return envelope("<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError"
                    "</faultstring><detail><UPnPError "
                    "xmlns=\"urn:schemas-upnp-org:control-1-0\"><errorCode>" +
                    QByteArray::number(code) + "</errorCode><errorDescription>" + description +
                    "</errorDescription></UPnPError></detail></s:Fault>");
}

} // namespace

FakeIgd::FakeIgd() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { serve(s); });
            connect(s, &QTcpSocket::disconnected, this, [this, s] {
                pending_.remove(s);
                s->deleteLater();
            });
        }
    });
}

QString FakeIgd::url() const {
    return QStringLiteral("http://127.0.0.1:%1/rootDesc.xml").arg(server_.serverPort());
}

int FakeIgd::count(const QString& action) const {
    return int(std::count_if(calls_.begin(), calls_.end(),
                             [&](const Call& c) { return c.action == action; }));
}

int FakeIgd::activeMappings() const {
    return int(std::count_if(mappings_.begin(), mappings_.end(),
                             [](const QDeadlineTimer& lease) { return !lease.hasExpired(); }));
}

QStringList FakeIgd::arguments(const QString& action, const QString& name) const {
    QStringList values;
    const QRegularExpression re(QStringLiteral("<%1>([^<]*)</%1>").arg(name));
    for (const Call& c : calls_)
        if (c.action == action)
            values.append(re.match(QString::fromUtf8(c.body)).captured(1));
    return values;
}

void FakeIgd::reply(QTcpSocket* socket, const QByteArray& status, const QByteArray& body) {
    const QByteArray answer = "HTTP/1.1 " + status +
                              "\r\nContent-Type: text/xml; charset=\"utf-8\"\r\n" +
                              "Content-Length: " + QByteArray::number(body.size()) +
                              "\r\nConnection: close\r\n\r\n" + body;
    if (!slow_) {
        socket->write(answer);
        socket->disconnectFromHost();
        return;
    }
    auto* timer = new QTimer(socket);
    auto left = std::make_shared<QByteArray>(answer);
    connect(timer, &QTimer::timeout, socket, [socket, left, timer] {
        socket->write(left->left(1));
        left->remove(0, 1);
        if (left->isEmpty()) {
            timer->stop();
            socket->disconnectFromHost();
        }
    });
    timer->start(1000);
}

void FakeIgd::sendEndless(QTcpSocket* socket) {
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<?xml version=\"1.0\"?><root>");
    const QByteArray padding = QByteArray(64 * 1024, ' ');
    // Another piece whenever the last has gone, until the reader closes.
    connect(socket, &QTcpSocket::bytesWritten, socket, [socket, padding] {
        if (socket->bytesToWrite() < padding.size())
            socket->write(padding);
    });
    socket->write(padding);
}

QString FakeIgd::argument(const QString& action, const QString& name) const {
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
        if (it->action == action) {
            const QRegularExpression re(QStringLiteral("<%1>([^<]*)</%1>").arg(name));
            return re.match(QString::fromUtf8(it->body)).captured(1);
        }
    return {};
}

void FakeIgd::serve(QTcpSocket* socket) {
    QByteArray& data = pending_[socket];
    data += socket->readAll();
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray head = data.left(end);
    const QRegularExpression lengthRe(QStringLiteral("(?i)content-length:\\s*(\\d+)"));
    const auto m = lengthRe.match(QString::fromLatin1(head));
    const qsizetype length = m.hasMatch() ? m.captured(1).toLongLong() : 0;
    if (data.size() < end + 4 + length)
        return;
    const QByteArray body = data.mid(end + 4, length);
    data.clear();
    if (head.startsWith("GET ")) {
        if (endless_)
            sendEndless(socket);
        else
            reply(socket, "200 OK", description());
        return;
    }
    const QRegularExpression actionRe(QStringLiteral("#(\\w+)\""));
    const QString action = actionRe.match(QString::fromLatin1(head)).captured(1);
    calls_.append({action, body});
    const QString port = argument(action, QStringLiteral("NewExternalPort"));
    if (action == QStringLiteral("AddPortMapping") && refusing_) {
        reply(socket, "500 Internal Server Error", fault(718, "ConflictInMappingEntry"));
    } else if (action == QStringLiteral("AddPortMapping")) {
        const int lease = argument(action, QStringLiteral("NewLeaseDuration")).toInt();
        if (permanentOnly_ && lease != 0) {
            reply(socket, "500 Internal Server Error", fault(725, "OnlyPermanentLeasesSupported"));
            return;
        }
        mappings_[port] =
            lease == 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(lease * 1000);
        reply(socket, "200 OK",
              envelope("<u:AddPortMappingResponse xmlns:u=\"" + kService + "\"/>"));
    } else if (action == QStringLiteral("GetExternalIPAddress")) {
        reply(socket, "200 OK",
              envelope("<u:GetExternalIPAddressResponse xmlns:u=\"" + kService +
                       "\"><NewExternalIPAddress>" + external_ +
                       "</NewExternalIPAddress></u:GetExternalIPAddressResponse>"));
    } else {
        if (action == QStringLiteral("DeletePortMapping"))
            mappings_.remove(port);
        reply(socket, "200 OK",
              envelope("<u:" + action.toLatin1() + "Response xmlns:u=\"" + kService + "\"/>"));
    }
}

} // namespace dw::testing
