// The tally of finished games, as plain data: a table of text cells, the
// list of players being tallied and the list of players in the current game,
// each entry with its tick mark. A window shows and edits it through the
// accessors and operations below; nothing here asks the user anything, the
// window asks and passes the answer.
//
// Row 0 holds the user's own totals (column 1 games, 2 wins, 3 lightyears);
// every further row is one tallied player: column 0 the name, columns 1 to 4
// games together, that player's wins, the user's wins, wins by somebody else,
// in total, and columns 5 to 8 the same for this run of the program.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// The tally file's name, built from the settings section name.
std::string tallyFileName(std::string_view sectionName);

class TallyTable {
public:
    static constexpr int kColumns = 9;
    // The result passed to addGame when the user won.
    static constexpr std::string_view kOwnWin = "addtomine";
    // A seat's name label while nobody sits there.
    static constexpr std::string_view kWaiting = "<Waiting>";

    enum OwnColumn { OwnGames = 1, OwnWins = 2, OwnLightyears = 3 };
    enum PlayerColumn {
        Games = 1,
        TheirWins = 2,
        YourWins = 3,
        NeitherWon = 4,
        // Columns 5 to 8 repeat 1 to 4 for this run only.
        SessionOffset = 4,
    };

    struct Entry {
        std::string name;
        bool ticked = false;
    };

    TallyTable();

    // --- cells ---
    int rowCount() const { return static_cast<int>(rows_.size()); }
    // The text of a cell; empty outside the table.
    const std::string& cell(int column, int row) const;
    // A counter cell as a number; empty or non-numeric text counts as 0.
    long long number(int column, int row) const;
    long long ownLightyears() const { return ownLightyears_; }

    // --- the two lists ---
    // "Players Being Tallied"; entry i belongs to row i + 1.
    const std::vector<Entry>& tallied() const { return tallied_; }
    // "Players In Current Game".
    const std::vector<Entry>& current() const { return current_; }
    // Position in "Players Being Tallied", letter case ignored.
    std::optional<int> talliedIndex(std::string_view name) const;
    // The table row of a tallied player, letter case ignored.
    std::optional<int> rowOf(std::string_view name) const;

    // --- operations ---
    // Refills "Players In Current Game" from the name labels of the seats
    // other than the user's own; labels showing "<Waiting>" are skipped.
    // A name is ticked when it is being tallied.
    void refillCurrentPlayers(const std::vector<std::string>& otherSeatNames);
    // Records a finished game: `result` is "addtomine" when the user won,
    // otherwise the winner's name.
    void addGame(std::string_view result, const std::vector<std::string>& otherSeatNames);
    // Sets a cell of row 0; column 3 also becomes the own lightyears.
    void setOwnTallyCell(int column, std::string value);
    // The user set or cleared the tick of entry `index` of "Players In
    // Current Game". Ticking a name that is not tallied yet starts its tally
    // (a new row with zero counters).
    void setCurrentTicked(int index, bool ticked);
    // The user cleared the tick of entry `index` of "Players Being Tallied"
    // and answered whether to delete that player's tally: No keeps the entry
    // ticked; Yes removes the entry and its row (the rows below move up).
    void untickTallied(int index, bool confirmedDelete);
    // "Reset Tally" answered with Yes: own totals 0 and no tallied players.
    // "Players In Current Game" keeps its entries and tick marks.
    void reset();

    // --- text form and file ---
    // The column count, the row count, then every cell column by column,
    // each on its own line ending in CR LF. Cells hold UTF-8; the text form
    // is Windows-1252.
    std::string render() const;
    // Reads a text form into the table. When a count is not a number the
    // table keeps what it held and the error text is returned. Cells are
    // read as Windows-1252, except that a cell in UTF-8 (as earlier builds
    // wrote names) is kept as it is.
    std::optional<std::string> parse(std::string_view text);

    // Start-of-program load: row 0 zeroed, then the file read when it exists,
    // the own lightyears taken from row 0 and the lists filled with the
    // tallied players (session counters zeroed). A file that cannot be read
    // leaves an empty tally; returns the text to show the user.
    std::optional<std::string> load(const std::filesystem::path& file);
    // Writes the table compressed (method Fast). The file is replaced in one
    // step: a failure leaves the previous file as it was. Returns the text to
    // show the user on failure.
    std::optional<std::string> save(const std::filesystem::path& file) const;

private:
    using Row = std::vector<std::string>;
    Row& row(int r) { return rows_[static_cast<std::size_t>(r)]; }
    void increment(int column, int row);
    void appendPlayer(const std::string& name);

    std::vector<Row> rows_;
    std::vector<Entry> tallied_;
    std::vector<Entry> current_;
    long long ownLightyears_ = 0;
};

} // namespace dw
