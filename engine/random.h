// The engine's pseudo-random generator: a 32-bit linear congruential
// sequence, seedable so that whole games can be replayed.
#pragma once

#include <chrono>
#include <cstdint>

namespace dw {

class Random {
public:
    explicit Random(std::uint32_t seed = 0) : seed_(seed) {}

    void setSeed(std::uint32_t seed) { seed_ = seed; }
    std::uint32_t seed() const { return seed_; }

    // An integer 0..n-1 (0 when n < 1): the seed steps to
    // seed * 134775813 + 1 (mod 2^32) and the result is the upper 32 bits of
    // the 64-bit product seed * n.
    int operator()(int n) {
        seed_ = seed_ * 134775813u + 1u;
        if (n < 1)
            return 0;
        return static_cast<int>(
            (static_cast<std::uint64_t>(seed_) * static_cast<std::uint32_t>(n)) >> 32);
    }

private:
    std::uint32_t seed_;
};

// The seed a program takes when it starts: the time of day (UTC) in
// milliseconds since midnight.
inline std::uint32_t clockSeed() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms % (24LL * 60 * 60 * 1000));
}

} // namespace dw
