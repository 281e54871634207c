// The tally file's decompressors on arbitrary containers: either data or a
// CompressError, never a crash, and never more data than the header claims.
#include "store/lzh.h"
#include "store/lzrw1.h"

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
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string out;
    try {
        dw::decompressBytes(input, "fuzz.tld", out);
        if (size >= 8) {
            std::uint32_t claimed = 0;
            std::memcpy(&claimed, data + 4, sizeof claimed); // little-endian hosts
            check(out.size() == claimed);
        }
    } catch (const dw::CompressError&) {
    }
    // The bare LZH stream, with a size from the first bytes.
    if (size >= 2) {
        const std::uint32_t want = (std::uint32_t(data[0]) << 8 | data[1]) * 4u;
        std::string lz;
        const dw::lzh::DecodeStatus st = dw::lzh::decode(input.substr(2), want, lz);
        check(lz.size() <= want);
        if (st == dw::lzh::DecodeStatus::Ok)
            check(lz.size() == want);
    }
    return 0;
}
