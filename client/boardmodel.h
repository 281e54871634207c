// The client board as plain data: the client's view of the game, what every
// board control shows, the handlers of the host's game commands, and the
// user's card selection and play.
//
// The widgets only draw what this model holds and forward every click to one
// of its operations; every output that leaves the board (status log lines,
// chat status lines, sounds, messages to the host, the tally, the spectator
// list, the settings load) goes through BoardEvents.
//
// Everything runs on the user-interface thread. Handlers take the decoded
// message and never trust it: a seat, place or card outside its range drops
// that one message and changes nothing (as does a malformed message, which
// never gets past decoding).
#pragma once

#include "client/layout.h"
#include "engine/gamebounds.h"
#include "engine/ship.h"
#include "protocol/messages.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// Seats 1..4 play; higher seats are spectators. Per-seat arrays have five
// entries so that they are indexed by the seat number (entry 0 unused).
inline constexpr int kPlayingSeats = layout::kSeats;
inline constexpr int kHighestSeat = 9;
inline constexpr int kHandPlaces = layout::kPlaces;

// The caption of an empty seat's name label.
inline constexpr std::string_view kWaiting = "<Waiting>";

// Colours of the board's texts, as 0x00BBGGRR values (the form colour
// strings and the chat view use).
enum class LabelColour { Yellow, Lime, Red };
constexpr std::uint32_t colourOf(LabelColour c) {
    switch (c) {
    case LabelColour::Lime:
        return 0x0000FF00u;
    case LabelColour::Red:
        return 0x000000FFu;
    case LabelColour::Yellow:
        break;
    }
    return 0x0000FFFFu;
}
inline constexpr std::uint32_t kInfoGrey = 0x00ADAE9Fu;      // information lines, "Discard"
inline constexpr std::uint32_t kStatusLogText = 0x0034CF30u; // memo_status, bold, on black
// The chat view's status colour, yellow.
inline constexpr std::uint32_t kStatusColour = 0x0000FFFFu;

// Hover hint of a seat's name label: its computer pilot's name ("" for any
// number that is not a playing seat).
std::string_view botHint(int seat);
// Hover hint of protection icon k (1..4), and of the grey strip behind them.
std::string_view protectionHint(int k);
inline constexpr std::string_view kNoProtectionHint = "No Protection";

// A pile or hand place shows either nothing or the picture of a card code
// 0..19 (0 is the plain black face of an empty place).
using Picture = std::optional<int>;

struct SeatDisplay {
    std::string name{kWaiting}; // label_playername: caption (hint: botHint)
    bool nameVisible = true;
    LabelColour nameColour = LabelColour::Yellow; // label_playername and label_score
    std::string score = "$0";                     // label_score
    bool scoreVisible = true;
    std::string miles = "0 lyrs"; // label_miles
    Picture speedPile;            // image_speed
    Picture goPile;               // image_go
    Picture milePile;             // image_mile
    std::array<bool, 5> safe{};   // image_safe<n><k>, k = 1..4
    bool target = false;          // image_target
    bool eyes = false;            // image_eyes
    bool notPlaying = false;      // image_notplaying (seats 3 and 4 only)
    bool panelVisible = false;    // panel_scores
    // label_smiles, label_scompleted, label_ssafes, label_ssafetrip,
    // label_sshutout, label_sturn
    std::array<std::string, 6> panel;
    LabelColour panelColour = LabelColour::Yellow;
    bool winner = false; // image_winner
};

// A hand place; where it stands on screen is its position in
// ClientState::handOrder.
struct HandPlace {
    int card = 0;    // card code; 0 = empty
    Picture picture; // what the place shows
    bool raised = false;
};

struct TurnDisplay {
    bool visible = false;
    int seat = 0;       // the column framed
    bool green = false; // picture 0 of the turn frames; red otherwise
};

// Everything the board's widgets draw.
struct BoardView {
    std::array<SeatDisplay, kPlayingSeats + 1> seats; // by seat number
    std::array<HandPlace, kHandPlaces + 1> hand;      // by place number
    Picture discard;
    TurnDisplay turn;
    std::string distance;    // label_distance
    std::string cardsLeft;   // label_cardsleft
    std::string playToScore; // label_playtoscore
    bool startVisible = false;
    bool justWatchChecked = false; // Options > "Just Watch"
    // The lit target that Enter plays on (keyboard play); it counts only
    // while that seat's marker is lit.
    int chosenTarget = 0;
};

