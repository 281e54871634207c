#include "text/plaintext.h"

#include "text/utf8.h"

#include <array>
#include <optional>

namespace dw {

namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// Unicode's format characters (general category Cf), the line and
// paragraph separators U+2028 and U+2029, and the noncharacters U+FFFE/U+FFFF.
constexpr std::array<Range, 22> kFormat{{
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x2028, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F}, {0xFFFE, 0xFFFF},
}};

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

void appendHex(std::string& out, unsigned value) {
    constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out.push_back(kDigits[(value >> 4) & 0xF]);
    out.push_back(kDigits[value & 0xF]);
}

} // namespace

bool isFormatCharacter(char32_t c) {
    for (const Range& r : kFormat)
        if (c >= r.first && c <= r.last)
            return true;
    return false;
}

std::string displayText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::optional<utf8::Decoded> d = utf8::read(text, at);
        if (!d) {
            utf8::append(out, 0xFFFD);
            ++at;
            continue;
        }
        if (!isControl(d->c) && !isFormatCharacter(d->c))
            out.append(text.substr(at, d->length));
        at += d->length;
    }
    return out;
}

std::string logText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::optional<utf8::Decoded> d = utf8::read(text, at);
        if (!d) {
            appendHex(out, static_cast<unsigned char>(text[at]));
            ++at;
            continue;
        }
        const char32_t c = d->c;
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\')
            out += "\\\\";
        else if (isControl(c))
            appendHex(out, static_cast<unsigned>(c));
        else if (!isFormatCharacter(c))
            out.append(text.substr(at, d->length));
        at += d->length;
    }
    return out;
}

} // namespace dw
