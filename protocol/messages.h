// Every protocol message as a struct, with its encoding and decoding. This is
// the one place where a command's fields, their order and the protocol's
// quirks are written down: names that may contain "+" as a last field or
// read from the right, a trailing "+" after the last field, repeating
// groups, and the empty message that follows a login.
//
// encode() gives the whole message, terminator included. decode() takes the
// payload (the text after the command word and its "+") and gives nothing
// when the fields are missing or a number is not a number. Ranges (which
// seats, which cards) are the receiver's business: the host and the client
// accept different ones.
#pragma once

#include "protocol/protocol.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dw::msg {

// ---------------------------------------------------------------- client to host

// Reply to SendLoginInfo. The name is the rest and may contain "+"; an
// empty message follows, so the login ends in two terminators.
struct LoginInfo {
    static constexpr std::string_view kWord = "CMD_logininfo";
    int seat = 0;
    std::string version;
    std::string name;
    std::string encode() const;
    static std::optional<LoginInfo> decode(std::string_view payload);
    bool operator==(const LoginInfo&) const = default;
};

// A chat line. From a client: the text, "|" and the colour. From the host:
// the sender's name and " chats: " in front of that.
struct Chat {
    static constexpr std::string_view kWord = "CMD_chat";
    int seat = 0;
    std::string line; // the rest; may contain "+"
    std::string encode() const;
    static std::optional<Chat> decode(std::string_view payload);
    bool operator==(const Chat&) const = default;
};

// An action line ("/me" lines and phrases); as Chat, with the sender's name
// and a space in front when the host relays it.
struct Action {
    static constexpr std::string_view kWord = "CMD_action";
    int seat = 0;
    std::string line; // the rest; may contain "+"
    std::string encode() const;
    static std::optional<Action> decode(std::string_view payload);
    bool operator==(const Action&) const = default;
};

// The text of a chat or action as the sender writes it: what was typed, "|"
// and the sender's colour string (store/colours.h reads it). The typed text
// may hold "|" itself, so the colour is what follows the last one.
std::string colouredText(std::string_view typed, std::string_view colour);
struct ColouredText {
    std::string typed;
    std::optional<std::string> colour; // nothing when there is no "|"
    bool operator==(const ColouredText&) const = default;
};
ColouredText splitColour(std::string_view line);

// A chat or action as the host relays it: the sender's name, " chats: " (a
// chat) or one space (an action), then the coloured text as it was sent.
// The name is not marked off, so the sender is what precedes the first
// " chats: " or the first space; a line without one has no sender.
struct RelayedLine {
    std::string sender;
    ColouredText said;
    bool operator==(const RelayedLine&) const = default;
};
RelayedLine relayed(const Chat& m);
RelayedLine relayed(const Action& m);
// The same, written by the host: what `seat`, called `sender`, sent.
Chat relayedChat(int seat, std::string_view sender, std::string_view sent);
Action relayedAction(int seat, std::string_view sender, std::string_view sent);

// A chatter sound ("wave1".."wave20"), both ways.
struct PlayASound {
    static constexpr std::string_view kWord = "CMD_playasound";
    int seat = 0;
    std::string sound;
    std::string encode() const;
    static std::optional<PlayASound> decode(std::string_view payload);
    bool operator==(const PlayASound&) const = default;
};

// The host's own player removes the player or spectator in `target`.
struct KickHim {
    static constexpr std::string_view kWord = "CMD_kickhim";
    int sender = 0;
    int target = 0;
    std::string encode() const;
    static std::optional<KickHim> decode(std::string_view payload);
    bool operator==(const KickHim&) const = default;
};

// Switches a seat to just watching ("1") or back to playing ("2").
struct JustWatch {
    static constexpr std::string_view kWord = "CMD_justwatch";
    int seat = 0;
    bool watch = false;
    std::string encode() const;
    static std::optional<JustWatch> decode(std::string_view payload);
    bool operator==(const JustWatch&) const = default;
};

// The game options as the hosting player confirmed them. Amount and distance
// (in thousands of lightyears) travel as typed; the host reads the numbers.
// Missing fields decode as empty, so any payload asks for a game.
struct StartGameRequest {
    static constexpr std::string_view kWord = "CMD_startgame";
    std::string starter;
    std::string amount;
    std::string distance;
    bool bot3 = true; // false only for a field "0"
    bool bot4 = true;
    std::string encode() const;
    static StartGameRequest decode(std::string_view payload);
    bool operator==(const StartGameRequest&) const = default;
};

