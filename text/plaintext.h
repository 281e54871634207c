// Text from peers and files made safe to show and to log. Names, chat and
// router answers may carry line breaks that forge log lines, terminal escape
// sequences, and invisible format characters (bidirectional overrides, zero
// width joiners) that make a name read as something it is not.
#pragma once

#include <string>
#include <string_view>

namespace dw {

// True for the characters that change how the text around them is laid out
// or read without showing themselves: bidirectional controls, zero-width
// characters, invisible operators, tags and the like (Unicode's format
// characters), and the line and paragraph separators.
bool isFormatCharacter(char32_t c);

// `text` to be shown: control characters (line breaks, escape, delete) and
// format characters removed, bytes that are not UTF-8 replaced by U+FFFD.
std::string displayText(std::string_view text);

// `text` for one line of a log: format characters removed, control
// characters written as \n, \r, \t or \xHH, a backslash doubled, bytes that
// are not UTF-8 written as \xHH. The result is a single line that says
// exactly which bytes arrived.
std::string logText(std::string_view text);

} // namespace dw
