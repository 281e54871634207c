#include "lobby/tablelist.h"

namespace dw::lobby {

bool TableList::heard(const std::string& nick, const std::optional<Table>& table,
                      Clock::time_point now) {
    if (ignored(nick))
        return false;
    std::deque<Clock::time_point>& times = recent_[nick];
    times.push_back(now);
    while (!times.empty() && now - times.front() > kFloodWindow)
        times.pop_front();
    if (times.size() > kFloodPresences) {
        ignored_.insert(nick);
        recent_.erase(nick);
        return tables_.erase(nick) > 0;
    }
    if (!table)
        return tables_.erase(nick) > 0;
    auto it = tables_.find(nick);
    if (it == tables_.end()) {
        if (tables_.size() == kMaxTables)
            return false;
        tables_.emplace(nick, *table);
        return true;
    }
    if (it->second == *table)
        return false;
    it->second = *table;
    return true;
}

bool TableList::left(const std::string& nick) {
    recent_.erase(nick);
    ignored_.erase(nick);
    return tables_.erase(nick) > 0;
}

} // namespace dw::lobby
