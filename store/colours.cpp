#include "store/colours.h"

#include <charconv>
#include <limits>

namespace dw {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool allOf(std::string_view s, bool (*pred)(char)) {
    for (char c : s)
        if (!pred(c))
            return false;
    return true;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

template <typename T> std::optional<T> parseWhole(std::string_view s, int base) {
    T v{};
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc{} || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

constexpr std::array<Rgb, kSystemColourCount> kSystemRgb{{
    {212, 208, 200}, // ScrollBar
    {58, 110, 165},  // Background
    {10, 36, 106},   // ActiveCaption
    {128, 128, 128}, // InactiveCaption
    {212, 208, 200}, // Menu
    {255, 255, 255}, // Window
    {0, 0, 0},       // WindowFrame
    {0, 0, 0},       // MenuText
    {0, 0, 0},       // WindowText
    {255, 255, 255}, // CaptionText
    {212, 208, 200}, // ActiveBorder
    {212, 208, 200}, // InactiveBorder
    {128, 128, 128}, // AppWorkSpace
    {10, 36, 106},   // Highlight
    {255, 255, 255}, // HighlightText
    {212, 208, 200}, // BtnFace
    {128, 128, 128}, // BtnShadow
    {128, 128, 128}, // GrayText
    {0, 0, 0},       // BtnText
    {212, 208, 200}, // InactiveCaptionText
    {255, 255, 255}, // BtnHighlight
    {64, 64, 64},    // DkShadow3D
    {212, 208, 200}, // Light3D
    {0, 0, 0},       // InfoText
    {255, 255, 225}, // InfoBk
}};

} // namespace

std::optional<std::uint32_t> colourFromString(std::string_view text) {
    for (const NamedColour& c : kNamedColours)
        if (equalsIgnoringCase(text, c.name))
            return c.value;
    for (std::size_t i = 0; i < kSystemColourNames.size(); ++i)
        if (equalsIgnoringCase(text, kSystemColourNames[i]))
            return kSystemColourBase + static_cast<std::uint32_t>(i);
    if (equalsIgnoringCase(text, "clNone"))
        return kColourNone;

    if (!text.empty() && text.front() == '$') {
        std::string_view digits = text.substr(1);
        if (digits.empty() || digits.size() > 8 || !allOf(digits, isHexDigit))
            return std::nullopt;
        return parseWhole<std::uint32_t>(digits, 16);
    }
    if (!text.empty() && text.front() == '-') {
        std::string_view digits = text.substr(1);
        if (digits.empty() || !allOf(digits, isDigit))
            return std::nullopt;
        auto v = parseWhole<std::int64_t>(text, 10);
        if (!v || *v < std::numeric_limits<std::int32_t>::min())
            return std::nullopt;
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(*v));
    }
    if (text.empty() || !allOf(text, isDigit))
        return std::nullopt;
    return parseWhole<std::uint32_t>(text, 10);
}

std::string colourToString(std::uint32_t colour) {
    for (const NamedColour& c : kNamedColours)
        if (c.value == colour)
            return std::string(c.name);
    if (auto sys = systemColourOf(colour))
        return std::string(kSystemColourNames[static_cast<std::size_t>(*sys)]);
    if (colour == kColourNone)
        return "clNone";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s(9, '$');
    for (int i = 0; i < 8; ++i)
        s[static_cast<std::size_t>(8 - i)] = kHex[(colour >> (4 * i)) & 0xF];
    return s;
}

std::optional<SystemColour> systemColourOf(std::uint32_t colour) {
    if (colour < kSystemColourBase || colour >= kSystemColourBase + kSystemColourCount)
        return std::nullopt;
    return static_cast<SystemColour>(colour - kSystemColourBase);
}

Rgb systemColourRgb(SystemColour c) {
    auto i = static_cast<std::size_t>(c);
    return i < kSystemRgb.size() ? kSystemRgb[i] : Rgb{};
}

Rgb colourToRgb(std::uint32_t colour) {
    if (auto sys = systemColourOf(colour))
        return systemColourRgb(*sys);
    return Rgb{static_cast<std::uint8_t>(colour & 0xFF),
               static_cast<std::uint8_t>((colour >> 8) & 0xFF),
               static_cast<std::uint8_t>((colour >> 16) & 0xFF)};
}

} // namespace dw
