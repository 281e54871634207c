#include "tests/support/httpclient.h"

#include <QHostAddress>
#include <QTest>

namespace dw::testing {

bool HttpConnection::connectTo(quint16 port) {
    socket_.connectToHost(QHostAddress::LocalHost, port);
    return QTest::qWaitFor([this] { return socket_.state() == QAbstractSocket::ConnectedState; });
}

bool HttpConnection::connectTo(quint16 port, const QHostAddress& from) {
    if (!socket_.bind(from))
        return false;
    return connectTo(port);
}

void HttpConnection::send(const QByteArray& bytes) {
    socket_.write(bytes);
    socket_.flush();
}

HttpAnswer HttpConnection::answer(int timeoutMs) {
    HttpAnswer out;
    const auto whole = [&] {
        buffer_ += socket_.readAll();
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const qsizetype at = buffer_.toLower().indexOf("content-length:");
        const qsizetype length =
            at < 0 || at > end
                ? 0
                : buffer_.mid(at + 15, buffer_.indexOf('\r', at) - at - 15).trimmed().toLongLong();
        if (buffer_.size() < end + 4 + length)
            return false;
        out.status = buffer_.mid(9, 3).toInt();
        out.headers = buffer_.left(end);
        out.body = buffer_.mid(end + 4, length);
        buffer_.remove(0, end + 4 + length);
        return true;
    };
    if (!QTest::qWaitFor(
            [&] { return whole() || socket_.state() == QAbstractSocket::UnconnectedState; },
            timeoutMs))
        return {};
    return out;
}

bool HttpConnection::waitForClose(int timeoutMs) {
    return QTest::qWaitFor(
        [this] {
            buffer_ += socket_.readAll();
            return socket_.state() == QAbstractSocket::UnconnectedState;
        },
        timeoutMs);
}

HttpAnswer httpRequest(quint16 port, const QByteArray& request) {
    HttpConnection c;
    if (!c.connectTo(port))
        return {};
    c.send(request);
    return c.answer();
}

HttpAnswer httpGet(quint16 port, const QByteArray& path) {
    return httpRequest(port, "GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
}

HttpAnswer httpGet(quint16 port, const QByteArray& path, const QHostAddress& from) {
    HttpConnection c;
    if (!c.connectTo(port, from))
        return {};
    c.send("GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
    return c.answer();
}

} // namespace dw::testing
