// Where a table of an Agones fleet is reached: the GameServer the Agones
// SDK sidecar of its pod describes (GET /gameserver on the sidecar's local
// HTTP API, the port host/agones.h talks to) carries the node's address and
// the port Agones gave the game. `driftwake-lobby --agones` publishes that.
#pragma once

#include "protocol/lanwire.h"

#include <QByteArray>

#include <optional>

namespace dw::lobby {

// The largest GameServer description read.
constexpr qint64 kMaxGameServerBytes = 64 * 1024;

// status.address with the port of status.ports named "game", else the
// first port; nothing while the GameServer has no address or port yet, or
// when the answer is not a GameServer.
std::optional<HostPort> gameServerAddress(const QByteArray& json);

} // namespace dw::lobby
