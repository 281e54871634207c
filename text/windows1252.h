// Windows-1252, the single-byte character set of everything that leaves the
// program: the protocol, the settings file it shares with the lobby and the
// tally file. Inside the program text is UTF-8; these functions convert at
// the edges.
//
// Every byte has a character, so bytes read and written back come out
// unchanged: the five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90 and 0x9D) read as the control characters of the same number (U+0081
// and so on) and are written back as the same byte.
#pragma once

#include <string>
#include <string_view>

namespace dw {

// Bytes in Windows-1252 as UTF-8 text.
std::string fromWindows1252(std::string_view bytes);

// UTF-8 text as Windows-1252 bytes for a file. A character that
// Windows-1252 cannot hold, and any byte that is not part of valid UTF-8, is
// written as "?".
std::string toWindows1252(std::string_view utf8);

// A protocol message built from UTF-8 text (fields and terminators, see
// buildMessage) as the bytes that go on the wire. The byte 255 ends a
// message and never occurs inside one: the terminators stay, and the one
// character that Windows-1252 writes as 255, "ÿ" (U+00FF), goes out as "?"
// like every other character the wire cannot carry.
std::string messageToWire(std::string_view message);

// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or
// values beyond U+10FFFF).
bool isValidUtf8(std::string_view bytes);

} // namespace dw
