// Card codes and the one table of card data shared by the engine and the
// client board.
#pragma once

#include <type_traits>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dw {

// Card codes as they travel in every command. 0 is an empty hand slot, a
// deck position whose card has been taken, or "no card".
inline constexpr int kNoCard = 0;
inline constexpr int kLy2500 = 1;
inline constexpr int kLy5000 = 2;
inline constexpr int kLy7500 = 3;
inline constexpr int kLy10000 = 4;
inline constexpr int kLy20000 = 5;
inline constexpr int kUndock = 6;
inline constexpr int kDock = 7;
inline constexpr int kSkyjack = 8;
inline constexpr int kReload = 9;
inline constexpr int kTeleport = 10;
inline constexpr int kWarp = 11;
inline constexpr int kDamage = 12;
inline constexpr int kRepair = 13;
inline constexpr int kPowerDrain = 14;
inline constexpr int kPower = 15;
inline constexpr int kSkyjackShield = 16;
inline constexpr int kTeleportShield = 17;
inline constexpr int kDamageShield = 18;
inline constexpr int kPowerShield = 19;

inline constexpr int kNumCardCodes = 20; // codes 0..19
inline constexpr int kDeckSize = 105;

// What kind of card a code is; the board frames each class in its colour.
enum class CardClass {
    None,      // code 0
    Lightyear, // cyan frame
    Remedy,    // UNDOCK and the repairs: green frame
    Attack,    // DOCK, the hazards and TELEPORT: red frame
    Shield,    // the four protections: yellow frame
};

struct CardInfo {
    std::string_view face; // the name printed on the card
    CardClass cls;
    int copies;     // copies in the deck
    int lightyears; // distance travelled, lightyear cards only
};

inline constexpr std::array<CardInfo, kNumCardCodes> kCards{{
    {"", CardClass::None, 0, 0},
    {"2500ly", CardClass::Lightyear, 10, 2500},
    {"5000ly", CardClass::Lightyear, 10, 5000},
    {"7500ly", CardClass::Lightyear, 10, 7500},
    {"10000ly", CardClass::Lightyear, 12, 10000},
    {"20000ly", CardClass::Lightyear, 4, 20000},
    {"Undock", CardClass::Remedy, 16, 0},
    {"Dock", CardClass::Attack, 3, 0},
    {"Skyjack", CardClass::Attack, 3, 0},
    {"Reload", CardClass::Remedy, 6, 0},
    {"Teleport", CardClass::Attack, 3, 0},
    {"Warp", CardClass::Remedy, 6, 0},
    {"Damage", CardClass::Attack, 3, 0},
    {"Repairs", CardClass::Remedy, 6, 0},
    {"Power Drain", CardClass::Attack, 3, 0},
    {"Power", CardClass::Remedy, 6, 0},
    {"Skyjack Shield", CardClass::Shield, 1, 0},
    {"Teleport Shield", CardClass::Shield, 1, 0},
    {"Damage Shield", CardClass::Shield, 1, 0},
    {"Power Shield", CardClass::Shield, 1, 0},
}};

// The data of a card code; code 0's entry for anything outside 0..19.
constexpr const CardInfo& cardInfo(int code) {
    return (code >= 0 && code < kNumCardCodes) ? kCards[static_cast<std::size_t>(code)] : kCards[0];
}

// 0xRRGGBB colour of the frame the board draws around a card of this class.
constexpr std::uint32_t cardFrameRgb(CardClass cls) {
    switch (cls) {
    case CardClass::Lightyear:
        return 0x00FFFF;
    case CardClass::Remedy:
        return 0x00FF00;
    case CardClass::Attack:
        return 0xFF0000;
    case CardClass::Shield:
        return 0xFFFF00;
    case CardClass::None:
        break;
    }
    return 0x000000;
}

constexpr bool isLightyear(int code) {
    return code >= kLy2500 && code <= kLy20000;
}
constexpr bool isShield(int code) {
    return code >= kSkyjackShield && code <= kPowerShield;
}
// The four protections, in the order of the shield cards, of a player's
// protection flags (entries 1..4) and of the snapshot's flags.
enum class Protection { Skyjacking = 1, Teleporting = 2, Damage = 3, PowerDrain = 4 };
inline constexpr int kProtections = 4;

// Index 1..4 of a protection in the flag arrays.
constexpr std::size_t slotOf(Protection p) {
    return static_cast<std::size_t>(p);
}

// Protection index 1..4 of a shield card (its code minus 15).
constexpr int protectionIndex(int shieldCode) {
    return shieldCode - 15;
}

// The hazards: attacks that stop a ship until repaired.
constexpr bool isHazard(int code) {
    return code == kSkyjack || code == kDamage || code == kPowerDrain;
}

// The repairs of the hazards.
constexpr bool isRepair(int code) {
    return code == kReload || code == kRepair || code == kPower;
}

