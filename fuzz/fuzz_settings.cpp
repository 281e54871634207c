// The settings file reader and writer on arbitrary file contents.
//
// Properties: the text reads back byte for byte; the settings read from it,
// written back and read again are the same; and writing them changes no
// line of the file that is not one of this program's keys (other sections,
// other programs' keys, comments and junk stay, in order).
#include "store/inifile.h"
#include "store/settings.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        // A last line ending in CR gets its LF when a key is added after it.
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        out.push_back(line);
        if (nl == std::string_view::npos)
            break;
        text.remove_prefix(nl + 1);
    }
    return out;
}

// A line that may be one of the keys saveSettings or savePhrases writes.
bool mayBeOurKey(std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    std::string key;
    for (char c : line.substr(0, eq))
        if (!std::isspace(static_cast<unsigned char>(c)))
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::vector<std::string> ours{
        "textsize",    "top",       "left", "width", "height",   "textcolor",
        "playtoscore", "distance",  "bot3", "bot4",  "botspeed", "playerphrasesounds",
        "playsounds",  "pilotlevel"};
    if (std::find(ours.begin(), ours.end(), key) != ours.end())
        return true;
    return key.size() == 7 && key.rfind("phrase", 0) == 0 && key[6] >= '1' && key[6] <= '9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    dw::IniFile ini = dw::IniFile::fromText(text);
    check(ini.text() == text);

    dw::Settings s = dw::loadSettings(ini);
    check(s.textSize >= 1 && s.textSize <= dw::kMaxTextSize);
    dw::saveSettings(ini, s);
    dw::savePhrases(ini, s.phrases);
    const std::string written = ini.text();
    // A stray CR or NUL inside a stored phrase is written back as a space,
    // and values are read without surrounding blanks.
    for (std::string& phrase : s.phrases) {
        for (char& c : phrase)
            if (c == '\r' || c == '\0')
                c = ' ';
        const std::size_t first = phrase.find_first_not_of(" \t\r\v\f");
        phrase = first == std::string::npos
                     ? std::string()
                     : phrase.substr(first, phrase.find_last_not_of(" \t\r\v\f") - first + 1);
    }
    check(dw::loadSettings(dw::IniFile::fromText(written)) == s);

    // Every foreign line is still there, in order.
    const auto before = lines(text);
    const auto after = lines(written);
    std::size_t j = 0;
    for (std::string_view line : before) {
        if (mayBeOurKey(line))
            continue;
        while (j < after.size() && after[j] != line)
            ++j;
        check(j < after.size());
        ++j;
    }
    return 0;
}
