#include "store/lzrw1.h"
#include "store/tallytable.h"
#include "tests/store/tempdir.h"
#include "tests/support/filesizelimit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace dw {
namespace {

namespace fs = std::filesystem;

// Columns 1 to 8 of a row, as one text for compact comparisons.
std::string counters(const TallyTable& t, int row) {
    std::string s;
    for (int c = 1; c < TallyTable::kColumns; ++c) {
        s += t.cell(c, row);
        s += c == 4 ? " | " : (c < 8 ? " " : "");
    }
    return s;
}

// A table tallying Alice and Bob, ticked from the current game's list.
TallyTable talliedAliceAndBob() {
    TallyTable t;
    t.refillCurrentPlayers({"Alice", "Bob", "<Waiting>"});
    t.setCurrentTicked(0, true);
    t.setCurrentTicked(1, true);
    return t;
}

TEST(TallyTable, StartsWithZeroOwnTotalsAndRendersColumnByColumn) {
    TallyTable t;
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_TRUE(t.tallied().empty());
    EXPECT_EQ(t.render(), "9\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");

    t.refillCurrentPlayers({"Z\r\ned"}); // a line break cannot shift the cells
    t.setCurrentTicked(0, true);
    t.setOwnTallyCell(3, "12500");
    EXPECT_EQ(t.render(), "9\r\n2\r\n"
                          "0\r\nZ  ed\r\n"
                          "0\r\n0\r\n0\r\n0\r\n12500\r\n0\r\n"
                          "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
}

TEST(TallyTable, TickingInTheCurrentGameStartsATally) {
    TallyTable t;
    t.refillCurrentPlayers({"Alice", "<Waiting>", "Bob"});
    ASSERT_EQ(t.current().size(), 2u);
    EXPECT_FALSE(t.current()[0].ticked);
    t.setCurrentTicked(1, true);
    ASSERT_EQ(t.tallied().size(), 1u);
    EXPECT_EQ(t.tallied()[0].name, "Bob");
    EXPECT_EQ(t.rowOf("BOB"), 1);
    EXPECT_EQ(counters(t, 1), "0 0 0 0 | 0 0 0 0");
    // Unticking and ticking again only changes the mark.
    t.setCurrentTicked(1, false);
    t.setCurrentTicked(1, true);
    EXPECT_EQ(t.rowCount(), 2);
    // A tallied name shows ticked whatever its letter case.
    t.refillCurrentPlayers({"bob", "Alice"});
    EXPECT_TRUE(t.current()[0].ticked);
    EXPECT_FALSE(t.current()[1].ticked);
}

TEST(TallyTable, OwnWinCountsForEveryTalliedOpponent) {
    TallyTable t = talliedAliceAndBob();
    t.addGame(TallyTable::kOwnWin, {"Alice", "Bob", "<Waiting>"});
    EXPECT_EQ(t.cell(1, 0), "1");
    EXPECT_EQ(t.cell(2, 0), "1");
    EXPECT_EQ(counters(t, 1), "1 0 1 0 | 1 0 1 0");
    EXPECT_EQ(counters(t, 2), "1 0 1 0 | 1 0 1 0");
}

TEST(TallyTable, OpponentWinsAreSplitByWhoWon) {
    TallyTable t = talliedAliceAndBob();
    // A tallied winner; Carl plays but is not tallied.
    t.addGame("Alice", {"Alice", "Bob", "Carl"});
    EXPECT_EQ(t.cell(1, 0), "1");
    EXPECT_EQ(t.cell(2, 0), "0");
    EXPECT_EQ(counters(t, 1), "1 1 0 0 | 1 1 0 0");
    EXPECT_EQ(counters(t, 2), "1 0 0 1 | 1 0 0 1");
    EXPECT_EQ(t.rowCount(), 3);

    // A winner who is not tallied.
    t.addGame("Carl", {"Alice", "Bob", "Carl"});
    EXPECT_EQ(counters(t, 1), "2 1 0 1 | 2 1 0 1");
    EXPECT_EQ(counters(t, 2), "2 0 0 2 | 2 0 0 2");

    // Membership ignores letter case, the winner comparison does not.
    t.addGame("Alice", {"ALICE"});
    EXPECT_EQ(counters(t, 1), "3 1 0 2 | 3 1 0 2");
    // Absent players are untouched.
    EXPECT_EQ(counters(t, 2), "2 0 0 2 | 2 0 0 2");
    EXPECT_EQ(t.cell(1, 0), "3");
}

TEST(TallyTable, EmptyOrBrokenCountersCountAsZero) {
    test::TempDir dir;
    // Alice's games cell is empty, her wins cell is not a number.
    test::writeFile(dir / "t.tld",
                    compressBytes("9\r\n2\r\n0\r\nAlice\r\n3\r\n\r\n0\r\nx\r\n", Tlzrw1::Fast));
    TallyTable t;
    ASSERT_FALSE(t.load(dir / "t.tld"));
    EXPECT_EQ(t.cell(1, 1), "");
    EXPECT_EQ(t.number(2, 1), 0);
    t.addGame("Alice", {"Alice"});
    EXPECT_EQ(t.cell(1, 0), "4");
    EXPECT_EQ(counters(t, 1), "1 1 0 0 | 1 1 0 0");
}

TEST(TallyTable, UntickingAskedNoKeepsAndYesDeletesTheRow) {
    TallyTable t;
    t.refillCurrentPlayers({"Ann", "Ben", "Cid"});
    for (int i = 0; i < 3; ++i) {
        t.setCurrentTicked(i, true);
    }
    t.addGame("Cid", {"Cid"});
    t.untickTallied(1, false);
    EXPECT_EQ(t.tallied().size(), 3u);
    EXPECT_TRUE(t.tallied()[1].ticked);
    t.untickTallied(1, true);
    ASSERT_EQ(t.tallied().size(), 2u);
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.cell(0, 2), "Cid");
    EXPECT_EQ(counters(t, 2), "1 1 0 0 | 1 1 0 0");
    EXPECT_EQ(t.rowOf("Cid"), 2);
    EXPECT_FALSE(t.rowOf("Ben"));
}

TEST(TallyTable, ResetClearsTotalsButKeepsTheCurrentGame) {
    TallyTable t = talliedAliceAndBob();
    t.setOwnTallyCell(3, "37500");
    t.addGame(TallyTable::kOwnWin, {"Alice", "Bob"});
    t.reset();
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_TRUE(t.tallied().empty());
    EXPECT_EQ(t.cell(1, 0), "0");
    EXPECT_EQ(t.cell(3, 0), "0");
    EXPECT_EQ(t.ownLightyears(), 0);
    ASSERT_EQ(t.current().size(), 2u);
    EXPECT_TRUE(t.current()[0].ticked);
    // The board adds a 5000 move to the own lightyears.
    t.setOwnTallyCell(3, std::to_string(t.ownLightyears() + 5000));
    EXPECT_EQ(t.cell(3, 0), "5000");
    EXPECT_EQ(t.ownLightyears(), 5000);
    t.setOwnTallyCell(3, "lots");
    EXPECT_EQ(t.ownLightyears(), 0);
    t.setOwnTallyCell(42, "ignored");
    EXPECT_EQ(t.cell(42, 0), "");
}

TEST(TallyFile, RestartKeepsTotalsAndZeroesTheSession) {
    test::TempDir dir;
    const fs::path file = dir / tallyFileName("Driftwake");
    EXPECT_EQ(file.filename(), "Driftwaketally.tld");

    TallyTable first;
    EXPECT_FALSE(first.load(file)); // no file yet: nothing to report
    first.refillCurrentPlayers({"Alice", "Bob"});
    first.setCurrentTicked(0, true);
    first.setCurrentTicked(1, true);
    first.setOwnTallyCell(3, "20000");
    first.addGame(TallyTable::kOwnWin, {"Alice", "Bob"});
    first.addGame("Bob", {"Alice", "Bob"});
    ASSERT_FALSE(first.save(file));

    // The file is the "WRZL" container around the rendered text.
    const std::string raw = test::readFile(file);
    EXPECT_EQ(raw.substr(0, 4), "WRZL");
    EXPECT_EQ(decompressBytes(raw, "t"), first.render());

    TallyTable second;
    EXPECT_FALSE(second.load(file));
    EXPECT_EQ(second.ownLightyears(), 20000);
    EXPECT_EQ(second.cell(1, 0), "2");
    EXPECT_EQ(second.cell(2, 0), "1");
    ASSERT_EQ(second.tallied().size(), 2u);
    EXPECT_TRUE(second.tallied()[0].ticked);
    EXPECT_EQ(counters(second, 1), "2 0 1 1 | 0 0 0 0");
    EXPECT_EQ(counters(second, 2), "2 1 1 0 | 0 0 0 0");
}

TEST(TallyFile, NamesAreSingleByteAndOlderUtf8NamesStillMatch) {
    test::TempDir dir;
    const fs::path file = dir / "t.tld";
    // Written by an earlier build: "Zo\u00EB" in UTF-8. Written now:
    // "Jos\u00E9" and "\u00C9ric" in Windows-1252.
    const std::string text =
        "9\r\n4\r\n0\r\nZo\xC3\xAB\r\nJos\xE9\r\n\xC9ric\r\n" + std::string("0\r\n1\r\n1\r\n1\r\n");
    {
        std::string more;
        for (int c = 2; c < TallyTable::kColumns; ++c)
            more += "0\r\n0\r\n0\r\n0\r\n";
        test::writeFile(file, compressBytes(text + more, Tlzrw1::Fast));
    }
    TallyTable t;
    ASSERT_FALSE(t.load(file));
    ASSERT_EQ(t.tallied().size(), 3u);
    // Names as they arrive from the network now (decoded from Windows-1252).
    EXPECT_EQ(t.rowOf("Zo\u00EB"), 1);
    EXPECT_EQ(t.rowOf("Jos\u00E9"), 2);
    EXPECT_EQ(t.rowOf("\u00C9ric"), 3);
    t.addGame("Zo\u00EB", {"Zo\u00EB", "Jos\u00E9"});
    EXPECT_EQ(counters(t, 1), "2 1 0 0 | 1 1 0 0");

    // Saved, every name is Windows-1252.
    ASSERT_FALSE(t.save(file));
    const std::string saved = decompressBytes(test::readFile(file), "t");
    EXPECT_TRUE(saved.starts_with("9\r\n4\r\n0\r\nZo\xEB\r\nJos\xE9\r\n\xC9ric\r\n"));
    TallyTable again;
    ASSERT_FALSE(again.load(file));
    EXPECT_EQ(again.tallied()[0].name, "Zo\u00EB");
}

TEST(TallyFile, NamesWhoseSingleBytesFormUtf8ReadBackAsSaved) {
    test::TempDir dir;
    const fs::path file = dir / "t.tld";
    // "\u00CF\u00B9" in Windows-1252 is "\xCF\xB9", which is also UTF-8
    // for another character; such a name is saved in UTF-8 instead.
    TallyTable t;
    t.refillCurrentPlayers({"R\u00CF\u00B9a", "Jos\u00E9"});
    t.setCurrentTicked(0, true);
    t.setCurrentTicked(1, true);
    ASSERT_FALSE(t.save(file));
    const std::string saved = decompressBytes(test::readFile(file), "t");
    EXPECT_TRUE(saved.starts_with("9\r\n3\r\n0\r\nR\xC3\x8F\xC2\xB9"
                                  "a\r\nJos\xE9\r\n"));

    TallyTable again;
    ASSERT_FALSE(again.load(file));
    ASSERT_EQ(again.tallied().size(), 2u);
    EXPECT_EQ(again.tallied()[0].name, "R\u00CF\u00B9a");
    EXPECT_EQ(again.tallied()[1].name, "Jos\u00E9");
}

TEST(TallyFile, UnreadableFilesGiveAnErrorAndAFreshTable) {
    test::TempDir dir;
    const fs::path file = dir / "t.tld";
    TallyTable t = talliedAliceAndBob();

    test::writeFile(file, "not a tally at all");
    EXPECT_EQ(t.load(file), compresstext::badHeader(file.string()));
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_TRUE(t.tallied().empty());
    EXPECT_EQ(t.render(), TallyTable().render());

    test::writeFile(file, compressBytes("9\r\n2\r\n0\r\nAlice\r\n", Tlzrw1::Fast).substr(0, 12));
    EXPECT_EQ(t.load(file), compresstext::readError(file.string()));
    EXPECT_EQ(t.rowCount(), 1);

    // Counts that are not numbers: the error, and the lists stay empty.
    test::writeFile(file, compressBytes("nine\r\n2\r\n0\r\nAlice\r\n", Tlzrw1::Fast));
    EXPECT_EQ(t.load(file), "'nine' is not a valid integer value");
    EXPECT_TRUE(t.tallied().empty());
    test::writeFile(file, compressBytes("9\r\n\r\n", Tlzrw1::Fast));
    EXPECT_EQ(t.load(file), "'' is not a valid integer value");
    EXPECT_EQ(t.rowCount(), 1);
}

TEST(TallyFile, ReadsShortAndOverstatedTables) {
    TallyTable t;
    // A row count far beyond the lines present is not taken at its word.
    EXPECT_FALSE(t.parse("9\r\n2000000000\r\n0\r\nAlice\r\n"));
    EXPECT_LE(t.rowCount(), 2);
    EXPECT_EQ(t.cell(0, 1), "Alice");
    // Extra columns are skipped; bare LF line ends are taken.
    TallyTable u;
    EXPECT_FALSE(u.parse("10\n1\nz\n1\n2\n3\n4\n5\n6\n7\n8\n9\n"));
    EXPECT_EQ(u.cell(0, 0), "z");
    EXPECT_EQ(u.cell(8, 0), "8");
}

TEST(TallyFile, FailedSaveLeavesThePreviousFile) {
    test::TempDir dir;
    const fs::path file = dir / "t.tld";
    TallyTable t = talliedAliceAndBob();
    ASSERT_FALSE(t.save(file));
    const std::string before = test::readFile(file);

    // The disk is full: the save reports it, the old tally is untouched and
    // nothing is left beside it.
    t.addGame(TallyTable::kOwnWin, {"Alice"});
    std::optional<std::string> error;
    {
        testing::FileSizeLimit full(4);
        error = t.save(file);
    }
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("Lzrw1 : Error writing to output file : "), std::string::npos);
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    const auto missing = t.save(dir / "missing" / "t.tld");
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->find("Lzrw1 (de)compression : Failed to open output file : "),
              std::string::npos);
    ASSERT_FALSE(t.save(file));
    EXPECT_NE(test::readFile(file), before);
}