// The client's own view of the game.
struct ClientState {
    int mySeat = 0;       // 1..4 player, 5..9 spectator, 0 before login
    int turnSeat = 0;     // the seat shown as playing; = mySeat while the user may play
    int selectedSlot = 0; // 1..7, 0 = none
    // Every ship as the plays the client was told of left it.
    std::array<Ship, kPlayingSeats + 1> ships{};
    std::array<bool, kPlayingSeats + 1> inGame{};
    std::array<int, kHandPlaces + 1> handOrder{0, 1, 2, 3, 4, 5, 6, 7}; // place at position p
    bool loggedIn = false;
    bool isHost = false;
    std::string playerName;
};

// Everything the board hands to the rest of the program.
class BoardEvents {
public:
    virtual ~BoardEvents() = default;
    // A line appended to the status log (memo_status).
    virtual void log(const std::string& line) = 0;
    // A status line of the client's own for the chat view, shown in
    // kStatusColour.
    virtual void notice(const std::string& text) = 0;
    // A game sound requested by name.
    virtual void sound(const std::string& name) = 0;
    // A complete message for the host; only called while logged in.
    virtual void send(const std::string& message) = 0;
    // Tally: set the own totals' cell of `column` to `value`.
    virtual void setOwnTallyCell(int column, const std::string& value) = 0;
    // Tally: record a finished game ("addtomine" for an own win, else the winner's name).
    virtual void addGame(const std::string& result) = 0;
    // Spectator list items ("seat: name").
    virtual void spyAdded(const std::string& item) = 0;
    virtual void spyRemoved(const std::string& item) = 0;
    // The host announced the own seat: read the settings now.
    virtual void loadSettings() = 0;
    // The model changed; the widgets may redraw.
    virtual void changed() {}
};

// Random integer 0..n-1 (n >= 1); used for the choice of the turn sound.
using RandomSource = std::function<int(int n)>;

class BoardModel {
public:
    // `events` must outlive the model. Without `random` a seeded generator is used.
    explicit BoardModel(BoardEvents& events, RandomSource random = {});

    const BoardView& view() const { return view_; }
    const ClientState& state() const { return state_; }
    // For the application (isHost, playerName at launch) and for tests.
    ClientState& state() { return state_; }

    // The own lightyears of the tally. The application sets it when the tally
    // is loaded or reset; each own lightyear play adds to it and reports the
    // new value with setOwnTallyCell(3, ...).
    void setOwnLightyears(std::int64_t ly) { ownlightyears_ = ly; }
    std::int64_t ownLightyears() const { return ownlightyears_; }

    // The spectator list, items "seat: name" in order of arrival.
    const std::vector<std::string>& spies() const { return spies_; }

    // Hands a host command to its board handler. Returns false for a word
    // that the board does not handle.
    bool handleCommand(std::string_view word, std::string_view payload);

    // Host commands.
    void loginAsked(const msg::SendLoginInfo& m);
    void playerJoined(const msg::NewPlayerInfo& m);
    void playerJoined(const msg::ExistingPlayers& m);
    void playerLeft(const msg::PlayerDisconnected& m);
    void watchingChanged(const msg::JustWatching& m);
    void gameStarted(const msg::StartGameAnnounce& m);
    void tableSnapshot(const msg::NewStats& m);
    // The piles of every ship and the discard pile, as everybody sees them;
    // after a snapshot. Drawn only while a game runs; a card that cannot lie
    // where the message puts it drops the whole message.
    void pilesShown(const msg::ShipCards& m);
    void roundStarted(const msg::StartingRound& m = {});
    void handDealt(const msg::MyCards& m);
    void nextPlayer(const msg::NextPlayer& m);
    void speedPilePlayed(const msg::PlacingSpeed& m);
    void goPilePlayed(const msg::PlacingGo& m);
    void travelled(const msg::Traveling& m);
    void shieldPlayed(const msg::PlaySafe& m);
    void heDiscarded(const msg::HeDiscard& m);
    void invalid(const msg::Invalid& m);
    void cannotMove(const msg::CannotMove& m);
    void scoresPosted(const msg::PostScores& m);
    void winner(const msg::Winner& m);
    // The host's rights (start, remove, just watch for others) are with
    // m.seat: this client shows the host's controls exactly while that is
    // its own seat.
    void hostRightsMoved(const msg::HostRights& m);
    // The host removed the player of m.seat: its departure, which follows,
    // is told as a removal.
    void removed(const msg::Removed& m);