// The protection index (1..4) that guards a ship against an attack card:
// SKYJACK, TELEPORT, DAMAGE or POWER DRAIN. 0 for any other card (DOCK has
// no guard).
constexpr int guardOf(int attack) {
    switch (attack) {
    case kSkyjack:
        return static_cast<int>(Protection::Skyjacking);
    case kTeleport:
        return static_cast<int>(Protection::Teleporting);
    case kDamage:
        return static_cast<int>(Protection::Damage);
    case kPowerDrain:
        return static_cast<int>(Protection::PowerDrain);
    default:
        return 0;
    }
}

// The shield card that guards against an attack card; kNoCard for others.
constexpr int shieldFor(int attack) {
    const int guard = guardOf(attack);
    return guard == 0 ? kNoCard : kSkyjackShield + guard - 1;
}

// Whether a hazard may be played on another pilot's ship: it stops a ship
// that is undocked and does not hold the protection against it. `guarded`
// answers whether the ship holds guardOf(hazard); it is asked only when that
// decides, which keeps the computer pilots' search cheap.
template <typename Guarded>
requires std::is_invocable_r_v<bool, Guarded>
constexpr bool hazardLands(bool undocked, Guarded guarded) {
    return undocked && !guarded();
}

// Whether an attack card may be played on another pilot's ship in the game:
// a hazard as above, DOCK stops a ship that is undocked, and TELEPORT sends
// one that is neither teleported already nor protected against it. False for
// every card that is not an attack.
template <typename Guarded>
requires std::is_invocable_r_v<bool, Guarded>
constexpr bool attackLands(int card, bool undocked, bool teleported, Guarded guarded) {
    if (isHazard(card))
        return hazardLands(undocked, guarded);
    if (card == kDock)
        return undocked;
    if (card == kTeleport)
        return !teleported && !guarded();
    return false;
}

constexpr bool attackLands(int card, bool undocked, bool teleported, bool guarded) {
    return attackLands(card, undocked, teleported, [guarded] { return guarded; });
}

// The repair card that mends a hazard; kNoCard for anything else.
constexpr int repairFor(int hazard) {
    switch (hazard) {
    case kSkyjack:
        return kReload;
    case kDamage:
        return kRepair;
    case kPowerDrain:
        return kPower;
    default:
        return kNoCard;
    }
}

// Which play command plays a card: lightyears travel (CMD_gomiles), TELEPORT
// and WARP go on the speed pile (CMD_placespeed), every other card on the go
// pile (CMD_placego).
enum class PlayCommand { None, GoMiles, PlaceGo, PlaceSpeed };
constexpr PlayCommand playCommand(int code) {
    if (isLightyear(code))
        return PlayCommand::GoMiles;
    if (code == kTeleport || code == kWarp)
        return PlayCommand::PlaceSpeed;
    if (code >= kUndock && code <= kPowerShield)
        return PlayCommand::PlaceGo;
    return PlayCommand::None;
}

// Why the host refuses a play. Each has the code CMD_invalid carries, the
// text the client shows for that code and the notice the host shows.
enum class Refusal {
    InvalidPlay,
    NotASpeedCard, // a speed play of a card that is neither TELEPORT nor WARP
    MustUndock,
    OnlyLightyears,
    WrongTarget,
    AlreadyUndocked,
    TooFast,
    FixDamageFirst,
    WrongRepair,
    NotUndocked,
    NoWarpNeeded,
    AlreadyTeleported,
    Safe,
    OutOfCommission,
};

struct RefusalInfo {
    int code;
    std::string_view text;   // shown by the client of the refused seat
    std::string_view notice; // shown on the host
};

inline constexpr std::array<RefusalInfo, 14> kRefusals{{
    {0, "Invalid Play", "error0"},
    {0, "Invalid Play", "error110"},
    {1, "You must be undocked in order to travel.", "error1"},
    {2, "You can only play lightyears here.", "error2"},
    {3, "You cannot play that card there.", "error3"},
    {4, "You are already undocked.", "error4"},
    {5, "You cannot travel that fast after teleporting.", "error5"},
    {6, "You must fix your damage before undocking.", "error6"},
    {7, "That card will not fix your problem.", "error7"},
    {8, "You cannot cause damage to a ship that is not undocked.", "error8"},
    {9, "You do not need Warp.", "error9"},
    {10, "That ship already has been teleported.", "error10"},
    {11, "That ship is SAFE from that hazard.", "error11"},
    {12, "That ship is out of commission.", "error12"},
}};

constexpr const RefusalInfo& refusalInfo(Refusal r) {
    return kRefusals[static_cast<std::size_t>(r)];
}

// The client's text for a code received in CMD_invalid; empty for a code
// the host never sends.
constexpr std::string_view refusalText(int code) {
    for (const RefusalInfo& r : kRefusals)
        if (r.code == code)
            return r.text;
    return {};
}

// Card code of the k-th card of the unsorted deck (k 1..105): the codes in
// ascending order, each repeated by its number of copies. 0 for any other k.
int unsortedCard(int k);

} // namespace dw
