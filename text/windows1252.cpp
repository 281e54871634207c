#include "text/windows1252.h"

#include "text/utf8.h"

#include <array>
#include <cstdint>
#include <optional>

namespace dw {

namespace {

// The characters of the bytes 0x80 to 0x9F. The five undefined bytes carry
// the control character of their own number.
constexpr std::array<char32_t, 32> kHigh{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

constexpr char kUnmappable = '?';

char32_t charOf(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char32_t(byte);
}

// The byte of a character, or nothing when Windows-1252 has none.
std::optional<unsigned char> byteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

enum class Target { File, Wire };

std::string encode(std::string_view text, Target target) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        if (target == Target::Wire && text[at] == '\xFF') {
            out.push_back('\xFF'); // a terminator
            ++at;
            continue;
        }
        const std::optional<utf8::Decoded> d = utf8::read(text, at);
        if (!d) {
            out.push_back(kUnmappable);
            ++at;
            continue;
        }
        at += d->length;
        const std::optional<unsigned char> byte = byteOf(d->c);
        if (!byte || (target == Target::Wire && *byte == 0xFF))
            out.push_back(kUnmappable);
        else
            out.push_back(static_cast<char>(*byte));
    }
    return out;
}

} // namespace

std::string fromWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char b : bytes)
        utf8::append(out, charOf(static_cast<unsigned char>(b)));
    return out;
}

std::string toWindows1252(std::string_view utf8) {
    return encode(utf8, Target::File);
}

std::string messageToWire(std::string_view message) {
    return encode(message, Target::Wire);
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::optional<utf8::Decoded> d = utf8::read(bytes, at);
        if (!d)
            return false;
        at += d->length;
    }
    return true;
}

} // namespace dw
