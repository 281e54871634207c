// Colour strings: reading arbitrary text, and the round trip of every value.
#include "store/colours.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

// A colour as written: a known name, or "$" and eight upper-case hex digits.
bool wellWritten(const std::string& s) {
    if (s.size() == 9 && s[0] == '$') {
        for (std::size_t i = 1; i < 9; ++i)
            if (!((s[i] >= '0' && s[i] <= '9') || (s[i] >= 'A' && s[i] <= 'F')))
                return false;
        return true;
    }
    return s.size() > 2 && s.rfind("cl", 0) == 0;
}

void roundTrip(std::uint32_t value) {
    const std::string s = dw::colourToString(value);
    check(wellWritten(s));
    const auto back = dw::colourFromString(s);
    check(back && *back == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto value = dw::colourFromString(text)) {
        roundTrip(*value);
        (void)dw::colourToRgb(*value);
    }
    if (size >= 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, data, sizeof value);
        roundTrip(value);
        const dw::Rgb rgb = dw::colourToRgb(value);
        if (!dw::systemColourOf(value))
            check(dw::colourFromRgb(rgb) == (value & 0x00FFFFFFu));
    }
    return 0;
}
