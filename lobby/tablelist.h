// The tables heard in the room, by their host's nickname, built from the
// presences every lobby receives: a table appears and disappears with its
// host. A pilot whose presences flood the room is ignored until it leaves.
// Plain C++; the caller gives the time.
#pragma once

#include "lobby/table.h"

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace dw::lobby {

class TableList {
public:
    using Clock = std::chrono::steady_clock;
    // A lobby sends at most one table presence every 2 s; a pilot heard more
    // than this often within kFloodWindow floods.
    static constexpr std::size_t kFloodPresences = 8;
    static constexpr std::chrono::seconds kFloodWindow{10};
    // The most tables listed; more are not heard.
    static constexpr std::size_t kMaxTables = 200;

    // A presence of `nick` carrying `table`, or none. True when the list
    // changed.
    bool heard(const std::string& nick, const std::optional<Table>& table, Clock::time_point now);
    // `nick` left the room. True when the list changed.
    bool left(const std::string& nick);
    bool ignored(const std::string& nick) const { return ignored_.count(nick) > 0; }
    const std::map<std::string, Table>& tables() const { return tables_; }

private:
    std::map<std::string, Table> tables_;
    std::map<std::string, std::deque<Clock::time_point>> recent_;
    std::set<std::string> ignored_;
};

} // namespace dw::lobby
