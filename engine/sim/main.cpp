// driftwake-sim: plays bot-only games on a virtual clock and prints what
// happened and how fast. It is also the engine's benchmark, and it measures
// the Expert pilot against Classic ones: how often each seat wins, with a
// 95% confidence interval, and how long an Expert decision takes.
//
//   driftwake-sim --games N --seed S --seats 2|3|4 [--amount 5000] [--distance 70]
//                 [--expert-seats LIST]    (LIST: seat numbers, e.g. 1 or 1,3)
#include "engine/engine.h"
#include "engine/expert.h"
#include "engine/virtualclock.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace {

void usage() {
    std::fprintf(stderr, "usage: driftwake-sim --games N --seed S --seats 2|3|4 "
                         "[--amount 5000] [--distance 70] [--expert-seats LIST]\n");
}

// Seat numbers 1..seats separated by commas, as bit 1..4 of a mask.
bool parseSeats(std::string_view text, unsigned& mask) {
    mask = 0;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        if (item.size() != 1 || item[0] < '1' || item[0] > '4')
            return false;
        mask |= 1u << (item[0] - '0');
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
        if (text.empty())
            return false;
    }
    return mask != 0;
}

// The processor time of every Expert decision, in nanoseconds: on a busy
// machine the wall clock would count the other programs' time too.
std::vector<std::int64_t> decisionNs;

std::int64_t cpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

dw::Play timedExpert(const dw::TableView& table, int seat, dw::Random& random) {
    const std::int64_t t0 = cpuNs();
    const dw::Play play = dw::expertPilot(table, seat, random);
    decisionNs.push_back(cpuNs() - t0);
    return play;
}

// The Wilson score interval of a proportion at 95% confidence, in percent.
std::pair<double, double> wilson95(long long wins, long long games) {
    if (games <= 0)
        return {0.0, 0.0};
    const double z = 1.959964;
    const double n = static_cast<double>(games);
    const double p = static_cast<double>(wins) / n;
    const double centre = (p + z * z / (2 * n)) / (1 + z * z / n);
    const double half = z * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n)) / (1 + z * z / n);
    return {100.0 * std::max(0.0, centre - half), 100.0 * std::min(1.0, centre + half)};
}

// The q-quantile (0..1) of the sorted values, in milliseconds.
double quantileMs(const std::vector<std::int64_t>& sorted, double q) {
    if (sorted.empty())
        return 0.0;
    const auto i = static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5);
    return static_cast<double>(sorted[std::min(i, sorted.size() - 1)]) / 1e6;
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
    unsigned experts = 0; // bit K: seat K is played by Expert
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
        else if (opt == "--expert-seats")
            ok = parseSeats(value, experts);
        if (!ok) {
            usage();
            return 2;
        }
    }

    dw::VirtualHost host;
    dw::NoEvents unseen;
    dw::Engine engine(host, unseen, static_cast<std::uint32_t>(seed));
    host.attach(engine);
    for (int s = 1; s <= dw::kSeats; ++s)
        if (experts & (1u << s))
            engine.setPilot(s, timedExpert);
    const dw::GameStart start{"Sim", static_cast<int>(amount), static_cast<int>(distance),
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
        engine.startGame(start);
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
    for (int s = 1; s <= seats; ++s) {
        const long long w = wins[static_cast<std::size_t>(s)];
        const auto [lo, hi] = wilson95(w, games);
        std::printf("seat %d     wins %lld  %.1f%% (95%% CI %.1f-%.1f%%)  mean total %.1f  %s\n", s,
                    w, games ? 100.0 * static_cast<double>(w) / static_cast<double>(games) : 0.0,
                    lo, hi,
                    games ? totals[static_cast<std::size_t>(s)] / static_cast<double>(games) : 0.0,
                    (experts & (1u << s)) ? "expert" : "classic");
    }
    if (!decisionNs.empty()) {
        std::sort(decisionNs.begin(), decisionNs.end());
        double sum = 0;
        for (std::int64_t ns : decisionNs)
            sum += static_cast<double>(ns);
        std::printf("decisions  %zu expert, cpu time: p50 %.3f ms, p99 %.3f ms, mean %.3f ms, max "
                    "%.3f ms\n",
                    decisionNs.size(), quantileMs(decisionNs, 0.50), quantileMs(decisionNs, 0.99),
                    sum / static_cast<double>(decisionNs.size()) / 1e6,
                    static_cast<double>(decisionNs.back()) / 1e6);
    }
    if (unfinished)
        std::printf("unfinished %lld\n", unfinished);
    std::printf("seconds    %.3f wall, %.3f cpu\n", secs, cpu);
    std::printf("games/s    %.0f wall, %.0f cpu\n",
                secs > 0 ? static_cast<double>(games) / secs : 0.0,
                cpu > 0 ? static_cast<double>(games) / cpu : 0.0);
    return unfinished ? 1 : 0;
}
