#include "store/tallytable.h"

#include "store/atomicfile.h"
#include "store/lzrw1.h"
#include "text/windows1252.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <system_error>

namespace dw {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// A whole decimal number, optionally negative.
std::optional<long long> toNumber(std::string_view s) {
    long long v = 0;
    const char* end = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(s.data(), end, v);
    if (s.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return v;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// Cuts a text into lines ending in CR LF (a bare LF is taken too).
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (nl == std::string_view::npos) {
            break;
        }
        text.remove_prefix(nl + 1);
    }
    return lines;
}

// A cell as the file holds it: Windows-1252, or UTF-8 in files that earlier
// builds of the program wrote. A cell that is well-formed UTF-8 and not plain
// ASCII is taken as such, so that a name saved then still matches the same
// name arriving from the network; in Windows-1252 such a cell would be an
// unlikely run of accented capitals followed by symbols ("Ã«" for "ë").
std::string cellFromFile(std::string_view stored) {
    const bool ascii = std::all_of(stored.begin(), stored.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && isValidUtf8(stored)) {
        return std::string(stored);
    }
    return fromWindows1252(stored);
}

// A cell as the file gets it: Windows-1252, unless those bytes would read
// back as other text (single bytes that happen to form UTF-8, as "\xCF\xB9"
// for a name with "\u00CF\u00B9" in it, or a character Windows-1252 lacks,
// from a file of an earlier build); then UTF-8, which reads back as it is.
// A line break inside a cell (a name from the network) would shift every
// later cell of the file, so it is written as a space.
std::string cellForFile(std::string_view cell) {
    std::string text(cell);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    std::string bytes = toWindows1252(text);
    return cellFromFile(bytes) == text ? bytes : text;
}

std::string notANumber(std::string_view text) {
    std::string s(1, '\'');
    s.append(text);
    s.append("' is not a valid integer value");
    return s;
}

} // namespace

std::string tallyFileName(std::string_view sectionName) {
    return std::string(sectionName) + "tally.tld";
}

TallyTable::TallyTable() {
    reset();
}

const std::string& TallyTable::cell(int column, int r) const {
    static const std::string empty;
    if (column < 0 || column >= kColumns || r < 0 || r >= rowCount()) {
        return empty;
    }
    return rows_[static_cast<std::size_t>(r)][static_cast<std::size_t>(column)];
}

long long TallyTable::number(int column, int r) const {
    return toNumber(cell(column, r)).value_or(0);
}

