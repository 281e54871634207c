// A minimal HTTP/1.1 client for tests of the status endpoint: it sends raw
// bytes, so tests can send what no well-behaved client would, and it keeps
// the event loop running while it waits (the server may live in the same
// process).
#pragma once

#include <QByteArray>
#include <QTcpSocket>

#include <memory>

namespace dw::testing {

struct HttpAnswer {
    int status = 0; // 0: no answer came
    QByteArray headers;
    QByteArray body;
    bool closed = false; // the server closed the connection
};

class HttpConnection {
public:
    bool connectTo(quint16 port, int timeoutMs = 5000);
    void send(const QByteArray& bytes);
    // Waits for one whole answer, or for the server to close the connection.
    HttpAnswer answer(int timeoutMs = 5000);
    // Waits until the server closes the connection; true when it did.
    bool waitForClose(int timeoutMs);
    QTcpSocket& socket() { return socket_; }

private:
    QTcpSocket socket_;
    QByteArray buffer_;
};

// GET `path` on a new connection.
HttpAnswer httpGet(quint16 port, const QByteArray& path, int timeoutMs = 5000);
// Sends `request` as it is on a new connection and waits for the answer.
HttpAnswer httpRequest(quint16 port, const QByteArray& request, int timeoutMs = 5000);

} // namespace dw::testing
