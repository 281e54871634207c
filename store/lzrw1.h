// The file compressor behind the tally file: a small container ("WRZL" or
// "!HZL", then the uncompressed size, little-endian) around either
// LZRW1-KH blocks or an LZH bit stream.
//
// The in-memory functions do the work; Tlzrw1 wraps them with the file
// handling (opening, creating, deleting a half-written output). Every failure
// is a CompressError whose text is the one shown to the user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dw {

class CompressError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The texts carried by CompressError. `name` is the file the error is about.
namespace compresstext {
inline constexpr std::string_view kNoMemory =
    "Lzrw1 (de)compression : Failed to get memory for I/O buffers !";
inline constexpr std::string_view kNoHashMemory = "LZRW1KH : no memory for HASH table";
inline constexpr std::string_view kSizeMismatchKH =
    "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
inline constexpr std::string_view kSizeMismatchLZH =
    "Lzrw1 (LZH decompression) : Original and compressed sizes do not match !";
// Suffixes of the read error naming the method that was reading.
inline constexpr std::string_view kReadByKH = " (LZRW1/KH)";
inline constexpr std::string_view kReadByLZH = " (LZH)";

std::string noSize(std::string_view name);
std::string openInput(std::string_view name);
std::string openOutput(std::string_view name);
std::string readError(std::string_view name, std::string_view suffix = {});
std::string writeError(std::string_view name);
std::string badHeader(std::string_view name);
} // namespace compresstext

// One LZRW1-KH block codec. A chunk is at most kChunkSize bytes.
namespace lzrw1kh {
inline constexpr std::size_t kChunkSize = 32768;
// Extra room the compressor may write past n before it gives up on a chunk.
inline constexpr std::size_t kSlack = 16;
inline constexpr std::size_t kHashSize = 4096;
// The longest block a well-formed stream holds: a copied full chunk.
inline constexpr std::size_t kMaxBlock = kChunkSize + 1;

// Compresses `n` bytes of `src` (n <= kChunkSize) into `dst`, which has room
// for n + kSlack bytes; `hash` is scratch space of kHashSize entries.
// Returns the length of the block written.
std::size_t compressChunk(const std::uint8_t* src, std::size_t n, std::uint8_t* dst,
                          std::uint16_t* hash);

// Decodes one block of `n` bytes into `dst`, which has room for kChunkSize
// bytes. Returns the number of bytes produced, or nothing when the block is
// malformed (it would read past its end or write outside dst).
std::optional<std::size_t> decompressBlock(const std::uint8_t* src, std::size_t n,
                                           std::uint8_t* dst);
} // namespace lzrw1kh

class Tlzrw1 {
public:
    enum Mode { Good = 0, Fast = 1, Auto = 2 };

    std::string InputFile;
    std::string OutputFile;
    Mode CompressMode = Good;

    // InputFile -> container in OutputFile ("WRZL" for Fast, "!HZL"
    // otherwise). Returns the bytes written, header included.
    std::uint64_t Compress();
    // Container in InputFile -> OutputFile, whichever method the header
    // names. Returns the bytes written.
    std::uint64_t Decompress();
};

// The whole container for `data`.
std::string compressBytes(std::string_view data, Tlzrw1::Mode mode);
// The data inside a container; `inputName` is named in the error texts.
std::string decompressBytes(std::string_view container, std::string_view inputName);
// The same, replacing the contents of `out` (which must not be the input) and
// reusing its storage, for callers that work through many buffers.
void compressBytes(std::string_view data, Tlzrw1::Mode mode, std::string& out);
void decompressBytes(std::string_view container, std::string_view inputName, std::string& out);

} // namespace dw
