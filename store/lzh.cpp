#include "store/lzh.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace dw::lzh {
namespace {

constexpr int kRing = 4096;                 // ring buffer size
constexpr int kLookahead = 60;              // longest match
constexpr int kThreshold = 2;               // matches longer than this are coded as matches
constexpr int kSpaces = kRing - kLookahead; // 4036 leading spaces; first write position
constexpr int kSymbols = 256 - kThreshold + kLookahead; // 314: literals and lengths 3..60
constexpr int kNodes = kSymbols * 2 - 1;                // 627 tree nodes
constexpr int kRoot = kNodes - 1;
constexpr unsigned kMaxFreq = 0x8000;

// The fixed code of a position's upper six bits: code lengths 3 to 8, the
// codes assigned canonically in order of the upper bits.
struct PositionCodes {
    std::array<std::uint8_t, 64> len{};
    std::array<std::uint8_t, 64> code{}; // left-aligned in 8 bits
    // Indexed by the next 8 bits of the stream: the upper bits they start
    // with and the length of that code.
    std::array<std::uint8_t, 256> upper{};
    std::array<std::uint8_t, 256> upperLen{};
};

constexpr PositionCodes makePositionCodes() {
    PositionCodes t;
    // How many of the 64 upper-bit values get a code of 3, 4, ... 8 bits.
    constexpr std::array<int, 6> counts{1, 3, 8, 12, 24, 16};
    int i = 0;
    unsigned code = 0; // the next code, left-aligned in 8 bits
    for (int l = 0; l < 6; ++l) {
        const int bits = l + 3;
        for (int k = 0; k < counts[static_cast<std::size_t>(l)]; ++k) {
            const auto idx = static_cast<std::size_t>(i);
            t.len[idx] = static_cast<std::uint8_t>(bits);
            t.code[idx] = static_cast<std::uint8_t>(code);
            const unsigned span = 1u << (8 - bits);
            for (unsigned b = 0; b < span; ++b) {
                t.upper[code + b] = static_cast<std::uint8_t>(i);
                t.upperLen[code + b] = static_cast<std::uint8_t>(bits);
            }
            code += span;
            ++i;
        }
    }
    return t;
}

constexpr PositionCodes kPos = makePositionCodes();
static_assert(kPos.code[1] == 0x20 && kPos.code[4] == 0x50 && kPos.code[12] == 0x90 &&
              kPos.code[24] == 0xC0 && kPos.code[48] == 0xF0 && kPos.code[63] == 0xFF);

// The adaptive Huffman tree. Nodes are kept in order of frequency; son[n] is
// the smaller child of n (the bigger one is son[n] + 1), and a son of kNodes
// or more is a leaf for symbol son - kNodes. parent[kNodes + s] finds the
// leaf of symbol s.
class Tree {
public:
    Tree() {
        for (int i = 0; i < kSymbols; ++i) {
            freq_[at(i)] = 1;
            son_[at(i)] = i + kNodes;
            parent_[at(i + kNodes)] = i;
        }
        for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
            freq_[at(j)] = freq_[at(i)] + freq_[at(i + 1)];
            son_[at(j)] = i;
            parent_[at(i)] = parent_[at(i + 1)] = j;
        }
        freq_[at(kNodes)] = 0xFFFF; // sentinel that stops the reordering scan
        parent_[at(kRoot)] = 0;
    }

    int rootSon() const { return son_[at(kRoot)]; }
    int son(int node) const { return son_[at(node)]; }
    int parent(int node) const { return parent_[at(node)]; }
    int leaf(int symbol) const { return parent_[at(symbol + kNodes)]; }

    // Counts one more occurrence of `symbol` and restores the order.
    void update(int symbol) {
        if (freq_[at(kRoot)] == kMaxFreq) {
            rebuild();
        }
        int c = leaf(symbol);
        do {
            const unsigned k = ++freq_[at(c)];
            int l = c + 1;
            if (k > freq_[at(l)]) {
                while (k > freq_[at(++l)]) {
                }
                --l;
                freq_[at(c)] = freq_[at(l)];
                freq_[at(l)] = k;

                const int i = son_[at(c)];
                parent_[at(i)] = l;
                if (i < kNodes) {
                    parent_[at(i + 1)] = l;
                }
                const int j = son_[at(l)];
                son_[at(l)] = i;
                parent_[at(j)] = c;
                if (j < kNodes) {
                    parent_[at(j + 1)] = c;
                }
                son_[at(c)] = j;
                c = l;
            }
            c = parent_[at(c)];
        } while (c != 0);
    }

private:
    static std::size_t at(int i) { return static_cast<std::size_t>(i); }

