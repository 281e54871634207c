// The user's preferences, kept in the "Driftwake" section of the settings file
// korvellobby.ini (a file shared with the lobby and other games), and the
// rules for the main window's geometry.
//
// Typical use on the window side:
//   auto path = dw::settingsFilePath(dir);
//   dw::Settings s = dw::loadSettingsFile(path);          // at login
//   ... apply s, keep s.geometry as the stored geometry ...
//   dw::saveSettingsFile(path, current);                   // on a change
//   dw::savePhrasesFile(path, texts);                      // phrases window
#pragma once

#include "engine/pilot.h"
#include "store/colours.h"
#include "store/inifile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dw {

inline constexpr std::string_view kSettingsSection = "Driftwake";
inline constexpr std::string_view kSettingsFileName = "korvellobby.ini";
// The tally file's name: the section name followed by "tally.tld".
std::string tallyFileName();
// The settings file in directory `dir`.
std::filesystem::path settingsFilePath(const std::filesystem::path& dir);

inline constexpr int kPhraseCount = 9;
using PhraseTexts = std::array<std::string, kPhraseCount>;

// Bot delays in milliseconds.
enum class BotSpeed { Slow = 1000, Normal = 750, Fast = 250 };
constexpr int botDelayMs(BotSpeed s) {
    return static_cast<int>(s);
}

// The main window's outer geometry in pixels.
struct WindowGeometry {
    int top = 3;
    int left = 3;
    int width = 772;
    int height = 535;
    friend bool operator==(const WindowGeometry&, const WindowGeometry&) = default;
};

struct Settings {
    // Point size of the chat styles and the status log. A stored size below 1
    // or above kMaxTextSize reads as the default.
    int textSize = 8;
    WindowGeometry geometry;
    // The user's chat colour (also the input box's text colour).
    std::uint32_t textColour = kColourSilver;
    // The game options dialog's amount to earn and trip distance. Empty when
    // the stored text is not a number: the dialog then keeps what it shows.
    // The dialog brings the value into its own range.
    std::optional<int> playToScore = 5000;
    std::optional<int> distance = 70;
    // The dialog's "Bot for Player 3/4" tick boxes.
    bool bot3 = false;
    bool bot4 = false;
    BotSpeed botSpeed = BotSpeed::Normal;
    // Stored phrase button texts (UTF-8; the file holds Windows-1252). An
    // empty text leaves the button's built-in text in place.
    PhraseTexts phrases;
    bool playSounds = true;
    bool playerPhraseSounds = true;
    // The level of the computer pilots of a game this copy hosts, stored as
    // "classic" or "expert"; anything else reads as Classic.
    PilotLevel pilotLevel = PilotLevel::Classic;
    friend bool operator==(const Settings&, const Settings&) = default;
};

inline constexpr int kMaxTextSize = 100;

// Reads an integer setting: decimal with an optional sign, or hexadecimal
// after "0x"/"0X" (up to eight digits, taken as a 32-bit two's complement
// value, so "0xFFFFFFFF" is -1). Anything else gives nothing.
std::optional<int> parseIniInteger(std::string_view text);

// Reads every key of the section; a missing file or section gives the
// defaults above, and each unreadable value gives its own default.
Settings loadSettings(const IniFile& ini);
Settings loadSettingsFile(const std::filesystem::path& path);

// Writes Textsize, Top, Left, Width, Height, Textcolor, Playtoscore,
// Distance, Bot3, Bot4, Botspeed, Playerphrasesounds, Playsounds and
// Pilotlevel, in that order, into `ini` (phrases are not written). An empty playToScore or
// distance leaves that key as it is.
void saveSettings(IniFile& ini, const Settings& s);
// Writes Phrase1..Phrase9, empty texts included. Line breaks in a text are
// stored as spaces.
void savePhrases(IniFile& ini, const PhraseTexts& phrases);

// Re-read the file at `path` (so that changes other programs made meanwhile
// are kept), write the keys and save it atomically. False when the file
// could not be read or written; the file is then unchanged.
bool saveSettingsFile(const std::filesystem::path& path, const Settings& s);
bool savePhrasesFile(const std::filesystem::path& path, const PhraseTexts& phrases);

// --- Window geometry rules ---

// The board panel; the window's client area stays 4 pixels larger each way.
inline constexpr int kBoardPanelWidth = 793;
inline constexpr int kBoardPanelHeight = 526;
inline constexpr int kMinClientWidth = kBoardPanelWidth + 4;   // 797
inline constexpr int kMinClientHeight = kBoardPanelHeight + 4; // 530
// The geometry "Reset Screen Location" restores.
inline constexpr WindowGeometry kDefaultGeometry{};
// How much narrower (or lower) a window larger than the work area is saved.
inline constexpr int kWorkAreaStep = 15;

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// True when the window's geometry differs from the stored one.
bool geometryChanged(const WindowGeometry& current, const WindowGeometry& stored);

// A window wider than the work area becomes 15 pixels narrower, one taller
// than it 15 pixels lower: a single step each, not a fit.
WindowGeometry narrowToWorkArea(WindowGeometry g, Size workArea);

// What to store and save when the main window closes: nothing when the
// geometry is unchanged, or when the settings were never loaded (`stored`
// empty) since saving then would overwrite the user's settings with the
// built-in defaults; otherwise the geometry after narrowToWorkArea.
std::optional<WindowGeometry> geometryToSaveOnClose(const WindowGeometry& current,
                                                    const std::optional<WindowGeometry>& stored,
                                                    Size workArea);

} // namespace dw
