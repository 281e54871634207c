// The client board as plain data: the client's view of the game, what every
// board control shows, the handlers of the host's game commands, and the
// user's card selection and play.
//
// The widgets only draw what this model holds and forward every click to one
// of its operations; every output that leaves the board (status log lines,
// chat status lines, sounds, messages to the host, the tally, the spectator
// list, the settings load) goes through BoardEvents.
//
// Everything runs on the user-interface thread. Handlers take the text after
// "CMD_xxx+" and never trust it: a malformed field, or a seat, place, card or
// flag outside its range, drops that one message and changes nothing.
#pragma once

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
inline constexpr int kPlayingSeats = 4;
inline constexpr int kHighestSeat = 9;
inline constexpr int kHandPlaces = 7;

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

// Where the board's controls stand, in pixels of the 790 by 529 client area.
// Per-seat controls stand at a fixed offset from their seat's name label.
namespace layout {
inline constexpr int kClientWidth = 790;
inline constexpr int kClientHeight = 529;
inline constexpr int kBackgroundWidth = 794;
inline constexpr int kBackgroundHeight = 531;

inline constexpr std::array<int, kPlayingSeats + 1> kNameX{0, 18, 214, 411, 607};
inline constexpr int kNameY = 11;
inline constexpr int kScoreDx = 151 - 18; // label_score
inline constexpr int kScoreY = 11;
inline constexpr int kSafeDx = 38 - 18; // first protection icon; then steps of kSafeStep
inline constexpr int kSafeY = 51;
inline constexpr int kSafeStep = 32;
inline constexpr int kSafeStripWidth = 126; // the grey "No Protection" strip
inline constexpr int kSafeStripHeight = 24;
inline constexpr int kSpeedPileDx = 24 - 18;
inline constexpr int kGoPileDx = 80 - 18;
inline constexpr int kMilePileDx = 136 - 18;
inline constexpr int kPileY = 80;
inline constexpr int kCardWidth = 44; // piles and hand places
inline constexpr int kCardHeight = 62;
inline constexpr int kTargetDx = 65 - 18;
inline constexpr int kTargetY = 105;
inline constexpr int kTargetWidth = 74;
inline constexpr int kTargetHeight = 57;
inline constexpr int kMilesDx = 55 - 18; // label_miles
inline constexpr int kMilesY = 161;
inline constexpr int kEyesDx = 19 - 18;
inline constexpr int kEyesY = 143;
inline constexpr int kNotPlayingDx = 5; // banners of seats 3 and 4
inline constexpr int kNotPlayingY = 90;
inline constexpr int kNotPlayingWidth = 174;
inline constexpr int kNotPlayingHeight = 46;
inline constexpr int kPanelDx = 12 - 18; // panel_scores
inline constexpr int kPanelY = 32;
inline constexpr int kPanelWidth = 185;
inline constexpr int kPanelHeight = 150;
// Inside the score panel: all labels at x 22; the six labels' tops in the
// order of SeatDisplay::panel, then the winner badge.
inline constexpr int kPanelLabelX = 22;
inline constexpr std::array<int, 6> kPanelLabelY{5, 26, 50, 74, 98, 124};
inline constexpr int kWinnerY = 40;
inline constexpr int kWinnerWidth = 140;
inline constexpr int kWinnerHeight = 41;
// The turn frame stands 5 pixels left of the turn seat's name label.
inline constexpr int kTurnDx = -5;
inline constexpr int kTurnY = 33;
inline constexpr int kTurnWidth = 184;
inline constexpr int kTurnHeight = 148;

// Hand: left edge of screen position p (1 = leftmost).
inline constexpr std::array<int, kHandPlaces + 1> kHandX{0, 42, 101, 160, 219, 278, 337, 396};
inline constexpr int kHandLoweredY = 197;
inline constexpr int kHandRaisedY = 193;

inline constexpr int kDiscardX = 470;
inline constexpr int kDiscardY = 192;
inline constexpr int kInfoX = 533;
inline constexpr int kDistanceY = 195;
inline constexpr int kCardsLeftY = 216;
inline constexpr int kPlayToScoreY = 244;
inline constexpr int kStartX = 560;
inline constexpr int kStartY = 235;
inline constexpr int kStartWidth = 148;
inline constexpr int kStartHeight = 32;
inline constexpr int kStatusX = 558;
inline constexpr int kStatusY = 274;
inline constexpr int kStatusWidth = 226;
inline constexpr int kStatusHeight = 216;
} // namespace layout

// Hover hint of a seat's name label: its computer pilot's name ("" for seat 1
// and for any number that is not a playing seat).
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

struct HandPlace {
    int card = 0;    // card code; 0 = empty
    Picture picture; // what the place shows
    bool raised = false;
    int left = 0; // left edge, one of layout::kHandX
    int top() const { return raised ? layout::kHandRaisedY : layout::kHandLoweredY; }
};

struct TurnDisplay {
    bool visible = false;
    int left = 0;
    int top = layout::kTurnY;
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
};

