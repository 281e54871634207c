// Speed of the settings file on large shared files: parsing, reading every
// setting, writing them back, and a whole load-change-save cycle on disk
// (with its flush to disk). The files are generated the same way on every
// run: many small foreign sections, then a few lines of several megabytes.
// Prints the best of several rounds.
#include "store/inifile.h"
#include "store/settings.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

std::string makeFile(int sections, std::size_t longLine) {
    std::string text = "; shared settings\r\n";
    for (int i = 0; i < sections; ++i) {
        text += "[Game" + std::to_string(i) + "]\r\n";
        for (int k = 0; k < 8; ++k)
            text += "Key" + std::to_string(k) + " = value " + std::to_string(i * k) + "\r\n";
        text += "\r\n";
    }
    std::uint32_t x = 1;
    for (int line = 0; line < 3; ++line) {
        for (std::size_t i = 0; i < longLine; ++i) {
            x = x * 1664525u + 1013904223u;
            char c = static_cast<char>(x >> 24);
            text.push_back(c == '\n' ? ' ' : c);
        }
        text += "\r\n";
    }
    return text + "[Driftwake]\r\nTextsize=10\r\nTextcolor=clRed\r\nPhrase1=Hi\r\n";
}

template <typename F> double bestMs(int rounds, F&& f) {
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main() {
    const std::string text = makeFile(20000, 4 * 1024 * 1024);
    const double mb = static_cast<double>(text.size()) / (1024.0 * 1024.0);
    std::printf("file: %.1f MiB, %d sections\n", mb, 20000);

    std::size_t sink = 0;
    double parse = bestMs(5, [&] { sink += dw::IniFile::fromText(text).text().size(); });
    dw::IniFile ini = dw::IniFile::fromText(text);
    double load = bestMs(5, [&] { sink += dw::loadSettings(ini).phrases[0].size(); });
    double save = bestMs(5, [&] {
        dw::IniFile copy = ini;
        dw::saveSettings(copy, dw::loadSettings(copy));
        sink += copy.text().size();
    });
    std::printf("parse and rebuild: %8.1f ms (%.0f MiB/s)\n", parse, mb / (parse / 1000.0));
    std::printf("load settings:     %8.1f ms\n", load);
    std::printf("save settings:     %8.1f ms (in memory, with rebuild)\n", save);

    auto dir = std::filesystem::temp_directory_path() / "driftwake-inibench";
    std::filesystem::create_directories(dir);
    auto big = dir / "big.ini";
    auto small = dir / "small.ini";
    ini.saveTo(big);
    dw::IniFile::fromText(makeFile(3, 0)).saveTo(small);
    dw::Settings s;
    double bigCycle = bestMs(3, [&] { sink += dw::saveSettingsFile(big, s) ? 1 : 0; });
    double smallCycle = bestMs(10, [&] { sink += dw::saveSettingsFile(small, s) ? 1 : 0; });
    std::printf("save cycle on disk: %7.1f ms (large file), %.2f ms (small file)\n", bigCycle,
                smallCycle);
    std::filesystem::remove_all(dir);
    return sink == 0 ? 1 : 0;
}
