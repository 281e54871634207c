#include "tests/support/fakesidecar.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

namespace dw::testing {

bool FakeSidecar::listen(quint16 port) {
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { serve(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return server_.listen(QHostAddress::LocalHost, port);
}

void FakeSidecar::close() {
    server_.close();
    for (QTcpSocket* s : server_.findChildren<QTcpSocket*>())
        s->abort();
}

int FakeSidecar::count(const QByteArray& path) const {
    int n = 0;
    for (const Request& r : requests)
        n += r.path == path;
    return n;
}

QStringList FakeSidecar::labels() const {
    QStringList values;
    for (const Request& r : requests) {
        if (r.path != "/metadata/label")
            continue;
        const QJsonObject o = QJsonDocument::fromJson(r.body).object();
        if (r.method == "PUT" && o.value("key").toString() == "players")
            values << o.value("value").toString();
    }
    return values;
}

QString FakeSidecar::lastLabel() const {
    const QStringList all = labels();
    return all.isEmpty() ? QString() : all.last();
}

void FakeSidecar::serve(QTcpSocket* s) {
    QByteArray& in = buffers_[s];
    in += s->readAll();
    for (;;) {
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = in.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        qsizetype length = 0;
        for (const QByteArray& line : lines)
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (in.size() < end + 4 + length)
            return;
        Request r{first.value(0), first.value(1), in.mid(end + 4, length)};
        in.remove(0, end + 4 + length);
        int status = 200;
        auto refusal = refusals_.find(r.path);
        if (refusal != refusals_.end() && refusal->second.first > 0) {
            --refusal->second.first;
            status = refusal->second.second;
        }
        requests.push_back(r);
        if (onRequest)
            onRequest(r);
        const QByteArray body =
            r.method == "GET" && r.path == "/gameserver" ? gameServer : QByteArray("{}");
        s->write("HTTP/1.1 " + QByteArray::number(status) +
                 " X\r\nContent-Type: application/json\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }
}

} // namespace dw::testing