    // This copy hosts the game: the start control shows while no game runs.
    void setHosting();
    // Back to a new window's board and client state, for a new connection
    // (the own tally lightyears stay).
    void reset();

    // Shared steps.
    void clearAll();
    void showTurn(int seat);
    void clearSlot(int place);

    // User actions.
    void onCardReleased(int place, bool rightButton);
    void onTargetClicked(int seat);
    void onDiscardClicked();
    void sortCards();

    // Keyboard play. A key selects a card in place of the one selected (a
    // click on a second card would exchange the two instead).
    // Keys 1..7: the card at that screen position.
    void selectPosition(int position);
    // Left (-1) and Right (+1): the card next to the selected one; with none
    // selected, the leftmost or the rightmost.
    void stepSelection(int step);
    // Up (-1) and Down (+1): the previous or next lit target, in seat order.
    void cycleTarget(int step);
    // Enter: plays the selected card on the chosen target.
    void playChosenTarget();
    // Escape: lowers the selected card and hides the targets.
    void deselect();
    void justWatch();
    void setToJustWatch(int seat);
    void unsetJustWatch(int seat);

    // The screen position (1 = leftmost) where hand place `place` stands.
    int positionOf(int place) const;

    // Which target markers selecting a card of code `card` lights (by seat).
    std::array<bool, kPlayingSeats + 1> targetsFor(int card) const;

private:
    // A card played on a ship's speed or go pile.
    struct PilePlay {
        int player;
        int card;
        int target;
    };
    // When the play is within range, hides the targets, draws the card on
    // the target's pile and takes it out of the own hand (place `place`).
    std::optional<PilePlay> pilePlay(const PilePlay& play, int place, Picture SeatDisplay::*pile);
    // Dispatch: decodes a payload as message M for its handler.
    template <class M, void (BoardModel::*Handle)(const M&)> void on(std::string_view payload);

    std::string nameOf(int seat) const;
    bool isMe(int seat) const;
    void hideTargets();
    void status(const std::string& text);
    void sendJustWatch(int seat, bool watch);
    void setCardsLeft(int taken);
    void swapPositions(int p, int q);
    void finish();

    BoardEvents& events_;
    RandomSource random_;
    ClientState state_;
    BoardView view_;
    std::vector<std::string> spies_;
    std::int64_t ownlightyears_ = 0;
    // A game runs (started or joined mid-game, no winner yet).
    bool gamerunning_ = false;
    // Seats the host has announced as removed, until their departure.
    std::array<bool, kPlayingSeats + 1> removed_{};
};

// The game options dialog's values.
class GameOptions {
public:
    static constexpr int kAmountMin = dw::kAmountMin;
    static constexpr int kAmountMax = dw::kAmountMax;
    static constexpr int kAmountStep = 500;
    static constexpr int kAmountStart = 5000;
    static constexpr int kDistanceMin = dw::kDistanceMin;
    static constexpr int kDistanceMax = dw::kDistanceMax;
    static constexpr int kDistanceStep = 10;
    static constexpr int kDistanceStart = 70;

    int amount() const { return amount_; }                                 // UpDown1
    int distance() const { return distance_; }                             // UpDown2
    std::string amountText() const { return std::to_string(amount_); }     // edit_playtoscore
    std::string distanceText() const { return std::to_string(distance_); } // edit_distance

    void amountUp();
    void amountDown();
    void distanceUp();
    void distanceDown();
    // Values restored from the settings, brought within range.
    void setAmount(int value);
    void setDistance(int value);

    // Tick boxes 3 and 4 (image_bot3, image_bot4): value 0 or 1, also the
    // index of the picture shown.
    int bot(int box) const;
    void onComputerBoxClicked(int box);
    // Sets the box named "image_bot3" or "image_bot4"; any other name is ignored.
    void setComputerBox(std::string_view control, int value);

    // The game start command for the host.
    std::string startCommand(std::string_view playerName) const;

private:
    int amount_ = kAmountStart;
    int distance_ = kDistanceStart;
    int bot3_ = 1;
    int bot4_ = 1;
};

} // namespace dw