std::optional<int> TallyTable::talliedIndex(std::string_view name) const {
    for (std::size_t i = 0; i < tallied_.size(); ++i) {
        if (equalsIgnoreCase(tallied_[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

std::optional<int> TallyTable::rowOf(std::string_view name) const {
    const auto i = talliedIndex(name);
    if (!i) {
        return std::nullopt;
    }
    return *i + 1;
}

void TallyTable::increment(int column, int r) {
    row(r)[static_cast<std::size_t>(column)] = std::to_string(number(column, r) + 1);
}

void TallyTable::appendPlayer(const std::string& name) {
    Row added(kColumns, "0");
    added[0] = name;
    rows_.push_back(std::move(added));
}

void TallyTable::refillCurrentPlayers(const std::vector<std::string>& otherSeatNames) {
    current_.clear();
    for (const std::string& name : otherSeatNames) {
        if (name == kWaiting) {
            continue;
        }
        current_.push_back({name, talliedIndex(name).has_value()});
    }
}

void TallyTable::addGame(std::string_view result, const std::vector<std::string>& otherSeatNames) {
    refillCurrentPlayers(otherSeatNames);
    increment(OwnGames, 0);
    if (result == kOwnWin) {
        increment(OwnWins, 0);
    }
    for (const Entry& e : current_) {
        const auto r = rowOf(e.name);
        if (!r) {
            continue;
        }
        for (std::size_t c = 1; c < kColumns; ++c) {
            if (row(*r)[c].empty()) {
                row(*r)[c].assign(1, '0');
            }
        }
        int column = NeitherWon;
        if (e.name == result) {
            column = TheirWins;
        } else if (result == kOwnWin) {
            column = YourWins;
        }
        for (const int c : {static_cast<int>(Games), column}) {
            increment(c, *r);
            increment(c + SessionOffset, *r);
        }
    }
}

void TallyTable::setOwnTallyCell(int column, std::string value) {
    if (column < 0 || column >= kColumns) {
        return;
    }
    if (column == OwnLightyears) {
        ownLightyears_ = toNumber(value).value_or(0);
    }
    row(0)[static_cast<std::size_t>(column)] = std::move(value);
}

void TallyTable::setCurrentTicked(int index, bool ticked) {
    if (index < 0 || index >= static_cast<int>(current_.size())) {
        return;
    }
    Entry& e = current_[static_cast<std::size_t>(index)];
    e.ticked = ticked;
    if (ticked && !talliedIndex(e.name)) {
        tallied_.push_back({e.name, true});
        appendPlayer(e.name);
    }
}

void TallyTable::untickTallied(int index, bool confirmedDelete) {
    if (index < 0 || index >= static_cast<int>(tallied_.size())) {
        return;
    }
    const auto i = static_cast<std::size_t>(index);
    if (!confirmedDelete) {
        tallied_[i].ticked = true;
        return;
    }
    tallied_.erase(tallied_.begin() + index);
    rows_.erase(rows_.begin() + index + 1);
}

void TallyTable::reset() {
    rows_.assign(1, Row(kColumns, "0"));
    tallied_.clear();
    ownLightyears_ = 0;
}

std::string TallyTable::render() const {
    std::string out;
    out += std::to_string(kColumns);
    out += kLineEnd;
    out += std::to_string(rows_.size());
    out += kLineEnd;
    for (std::size_t c = 0; c < kColumns; ++c) {
        for (const Row& r : rows_) {
            out += cellForFile(r[c]);
            out += kLineEnd;
        }
    }
    return out;
}

std::optional<std::string> TallyTable::parse(std::string_view text) {
    const std::vector<std::string_view> lines = splitLines(text);
    const std::string_view colText = lines.size() > 0 ? lines[0] : std::string_view{};
    const auto columns = toNumber(trim(colText));
    if (!columns) {
        return notANumber(colText);
    }
    const std::string_view rowText = lines.size() > 1 ? lines[1] : std::string_view{};
    const auto declaredRows = toNumber(trim(rowText));
    if (!declaredRows) {
        return notANumber(rowText);
    }
    // Column 0 alone needs a line per row, so the lines present bound the
    // rows worth making whatever the count claims.
    const std::size_t cellLines = lines.size() - 2;
    const auto rowsWanted = static_cast<std::size_t>(std::max<long long>(1, *declaredRows));
    const std::size_t rows = std::min(rowsWanted, std::max<std::size_t>(1, cellLines));
    rows_.resize(rows, Row(kColumns));
    std::size_t next = 2;
    for (long long c = 0; c < *columns && next < lines.size(); ++c) {
        for (std::size_t r = 0; r < rows && next < lines.size(); ++r, ++next) {
            if (c < kColumns) {
                rows_[r][static_cast<std::size_t>(c)] = cellFromFile(lines[next]);
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> TallyTable::load(const std::filesystem::path& file) {
    reset();
    std::optional<std::string> error;
    bool filled = true;
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) {
        try {
            std::string container;
            {
                std::FILE* f = std::fopen(file.string().c_str(), "rb");
                if (!f) {
                    throw CompressError(compresstext::openInput(file.string()));
                }
                char buf[4096];
                std::size_t got = 0;
                while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
                    container.append(buf, got);
                }
                const bool failed = std::ferror(f) != 0;
                std::fclose(f);
                if (failed) {
                    throw CompressError(compresstext::readError(file.string()));
                }
            }
            error = parse(decompressBytes(container, file.string()));
            filled = !error;
        } catch (const CompressError& e) {
            reset();
            error = e.what();
        }
    }
    ownLightyears_ = number(OwnLightyears, 0);
    if (filled) {
        for (int r = 1; r < rowCount(); ++r) {
            tallied_.push_back({row(r)[0], true});
            for (std::size_t c = 5; c < kColumns; ++c) {
                row(r)[c].assign(1, '0');
            }
        }
    }
    return error;
}

std::optional<std::string> TallyTable::save(const std::filesystem::path& file) const {
    std::string container;
    try {
        container = compressBytes(render(), Tlzrw1::Fast);
    } catch (const CompressError& e) {
        return std::string(e.what());
    }
    // A new file beside the tally, made exclusively, keeps the tally's mode
    // and replaces it whole; what is planted beside it is never written.
    ReplaceStep failed = ReplaceStep::None;
    if (!replaceFile(file, container, &failed))
        return failed == ReplaceStep::Create ? compresstext::openOutput(file.string())
                                             : compresstext::writeError(file.string());
    return std::nullopt;
}

} // namespace dw
