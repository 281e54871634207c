#include "text/plaintext.h"

#include <gtest/gtest.h>

using namespace dw;

// A name that turns itself around with a right-to-left override, hides
// joiners, or breaks a line shows as the characters it really holds.
TEST(PlainText, DisplayDropsControlsAndFormatCharacters) {
    EXPECT_EQ(displayText("Ann\u202Eexe.live"), "Annexe.live");
    EXPECT_EQ(displayText("A\u200Bd\u2066m\u2069in\uFEFF"), "Admin");
    EXPECT_EQ(displayText("Ann\nseat 1 logged in as Admin"), "Annseat 1 logged in as Admin");
    EXPECT_EQ(displayText("\x1b[31mred\x1b[0m"), "[31mred[0m");
    EXPECT_EQ(displayText("tab\there\x7f\u0085"), "tabhere");
    EXPECT_EQ(displayText("tag\U000E0041s"), "tags");
    // Ordinary letters of every script, accents and emoji stay.
    EXPECT_EQ(displayText("Zoë Łukasz 東京 مرحبا 🚀"), "Zoë Łukasz 東京 مرحبا 🚀");
    // Bytes that are not UTF-8 show as the replacement character.
    EXPECT_EQ(displayText("a\xff"
                          "b\xc3"),
              "a\uFFFDb\uFFFD");
}

// One log line per event: nothing in a name can end it or colour the
// terminal, and what arrived can still be read off exactly.
TEST(PlainText, LogEscapesControlsAndDropsFormatCharacters) {
    EXPECT_EQ(logText("Ann\nseat 1 logged in as Admin"), "Ann\\nseat 1 logged in as Admin");
    EXPECT_EQ(logText("\x1b[2J\r\t\\"), "\\x1b[2J\\r\\t\\\\");
    EXPECT_EQ(logText("Ann\u202Eexe.live"), "Annexe.live");
    EXPECT_EQ(logText("bad\xfe\xc3(end"), "bad\\xfe\\xc3(end");
    EXPECT_EQ(logText("\u0085\u009b"), "\\x85\\x9b");
    EXPECT_EQ(logText(std::string("nul\0byte", 8)), "nul\\x00byte");
    EXPECT_EQ(logText("Zoë 東京"), "Zoë 東京");
}