    // Halves every frequency and builds the tree again from the leaves.
    void rebuild() {
        int j = 0;
        for (int i = 0; i < kNodes; ++i) {
            if (son_[at(i)] >= kNodes) {
                freq_[at(j)] = (freq_[at(i)] + 1) / 2;
                son_[at(j)] = son_[at(i)];
                ++j;
            }
        }
        for (int i = 0, n = kSymbols; n < kNodes; i += 2, ++n) {
            const unsigned f = freq_[at(i)] + freq_[at(i + 1)];
            freq_[at(n)] = f;
            int k = n - 1;
            while (f < freq_[at(k)]) {
                --k;
            }
            ++k;
            std::copy_backward(freq_.begin() + k, freq_.begin() + n, freq_.begin() + n + 1);
            freq_[at(k)] = f;
            std::copy_backward(son_.begin() + k, son_.begin() + n, son_.begin() + n + 1);
            son_[at(k)] = i;
        }
        for (int i = 0; i < kNodes; ++i) {
            const int k = son_[at(i)];
            parent_[at(k)] = i;
            if (k < kNodes) {
                parent_[at(k + 1)] = i;
            }
        }
    }

    std::array<unsigned, kNodes + 1> freq_{};
    std::array<int, kNodes + kSymbols> parent_{};
    std::array<int, kNodes> son_{};
};

class BitWriter {
public:
    void put(unsigned value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            putBit((value >> i) & 1u);
        }
    }
    void putBit(unsigned bit) {
        acc_ = static_cast<unsigned>((acc_ << 1) | bit);
        if (++count_ == 8) {
            out_.push_back(static_cast<char>(acc_));
            acc_ = 0;
            count_ = 0;
        }
    }
    std::string finish() {
        if (count_ > 0) {
            out_.push_back(static_cast<char>(acc_ << (8 - count_)));
        }
        return std::move(out_);
    }

private:
    std::string out_;
    unsigned acc_ = 0;
    int count_ = 0;
};

class BitReader {
public:
    explicit BitReader(std::string_view data) : data_(data) {}

    unsigned bit() {
        const std::size_t byte = pos_ >> 3;
        if (byte >= data_.size()) {
            overrun_ = true;
            return 0;
        }
        const auto b = static_cast<unsigned char>(data_[byte]);
        const unsigned v = (b >> (7 - (pos_ & 7))) & 1u;
        ++pos_;
        return v;
    }
    unsigned bits(int n) {
        unsigned v = 0;
        for (int i = 0; i < n; ++i) {
            v = (v << 1) | bit();
        }
        return v;
    }
    // True once a bit past the end of the data was asked for: the encoder
    // writes every bit the decoder reads, so such a stream is cut short.
    bool overrun() const { return overrun_; }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
    bool overrun_ = false;
};

void encodeSymbol(Tree& tree, BitWriter& w, int symbol) {
    // Walk from the leaf up; an odd node is the bigger child (bit 1).
    std::array<std::uint8_t, kNodes> path{};
    std::size_t depth = 0;
    int k = tree.leaf(symbol);
    do {
        path[depth++] = static_cast<std::uint8_t>(k & 1);
        k = tree.parent(k);
    } while (k != kRoot);
    while (depth > 0) {
        w.putBit(path[--depth]);
    }
    tree.update(symbol);
}

int decodeSymbol(Tree& tree, BitReader& r) {
    int c = tree.rootSon();
    while (c < kNodes) {
        c = tree.son(c + static_cast<int>(r.bit()));
    }
    c -= kNodes;
    tree.update(c);
    return c;
}

void encodePosition(BitWriter& w, unsigned position) {
    const unsigned upper = position >> 6;
    w.put(kPos.code[upper] >> (8 - kPos.len[upper]), kPos.len[upper]);
    w.put(position & 0x3F, 6);
}

