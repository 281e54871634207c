#include "store/inifile.h"

#include "tests/store/tempdir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

// A file as another program might leave it: comments, blank lines, a key
// before any section, odd spacing, a stray binary line, CR LF endings and no
// line ending on the last line.
const std::string kShared = "; shared by several programs\r\n"
                            "orphan=1\r\n"
                            "\r\n"
                            "[Lobby]\r\n"
                            "Name = Ann ; not a comment\r\n"
                            "\x01\x02\xFF garbage\r\n"
                            "\r\n"
                            "[Driftwake]\r\n"
                            "Textsize=10\r\n"
                            "  top  =  40  \r\n"
                            "\r\n"
                            "; next comes another game\r\n"
                            "[Other]\r\n"
                            "Textsize=99";

TEST(IniFile, ReadsNamesWithoutCaseAndTrimsValues) {
    IniFile ini =
        IniFile::fromText(kShared + "\n[ spaced ]\nempty=\neq=a=b = c\n;hidden=1\n#hidden2=1\n");
    EXPECT_EQ(ini.read("Driftwake", "Textsize"), "10");
    EXPECT_EQ(ini.read("DRIFTWAKE", "TOP"), "40");
    EXPECT_EQ(ini.read("lobby", "name"), "Ann ; not a comment");
    EXPECT_EQ(ini.read("Other", "Textsize"), "99");
    EXPECT_EQ(ini.read("spaced", "empty"), "");
    EXPECT_EQ(ini.read("Spaced", "eq"), "a=b = c");
    EXPECT_EQ(ini.read("spaced", ";hidden"), std::nullopt);
    EXPECT_EQ(ini.read("spaced", "#hidden2"), std::nullopt);
    EXPECT_EQ(ini.read("Driftwake", "Width"), std::nullopt);
    EXPECT_EQ(ini.read("Missing", "Textsize"), std::nullopt);
    // Keys before the first section belong to none.
    EXPECT_EQ(ini.read("", "orphan"), std::nullopt);
    EXPECT_EQ(ini.read("Lobby", "orphan"), std::nullopt);
}

TEST(IniFile, WritesChangeOnlyTheirOwnLines) {
    IniFile ini = IniFile::fromText(kShared);
    EXPECT_EQ(ini.text(), kShared);

    ASSERT_TRUE(ini.write("driftwake", "TOP", "41"));    // in place, any case
    ASSERT_TRUE(ini.write("Driftwake", "Width", "800")); // after the last key
    ASSERT_TRUE(ini.write("Other", "Extra", "x"));       // last line had no ending
    ASSERT_TRUE(ini.write("New Game", "Key", "v a l"));  // new section at the end
    EXPECT_EQ(ini.text(), "; shared by several programs\r\n"
                          "orphan=1\r\n"
                          "\r\n"
                          "[Lobby]\r\n"
                          "Name = Ann ; not a comment\r\n"
                          "\x01\x02\xFF garbage\r\n"
                          "\r\n"
                          "[Driftwake]\r\n"
                          "Textsize=10\r\n"
                          "TOP=41\r\n"
                          "Width=800\r\n"
                          "\r\n"
                          "; next comes another game\r\n"
                          "[Other]\r\n"
                          "Textsize=99\r\n"
                          "Extra=x\r\n"
                          "[New Game]\r\n"
                          "Key=v a l\r\n");
    EXPECT_EQ(ini.read("Driftwake", "top"), "41");
    EXPECT_EQ(ini.read("new game", "key"), "v a l");
}

TEST(IniFile, NewFilesAndLineEndings) {
    IniFile empty;
    ASSERT_TRUE(empty.write("S", "a", "1"));
    ASSERT_TRUE(empty.write("S", "b", "2"));
    EXPECT_EQ(empty.text(), "[S]\na=1\nb=2\n");

    // A section holding no key yet gets its first key right below its header.
    IniFile bare = IniFile::fromText("[S]\n; note\n\n[T]\n");
    ASSERT_TRUE(bare.write("S", "k", "v"));
    EXPECT_EQ(bare.text(), "[S]\nk=v\n; note\n\n[T]\n");

    // An LF file stays LF; a file with a byte order mark keeps it and its
    // first line still counts as a section.
    IniFile bom = IniFile::fromText("\xEF\xBB\xBF[S]\nk=1");
    EXPECT_EQ(bom.read("S", "k"), "1");
    ASSERT_TRUE(bom.write("S", "j", "2"));
    EXPECT_EQ(bom.text(), "\xEF\xBB\xBF[S]\nk=1\nj=2\n");
}

TEST(IniFile, DuplicatesUseTheFirstOccurrence) {
    IniFile ini = IniFile::fromText("[A]\nk=1\nk=2\n[B]\nx=0\n[a]\nk=3\nm=4\n");
    EXPECT_EQ(ini.read("A", "k"), "1");
    EXPECT_EQ(ini.read("A", "m"), "4"); // the later duplicate section is still read
    ASSERT_TRUE(ini.write("A", "k", "9"));
    ASSERT_TRUE(ini.write("A", "m", "8"));
    ASSERT_TRUE(ini.write("A", "n", "7"));
    EXPECT_EQ(ini.text(), "[A]\nk=9\nk=2\nn=7\n[B]\nx=0\n[a]\nk=3\nm=8\n");
}

