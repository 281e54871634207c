// Compressing arbitrary data with either method and decompressing it gives
// the data back.
#include "store/lzh.h"
#include "store/lzrw1.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {
void check(bool ok) {
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const auto mode = (data[0] & 1) ? dw::Tlzrw1::Fast : dw::Tlzrw1::Good;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string packed = dw::compressBytes(input, mode);
    check(packed.rfind(mode == dw::Tlzrw1::Fast ? "WRZL" : "!HZL", 0) == 0);
    check(dw::decompressBytes(packed, "fuzz.tld") == input);
    std::string lz;
    check(dw::lzh::decode(dw::lzh::encode(input), std::uint32_t(input.size()), lz) ==
          dw::lzh::DecodeStatus::Ok);
    check(lz == input);
    return 0;
}