// The client's own view of the game.
struct ClientState {
    int myseat = 0;       // 1..4 player, 5..9 spectator, 0 before login
    int turnseat = 0;     // the seat shown as playing; = myseat while the user may play
    int selectedslot = 0; // 1..7, 0 = none
    // shipstate codes: 0 docked, 1 moving, 2 skyjacked, 3 reloaded, 5 damaged,
    // 6 repaired, 7 power drained, 8 power restored.
    std::array<int, kPlayingSeats + 1> shipstate{};
    std::array<int, kPlayingSeats + 1> warpdamage{};
    std::array<bool, kPlayingSeats + 1> ingame{};
    std::array<int, kHandPlaces + 1> handorder{0, 1, 2, 3, 4, 5, 6, 7}; // place at position p
    bool loggedin = false;
    bool ishost = false;
    std::string playername;
};

// Everything the board hands to the rest of the program.
class BoardEvents {
public:
    virtual ~BoardEvents() = default;
    // A line appended to the status log (memo_status).
    virtual void log(const std::string& line) = 0;
    // A chat view line, "0+..." for the client's own status lines.
    virtual void chatLine(const std::string& line, std::uint32_t colour) = 0;
    // A game sound requested by name.
    virtual void sound(const std::string& name) = 0;
    // A complete message for the host; only called while logged in.
    virtual void send(const std::string& message) = 0;
    // Tally: set the own totals' cell of `column` to `value`.
    virtual void addtomineset(int column, const std::string& value) = 0;
    // Tally: record a finished game ("addtomine" for an own win, else the winner's name).
    virtual void addgame(const std::string& result) = 0;
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
    // For the application (ishost, playername at launch) and for tests.
    ClientState& state() { return state_; }

    // The own lightyears of the tally. The application sets it when the tally
    // is loaded or reset; each own lightyear play adds to it and reports the
    // new value with addtomineset(3, ...).
    void setOwnLightyears(std::int64_t ly) { ownlightyears_ = ly; }
    std::int64_t ownLightyears() const { return ownlightyears_; }

    // The spectator list, items "seat: name" in order of arrival.
    const std::vector<std::string>& spies() const { return spies_; }

    // Hands a host command to its board handler. Returns false for a word
    // that the board does not handle.
    bool handleCommand(std::string_view word, std::string_view payload);

    // Host commands (payload = text after "CMD_xxx+").
    void sendloginfo(std::string_view payload);
    void newplayerinfo(std::string_view payload); // also CMD_existingplayers
    void playerdisconnected(std::string_view payload);
    void justwatching(std::string_view payload);
    void startthegame(std::string_view payload);
    void newstats(std::string_view payload);
    void startinground();
    void mycards(std::string_view payload);
    void getnextplayer(std::string_view payload);
    void placingspeed(std::string_view payload);
    void placinggo(std::string_view payload);
    void traveling(std::string_view payload);
    void playsafe(std::string_view payload);
    void hediscard(std::string_view payload);
    void invalid(std::string_view payload);
    void cannotmove(std::string_view payload);
    void postscores(std::string_view payload);
    void winner(std::string_view payload);

    // This copy hosts the game: the start control shows while no game runs.
    void setHosting();
    // Back to a new window's board and client state, for a new connection
    // (the own tally lightyears stay).
    void reset();

    // Shared steps.
    void clearall();
    void showturn(int seat);
    void clearslot(int place);

    // User actions.
    void card1MouseUp(int place, bool rightButton);
    void image_target1Click(int seat);
    void image_discardClick();
    void sortcards();
    void JustWatch1Click();
    void SettoJustWatch1Click(int seat);
    void UnsetJustWatch1Click(int seat);

    // Which target markers selecting a card of code `card` lights (by seat).
    std::array<bool, kPlayingSeats + 1> targetsFor(int card) const;

private:
    // A card played on a ship's speed or go pile.
    struct PilePlay {
        int player;
        int card;
        int target;
    };
    // Reads such a play; when it is well formed, hides the targets, draws
    // the card on the target's pile and takes it out of the own hand.
    std::optional<PilePlay> pilePlay(std::string_view payload, Picture SeatDisplay::*pile);

    std::string nameOf(int seat) const;
    bool isMe(int seat) const;
    void hideTargets();
    void status(const std::string& text);
    void sendJustWatch(int seat, const char* flag);
    void setCardsLeft(int taken);
    void swapPositions(int p, int q);
    void finish();

    BoardEvents& events_;
    RandomSource random_;
    ClientState state_;
    BoardView view_;
    std::vector<std::string> spies_;
    std::int64_t ownlightyears_ = 0;
};

// The game options dialog's values.
class GameOptions {
public:
    static constexpr int kAmountMin = 1000;
    static constexpr int kAmountMax = 10000;
    static constexpr int kAmountStep = 500;
    static constexpr int kAmountStart = 5000;
    static constexpr int kDistanceMin = 50;
    static constexpr int kDistanceMax = 100;
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
    void image_bot3Click(int box);
    // Sets the box named "image_bot3" or "image_bot4"; any other name is ignored.
    void changebox(std::string_view control, int value);

    // The game start command for the host.
    std::string startCommand(std::string_view playername) const;

private:
    int amount_ = kAmountStart;
    int distance_ = kDistanceStart;
    int bot3_ = 1;
    int bot4_ = 1;
};

} // namespace dw