TEST(IniFile, RefusesTextsTheFormatCannotHold) {
    IniFile ini = IniFile::fromText(kShared);
    EXPECT_FALSE(ini.write("Driftwake", "Phrase1", "one\r\n[Lobby]\r\nName=Eve"));
    EXPECT_FALSE(ini.write("Driftwake", "Phrase1", std::string_view("a\0b", 3)));
    EXPECT_FALSE(ini.write("Driftwake", "Key=x", "1"));
    EXPECT_FALSE(ini.write("Driftwake", "", "1"));
    EXPECT_FALSE(ini.write("Driftwake", " Top", "1"));
    EXPECT_FALSE(ini.write("Driftwake", ";Top", "1"));
    EXPECT_FALSE(ini.write("Driftwake", "[Top", "1"));
    EXPECT_FALSE(ini.write("Drift]wake", "Top", "1"));
    EXPECT_FALSE(ini.write("", "Top", "1"));
    EXPECT_EQ(ini.text(), kShared);
}

TEST(IniFile, SurvivesGarbageAndHugeLines) {
    // Several megabytes of binary bytes, including "[", "]", "=", NUL and lone
    // CRs, with a real section buried after them.
    std::string junk;
    std::uint32_t x = 12345;
    for (int i = 0; i < 3 * 1024 * 1024; ++i) {
        x = x * 1103515245u + 12345u;
        char c = static_cast<char>(x >> 24);
        junk.push_back(c == '\n' ? '\r' : c);
    }
    std::string text = junk + "\n[Driftwake]\nTextsize=12\n[Other]\n" + junk;
    IniFile ini = IniFile::fromText(text);
    EXPECT_EQ(ini.text(), text);
    EXPECT_EQ(ini.read("Driftwake", "Textsize"), "12");
    ASSERT_TRUE(ini.write("Driftwake", "Top", "5"));
    EXPECT_EQ(ini.read("Driftwake", "Top"), "5");
    EXPECT_TRUE(ini.text() == junk + "\n[Driftwake]\nTextsize=12\nTop=5\n[Other]\n" + junk);

    IniFile nul = IniFile::fromText(std::string("[S]\nk=a\0b\n", 10));
    EXPECT_EQ(nul.read("S", "k"), std::string("a\0b", 3));
}

TEST(IniFile, SavesAtomicallyAndKeepsPermissions) {
    TempDir dir;
    auto path = dir / "korvellobby.ini";

    IniFile missing = IniFile::load(path);
    EXPECT_TRUE(missing.readable());
    EXPECT_EQ(missing.text(), "");
    ASSERT_TRUE(missing.write("Driftwake", "Top", "3"));
    ASSERT_TRUE(missing.save());
    EXPECT_EQ(readFile(path), "[Driftwake]\nTop=3\n");

    writeFile(path, kShared);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    IniFile ini = IniFile::load(path);
    EXPECT_EQ(ini.read("Driftwake", "Textsize"), "10");
    ASSERT_TRUE(ini.write("Driftwake", "Textsize", "14"));
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(IniFile::load(path).read("Driftwake", "Textsize"), "14");
    EXPECT_EQ(readFile(path).substr(0, 100), kShared.substr(0, 100));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // Only the settings file is left in the directory: no temporary files.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);

    // Through a symbolic link, the file it names is replaced.
    auto link = dir / "link.ini";
    std::filesystem::create_symlink(path, link);
    IniFile viaLink = IniFile::load(link);
    ASSERT_TRUE(viaLink.write("Driftwake", "Left", "7"));
    ASSERT_TRUE(viaLink.save());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(IniFile::load(path).read("Driftwake", "Left"), "7");
}

TEST(IniFile, FailedSavesReportAndLoseNothing) {
    TempDir dir;
    // A directory path that runs through a regular file cannot be written,
    // whoever runs the test.
    writeFile(dir / "plain", "x");
    IniFile ini;
    ASSERT_TRUE(ini.write("S", "k", "v"));
    EXPECT_FALSE(ini.saveTo(dir / "plain" / "korvellobby.ini"));
    EXPECT_FALSE(ini.saveTo(dir / "no such dir" / "korvellobby.ini"));
    EXPECT_FALSE(IniFile().save()); // no path to save to

    // Something unreadable where the file should be reads as empty but is
    // never replaced.
    std::filesystem::create_directory(dir / "adir.ini");
    IniFile unreadable = IniFile::load(dir / "adir.ini");
    EXPECT_FALSE(unreadable.readable());
    EXPECT_EQ(unreadable.read("S", "k"), std::nullopt);
    ASSERT_TRUE(unreadable.write("S", "k", "v"));
    EXPECT_FALSE(unreadable.save());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "adir.ini"));
}

TEST(IniFile, ReadOnlyDirectoryKeepsTheOldFile) {
    // The old file stays whole and no temporary file is left behind.
    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not bind the superuser";
    TempDir dir;
    auto sub = dir / "ro";
    std::filesystem::create_directory(sub);
    writeFile(sub / "korvellobby.ini", kShared);
    ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
    IniFile ro = IniFile::load(sub / "korvellobby.ini");
    ASSERT_TRUE(ro.write("Driftwake", "Top", "1"));
    EXPECT_FALSE(ro.save());
    EXPECT_EQ(readFile(sub / "korvellobby.ini"), kShared);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(sub))
        ++entries;
    EXPECT_EQ(entries, 1);
}

} // namespace
} // namespace dw
