// A board model wired to an events recorder, and helpers that feed it host
// commands as they arrive on the wire.
#pragma once

#include "client/boardmodel.h"
#include "engine/cards.h"
#include "protocol/protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace dw::test {

struct RecordingEvents : BoardEvents {
    std::vector<std::string> logs;
    std::vector<std::string> chats;
    std::vector<std::uint32_t> chatColours;
    std::vector<std::string> sounds;
    std::vector<std::string> sent;
    std::vector<std::pair<int, std::string>> mineset;
    std::vector<std::string> games;
    std::vector<std::string> spyAdds;
    std::vector<std::string> spyRemoves;
    int settingsLoads = 0;

    void log(const std::string& line) override { logs.push_back(line); }
    // Notices are recorded as the seat-0 lines they are ("0+" and the text),
    // with the colour the window shows them in.
    void notice(const std::string& text) override {
        chats.push_back("0+" + text);
        chatColours.push_back(kStatusColour);
    }
    void sound(const std::string& name) override { sounds.push_back(name); }
    void send(const std::string& message) override { sent.push_back(message); }
    void setOwnTallyCell(int column, const std::string& value) override {
        mineset.emplace_back(column, value);
    }
    void addGame(const std::string& result) override { games.push_back(result); }
    void spyAdded(const std::string& item) override { spyAdds.push_back(item); }
    void spyRemoved(const std::string& item) override { spyRemoves.push_back(item); }
    void loadSettings() override { ++settingsLoads; }

    void clear() { *this = RecordingEvents(); }
};

using Strings = std::vector<std::string>;

class BoardTest : public ::testing::Test {
protected:
    RecordingEvents ev;
    int nextDraw = 0; // what the turn sound's random source returns
    BoardModel m{ev, [this](int) { return nextDraw; }};

    // Feeds one message as the dispatcher would (terminator already cut off).
    void cmd(const std::string& message) {
        const Command c = splitCommand(message);
        ASSERT_TRUE(m.handleCommand(c.word, c.payload)) << message;
    }
    // Feeds one message through its encoding and the dispatch table.
    template <class M>
    requires requires { M::kWord; }
    void cmd(const M& message) {
        std::string text = message.encode();
        while (!text.empty() && text.back() == kTerminator)
            text.pop_back();
        cmd(text);
    }
    const SeatDisplay& seat(int n) const { return m.view().seats[static_cast<std::size_t>(n)]; }
    const HandPlace& place(int n) const { return m.view().hand[static_cast<std::size_t>(n)]; }
    // How a ship stands, by number: 0 docked, 1 moving, 2, 5 and 7 stopped
    // by SKYJACK, DAMAGE and POWER DRAIN, 3, 6 and 8 after their repair.
    int ship(int n) const {
        const Ship& s = m.state().ships[static_cast<std::size_t>(n)];
        if (s.undocked)
            return 1;
        const int stoppedBy = s.hazard != 0 ? s.hazard : s.repaired;
        const int number = stoppedBy == kSkyjack      ? 2
                           : stoppedBy == kDamage     ? 5
                           : stoppedBy == kPowerDrain ? 7
                                                      : 0;
        return number != 0 && s.hazard == 0 ? number + 1 : number;
    }
    // Puts ship n into the standing `number` names (as ship() counts).
    void setShip(int n, int number) {
        Ship& s = m.state().ships[static_cast<std::size_t>(n)];
        static constexpr std::array<int, 9> kStoppedBy{0,       0,       kSkyjack,    kSkyjack,   0,
                                                       kDamage, kDamage, kPowerDrain, kPowerDrain};
        const int by = kStoppedBy[static_cast<std::size_t>(number)];
        const bool repaired = number == 3 || number == 6 || number == 8;
        s.undocked = number == 1;
        s.hazard = repaired ? 0 : by;
        s.repaired = repaired ? by : 0;
    }
    bool teleported(int n) const { return m.state().ships[static_cast<std::size_t>(n)].teleported; }
    std::vector<bool> targets() const {
        std::vector<bool> t;
        for (int n = 1; n <= 4; ++n)
            t.push_back(seat(n).target);
        return t;
    }

    // Logs in as `name` on `mySeat` and announces the other players.
    void login(int mySeat, const std::string& name = "Bob") {
        m.state().playerName = name;
        cmd(msg::SendLoginInfo{mySeat});
        cmd(msg::NewPlayerInfo{mySeat, name});
    }
    // Seat 2 as Bob, Ann hosting in seat 1; a game with seats 3 and 4 as
    // given, a round started and Bob's hand dealt.
    void startGame(bool seat3 = true, bool seat4 = true,
                   const msg::MyCards& hand = {
                       2, {{1, 4}, {2, 6}, {3, 12}, {4, 5}, {5, 13}, {6, 16}}}) {
        login(2);
        cmd(msg::ExistingPlayers{1, "Ann"});
        cmd(msg::StartGameAnnounce{"Ann", 5000, 70000, seat3, seat4});
        cmd(msg::StartingRound{});
        cmd(hand);
        ev.clear();
    }
    void myTurn() { cmd(msg::NextPlayer{2, 7, 1, 25}); }
};

} // namespace dw::test
