#include "lobby/relayjoin.h"

#include "lobby/relaybridge.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace dw::lobby {

RelayJoin::RelayJoin(XmppClient& client, const StreamHost& proxy, const QString& hostOccupant,
                     QObject* parent)
    : QObject(parent), client_(client), proxy_(proxy), hostOccupant_(hostOccupant) {
    connect(&listener_, &QTcpServer::newConnection, this, &RelayJoin::accepted);
}

bool RelayJoin::listen() {
    return listener_.listen(QHostAddress::LocalHost, 0);
}

int RelayJoin::connections() const {
    int n = 0;
    for (const auto& p : live_)
        n += p ? 1 : 0;
    return n;
}

void RelayJoin::accepted() {
    while (QTcpSocket* local = listener_.nextPendingConnection()) {
        std::erase_if(live_, [](const QPointer<QObject>& p) { return !p; });
        if (connections() >= kMaxConnections) {
            local->abort();
            local->deleteLater();
            continue;
        }
        local->setParent(nullptr);
        // What the game sends before the stream opens waits in its socket,
        // within the bridge's bound.
        local->setReadBufferSize(RelayBridge::kMaxBuffered);
        auto* request = new RelayRequest(client_, proxy_, hostOccupant_, this);
        local->setParent(request);
        live_.emplace_back(request);
        connect(request, &RelayRequest::failed, this, [this, request](const QString& why) {
            request->deleteLater(); // and the game's connection with it
            emit failed(why);
        });
        connect(request, &RelayRequest::ready, this, [this, request, local](QTcpSocket* stream) {
            auto* bridge = new RelayBridge(stream, local, this);
            live_.emplace_back(bridge);
            connect(bridge, &RelayBridge::finished, bridge, &QObject::deleteLater);
            request->deleteLater();
        });
        request->start();
    }
}

void firstAnswering(const std::vector<HostPort>& addresses, int timeoutMs, QObject* context,
                    std::function<void(std::optional<HostPort>)> done) {
    struct Probe : QObject {
        std::function<void(std::optional<HostPort>)> done;
        QPointer<QObject> context;
        int left = 0;
        bool over = false;
        void finish(std::optional<HostPort> found) {
            if (over)
                return;
            over = true;
            if (context)
                done(found);
            deleteLater();
        }
    };
    auto* probe = new Probe;
    probe->done = std::move(done);
    probe->context = context;
    probe->left = static_cast<int>(addresses.size());
    if (addresses.empty()) {
        probe->finish(std::nullopt);
        return;
    }
    QTimer::singleShot(timeoutMs, probe, [probe] { probe->finish(std::nullopt); });
    for (const HostPort& a : addresses) {
        auto* socket = new QTcpSocket(probe);
        QObject::connect(socket, &QTcpSocket::connected, probe, [probe, socket, a] {
            socket->abort();
            probe->finish(a);
        });
        QObject::connect(socket, &QTcpSocket::errorOccurred, probe, [probe] {
            if (--probe->left == 0)
                probe->finish(std::nullopt);
        });
        socket->connectToHost(QString::fromStdString(a.host), static_cast<quint16>(a.port));
    }
}

} // namespace dw::lobby
