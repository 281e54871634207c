#include "store/lzrw1.h"

#include "store/lzh.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace dw {

namespace compresstext {
std::string noSize(std::string_view name) {
    return "Lzrw1 compression : Failed to obtain the size of : " + std::string(name);
}
std::string openInput(std::string_view name) {
    return "Lzrw1 (de)compression : Failed to open input file : " + std::string(name);
}
std::string openOutput(std::string_view name) {
    return "Lzrw1 (de)compression : Failed to open output file : " + std::string(name);
}
std::string readError(std::string_view name, std::string_view suffix) {
    return "Lzrw1 : Error reading from input file : " + std::string(name) + std::string(suffix);
}
std::string writeError(std::string_view name) {
    return "Lzrw1 : Error writing to output file : " + std::string(name);
}
std::string badHeader(std::string_view name) {
    return std::string(name) + " : Lzrw1 decompression : this file has no valid header !";
}
} // namespace compresstext

namespace {

constexpr std::uint32_t kIdKH = 0x4C5A5257;  // "WRZL"
constexpr std::uint32_t kIdLZH = 0x4C5A4821; // "!HZL"
constexpr std::size_t kHeaderSize = 8;

constexpr std::uint8_t kFlagCopied = 0x80;
constexpr std::uint8_t kFlagCompressed = 0x40;
constexpr std::size_t kMinRun = 16;
constexpr std::size_t kMaxRun = 4095;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;
constexpr std::size_t kMaxOffset = 4095;
constexpr std::uint16_t kEmpty = 0xFFFF;

const std::uint8_t* bytes(std::string_view s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

void putLE32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

std::uint32_t getLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

unsigned hashAt(const std::uint8_t* p) {
    const unsigned v = ((((static_cast<unsigned>(p[0]) << 4) ^ p[1]) << 4) ^ p[2]);
    return ((40543u * v) >> 4) & 0xFFF;
}

// How many bytes at `a` equal those at `b` (a before b), at most kMaxMatch
// and at most `left`. Compares eight bytes at a time where the input has
// room for it.
std::size_t matchLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t left) {
    if constexpr (std::endian::native == std::endian::little) {
        if (left >= 24) {
            for (std::size_t len = 0; len < kMaxMatch; len += 8) {
                std::uint64_t wa;
                std::uint64_t wb;
                std::memcpy(&wa, a + len, 8);
                std::memcpy(&wb, b + len, 8);
                if (const std::uint64_t diff = wa ^ wb; diff != 0) {
                    return std::min(kMaxMatch,
                                    len + static_cast<std::size_t>(std::countr_zero(diff)) / 8);
                }
            }
            return kMaxMatch;
        }
    }
    const std::size_t limit = std::min(kMaxMatch, left);
    std::size_t len = 0;
    while (len < limit && a[len] == b[len]) {
        ++len;
    }
    return len;
}

// Appends `len` bytes taken from `offset` bytes back at `out`; `room` bytes
// are writable from `out` on (at least len). The source may overlap the
// bytes being written, which repeats the last `offset` bytes.
void copyMatch(std::uint8_t* out, std::size_t offset, std::size_t len, std::size_t room) {
    const std::uint8_t* from = out - offset;
    if (offset >= 8 && room >= 24) {
        // Eight bytes at a time: each piece is read before it is written over.
        std::memcpy(out, from, 8);
        std::memcpy(out + 8, from + 8, 8);
        if (len > 16) {
            std::memcpy(out + 16, from + 16, 8);
        }
        return;
    }
    for (std::size_t i = 0; i < len; ++i) {
        out[i] = from[i];
    }
}

void compressKH(std::string_view data, std::string& out) {
    std::unique_ptr<std::uint16_t[]> hash;
    try {
        hash = std::make_unique<std::uint16_t[]>(lzrw1kh::kHashSize);
    } catch (const std::bad_alloc&) {
        throw CompressError(std::string(compresstext::kNoHashMemory));
    }
    out.clear();
    out.reserve(kHeaderSize + data.size() + data.size() / lzrw1kh::kChunkSize * 3 + 3);
    putLE32(out, kIdKH);
    putLE32(out, static_cast<std::uint32_t>(data.size()));
    std::array<std::uint8_t, lzrw1kh::kChunkSize + lzrw1kh::kSlack> block;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t n = std::min(lzrw1kh::kChunkSize, data.size() - pos);
        const std::size_t len =
            lzrw1kh::compressChunk(bytes(data) + pos, n, block.data(), hash.get());
        out.push_back(static_cast<char>(len & 0xFF));
        out.push_back(static_cast<char>(len >> 8));
        out.append(reinterpret_cast<const char*>(block.data()), len);
        pos += n;
        if (n < lzrw1kh::kChunkSize) {
            return;
        }
    }
}

