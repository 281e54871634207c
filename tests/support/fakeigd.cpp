#include "tests/support/fakeigd.h"

#include <QRegularExpression>
#include <QTcpSocket>

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

void reply(QTcpSocket* socket, const QByteArray& status, const QByteArray& body) {
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/xml; charset=\"utf-8\"\r\n" +
                  "Content-Length: " + QByteArray::number(body.size()) +
                  "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
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
        reply(socket, "200 OK", description());
        return;
    }
    const QRegularExpression actionRe(QStringLiteral("#(\\w+)\""));
    const QString action = actionRe.match(QString::fromLatin1(head)).captured(1);
    calls_.append({action, body});
    if (action == QStringLiteral("AddPortMapping") && refusing_) {
        reply(socket, "500 Internal Server Error",
              envelope("<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError"
                       "</faultstring><detail><UPnPError "
                       "xmlns=\"urn:schemas-upnp-org:control-1-0\"><errorCode>718</errorCode>"
                       "<errorDescription>ConflictInMappingEntry</errorDescription></UPnPError>"
                       "</detail></s:Fault>"));
    } else if (action == QStringLiteral("GetExternalIPAddress")) {
        reply(socket, "200 OK",
              envelope("<u:GetExternalIPAddressResponse xmlns:u=\"" + kService +
                       "\"><NewExternalIPAddress>" + QByteArray(kExternalAddress) +
                       "</NewExternalIPAddress></u:GetExternalIPAddressResponse>"));
    } else {
        reply(socket, "200 OK",
              envelope("<u:" + action.toLatin1() + "Response xmlns:u=\"" + kService + "\"/>"));
    }
}

} // namespace dw::testing
