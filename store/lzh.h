// The LZH method of the tally container: LZSS over a 4096-byte ring buffer
// (first 4036 bytes spaces), with matched lengths and literals coded by an
// adaptive Huffman tree and match positions by a fixed code for their upper
// six bits. Only the bit stream lives here; the container adds the header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dw::lzh {

// The bit stream for `data`, most significant bit first, the last byte
// padded with 0 bits.
std::string encode(std::string_view data);

enum class DecodeStatus {
    Ok,
    // The stream ended before `size` bytes were produced.
    Truncated,
    // A match would run past `size` bytes.
    TooLong,
};

// Decodes `bits` until `size` bytes are in `out` (which is cleared first).
// Never produces more than `size` bytes; space is reserved as the stream
// yields data, not up front.
DecodeStatus decode(std::string_view bits, std::uint32_t size, std::string& out);

} // namespace dw::lzh
