// Card codes and the one table of card data shared by the engine and the
// client board.
#pragma once

#include <array>
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
// Protection index 1..4 of a shield card (its code minus 15).
constexpr int protectionIndex(int shieldCode) {
    return shieldCode - 15;
}

// Card code of the k-th card of the unsorted deck (k 1..105): the codes in
// ascending order, each repeated by its number of copies. 0 for any other k.
int getcardnum(int k);

} // namespace dw
