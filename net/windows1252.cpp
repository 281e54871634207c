#include "net/windows1252.h"

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

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        // Every character of the table lies below U+10000.
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Reads the UTF-8 sequence at `at`: its character and length, or nothing
// when the bytes there are not a well-formed sequence.
struct Decoded {
    char32_t c;
    std::size_t length;
};
std::optional<Decoded> readUtf8(std::string_view s, std::size_t at) {
    const auto b0 = static_cast<unsigned char>(s[at]);
    if (b0 < 0x80)
        return Decoded{b0, 1};
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        c = b0 & 0x1F;
        least = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        c = b0 & 0x0F;
        least = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        c = b0 & 0x07;
        least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (s.size() - at < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[at + i]);
        if ((b & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    return Decoded{c, length};
}

enum class Target { File, Wire };

std::string encode(std::string_view utf8, Target target) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        if (target == Target::Wire && utf8[at] == '\xFF') {
            out.push_back('\xFF'); // a terminator
            ++at;
            continue;
        }
        const std::optional<Decoded> d = readUtf8(utf8, at);
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
        appendUtf8(out, charOf(static_cast<unsigned char>(b)));
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
        const std::optional<Decoded> d = readUtf8(bytes, at);
        if (!d)
            return false;
        at += d->length;
    }
    return true;
}

} // namespace dw
