// Colours as the settings file and the chat protocol write them.
//
// A colour is a 32-bit value. Plain colours hold red in the lowest byte, then
// green, then blue (0x00BBGGRR). 0x80000000 plus an index 0..24 stands for one
// of the desktop's system colours, and 0x1FFFFFFF is "clNone".
//
// The text form is a colour name ("clSilver", "clBtnFace") or "$" followed by
// exactly eight upper-case hexadecimal digits.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dw {

inline constexpr std::uint32_t kColourBlack = 0x00000000;
inline constexpr std::uint32_t kColourRed = 0x000000FF;
inline constexpr std::uint32_t kColourYellow = 0x0000FFFF;
inline constexpr std::uint32_t kColourSilver = 0x00C0C0C0;
inline constexpr std::uint32_t kColourNone = 0x1FFFFFFF;
inline constexpr std::uint32_t kSystemColourBase = 0x80000000;
inline constexpr int kSystemColourCount = 25;

struct NamedColour {
    std::string_view name;
    std::uint32_t value;
};

// The sixteen plain named colours.
inline constexpr std::array<NamedColour, 16> kNamedColours{{
    {"clBlack", 0x00000000},
    {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},
    {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},
    {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},
    {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},
    {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},
    {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},
    {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},
    {"clWhite", 0x00FFFFFF},
}};

// The desktop's system colours, in index order: the value of each is
// kSystemColourBase + its index.
enum class SystemColour : std::uint8_t {
    ScrollBar,
    Background,
    ActiveCaption,
    InactiveCaption,
    Menu,
    Window,
    WindowFrame,
    MenuText,
    WindowText,
    CaptionText,
    ActiveBorder,
    InactiveBorder,
    AppWorkSpace,
    Highlight,
    HighlightText,
    BtnFace,
    BtnShadow,
    GrayText,
    BtnText,
    InactiveCaptionText,
    BtnHighlight,
    DkShadow3D,
    Light3D,
    InfoText,
    InfoBk,
};

// Names of the system colours, indexed by SystemColour.
inline constexpr std::array<std::string_view, kSystemColourCount> kSystemColourNames{
    "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
    "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
    "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
    "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
    "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
    "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
    "clInfoBk",
};

constexpr std::uint32_t systemColourValue(SystemColour c) {
    return kSystemColourBase + static_cast<std::uint32_t>(c);
}

// Reads a colour string: a colour name (any letter case), "$" and one to
// eight hexadecimal digits, or a decimal integer (an optional "-" for the
// signed 32-bit form, so "-2147483648" is clScrollBar). Surrounding blanks,
// "+" signs, "0x" prefixes, trailing text and values beyond 32 bits are
// refused.
std::optional<std::uint32_t> colourFromString(std::string_view text);

// Writes a colour: its name when it has one, otherwise "$" and eight
// upper-case hexadecimal digits.
std::string colourToString(std::uint32_t colour);

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The colour value of a plain RGB colour.
constexpr std::uint32_t colourFromRgb(Rgb c) {
    return static_cast<std::uint32_t>(c.red) | (static_cast<std::uint32_t>(c.green) << 8) |
           (static_cast<std::uint32_t>(c.blue) << 16);
}

// The system colour a value stands for, if any (0x80000000 + 0..24).
std::optional<SystemColour> systemColourOf(std::uint32_t colour);

// A fixed stand-in for each system colour: the classic light desktop scheme
// (grey buttons, white windows, black text, navy highlight, pale yellow tips).
// The window side may prefer the running desktop's palette; a fitting role
// for each: Window -> Base; Background, AppWorkSpace -> Window;
// WindowText, MenuText, WindowFrame -> WindowText; BtnText -> ButtonText;
// BtnFace, Menu, ScrollBar, ActiveBorder, InactiveBorder, Light3D -> Button;
// Highlight, ActiveCaption -> Highlight; HighlightText, CaptionText ->
// HighlightedText; BtnShadow, InactiveCaption, GrayText -> Mid;
// DkShadow3D -> Shadow; BtnHighlight -> Light; InfoBk -> ToolTipBase;
// InfoText -> ToolTipText; InactiveCaptionText -> Button.
Rgb systemColourRgb(SystemColour c);

// The RGB a colour value shows as: system colours give systemColourRgb;
// every other value (clNone included) gives its low three bytes.
Rgb colourToRgb(std::uint32_t colour);

} // namespace dw
