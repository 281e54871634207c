// The round scores and the winner, as the host announces them.
#include "board/boardinternal.h"
#include "board/boardmodel.h"

#include <algorithm>

namespace dw {

using namespace boardinternal;

// ---------------------------------------------------------------- scores

void BoardModel::postscores(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto finisher = r.number(0, kPlayingSeats);
    if (!finisher)
        return;
    struct Record {
        int seat;
        std::array<std::string_view, 7>
            v; // total, round, distance, trip, safe, protections, shutout
    };
    std::vector<Record> records;
    while (!r.atEnd()) {
        Record rec{};
        const auto seat = seatField(r);
        if (!seat || records.size() >= kPlayingSeats)
            return;
        rec.seat = *seat;
        for (auto& field : rec.v) {
            const auto t = r.text();
            if (!t)
                return;
            field = *t;
        }
        records.push_back(rec);
    }
    for (int n = 1; n <= kPlayingSeats; ++n) {
        auto& s = view_.seats[at(n)];
        for (auto& text : s.panel)
            text.clear();
        s.target = false;
        s.nameColour = LabelColour::Yellow;
        s.panelColour = LabelColour::Yellow;
    }
    for (const Record& rec : records) {
        auto& s = view_.seats[at(rec.seat)];
        const auto str = [](std::string_view v) { return std::string(v); };
        s.score = "$" + str(rec.v[0]);
        s.panel[0] = "Distance Traveled: $" + str(rec.v[2]);
        s.panel[1] = "Trip Completed: $" + str(rec.v[3]);
        s.panel[2] = "Protections: $" + str(rec.v[5]);
        s.panel[3] = "Safe Trip: $" + str(rec.v[4]);
        s.panel[4] = "Shut Out: $" + str(rec.v[6]);
        s.panel[5] = "+$" + str(rec.v[1]);
    }
    for (int n = 1; n <= kPlayingSeats; ++n)
        if (state_.ingame[at(n)])
            view_.seats[at(n)].panelVisible = true;
    if (*finisher != 0) {
        events_.log(nameOf(*finisher) + " completed the mission!");
        events_.log("");
        auto& s = view_.seats[at(*finisher)];
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

void BoardModel::winner(std::string_view payload) {
    // The name may contain "+": the seat is taken from the end.
    const auto f = splitFromRight(payload, 1);
    if (!f)
        return;
    const auto seat = parseNumber((*f)[1]);
    if (!seat || !isPlayingSeat(*seat))
        return;
    const std::string name((*f)[0]);
    view_.turn.visible = false;
    events_.sound("gameover");
    view_.seats[at(*seat)].winner = true;
    const bool player = isPlayingSeat(state_.myseat);
    const bool ownWin = player && view_.seats[at(state_.myseat)].name == name;
    events_.chatLine(ownWin ? "0+You have Won the Game!" : "0+" + name + " has Won the Game!",
                     kStatusColour);
    events_.log("Game Over!");
    if (state_.ishost)
        view_.startVisible = true;
    if (player)
        events_.addgame(ownWin ? "addtomine" : name);
    finish();
}

} // namespace dw
