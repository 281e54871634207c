#include "store/inifile.h"

#include "store/atomicfile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view trim(std::string_view s) {
    auto b = s.find_first_not_of(kBlanks);
    if (b == std::string_view::npos)
        return {};
    auto e = s.find_last_not_of(kBlanks);
    return s.substr(b, e - b + 1);
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// The line's bytes without its line ending.
std::string_view content(std::string_view raw) {
    if (!raw.empty() && raw.back() == '\n') {
        raw.remove_suffix(1);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
    }
    return raw;
}

std::string_view ending(std::string_view raw) {
    return raw.substr(content(raw).size());
}

bool holdsLineText(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool validName(std::string_view s) {
    return !s.empty() && holdsLineText(s) && trim(s) == s;
}

// Reads `fd` to its end into `out`.
bool readAll(int fd, std::string& out) {
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
}

} // namespace

IniFile::Line IniFile::makeLine(std::string raw, bool first) {
    Line line;
    std::string_view text = content(raw);
    if (first && text.starts_with(kBom))
        text.remove_prefix(kBom.size());
    text = trim(text);
    if (text.starts_with('[')) {
        auto close = text.find(']');
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            line.name = trim(text.substr(1, close - 1));
        }
    } else if (!text.starts_with(';') && !text.starts_with('#')) {
        auto eq = text.find('=');
        if (eq != std::string_view::npos && eq > 0) {
            line.kind = Kind::Key;
            line.name = trim(text.substr(0, eq));
        }
    }
    line.raw = std::move(raw);
    return line;
}

IniFile IniFile::fromText(std::string_view text) {
    IniFile ini;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
        ini.lines_.push_back(makeLine(std::string(text.substr(pos, end - pos)), pos == 0));
        pos = end;
    }
    return ini;
}

IniFile IniFile::load(const std::filesystem::path& path) {
    IniFile ini;
    ini.path_ = path;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // A missing file is an empty one; anything else is unreadable.
        ini.readable_ = errno == ENOENT;
        return ini;
    }
    std::string data;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && readAll(fd, data);
    ::close(fd);
    if (ok)
        ini = fromText(data);
    ini.path_ = path;
    ini.readable_ = ok;
    return ini;
}

IniFile::Place IniFile::find(std::string_view section, std::string_view key) const {
    Place place;
    bool inSection = false;
    bool firstSection = false;
    bool seenSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section) {
            inSection = sameName(line.name, section);
            firstSection = inSection && !seenSection;
            seenSection = seenSection || inSection;
            if (firstSection)
                place.sectionEnd = static_cast<long>(i);
        } else if (line.kind == Kind::Key && inSection) {
            if (firstSection)
                place.sectionEnd = static_cast<long>(i);
            if (place.key < 0 && sameName(line.name, key))
                place.key = static_cast<long>(i);
        }
    }
    return place;
}

std::optional<std::string> IniFile::read(std::string_view section, std::string_view key) const {
    Place place = find(section, key);
    if (place.key < 0)
        return std::nullopt;
    std::string_view text = content(lines_[static_cast<std::size_t>(place.key)].raw);
    return std::string(trim(text.substr(text.find('=') + 1)));
}

std::string_view IniFile::lineEnding(long after) const {
    if (after >= 0) {
        std::string_view e = ending(lines_[static_cast<std::size_t>(after)].raw);
        if (!e.empty())
            return e;
    }
    for (const Line& line : lines_) {
        std::string_view e = ending(line.raw);
        if (!e.empty())
            return e;
    }
    return "\n";
}

bool IniFile::write(std::string_view section, std::string_view key, std::string_view value) {
    if (!validName(section) || section.find(']') != std::string_view::npos)
        return false;
    if (!validName(key) || key.find('=') != std::string_view::npos || key.starts_with('[') ||
        key.starts_with(';') || key.starts_with('#'))
        return false;
    if (!holdsLineText(value))
        return false;

    std::string keyLine = std::string(key) + "=" + std::string(value);
    Place place = find(section, key);
    if (place.key >= 0) {
        Line& line = lines_[static_cast<std::size_t>(place.key)];
        std::string eol(ending(line.raw));
        line = makeLine(keyLine + eol, place.key == 0);
        return true;
    }

    long after = place.sectionEnd >= 0 ? place.sectionEnd : static_cast<long>(lines_.size()) - 1;
    std::string eol(lineEnding(after));
    if (after >= 0) {
        Line& prev = lines_[static_cast<std::size_t>(after)];
        if (ending(prev.raw).empty())
            prev.raw += eol;
    }
    auto at = lines_.begin() + (after + 1);
    if (place.sectionEnd < 0) {
        std::string header;
        header.reserve(section.size() + 2 + eol.size());
        header.append(1, '[').append(section).append(1, ']').append(eol);
        at = lines_.insert(at, makeLine(std::move(header), lines_.empty())) + 1;
    }
    lines_.insert(at, makeLine(keyLine + eol, false));
    return true;
}

std::string IniFile::text() const {
    std::size_t size = 0;
    for (const Line& line : lines_)
        size += line.raw.size();
    std::string s;
    s.reserve(size);
    for (const Line& line : lines_)
        s += line.raw;
    return s;
}

bool IniFile::save() const {
    if (path_.empty() || !readable_)
        return false;
    return saveTo(path_);
}

bool IniFile::saveTo(const std::filesystem::path& path) const {
    return replaceFile(path, text());
}

} // namespace dw
