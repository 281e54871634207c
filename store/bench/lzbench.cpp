// Throughput of the LZRW1-KH container on 32 MiB of generated mixed text:
// prose-like words, numbers, chat-like lines and a little noise, the same
// bytes on every run. Prints the best of several rounds in MB/s.
#include "store/lzrw1.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace {

// A small deterministic generator (xorshift64*).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed) {}
    std::uint64_t next() {
        s_ ^= s_ >> 12;
        s_ ^= s_ << 25;
        s_ ^= s_ >> 27;
        return s_ * 2685821657736338717ULL;
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }

private:
    std::uint64_t s_;
};

std::string mixedText(std::size_t size) {
    static const std::array<const char*, 40> words{
        "the",     "ship",   "pilot",     "lightyears", "dock",     "undock", "warp",
        "repair",  "power",  "drain",     "teleport",   "skyjack",  "damage", "reload",
        "mission", "tally",  "won",       "game",       "round",    "turn",   "card",
        "hand",    "deck",   "discard",   "target",     "distance", "money",  "earn",
        "and",     "of",     "a",         "to",         "in",       "is",     "you",
        "that",    "racing", "Driftwake", "spectator",  "host"};
    Rng rng(20240611);
    std::string out;
    out.reserve(size + 64);
    while (out.size() < size) {
        switch (rng.below(10)) {
        case 0: // a chat-like line
            out += "<Pilot" + std::to_string(rng.below(4) + 1) + "> ";
            break;
        case 1: // a number
            out += std::to_string(rng.below(20) * 2500) + " ";
            break;
        case 2: // a little noise
            for (int i = 0; i < 4; ++i) {
                out.push_back(static_cast<char>(33 + rng.below(90)));
            }
            out.push_back(' ');
            break;
        default:
            for (std::size_t i = 0, n = 3 + rng.below(8); i < n; ++i) {
                out += words[rng.below(words.size())];
                out.push_back(i + 1 == n ? '.' : ' ');
            }
            out += rng.below(3) == 0 ? "\r\n" : " ";
            break;
        }
    }
    out.resize(size);
    return out;
}

// Wall time and processor time of one call. Other work on a shared machine
// stretches the wall time; processor time shows the code's own speed.
struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
};

template <typename F> void timeBest(Timing& best, F&& f) {
    const auto w0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    f();
    const std::clock_t c1 = std::clock();
    const auto w1 = std::chrono::steady_clock::now();
    best.wall = std::min(best.wall, std::chrono::duration<double>(w1 - w0).count());
    best.cpu = std::min(best.cpu, static_cast<double>(c1 - c0) / CLOCKS_PER_SEC);
}

} // namespace

int main() {
    constexpr std::size_t kSize = 32u << 20;
    constexpr int kRounds = 5;
    const std::string text = mixedText(kSize);

    Timing comp;
    Timing decomp;
    std::string packed;
    std::string unpacked;
    for (int i = 0; i < kRounds; ++i) {
        // The output buffers are reused from round to round, as a caller
        // working through many files would.
        timeBest(comp, [&] { dw::compressBytes(text, dw::Tlzrw1::Fast, packed); });
        timeBest(decomp, [&] { dw::decompressBytes(packed, "bench", unpacked); });
    }
    if (unpacked != text) {
        std::fprintf(stderr, "round trip changed the data\n");
        return 1;
    }
    const double mb = static_cast<double>(kSize) / 1e6;
    std::printf("input        %zu bytes of mixed text\n", kSize);
    std::printf("compressed   %zu bytes (%.1f%%)\n", packed.size(),
                100.0 * static_cast<double>(packed.size()) / static_cast<double>(kSize));
    std::printf("best of %d rounds      wall-clock   processor time\n", kRounds);
    std::printf("compress     %10.0f MB/s  %10.0f MB/s\n", mb / comp.wall, mb / comp.cpu);
    std::printf("decompress   %10.0f MB/s  %10.0f MB/s\n", mb / decomp.wall, mb / decomp.cpu);
    return 0;
}