// The plays of the seat whose turn it is.
struct Discard {
    static constexpr std::string_view kWord = "CMD_discard";
    int seat = 0;
    int slot = 0;
    std::string encode() const;
    static std::optional<Discard> decode(std::string_view payload);
    bool operator==(const Discard&) const = default;
};

struct GoMiles {
    static constexpr std::string_view kWord = "CMD_gomiles";
    int seat = 0;
    int slot = 0;
    std::string encode() const;
    static std::optional<GoMiles> decode(std::string_view payload);
    bool operator==(const GoMiles&) const = default;
};

struct PlaceGo {
    static constexpr std::string_view kWord = "CMD_placego";
    int seat = 0;
    int slot = 0;
    int target = 0;
    std::string encode() const;
    static std::optional<PlaceGo> decode(std::string_view payload);
    bool operator==(const PlaceGo&) const = default;
};

struct PlaceSpeed {
    static constexpr std::string_view kWord = "CMD_placespeed";
    int seat = 0;
    int slot = 0;
    int target = 0;
    std::string encode() const;
    static std::optional<PlaceSpeed> decode(std::string_view payload);
    bool operator==(const PlaceSpeed&) const = default;
};

// A new connection in `entry` asks for its old seat back with the seat's key.
struct Reclaim {
    static constexpr std::string_view kWord = "CMD_reclaim";
    int entry = 0;
    int seat = 0;
    std::string key;
    std::string encode() const;
    static std::optional<Reclaim> decode(std::string_view payload);
    bool operator==(const Reclaim&) const = default;
};

// ---------------------------------------------------------------- host to clients

// The seat given to a new connection.
struct SendLoginInfo {
    static constexpr std::string_view kWord = "CMD_sendlogininfo";
    int seat = 0;
    std::string encode() const;
    static std::optional<SendLoginInfo> decode(std::string_view payload);
    bool operator==(const SendLoginInfo&) const = default;
};

// Nine connections are live; this one is closed.
struct Full {
    static constexpr std::string_view kWord = "CMD_full";
    std::string encode() const;
    static std::optional<Full> decode(std::string_view payload);
    bool operator==(const Full&) const = default;
};

// A player or spectator arrived (to everybody) or was already there (to a
// newcomer), or left. The name is the rest and may contain "+".
struct NewPlayerInfo {
    static constexpr std::string_view kWord = "CMD_newplayerinfo";
    int seat = 0;
    std::string name;
    std::string encode() const;
    static std::optional<NewPlayerInfo> decode(std::string_view payload);
    bool operator==(const NewPlayerInfo&) const = default;
};

struct ExistingPlayers {
    static constexpr std::string_view kWord = "CMD_existingplayers";
    int seat = 0;
    std::string name;
    std::string encode() const;
    static std::optional<ExistingPlayers> decode(std::string_view payload);
    bool operator==(const ExistingPlayers&) const = default;
};

struct PlayerDisconnected {
    static constexpr std::string_view kWord = "CMD_playerdisconnected";
    int seat = 0;
    std::string name;
    std::string encode() const;
    static std::optional<PlayerDisconnected> decode(std::string_view payload);
    bool operator==(const PlayerDisconnected&) const = default;
};

// To the host's own client: a newcomer logged in with another version.
struct HaveWrongVersion {
    static constexpr std::string_view kWord = "CMD_havewrongversion";
    std::string name; // the whole payload
    std::string encode() const;
    static std::optional<HaveWrongVersion> decode(std::string_view payload);
    bool operator==(const HaveWrongVersion&) const = default;
};

// To that newcomer.
struct WrongVersion {
    static constexpr std::string_view kWord = "CMD_wrongversion";
    std::string encode() const;
    static std::optional<WrongVersion> decode(std::string_view payload);
    bool operator==(const WrongVersion&) const = default;
};

// One seat of a game snapshot.
struct SeatStats {
    int seat = 0;
    int total = 0;
    bool active = false;
    bool undocked = false;
    bool teleported = false;
    int distance = 0;
    int hazard = 0;
    std::array<bool, 4> protections{}; // Skyjacking, Teleporting, Damage, Power Drain
    bool operator==(const SeatStats&) const = default;
};

