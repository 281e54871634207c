// The table of the game this lobby hosts, as the room should see it. Seats,
// spectators, state and amount come from the announcement the game sends
// to this machine once a second (host/lan.h), picked out by the game's port.
// The address to join is shown only when the host asks for it: then it is
// the public address the router maps to the game (through `driftwake
// --open-port P`), else the machine's global IPv6 addresses, else its LAN
// addresses; never loopback, link-local or multicast ones.
#pragma once

#include "host/lan.h"
#include "host/portmapper.h"
#include "lobby/table.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

namespace dw::lobby {

class HostedTable : public QObject {
    Q_OBJECT
public:
    explicit HostedTable(QObject* parent = nullptr);

    // Follows the game hosted on `port`, its table called `name`.
    void start(const QString& name, quint16 port);
    void stop();
    bool isRunning() const { return port_ != 0; }
    // Shows the address to join, or stops showing it (the default).
    void setShowAddress(bool show);
    bool showsAddress() const { return showAddress_; }
    // The table, while a game runs.
    std::optional<Table> table() const;

    // The machine's own addresses a friend elsewhere can join at `port`:
    // its global IPv6 addresses, else its IPv4 LAN addresses.
    static std::vector<HostPort> interfaceAddresses(int port);

signals:
    void changed();

private:
    void gamesHeard();
    void mapped(bool ok);
    void refreshAddresses();
    void update(const Table& next);

    LanBrowser browser_;
    PortMapper mapper_;
    quint16 port_ = 0;
    bool showAddress_ = false;
    Table table_;
};

} // namespace dw::lobby