void decompressKH(std::string_view body, std::uint32_t size, std::string_view name,
                  std::string& out) {
    out.clear();
    // The size may lie: room for what this much data can plausibly hold.
    out.reserve(std::min<std::size_t>(size, body.size() * 8 + lzrw1kh::kChunkSize));
    std::array<std::uint8_t, lzrw1kh::kChunkSize> chunk;
    std::size_t pos = 0;
    for (;;) {
        if (body.size() - pos < 2) {
            throw CompressError(compresstext::readError(name));
        }
        const std::size_t n = bytes(body)[pos] | std::size_t{bytes(body)[pos + 1]} << 8;
        pos += 2;
        if (n > body.size() - pos || n > lzrw1kh::kMaxBlock) {
            throw CompressError(compresstext::readError(name));
        }
        const auto got = lzrw1kh::decompressBlock(bytes(body) + pos, n, chunk.data());
        if (!got) {
            throw CompressError(compresstext::readError(name));
        }
        pos += n;
        if (*got > size - out.size()) {
            // More data than the header announced; stop before it piles up.
            throw CompressError(std::string(compresstext::kSizeMismatchKH));
        }
        out.append(reinterpret_cast<const char*>(chunk.data()), *got);
        if (*got < lzrw1kh::kChunkSize) {
            break;
        }
    }
    if (out.size() != size) {
        throw CompressError(std::string(compresstext::kSizeMismatchKH));
    }
}

// A C stream that closes itself.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads a whole open file; false when a read fails.
bool readAll(std::FILE* f, std::string& out, std::size_t expected) {
    out.clear();
    out.reserve(expected);
    std::array<char, 65536> buf;
    for (;;) {
        const std::size_t got = std::fread(buf.data(), 1, buf.size(), f);
        out.append(buf.data(), got);
        if (got < buf.size()) {
            return std::ferror(f) == 0;
        }
    }
}

