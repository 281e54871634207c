#include "store/settings.h"

#include "tests/store/tempdir.h"

#include <gtest/gtest.h>

namespace dw {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

Settings loadText(std::string_view text) {
    return loadSettings(IniFile::fromText(text));
}

Settings loadKey(std::string_view key, std::string_view value) {
    return loadText("[Driftwake]\n" + std::string(key) + "=" + std::string(value) + "\n");
}

TEST(Settings, MissingFileOrSectionGivesDefaults) {
    const Settings d;
    TempDir dir;
    EXPECT_EQ(settingsFilePath(dir.path()), dir / "korvellobby.ini");
    EXPECT_EQ(loadSettingsFile(dir / "korvellobby.ini"), d);
    EXPECT_EQ(loadText("[Lobby]\nTextsize=12\n"), d);
}

TEST(Settings, ReadsEveryKeyInAnyCase) {
    Settings s = loadText("[DRIFTWAKE]\n"
                          "textsize=12\nTOP=-20\nLeft= 0x10 \nWidth=900\nHeight=600\n"
                          "Textcolor=$00112233\nPlaytoscore=7500\nDistance=90\n"
                          "Bot3=1\nBot4=0\nBotspeed=1000\n"
                          "Phrase1=Hi all\nphrase9=/me waves\nPhrase10=ignored\n"
                          "Playsounds=false\nPlayerphrasesounds=false\n");
    EXPECT_EQ(s.textSize, 12);
    EXPECT_EQ(s.geometry, (WindowGeometry{-20, 16, 900, 600}));
    EXPECT_EQ(s.textColour, 0x00112233u);
    EXPECT_EQ(s.playToScore, 7500);
    EXPECT_EQ(s.distance, 90);
    EXPECT_TRUE(s.bot3);
    EXPECT_FALSE(s.bot4);
    EXPECT_EQ(botDelayMs(s.botSpeed), 1000);
    EXPECT_EQ(s.phrases[0], "Hi all");
    EXPECT_EQ(s.phrases[8], "/me waves");
    EXPECT_EQ(s.phrases[1], "");
    EXPECT_FALSE(s.playSounds);
    EXPECT_FALSE(s.playerPhraseSounds);
}

TEST(Settings, IntegerText) {
    EXPECT_EQ(parseIniInteger("-15"), -15);
    EXPECT_EQ(parseIniInteger("+15"), 15);
    EXPECT_EQ(parseIniInteger("0XfF"), 255);
    EXPECT_EQ(parseIniInteger("0xFFFFFFFF"), -1);
    EXPECT_EQ(parseIniInteger("-2147483648"), -2147483647 - 1);
    for (const char* bad :
         {"", "0x", "0x123456789", "0xG", "2147483648", "12abc", "+-1", "-", " 1", "$10"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(parseIniInteger(bad), std::nullopt);
    }
    // An unreadable integer key gives that key's default.
    EXPECT_EQ(loadKey("Width", "wide").geometry.width, 772);
    EXPECT_EQ(loadKey("Bot3", "yes").bot3, false);
    EXPECT_EQ(loadKey("Bot4", "2").bot4, true);
}

TEST(Settings, TextSizeAndColourRules) {
    EXPECT_EQ(loadKey("Textsize", "9").textSize, 9);
    EXPECT_EQ(loadKey("Textsize", "big").textSize, 8);
    EXPECT_EQ(loadKey("Textsize", "0").textSize, 8);
    EXPECT_EQ(loadKey("Textsize", "100000").textSize, 8);

    EXPECT_EQ(loadKey("Textcolor", "clRed").textColour, 0x000000FFu);
    EXPECT_EQ(loadKey("Textcolor", "clbtnface").textColour, 0x8000000Fu);
    EXPECT_EQ(loadKey("Textcolor", "not a colour").textColour, 0x00C0C0C0u);
    // Black would be invisible on the black input box.
    for (const char* black : {"clBlack", "CLBLACK", "$00000000", "0"}) {
        SCOPED_TRACE(black);
        EXPECT_EQ(loadKey("Textcolor", black).textColour, 0x00C0C0C0u);
    }

    // ... and the next save writes silver.
    IniFile ini = IniFile::fromText("[Driftwake]\nTextcolor=clBlack\n");
    saveSettings(ini, loadSettings(ini));
    EXPECT_EQ(ini.read("Driftwake", "Textcolor"), "clSilver");

    Settings custom;
    custom.textColour = 0x00102030;
    IniFile out;
    saveSettings(out, custom);
    EXPECT_EQ(out.read("Driftwake", "Textcolor"), "$00102030");
}

TEST(Settings, SwitchesAndBotSpeed) {
    EXPECT_TRUE(loadKey("Playsounds", "False").playSounds);
    EXPECT_FALSE(loadKey("Playsounds", "false").playSounds);
    EXPECT_FALSE(loadKey("Playsounds", "  false  ").playSounds); // blanks are not the value
    EXPECT_TRUE(loadKey("Playerphrasesounds", "FALSE").playerPhraseSounds);
    EXPECT_FALSE(loadKey("Playerphrasesounds", "false").playerPhraseSounds);

    EXPECT_EQ(loadKey("Botspeed", "500").botSpeed, BotSpeed::Normal);
    EXPECT_EQ(loadKey("Botspeed", "1000").botSpeed, BotSpeed::Slow);
    EXPECT_EQ(loadKey("Botspeed", "250").botSpeed, BotSpeed::Fast);
    EXPECT_EQ(loadKey("Botspeed", "01000").botSpeed, BotSpeed::Normal);

    EXPECT_EQ(loadKey("Pilotlevel", "expert").pilotLevel, PilotLevel::Expert);
    EXPECT_EQ(loadKey("Pilotlevel", "Expert").pilotLevel, PilotLevel::Expert);
    EXPECT_EQ(loadKey("Pilotlevel", "classic").pilotLevel, PilotLevel::Classic);
    EXPECT_EQ(loadKey("Pilotlevel", "hard").pilotLevel, PilotLevel::Classic);
}

TEST(Settings, AmountAndDistanceMayLeaveTheDialogAlone) {
    EXPECT_EQ(loadKey("Playtoscore", "abc").playToScore, std::nullopt);
    EXPECT_EQ(loadKey("Playtoscore", "").playToScore, std::nullopt);
    EXPECT_EQ(loadKey("Playtoscore", "0x1F40").playToScore, 8000);
    EXPECT_EQ(loadKey("Playtoscore", "123456").playToScore, 123456); // the dialog clamps
    EXPECT_EQ(loadKey("Distance", "far").distance, std::nullopt);
    EXPECT_EQ(loadKey("Distance", "60").distance, 60);

    // Saving with no value leaves the stored text as it was.
    IniFile ini = IniFile::fromText("[Driftwake]\nPlaytoscore=abc\nDistance=far\n");
    Settings s = loadSettings(ini);
    saveSettings(ini, s);
    EXPECT_EQ(ini.read("Driftwake", "Playtoscore"), "abc");
    EXPECT_EQ(ini.read("Driftwake", "Distance"), "far");
}

TEST(Settings, SaveWritesKeysInOrderAndRoundTrips) {
    Settings s;
    s.textSize = 12;
    s.geometry = {10, 20, 800, 600};
    s.textColour = 0x0000FF00;
    s.playToScore = 6500;
    s.distance = 80;
    s.bot3 = true;
    s.botSpeed = BotSpeed::Fast;
    s.playSounds = false;
    s.pilotLevel = PilotLevel::Expert;
    s.phrases[2] = "not saved here";

    IniFile ini;
    saveSettings(ini, s);
    EXPECT_EQ(ini.text(), "[Driftwake]\nTextsize=12\nTop=10\nLeft=20\nWidth=800\nHeight=600\n"
                          "Textcolor=clLime\nPlaytoscore=6500\nDistance=80\nBot3=1\nBot4=0\n"
                          "Botspeed=250\nPlayerphrasesounds=true\nPlaysounds=false\n"
                          "Pilotlevel=expert\n");

    s.phrases = {"a", "b", "", "/me d", "e", "f", "g", "h", "i"};
    savePhrases(ini, s.phrases);
    EXPECT_EQ(loadSettings(ini), s);
}

TEST(Settings, PhrasesAreWrittenEvenWhenEmpty) {
    IniFile ini = IniFile::fromText("[Driftwake]\nPhrase3=Old text\n");
    PhraseTexts p{"One", "Two", "", "Four", "Five", "Six", "Seven", "Eight", "line\r\nbreak"};
    savePhrases(ini, p);
    EXPECT_EQ(ini.read("Driftwake", "Phrase3"), "");
    EXPECT_EQ(ini.read("Driftwake", "Phrase9"), "line  break");
    EXPECT_EQ(ini.text(), "[Driftwake]\nPhrase3=\nPhrase1=One\nPhrase2=Two\nPhrase4=Four\n"
                          "Phrase5=Five\nPhrase6=Six\nPhrase7=Seven\nPhrase8=Eight\n"
                          "Phrase9=line  break\n");
    // Settings keys leave the phrases alone.
    saveSettings(ini, Settings{});
    EXPECT_EQ(ini.read("Driftwake", "Phrase1"), "One");
}

TEST(Settings, TextsAreSingleByteInTheFile) {
    // The lobby writes Windows-1252; the program holds UTF-8 and writes the
    // same bytes back, the undefined ones and byte 255 included.
    const std::string stored = "Tr\xE8s \x80\x81\x9D\xFF";
    Settings s = loadKey("Phrase1", stored);
    EXPECT_EQ(s.phrases[0], "Tr\u00E8s \u20AC\u0081\u009D\u00FF");
    IniFile ini;
    savePhrases(ini, s.phrases);
    EXPECT_EQ(ini.read("Driftwake", "Phrase1"), stored);
    // What the file cannot hold is written as "?".
    s.phrases[1] = "\u0141\u00F3d\u017A";
    savePhrases(ini, s.phrases);
    EXPECT_EQ(ini.read("Driftwake", "Phrase2"), "?\xF3"
                                                "d?");
}

TEST(Settings, FileSavesKeepWhatOthersWrote) {
    TempDir dir;
    auto path = settingsFilePath(dir.path());
    const std::string lobby = "; lobby settings\r\n[Lobby]\r\nServer = example.org\r\n\r\n";
    writeFile(path, lobby + "[Driftwake]\r\nTextcolor=clBlack\r\nPhrase1=Hello\r\n");

    Settings s = loadSettingsFile(path);
    EXPECT_EQ(s.textColour, 0x00C0C0C0u);
    EXPECT_EQ(s.phrases[0], "Hello");

    // Another program changes the file after the load; the save keeps that.
    writeFile(path, readFile(path) + "[Other]\r\nx=1\r\n");
    s.geometry.width = 790;
    ASSERT_TRUE(saveSettingsFile(path, s));
    std::string text = readFile(path);
    EXPECT_EQ(text.substr(0, lobby.size()), lobby);
    EXPECT_NE(text.find("Textcolor=clSilver\r\nPhrase1=Hello\r\nTextsize=8\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("[Other]\r\nx=1\r\n"), std::string::npos);
    EXPECT_EQ(loadSettingsFile(path).geometry.width, 790);

    PhraseTexts p;
    p[0] = "Bye";
    ASSERT_TRUE(savePhrasesFile(path, p));
    Settings withPhrases = loadSettingsFile(path);
    EXPECT_EQ(withPhrases.phrases[0], "Bye");
    EXPECT_EQ(withPhrases.phrases[1], ""); // stored empty: the button keeps its own text
    EXPECT_EQ(IniFile::load(path).read("Driftwake", "Phrase2"), "");
    EXPECT_EQ(withPhrases.geometry.width, 790);

    // Unwritable location: failure is reported.
    writeFile(dir / "plain", "x");
    EXPECT_FALSE(saveSettingsFile(dir / "plain" / "korvellobby.ini", s));
    EXPECT_FALSE(savePhrasesFile(dir / "plain" / "korvellobby.ini", p));
}

TEST(Settings, GarbageFileReadsAsDefaultsAndSurvivesASave) {
    TempDir dir;
    auto path = settingsFilePath(dir.path());
    std::string junk(2 * 1024 * 1024, '\0');
    std::uint32_t x = 7;
    for (char& c : junk) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    std::string text = junk + "\n[Driftwake]\nTextsize=" + std::string(1 << 20, '9') +
                       "\nTop=" + junk.substr(0, 1000) + "\n";
    writeFile(path, text);
    Settings s = loadSettingsFile(path);
    EXPECT_EQ(s.textSize, 8);
    EXPECT_EQ(s.geometry.top, 3);
    ASSERT_TRUE(saveSettingsFile(path, s));
    std::string saved = readFile(path);
    EXPECT_EQ(saved.substr(0, junk.size()), junk);
    EXPECT_EQ(loadSettingsFile(path).textSize, 8);
    EXPECT_EQ(IniFile::load(path).read("Driftwake", "Top"), "3");
}

TEST(Settings, WindowGeometryRules) {
    const Size work{1280, 720};
    const WindowGeometry stored{3, 3, 772, 535};

    // Not moved or resized: nothing to save, whatever its size.
    EXPECT_FALSE(geometryChanged(stored, stored));
    EXPECT_EQ(geometryToSaveOnClose(stored, stored, Size{500, 400}), std::nullopt);
    // Never loaded: nothing is saved.
    EXPECT_EQ(geometryToSaveOnClose(WindowGeometry{1, 2, 3, 4}, std::nullopt, work), std::nullopt);

    // Moved: saved as it is when it fits.
    WindowGeometry moved{50, 60, 772, 535};
    EXPECT_TRUE(geometryChanged(moved, stored));
    EXPECT_EQ(geometryToSaveOnClose(moved, stored, work), moved);

    // Wider and taller than the work area: one 15-pixel step each way.
    WindowGeometry big{0, 0, 1400, 900};
    EXPECT_EQ(geometryToSaveOnClose(big, stored, work), (WindowGeometry{0, 0, 1385, 885}));
    EXPECT_EQ(narrowToWorkArea(WindowGeometry{0, 0, 1281, 720}, work),
              (WindowGeometry{0, 0, 1266, 720}));

    // Reset Screen Location after a load at another place saves the defaults.
    EXPECT_EQ(geometryToSaveOnClose(kDefaultGeometry, WindowGeometry{9, 9, 900, 700}, work),
              (WindowGeometry{3, 3, 772, 535}));
}

} // namespace
} // namespace dw
