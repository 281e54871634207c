// The round scores and the winner, as the host announces them.
#include "client/boardinternal.h"
#include "client/boardmodel.h"
#include "protocol/messages.h"

#include <algorithm>

namespace dw {

using namespace boardinternal;

// ---------------------------------------------------------------- scores

void BoardModel::scoresPosted(const msg::PostScores& m) {
    if (m.finisher > kPlayingSeats)
        return;
    for (const msg::SeatScore& rec : m.seats)
        if (!isPlayingSeat(rec.seat))
            return;
    for (int n = 1; n <= kPlayingSeats; ++n) {
        auto& s = view_.seats[at(n)];
        for (auto& text : s.panel)
            text.clear();
        s.target = false;
        s.nameColour = LabelColour::Yellow;
        s.panelColour = LabelColour::Yellow;
    }
    for (const msg::SeatScore& rec : m.seats) {
        auto& s = view_.seats[at(rec.seat)];
        const auto str = [](int v) { return std::to_string(v); };
        s.score = "$" + str(rec.total);
        s.panel[0] = "Distance Traveled: $" + str(rec.travel);
        s.panel[1] = "Trip Completed: $" + str(rec.trip);
        s.panel[2] = "Protections: $" + str(rec.protections);
        s.panel[3] = "Safe Trip: $" + str(rec.safe);
        s.panel[4] = "Shut Out: $" + str(rec.shutout);
        s.panel[5] = "+$" + str(rec.round);
    }
    for (int n = 1; n <= kPlayingSeats; ++n)
        if (state_.inGame[at(n)])
            view_.seats[at(n)].panelVisible = true;
    if (m.finisher != 0) {
        events_.log(nameOf(m.finisher) + " completed the mission!");
        events_.log("");
        auto& s = view_.seats[at(m.finisher)];
        s.nameColour = LabelColour::Lime;
        s.panelColour = LabelColour::Lime;
    } else {
        events_.log("No one was able to complete the mission.");
        events_.log("");
    }
    view_.turn.visible = false;
    events_.sound("roundover");
    finish();
}

void BoardModel::winner(const msg::Winner& m) {
    if (!isPlayingSeat(m.seat))
        return;
    const std::string& name = m.name;
    view_.turn.visible = false;
    events_.sound("gameover");
    view_.seats[at(m.seat)].winner = true;
    const bool player = isPlayingSeat(state_.mySeat);
    const bool ownWin = player && view_.seats[at(state_.mySeat)].name == name;
    events_.notice(ownWin ? "You have Won the Game!" : name + " has Won the Game!");
    events_.log("Game Over!");
    gamerunning_ = false;
    if (state_.isHost)
        view_.startVisible = true;
    if (player)
        events_.addGame(ownWin ? "addtomine" : name);
    finish();
}

} // namespace dw
