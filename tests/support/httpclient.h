// A minimal HTTP/1.1 client for tests of the status endpoint: it sends raw
// bytes, so tests can send what no well-behaved client would, and it keeps
// the event loop running while it waits (the server may live in the same
// process).
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpSocket>

namespace dw::testing {

struct HttpAnswer {
    int status = 0; // 0: no answer came
    QByteArray headers;
    QByteArray body;
};

class HttpConnection {
public:
    bool connectTo(quint16 port);
    // The same from the loopback address `from` (any of 127.0.0.0/8), so
    // that one machine can be several peers.
    bool connectTo(quint16 port, const QHostAddress& from);
    void send(const QByteArray& bytes);
    // Waits for one whole answer; status 0 when the server closed instead.
    HttpAnswer answer(int timeoutMs = 5000);
    // Waits until the server closes the connection; true when it did.
    bool waitForClose(int timeoutMs);
    QTcpSocket& socket() { return socket_; }

private:
    QTcpSocket socket_;
    QByteArray buffer_;
};

// Sends `request` as it is on a new connection and waits for the answer.
HttpAnswer httpRequest(quint16 port, const QByteArray& request);
HttpAnswer httpGet(quint16 port, const QByteArray& path);
// GET from the loopback address `from`.
HttpAnswer httpGet(quint16 port, const QByteArray& path, const QHostAddress& from);

} // namespace dw::testing