unsigned decodePosition(BitReader& r) {
    const unsigned first = r.bits(8);
    const unsigned upper = kPos.upper[first];
    const int more = kPos.upperLen[first] - 2;
    const unsigned all = (first << more) | r.bits(more);
    return (upper << 6) | (all & 0x3F);
}

constexpr int kHashBits = 13;

unsigned hash3(const unsigned char* p) {
    return ((static_cast<unsigned>(p[0]) << 10) ^ (static_cast<unsigned>(p[1]) << 5) ^ p[2]) &
           ((1u << kHashBits) - 1);
}

} // namespace

std::string encode(std::string_view data) {
    // Work on the text as the decoder sees it: the leading spaces of its ring
    // buffer directly followed by the data. A distance d (1..4096) back from
    // position i then names ring position (write position - d), which still
    // holds byte i - d.
    std::vector<unsigned char> text(static_cast<std::size_t>(kSpaces), ' ');
    text.insert(text.end(), data.begin(), data.end());
    const std::size_t end = text.size();

    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    constexpr int kMaxChain = 256;
    std::vector<std::size_t> head(std::size_t{1} << kHashBits, kNone);
    std::vector<std::size_t> prev(end, kNone);
    auto insert = [&](std::size_t i) {
        if (i + 3 <= end) {
            const unsigned h = hash3(&text[i]);
            prev[i] = head[h];
            head[h] = i;
        }
    };
    for (std::size_t i = 0; i < static_cast<std::size_t>(kSpaces); ++i) {
        insert(i);
    }

    Tree tree;
    BitWriter w;
    std::size_t i = kSpaces;
    while (i < end) {
        const std::size_t maxLen = std::min<std::size_t>(kLookahead, end - i);
        std::size_t bestLen = 0;
        std::size_t bestDist = 0;
        if (maxLen > kThreshold) {
            std::size_t cand = head[hash3(&text[i])];
            for (int chain = 0; cand != kNone && chain < kMaxChain; ++chain, cand = prev[cand]) {
                const std::size_t dist = i - cand;
                if (dist > static_cast<std::size_t>(kRing)) {
                    break;
                }
                std::size_t len = 0;
                while (len < maxLen && text[cand + len] == text[i + len]) {
                    ++len;
                }
                if (len > bestLen) {
                    bestLen = len;
                    bestDist = dist;
                    if (len == maxLen) {
                        break;
                    }
                }
            }
        }
        if (bestLen > static_cast<std::size_t>(kThreshold)) {
            encodeSymbol(tree, w, static_cast<int>(bestLen) + 255 - kThreshold);
            encodePosition(w, static_cast<unsigned>(bestDist - 1));
        } else {
            bestLen = 1;
            encodeSymbol(tree, w, text[i]);
        }
        for (std::size_t k = 0; k < bestLen; ++k) {
            insert(i + k);
        }
        i += bestLen;
    }
    return w.finish();
}

DecodeStatus decode(std::string_view bits, std::uint32_t size, std::string& out) {
    out.clear();
    std::array<unsigned char, kRing> ring{};
    std::fill_n(ring.begin(), kSpaces, ' ');
    unsigned r = kSpaces;
    Tree tree;
    BitReader in(bits);
    while (out.size() < size) {
        const int c = decodeSymbol(tree, in);
        if (c < 256) {
            if (in.overrun()) {
                return DecodeStatus::Truncated;
            }
            out.push_back(static_cast<char>(c));
            ring[r] = static_cast<unsigned char>(c);
            r = (r + 1) & (kRing - 1);
            continue;
        }
        const unsigned from = (r - decodePosition(in) - 1) & (kRing - 1);
        if (in.overrun()) {
            return DecodeStatus::Truncated;
        }
        const auto len = static_cast<std::size_t>(c - 255 + kThreshold);
        if (len > size - out.size()) {
            return DecodeStatus::TooLong;
        }
        for (std::size_t k = 0; k < len; ++k) {
            const unsigned char b = ring[(from + k) & (kRing - 1)];
            out.push_back(static_cast<char>(b));
            ring[r] = b;
            r = (r + 1) & (kRing - 1);
        }
    }
    return DecodeStatus::Ok;
}

} // namespace dw::lzh
