// driftwake-sim: plays bot-only games on a virtual clock and prints what
// happened and how fast. It is also the engine's benchmark.
//
//   driftwake-sim --games N --seed S --seats 2|3|4 [--amount 5000] [--distance 70]
#include "engine/engine.h"
#include "engine/virtualclock.h"
#include "net/messages.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

namespace {

void usage() {
    std::fprintf(stderr, "usage: driftwake-sim --games N --seed S --seats 2|3|4 "
                         "[--amount 5000] [--distance 70]\n");
}

bool parseLong(const char* s, long long lo, long long hi, long long& out) {
    char* end = nullptr;
    const long long v = std::strtoll(s, &end, 10);
    if (end == s || *end != '\0' || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    long long games = 1000;
    long long seed = 1;
    long long seats = 4;
    long long amount = 5000;
    long long distance = 70;
    for (int i = 1; i < argc; ++i) {
        const std::string_view opt = argv[i];
        if (i + 1 >= argc) {
            usage();
            return 2;
        }
        const char* value = argv[++i];
        bool ok = false;
        if (opt == "--games")
            ok = parseLong(value, 0, 1'000'000'000'000LL, games);
        else if (opt == "--seed")
            ok = parseLong(value, 0, 4294967295LL, seed);
        else if (opt == "--seats")
            ok = parseLong(value, 2, 4, seats);
        else if (opt == "--amount")
            ok = parseLong(value, 1, 1'000'000'000LL, amount);
        else if (opt == "--distance")
            ok = parseLong(value, 1, 2'000'000LL, distance);
        if (!ok) {
            usage();
            return 2;
        }
    }

    dw::VirtualHost host;
    host.setRecording(false);
    dw::Engine engine(host, static_cast<std::uint32_t>(seed));
    host.attach(engine);
    const dw::msg::StartGameRequest start{"Sim", std::to_string(amount), std::to_string(distance),
                                          seats >= 3, seats >= 4};

    long long rounds = 0;
    long long turns = 0;
    long long unfinished = 0;
    std::array<long long, dw::kSeats + 1> wins{};
    std::array<double, dw::kSeats + 1> totals{};
    // Far more virtual time than any game needs: a stuck game stops here.
    const std::int64_t limit = 1'000'000'000'000LL;

    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    for (long long g = 0; g < games; ++g) {
        engine.startgame(start);
        if (host.runUntilWinner(limit))
            ++wins[static_cast<std::size_t>(engine.winner())];
        else
            ++unfinished;
        rounds += engine.stats().rounds;
        turns += engine.stats().turns;
        for (int s = 1; s <= dw::kSeats; ++s)
            totals[static_cast<std::size_t>(s)] +=
                engine.players[static_cast<std::size_t>(s)].total;
    }
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    // Processor time too: on a busy machine the wall clock overstates the cost.
    const double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;

    std::printf("games      %lld\n", games);
    std::printf("seats      %lld (amount %lld, distance %lld000)\n", seats, amount, distance);
    std::printf("rounds     %lld (%.2f per game)\n", rounds,
                games ? static_cast<double>(rounds) / static_cast<double>(games) : 0.0);
    std::printf("turns      %lld (%.1f per game)\n", turns,
                games ? static_cast<double>(turns) / static_cast<double>(games) : 0.0);
    for (int s = 1; s <= seats; ++s)
        std::printf("seat %d     wins %lld  mean total %.1f\n", s,
                    wins[static_cast<std::size_t>(s)],
                    games ? totals[static_cast<std::size_t>(s)] / static_cast<double>(games) : 0.0);
    if (unfinished)
        std::printf("unfinished %lld\n", unfinished);
    std::printf("seconds    %.3f wall, %.3f cpu\n", secs, cpu);
    std::printf("games/s    %.0f wall, %.0f cpu\n",
                secs > 0 ? static_cast<double>(games) / secs : 0.0,
                cpu > 0 ? static_cast<double>(games) / cpu : 0.0);
    return unfinished ? 1 : 0;
}
