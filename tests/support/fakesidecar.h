// The Agones SDK sidecar's local HTTP API as far as Driftwake uses it, on
// loopback: records every request and answers 200 with "{}", or the status
// set for a path; GET /gameserver answers the GameServer set for it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

#include <functional>
#include <map>
#include <vector>

class QTcpSocket;

namespace dw::testing {

class FakeSidecar : public QObject {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray body;
    };

    bool listen(quint16 port);
    void close();
    // The next `times` requests for `path` are answered with `status`.
    void refuse(const QByteArray& path, int times, int status = 503) {
        refusals_[path] = {times, status};
    }
    int count(const QByteArray& path) const;
    // The values of the "players" label, in the order they were put.
    QStringList labels() const;
    QString lastLabel() const;

    std::vector<Request> requests;
    // Runs on every request before it is answered.
    std::function<void(const Request&)> onRequest;
    // The body GET /gameserver answers (JSON).
    QByteArray gameServer = "{}";

private:
    void serve(QTcpSocket* s);

    QTcpServer server_;
    std::map<QTcpSocket*, QByteArray> buffers_;
    std::map<QByteArray, std::pair<int, int>> refusals_;
};

} // namespace dw::testing