// An output file that is deleted unless it was completed.
class Output {
public:
    explicit Output(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {
        if (!file_) {
            throw CompressError(compresstext::openOutput(path));
        }
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() {
        if (file_) {
            file_.reset();
            std::error_code ec;
            std::filesystem::remove(path_, ec);
        }
    }
    void writeAndClose(std::string_view data) {
        const bool wrote = std::fwrite(data.data(), 1, data.size(), file_.get()) == data.size();
        const bool closed = std::fclose(file_.release()) == 0;
        if (!wrote || !closed) {
            std::error_code ec;
            std::filesystem::remove(path_, ec);
            throw CompressError(compresstext::writeError(path_));
        }
    }

private:
    std::string path_;
    File file_;
};

} // namespace

namespace lzrw1kh {

std::size_t compressChunk(const std::uint8_t* src, std::size_t n, std::uint8_t* dst,
                          std::uint16_t* hash) {
    std::fill_n(hash, kHashSize, kEmpty);
    dst[0] = kFlagCompressed;
    std::size_t y = 3;
    std::size_t z = 1;
    std::size_t x = 0;
    unsigned count = 0;
    unsigned control = 0;
    while (x < n && y <= n) {
        if (count == 16) {
            dst[z] = static_cast<std::uint8_t>(control >> 8);
            dst[z + 1] = static_cast<std::uint8_t>(control);
            z = y;
            y += 2;
            count = 0;
            control = 0;
        }
        const std::uint8_t c = src[x];
        const std::size_t runLimit = std::min(kMaxRun, n - x);
        std::size_t run = 1;
        while (run < runLimit && src[x + run] == c) {
            ++run;
        }
        if (run >= kMinRun) {
            const std::size_t v = run - kMinRun;
            dst[y] = 0;
            dst[y + 1] = static_cast<std::uint8_t>(v >> 8);
            dst[y + 2] = static_cast<std::uint8_t>(v);
            dst[y + 3] = c;
            y += 4;
            x += run;
            control = (control << 1) | 1u;
        } else {
            std::size_t len = 0;
            std::size_t from = 0;
            // Fewer than three bytes left can never match; their hash entries
            // could not be used by any later position of this chunk either.
            if (n - x >= kMinMatch) {
                const unsigned h = hashAt(src + x);
                const std::size_t entry = hash[h];
                hash[h] = static_cast<std::uint16_t>(x);
                if (entry != kEmpty && x - entry <= kMaxOffset) {
                    len = matchLength(src + entry, src + x, n - x);
                    from = entry;
                }
            }
            if (len >= kMinMatch) {
                const std::size_t key = (x - from) * 16 + (len - kMinMatch);
                dst[y] = static_cast<std::uint8_t>(key >> 8);
                dst[y + 1] = static_cast<std::uint8_t>(key);
                y += 2;
                x += len;
                control = (control << 1) | 1u;
            } else {
                dst[y++] = c;
                ++x;
                control <<= 1;
            }
        }
        ++count;
    }
    control <<= (16 - count);
    dst[z] = static_cast<std::uint8_t>(control >> 8);
    dst[z + 1] = static_cast<std::uint8_t>(control);
    if (y > n) {
        dst[0] = kFlagCopied;
        if (n > 0) {
            std::memcpy(dst + 1, src, n);
        }
        return n + 1;
    }
    return y;
}

std::optional<std::size_t> decompressBlock(const std::uint8_t* src, std::size_t n,
                                           std::uint8_t* dst) {
    if (n <= 1) {
        return 0;
    }
    if (src[0] == kFlagCopied) {
        if (n - 1 > kChunkSize) {
            return std::nullopt;
        }
        std::memcpy(dst, src + 1, n - 1);
        return n - 1;
    }
    std::size_t x = 1;
    std::size_t y = 0;
    unsigned control = 0;
    unsigned left = 0;
    while (x < n) {
        if (left == 0) {
            if (n - x < 3) { // the control word and at least one item byte
                return std::nullopt;
            }
            control = static_cast<unsigned>(src[x]) << 8 | src[x + 1];
            x += 2;
            left = 16;
        }
        --left;
        const bool copy = (control & 0x8000u) != 0;
        control <<= 1;
        if (!copy) {
            if (y == kChunkSize) {
                return std::nullopt;
            }
            dst[y++] = src[x++];
            continue;
        }
        if (n - x < 2) {
            return std::nullopt;
        }
        const std::size_t a = src[x];
        const std::size_t b = src[x + 1];
        x += 2;
        const std::size_t offset = a * 16 + (b >> 4);
        if (offset != 0) {
            const std::size_t len = (b & 15) + kMinMatch;
            if (offset > y || len > kChunkSize - y) {
                return std::nullopt;
            }
            copyMatch(dst + y, offset, len, kChunkSize - y);
            y += len;
        } else {
            if (n - x < 2) {
                return std::nullopt;
            }
            const std::size_t len = b * 256 + src[x] + kMinRun;
            const std::uint8_t value = src[x + 1];
            x += 2;
            if (len > kChunkSize - y) {
                return std::nullopt;
            }
            std::memset(dst + y, value, len);
            y += len;
        }
    }
    return y;
}

} // namespace lzrw1kh

std::string compressBytes(std::string_view data, Tlzrw1::Mode mode) {
    std::string out;
    compressBytes(data, mode, out);
    return out;
}

std::string decompressBytes(std::string_view container, std::string_view inputName) {
    std::string out;
    decompressBytes(container, inputName, out);
    return out;
}

void compressBytes(std::string_view data, Tlzrw1::Mode mode, std::string& out) {
    try {
        if (data.size() > std::numeric_limits<std::uint32_t>::max()) {
            // The header has room for 32 bits of size only.
            throw std::bad_alloc();
        }
        if (mode == Tlzrw1::Fast) {
            compressKH(data, out);
            return;
        }
        out.clear();
        putLE32(out, kIdLZH);
        putLE32(out, static_cast<std::uint32_t>(data.size()));
        out += lzh::encode(data);
    } catch (const std::bad_alloc&) {
        throw CompressError(std::string(compresstext::kNoMemory));
    }
}

void decompressBytes(std::string_view container, std::string_view inputName, std::string& out) {
    try {
        if (container.size() < 4) {
            throw CompressError(compresstext::readError(inputName));
        }
        const std::uint32_t id = getLE32(bytes(container));
        if (id != kIdKH && id != kIdLZH) {
            throw CompressError(compresstext::badHeader(inputName));
        }
        const std::string_view suffix = id == kIdLZH ? compresstext::kReadByLZH : "";
        if (container.size() < kHeaderSize) {
            throw CompressError(compresstext::readError(inputName, suffix));
        }
        const std::uint32_t size = getLE32(bytes(container) + 4);
        const std::string_view body = container.substr(kHeaderSize);
        if (id == kIdKH) {
            decompressKH(body, size, inputName, out);
            return;
        }
        switch (lzh::decode(body, size, out)) {
        case lzh::DecodeStatus::Ok:
            return;
        case lzh::DecodeStatus::Truncated:
            throw CompressError(compresstext::readError(inputName, suffix));
        case lzh::DecodeStatus::TooLong:
            break;
        }
        throw CompressError(std::string(compresstext::kSizeMismatchLZH));
    } catch (const std::bad_alloc&) {
        throw CompressError(std::string(compresstext::kNoMemory));
    }
}

// Both operations read the whole input before they create the output, so an
// output that names the input file cannot destroy the data being read.
std::uint64_t Tlzrw1::Compress() {
    std::error_code ec;
    const auto size = std::filesystem::file_size(InputFile, ec);
    if (ec) {
        throw CompressError(compresstext::noSize(InputFile));
    }
    std::string data;
    {
        File in(std::fopen(InputFile.c_str(), "rb"));
        if (!in) {
            throw CompressError(compresstext::openInput(InputFile));
        }
        try {
            if (!readAll(in.get(), data, static_cast<std::size_t>(size))) {
                throw CompressError(compresstext::readError(
                    InputFile,
                    CompressMode == Fast ? compresstext::kReadByKH : compresstext::kReadByLZH));
            }
        } catch (const std::bad_alloc&) {
            throw CompressError(std::string(compresstext::kNoMemory));
        }
    }
    Output out(OutputFile);
    const std::string container = compressBytes(data, CompressMode);
    out.writeAndClose(container);
    return container.size();
}

std::uint64_t Tlzrw1::Decompress() {
    std::string data;
    {
        File in(std::fopen(InputFile.c_str(), "rb"));
        if (!in) {
            throw CompressError(compresstext::openInput(InputFile));
        }
        try {
            if (!readAll(in.get(), data, 0)) {
                throw CompressError(compresstext::readError(InputFile));
            }
        } catch (const std::bad_alloc&) {
            throw CompressError(std::string(compresstext::kNoMemory));
        }
    }
    Output out(OutputFile);
    const std::string plain = decompressBytes(data, InputFile);
    out.writeAndClose(plain);
    return plain.size();
}

} // namespace dw