// The game as it stands, for a newcomer during a game: up to four seats.
struct NewStats {
    static constexpr std::string_view kWord = "CMD_newstats";
    int seat = 0;         // the newcomer
    int turn = 0;         // the seat whose turn it is
    bool waiting = false; // the host waits for that seat's play
    int amount = 0;       // amount to earn
    int taken = 0;        // cards taken from the deck
    int distance = 0;     // trip distance in lightyears
    std::vector<SeatStats> seats;
    std::string encode() const;
    static std::optional<NewStats> decode(std::string_view payload);
    bool operator==(const NewStats&) const = default;
};

// A seat's hand: (slot, card) pairs.
struct MyCards {
    static constexpr std::string_view kWord = "CMD_mycards";
    // More pairs than this make the message malformed.
    static constexpr std::size_t kMaxPairs = 64;
    int seat = 0;
    std::vector<std::pair<int, int>> cards;
    std::string encode() const;
    static std::optional<MyCards> decode(std::string_view payload);
    bool operator==(const MyCards&) const = default;
};

struct JustWatching {
    static constexpr std::string_view kWord = "CMD_justwatching";
    int seat = 0;
    bool watching = false; // "1"; any other flag reads as playing again
    std::string encode() const;
    static std::optional<JustWatching> decode(std::string_view payload);
    bool operator==(const JustWatching&) const = default;
};

// A game starts. The starter's name may contain "+": the four fixed fields
// are read from the right.
struct StartGameAnnounce {
    static constexpr std::string_view kWord = "CMD_startgame";
    std::string starter;
    int amount = 0;
    int distance = 0;  // lightyears
    bool seat3 = true; // "t"; "f" = out of the game
    bool seat4 = true;
    std::string encode() const;
    static std::optional<StartGameAnnounce> decode(std::string_view payload);
    bool operator==(const StartGameAnnounce&) const = default;
};

struct StartingRound {
    static constexpr std::string_view kWord = "CMD_startinground";
    std::string encode() const;
    static std::optional<StartingRound> decode(std::string_view payload);
    bool operator==(const StartingRound&) const = default;
};

// A turn begins. Slot and card are 0 except to the seat whose turn it is.
struct NextPlayer {
    static constexpr std::string_view kWord = "CMD_nextplayer";
    int seat = 0;
    int slot = 0;
    int card = 0;
    int taken = 0;
    std::string encode() const;
    static std::optional<NextPlayer> decode(std::string_view payload);
    bool operator==(const NextPlayer&) const = default;
};

struct CannotMove {
    static constexpr std::string_view kWord = "CMD_cannotmove";
    int seat = 0;
    std::string encode() const;
    static std::optional<CannotMove> decode(std::string_view payload);
    bool operator==(const CannotMove&) const = default;
};

struct HeDiscard {
    static constexpr std::string_view kWord = "CMD_hediscard";
    int seat = 0;
    int slot = 0;
    int card = 0;
    std::string encode() const;
    static std::optional<HeDiscard> decode(std::string_view payload);
    bool operator==(const HeDiscard&) const = default;
};

// A refused play, with its refusal code.
struct Invalid {
    static constexpr std::string_view kWord = "CMD_invalid";
    int seat = 0;
    int code = 0;
    std::string encode() const;
    static std::optional<Invalid> decode(std::string_view payload);
    bool operator==(const Invalid&) const = default;
};

struct Traveling {
    static constexpr std::string_view kWord = "CMD_traveling";
    int seat = 0;
    int distance = 0; // travelled this round, after the play
    int card = 0;
    int slot = 0;
    int added = 0; // lightyears
    std::string encode() const;
    static std::optional<Traveling> decode(std::string_view payload);
    bool operator==(const Traveling&) const = default;
};

struct PlacingGo {
    static constexpr std::string_view kWord = "CMD_placinggo";
    int seat = 0;
    int card = 0;
    int slot = 0;
    int target = 0;
    std::string encode() const;
    static std::optional<PlacingGo> decode(std::string_view payload);
    bool operator==(const PlacingGo&) const = default;
};

struct PlacingSpeed {
    static constexpr std::string_view kWord = "CMD_placingspeed";
    int seat = 0;
    int card = 0;
    int slot = 0;
    int target = 0;
    std::string encode() const;
    static std::optional<PlacingSpeed> decode(std::string_view payload);
    bool operator==(const PlacingSpeed&) const = default;
};

