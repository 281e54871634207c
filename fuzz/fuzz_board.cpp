// Every handler of the host's game commands on the client, fed arbitrary
// payloads in arbitrary order, with the user's clicks mixed in.
//
// Input: a sequence of steps; each step's first byte picks a command word
// (or a user action), the second the payload's length, then the payload.
// After each step the board model must still describe a possible board.
#include "client/boardmodel.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

struct Events : dw::BoardEvents {
    std::size_t sent = 0;
    void log(const std::string&) override {}
    void notice(const std::string&) override {}
    void sound(const std::string&) override {}
    void send(const std::string& message) override {
        check(!message.empty() && message.back() == '\xFF');
        ++sent;
    }
    void setOwnTallyCell(int column, const std::string&) override {
        check(column >= 1 && column <= 8);
    }
    void addGame(const std::string&) override {}
    void spyAdded(const std::string&) override {}
    void spyRemoved(const std::string&) override {}
    void loadSettings() override {}
};

constexpr std::array<std::string_view, 20> kWords{
    "CMD_sendlogininfo", "CMD_newplayerinfo", "CMD_existingplayers", "CMD_playerdisconnected",
    "CMD_justwatching",  "CMD_startgame",     "CMD_nextplayer",      "CMD_winner",
    "CMD_mycards",       "CMD_hediscard",     "CMD_invalid",         "CMD_traveling",
    "CMD_placinggo",     "CMD_placingspeed",  "CMD_playsafe",        "CMD_cannotmove",
    "CMD_postscores",    "CMD_newstats",      "CMD_startinground",   "CMD_nosuchword",
};

bool picture(const dw::Picture& p) {
    return !p || (*p >= 0 && *p <= 19);
}

void checkModel(const dw::BoardModel& m) {
    const dw::ClientState& s = m.state();
    check(s.mySeat >= 0 && s.mySeat <= dw::kHighestSeat);
    check(s.turnSeat >= 0 && s.turnSeat <= dw::kHighestSeat);
    check(s.selectedSlot >= 0 && s.selectedSlot <= dw::kHandPlaces);
    // The screen order is a permutation of the places.
    std::array<int, dw::kHandPlaces + 1> order = s.handOrder;
    std::sort(order.begin() + 1, order.end());
    for (int p = 1; p <= dw::kHandPlaces; ++p)
        check(order[static_cast<std::size_t>(p)] == p);
    for (int seat = 1; seat <= dw::kPlayingSeats; ++seat) {
        // Only hazards stop a ship or are repaired, and protections are flags.
        const dw::Ship& ship = s.ships[static_cast<std::size_t>(seat)];
        check(ship.hazard == 0 || dw::isHazard(ship.hazard));
        check(ship.repaired == 0 || dw::isHazard(ship.repaired));
        for (int held : ship.protections)
            check(held == 0 || held == 1);
        const dw::SeatDisplay& d = m.view().seats[static_cast<std::size_t>(seat)];
        check(picture(d.speedPile) && picture(d.goPile) && picture(d.milePile));
    }
    for (int p = 1; p <= dw::kHandPlaces; ++p) {
        const dw::HandPlace& h = m.view().hand[static_cast<std::size_t>(p)];
        check(h.card >= 0 && h.card <= 19);
        check(picture(h.picture));
        check(m.positionOf(p) >= 1 && m.positionOf(p) <= dw::kHandPlaces);
    }
    check(picture(m.view().discard));
    // One spectator list item per spectator seat at most.
    std::array<bool, dw::kHighestSeat + 1> listed{};
    for (const std::string& item : m.spies()) {
        const int seat = item.empty() ? 0 : item[0] - '0';
        check(seat > dw::kPlayingSeats && seat <= dw::kHighestSeat);
        check(!listed[static_cast<std::size_t>(seat)]);
        listed[static_cast<std::size_t>(seat)] = true;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Events events;
    dw::BoardModel model(events, [](int n) { return n - 1; });
    if (size > 0 && (data[0] & 1))
        model.setHosting();
    std::size_t pos = size > 0 ? 1 : 0;
    for (int steps = 0; pos < size && steps < 1000; ++steps) {
        const std::uint8_t op = data[pos++];
        std::size_t len = 0;
        if (pos < size) {
            len = data[pos++];
            len = std::min(len, size - pos);
        }
        const std::string_view payload(reinterpret_cast<const char*>(data + pos), len);
        pos += len;
        const int a = len > 0 ? static_cast<std::uint8_t>(payload[0]) % 12 : 0;
        if (op < 200) {
            model.handleCommand(kWords[op % kWords.size()], payload);
        } else {
            switch (op % 8) {
            case 0:
                model.onCardReleased(a, len > 1 && (payload[1] & 1));
                break;
            case 1:
                model.onTargetClicked(a);
                break;
            case 2:
                model.onDiscardClicked();
                break;
            case 3:
                model.sortCards();
                break;
            case 4:
                model.justWatch();
                break;
            case 5:
                model.setToJustWatch(a);
                break;
            case 6:
                model.unsetJustWatch(a);
                break;
            case 7:
                model.targetsFor(a * 2);
                break;
            }
        }
        checkModel(model);
    }
    return 0;
}
