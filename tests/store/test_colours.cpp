#include "store/colours.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>

namespace dw {
namespace {

TEST(Colours, NamedColoursBothWays) {
    const std::pair<const char*, std::uint32_t> named[] = {
        {"clBlack", 0x00000000}, {"clMaroon", 0x00000080},  {"clGreen", 0x00008000},
        {"clOlive", 0x00008080}, {"clNavy", 0x00800000},    {"clPurple", 0x00800080},
        {"clTeal", 0x00808000},  {"clGray", 0x00808080},    {"clSilver", 0x00C0C0C0},
        {"clRed", 0x000000FF},   {"clLime", 0x0000FF00},    {"clYellow", 0x0000FFFF},
        {"clBlue", 0x00FF0000},  {"clFuchsia", 0x00FF00FF}, {"clAqua", 0x00FFFF00},
        {"clWhite", 0x00FFFFFF}, {"clNone", 0x1FFFFFFF},
    };
    for (const auto& [name, value] : named) {
        SCOPED_TRACE(name);
        EXPECT_EQ(colourFromString(name), value);
        EXPECT_EQ(colourToString(value), name);
        std::string mixed = name;
        for (char& c : mixed)
            c = static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c)
                                                                              : std::toupper(c));
        EXPECT_EQ(colourFromString(mixed), value);
    }
}

TEST(Colours, SystemColoursBothWays) {
    const char* names[] = {
        "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
        "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
        "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
        "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
        "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
        "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
        "clInfoBk",
    };
    static_assert(std::size(names) == kSystemColourCount);
    for (std::uint32_t i = 0; i < std::size(names); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(colourFromString(names[i]), 0x80000000u + i);
        EXPECT_EQ(colourToString(0x80000000u + i), names[i]);
        EXPECT_EQ(systemColourOf(0x80000000u + i), static_cast<SystemColour>(i));
    }
    EXPECT_EQ(systemColourValue(SystemColour::InfoBk), 0x80000018u);
    // Just past the table: not a system colour, written in hex.
    EXPECT_EQ(systemColourOf(0x80000019u), std::nullopt);
    EXPECT_EQ(colourToString(0x80000019u), "$80000019");
    EXPECT_EQ(systemColourOf(0x7FFFFFFFu), std::nullopt);
}

TEST(Colours, NumericForms) {
    EXPECT_EQ(colourToString(0x00123456), "$00123456");
    EXPECT_EQ(colourToString(0xFFFFFFFF), "$FFFFFFFF");

    EXPECT_EQ(colourFromString("$00abcdef"), 0x00ABCDEFu);
    EXPECT_EQ(colourFromString("$FF"), 0x000000FFu);
    EXPECT_EQ(colourToString(*colourFromString("$FF")), "clRed");
    EXPECT_EQ(colourFromString("255"), 0x000000FFu);
    EXPECT_EQ(colourFromString("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(colourFromString("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(colourFromString("-2147483648"), 0x80000000u);
    EXPECT_EQ(colourFromString("-0"), 0u);

    for (const char* bad : {"", "$", "$123456789", "$GG", "$-1", " clRed", "clRed ", "clRedd", "+5",
                            "0x10", "4294967296", "-2147483649", "12a", "-", "--1", "1 2"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(colourFromString(bad), std::nullopt);
    }
}

TEST(Colours, EveryValueRoundTrips) {
    std::uint32_t x = 1;
    for (int i = 0; i < 20000; ++i) {
        x = x * 1664525u + 1013904223u;
        for (std::uint32_t v : {x, x & 0x00FFFFFF, 0x80000000u | (x & 0x3F)}) {
            std::string s = colourToString(v);
            ASSERT_EQ(colourFromString(s), v) << s;
            if (s.front() == '$') {
                ASSERT_EQ(s.size(), 9u) << s;
            }
        }
    }
}

TEST(Colours, RgbValues) {
    EXPECT_EQ(colourToRgb(0x00332211), (Rgb{0x11, 0x22, 0x33}));
    EXPECT_EQ(colourFromRgb(Rgb{0x11, 0x22, 0x33}), 0x00332211u);
    EXPECT_EQ(colourToRgb(kColourYellow), (Rgb{255, 255, 0}));
    EXPECT_EQ(colourToRgb(kColourNone), (Rgb{255, 255, 255}));
    EXPECT_EQ(colourToRgb(systemColourValue(SystemColour::WindowText)), (Rgb{0, 0, 0}));
    EXPECT_EQ(colourToRgb(systemColourValue(SystemColour::Window)), (Rgb{255, 255, 255}));
    EXPECT_EQ(colourToRgb(systemColourValue(SystemColour::InfoBk)), (Rgb{255, 255, 225}));
}

} // namespace
} // namespace dw