struct PlaySafe {
    static constexpr std::string_view kWord = "CMD_playsafe";
    int seat = 0;
    int card = 0;
    int slot = 0;
    int effect = 0; // 0 none, 1 the ship moves again, 2 the teleport ends
    std::string encode() const;
    static std::optional<PlaySafe> decode(std::string_view payload);
    bool operator==(const PlaySafe&) const = default;
};

// One seat's round score.
struct SeatScore {
    int seat = 0;
    int total = 0;
    int round = 0;
    int travel = 0; // distance / 100
    int trip = 0;   // 400 or 0
    int safe = 0;   // 300 or 0
    int protections = 0;
    int shutout = 0; // 500 or 0
    bool operator==(const SeatScore&) const = default;
};

struct PostScores {
    static constexpr std::string_view kWord = "CMD_postscores";
    int finisher = 0; // the seat that completed the trip, 0 if none
    std::vector<SeatScore> seats;
    std::string encode() const;
    static std::optional<PostScores> decode(std::string_view payload);
    bool operator==(const PostScores&) const = default;
};

// The winner's name may contain "+": the seat is read from the right.
struct Winner {
    static constexpr std::string_view kWord = "CMD_winner";
    std::string name;
    int seat = 0;
    std::string encode() const;
    static std::optional<Winner> decode(std::string_view payload);
    bool operator==(const Winner&) const = default;
};

// Seat keys and rejoining: to a login's connection alone, its seat's key.
struct SeatKey {
    static constexpr std::string_view kWord = "CMD_seatkey";
    int seat = 0;
    std::string key;
    std::string encode() const;
    static std::optional<SeatKey> decode(std::string_view payload);
    bool operator==(const SeatKey&) const = default;
};

// A reclaim was refused; the connection stays a newcomer in `entry`.
struct ReclaimRefused {
    static constexpr std::string_view kWord = "CMD_reclaimrefused";
    int entry = 0;
    std::string encode() const;
    static std::optional<ReclaimRefused> decode(std::string_view payload);
    bool operator==(const ReclaimRefused&) const = default;
};

// The host ends; its connections close right after.
struct HostClosing {
    static constexpr std::string_view kWord = "CMD_hostclosing";
    std::string encode() const;
    static std::optional<HostClosing> decode(std::string_view payload);
    bool operator==(const HostClosing&) const = default;
};

// The host removed the player of `seat`; its connection closes right after.
struct Removed {
    static constexpr std::string_view kWord = "CMD_removed";
    int seat = 0;
    std::string encode() const;
    static std::optional<Removed> decode(std::string_view payload);
    bool operator==(const Removed&) const = default;
};

// The host's rights (start, remove, just watch for others) are with `seat`.
struct HostRights {
    static constexpr std::string_view kWord = "CMD_hostrights";
    int seat = 0;
    std::string encode() const;
    static std::optional<HostRights> decode(std::string_view payload);
    bool operator==(const HostRights&) const = default;
};

// What one ship shows everybody: the top card of each pile and the shields
// it holds, as card codes (0 = nothing there).
struct ShipShow {
    int seat = 0;
    int speed = 0;                // TELEPORT or WARP
    int go = 0;                   // UNDOCK, DOCK, a hazard or a repair
    int miles = 0;                // the lightyear card last played this round
    std::array<int, 4> shields{}; // Skyjacking, Teleporting, Damage, Power Drain
    bool operator==(const ShipShow&) const = default;
};

// After the snapshot, to a connection that joins or takes its seat back
// during a game: the board as everybody else sees it, so that the newcomer
// draws the piles the snapshot cannot tell. Peers that do not know the word
// ignore it.
struct ShipCards {
    static constexpr std::string_view kWord = "CMD_shipcards";
    int discard = 0;             // top card of the discard pile, 0 = empty
    std::vector<ShipShow> ships; // at most four
    std::string encode() const;
    static std::optional<ShipCards> decode(std::string_view payload);
    bool operator==(const ShipCards&) const = default;
};

// A whole message (word, "+", payload; terminators are ignored) as message M, or
// nothing when it is another command or malformed.
template <class M> std::optional<M> decodeMessage(std::string_view message) {
    while (!message.empty() && message.back() == kTerminator)
        message.remove_suffix(1);
    const Command c = splitCommand(message);
    if (c.word != M::kWord)
        return std::nullopt;
    return std::optional<M>(M::decode(c.payload));
}

} // namespace dw::msg