TEST(TallyFile, ALinkPlantedBesideTheTallyIsNeverWrittenThrough) {
    test::TempDir dir;
    const fs::path file = dir / "t.tld";
    const fs::path victim = dir / "victim";
    { std::ofstream(victim) << "keep me"; }
    // The name the work file once had, and a few others a stranger might
    // guess, all point at the victim.
    for (const char* name : {"t.tld.tmp", "t.tld.tmp0", "t.tld.tmp-0"})
        fs::create_symlink(victim, dir / name);
    TallyTable t = talliedAliceAndBob();
    ASSERT_FALSE(t.save(file));
    EXPECT_EQ(test::readFile(victim), "keep me");
    EXPECT_TRUE(fs::is_symlink(dir / "t.tld.tmp"));
    TallyTable back;
    ASSERT_FALSE(back.load(file));
    EXPECT_EQ(back.cell(0, 1), "Alice");
}

TEST(TallyFile, SavingKeepsTheFilesMode) {
    test::TempDir dir;
    const fs::path file = dir / "t.tld";
    const mode_t mask = ::umask(022);
    TallyTable t = talliedAliceAndBob();
    ASSERT_FALSE(t.save(file));
    // A new file: 0666 less the umask.
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    t.addGame(TallyTable::kOwnWin, {"Alice"});
    ASSERT_FALSE(t.save(file));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    ::umask(mask);
}

} // namespace
} // namespace dw
