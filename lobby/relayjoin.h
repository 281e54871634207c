// The joiner's side of relayed joins in the room window: a loopback port the
// game joins, where each connection the game makes (its first, and each
// rejoin after a dropped link) opens a new relayed stream to the host's
// lobby. And the check whether a table's shown addresses answer at all.
#pragma once

#include "lobby/bytestream.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>

#include <functional>
#include <optional>
#include <vector>

namespace dw::lobby {

class RelayBridge;

class RelayJoin : public QObject {
    Q_OBJECT
public:
    // The most game connections carried at once (a game holds one; a
    // rejoin may overlap the end of the last).
    static constexpr int kMaxConnections = 4;

    RelayJoin(XmppClient& client, const StreamHost& proxy, const QString& hostOccupant,
              QObject* parent = nullptr);
    // Listens on a free loopback port; false when none could be opened.
    bool listen();
    quint16 port() const { return listener_.serverPort(); }
    QString hostOccupant() const { return hostOccupant_; }
    // Game connections being carried or set up.
    int connections() const;

signals:
    // A stream could not be opened (one sentence); the game's connection
    // is closed, as a link that dropped.
    void failed(const QString& why);

private:
    void accepted();

    XmppClient& client_;
    StreamHost proxy_;
    QString hostOccupant_;
    QTcpServer listener_;
    std::vector<QPointer<QObject>> live_; // requests and bridges
};

// Tries `addresses` at once; `done` gets the first that accepts a TCP
// connection within `timeoutMs`, or nothing. Not called once `context` is
// gone.
void firstAnswering(const std::vector<HostPort>& addresses, int timeoutMs, QObject* context,
                    std::function<void(std::optional<HostPort>)> done);

} // namespace dw::lobby
