#include "tests/support/httpclient.h"

#include <QHostAddress>
#include <QTest>

namespace dw::testing {

bool HttpConnection::connectTo(quint16 port, int timeoutMs) {
    socket_.connectToHost(QHostAddress::LocalHost, port);
    return QTest::qWaitFor([this] { return socket_.state() == QAbstractSocket::ConnectedState; },
                           timeoutMs);
}

void HttpConnection::send(const QByteArray& bytes) {
    socket_.write(bytes);
    socket_.flush();
}

namespace {

// The answer in `buffer` once it is whole: status line, headers and as many
// body bytes as Content-Length says.
bool parse(const QByteArray& buffer, HttpAnswer& out) {
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QByteArray head = buffer.left(end);
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    qsizetype length = 0;
    for (const QByteArray& line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
            length = line.mid(colon + 1).trimmed().toLongLong();
    }
    if (buffer.size() < end + 4 + length)
        return false;
    out.status = statusLine.value(1).toInt();
    out.headers = head;
    out.body = buffer.mid(end + 4, length);
    return true;
}

} // namespace

HttpAnswer HttpConnection::answer(int timeoutMs) {
    HttpAnswer out;
    [[maybe_unused]] const bool done = QTest::qWaitFor(
        [&] {
            buffer_ += socket_.readAll();
            if (parse(buffer_, out))
                return true;
            out.closed = socket_.state() == QAbstractSocket::UnconnectedState;
            return out.closed;
        },
        timeoutMs);
    if (out.status != 0)
        buffer_.remove(0, out.headers.size() + 4 + out.body.size());
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

HttpAnswer httpRequest(quint16 port, const QByteArray& request, int timeoutMs) {
    HttpConnection c;
    if (!c.connectTo(port, timeoutMs))
        return {};
    c.send(request);
    return c.answer(timeoutMs);
}

HttpAnswer httpGet(quint16 port, const QByteArray& path, int timeoutMs) {
    return httpRequest(port, "GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n", timeoutMs);
}

} // namespace dw::testing
