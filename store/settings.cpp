#include "store/settings.h"

#include "text/windows1252.h"

#include <charconv>

namespace dw {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The file is shared with the lobby, which writes Windows-1252; values are
// read from it and written to it in that character set, so a text the
// program does not change goes back byte for byte.
std::string readText(const IniFile& ini, std::string_view key, std::string_view fallback) {
    const std::optional<std::string> stored = ini.read(kSettingsSection, key);
    return stored ? fromWindows1252(*stored) : std::string(fallback);
}

int readInt(const IniFile& ini, std::string_view key, int fallback) {
    auto text = ini.read(kSettingsSection, key);
    if (!text)
        return fallback;
    return parseIniInteger(*text).value_or(fallback);
}

// An amount or distance: empty text or a non-number leaves the dialog alone.
std::optional<int> readDialogNumber(const IniFile& ini, std::string_view key,
                                    std::string_view fallback) {
    std::string text = readText(ini, key, fallback);
    if (text.empty())
        return std::nullopt;
    return parseIniInteger(text);
}

std::string phraseKey(int n) {
    return "Phrase" + std::to_string(n);
}

void put(IniFile& ini, std::string_view key, std::string_view value) {
    ini.write(kSettingsSection, key, toWindows1252(value));
}

void put(IniFile& ini, std::string_view key, int value) {
    put(ini, key, std::to_string(value));
}

const char* boolText(bool b) {
    return b ? "true" : "false";
}

} // namespace

std::string tallyFileName() {
    return std::string(kSettingsSection) + "tally.tld";
}

std::filesystem::path settingsFilePath(const std::filesystem::path& dir) {
    return dir / kSettingsFileName;
}

std::optional<int> parseIniInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::string_view digits = text.substr(2);
        if (digits.size() > 8)
            return std::nullopt;
        for (char c : digits)
            if (!isHexDigit(c))
                return std::nullopt;
        std::uint32_t v = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
        return static_cast<int>(v);
    }
    if (text.starts_with('+') && !text.starts_with("+-"))
        text.remove_prefix(1);
    std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (digits.empty() || digits[0] < '0' || digits[0] > '9')
        return std::nullopt;
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 10);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

Settings loadSettings(const IniFile& ini) {
    Settings s;
    const Settings defaults;

    s.textSize = readInt(ini, "Textsize", defaults.textSize);
    if (s.textSize < 1 || s.textSize > kMaxTextSize)
        s.textSize = defaults.textSize;

    s.geometry.top = readInt(ini, "Top", defaults.geometry.top);
    s.geometry.left = readInt(ini, "Left", defaults.geometry.left);
    s.geometry.width = readInt(ini, "Width", defaults.geometry.width);
    s.geometry.height = readInt(ini, "Height", defaults.geometry.height);

    // Black chat text would vanish on the black input box, so black (however
    // it is written) loads as silver.
    std::string colour = readText(ini, "Textcolor", "clSilver");
    s.textColour = colourFromString(colour).value_or(kColourSilver);
    if (s.textColour == kColourBlack)
        s.textColour = kColourSilver;

    s.playToScore = readDialogNumber(ini, "Playtoscore", "5000");
    s.distance = readDialogNumber(ini, "Distance", "70");

    s.bot3 = readInt(ini, "Bot3", 0) != 0;
    s.bot4 = readInt(ini, "Bot4", 0) != 0;

    std::string speed = readText(ini, "Botspeed", "");
    s.botSpeed = speed == "1000"  ? BotSpeed::Slow
                 : speed == "250" ? BotSpeed::Fast
                                  : BotSpeed::Normal;

    for (int n = 1; n <= kPhraseCount; ++n)
        s.phrases[static_cast<std::size_t>(n - 1)] = readText(ini, phraseKey(n), "");

    s.playSounds = readText(ini, "Playsounds", "true") != "false";
    s.playerPhraseSounds = readText(ini, "Playerphrasesounds", "true") != "false";
    s.pilotLevel = parsePilotLevel(readText(ini, "Pilotlevel", "")).value_or(PilotLevel::Classic);
    return s;
}

Settings loadSettingsFile(const std::filesystem::path& path) {
    return loadSettings(IniFile::load(path));
}

void saveSettings(IniFile& ini, const Settings& s) {
    put(ini, "Textsize", s.textSize);
    put(ini, "Top", s.geometry.top);
    put(ini, "Left", s.geometry.left);
    put(ini, "Width", s.geometry.width);
    put(ini, "Height", s.geometry.height);
    put(ini, "Textcolor", colourToString(s.textColour));
    if (s.playToScore)
        put(ini, "Playtoscore", *s.playToScore);
    if (s.distance)
        put(ini, "Distance", *s.distance);
    put(ini, "Bot3", s.bot3 ? 1 : 0);
    put(ini, "Bot4", s.bot4 ? 1 : 0);
    put(ini, "Botspeed", botDelayMs(s.botSpeed));
    put(ini, "Playerphrasesounds", boolText(s.playerPhraseSounds));
    put(ini, "Playsounds", boolText(s.playSounds));
    put(ini, "Pilotlevel", std::string(pilotLevelName(s.pilotLevel)));
}

void savePhrases(IniFile& ini, const PhraseTexts& phrases) {
    for (int n = 1; n <= kPhraseCount; ++n) {
        std::string text = phrases[static_cast<std::size_t>(n - 1)];
        for (char& c : text)
            if (c == '\r' || c == '\n' || c == '\0')
                c = ' ';
        put(ini, phraseKey(n), text);
    }
}

bool saveSettingsFile(const std::filesystem::path& path, const Settings& s) {
    IniFile ini = IniFile::load(path);
    saveSettings(ini, s);
    return ini.save();
}

bool savePhrasesFile(const std::filesystem::path& path, const PhraseTexts& phrases) {
    IniFile ini = IniFile::load(path);
    savePhrases(ini, phrases);
    return ini.save();
}

bool geometryChanged(const WindowGeometry& current, const WindowGeometry& stored) {
    return current != stored;
}

WindowGeometry narrowToWorkArea(WindowGeometry g, Size workArea) {
    if (g.width > workArea.width)
        g.width -= kWorkAreaStep;
    if (g.height > workArea.height)
        g.height -= kWorkAreaStep;
    return g;
}

std::optional<WindowGeometry> geometryToSaveOnClose(const WindowGeometry& current,
                                                    const std::optional<WindowGeometry>& stored,
                                                    Size workArea) {
    if (!stored || !geometryChanged(current, *stored))
        return std::nullopt;
    return narrowToWorkArea(current, workArea);
}

} // namespace dw
