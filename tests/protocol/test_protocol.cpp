#include "protocol/launch.h"
#include "protocol/protocol.h"
#include "text/windows1252.h"

#include <gtest/gtest.h>

using namespace dw;

namespace {

std::deque<std::string> feedAll(Framer& f, std::initializer_list<std::string_view> chunks) {
    std::deque<std::string> out;
    for (auto c : chunks)
        f.feed(c, out);
    return out;
}

const std::string T(1, kTerminator);

} // namespace

TEST(Protocol, BuildsMessagesWithFieldsAndTrailingPlus) {
    EXPECT_EQ(buildMessage("CMD_nextplayer", {3, 7, 14, 27}, Trailing::Yes),
              "CMD_nextplayer+3+7+14+27+" + T);
    EXPECT_EQ(buildMessage("CMD_full", {}, Trailing::Yes), "CMD_full+" + T);
    EXPECT_EQ(buildMessage("CMD_newplayerinfo", {2, "A+B"}), "CMD_newplayerinfo+2+A+B" + T);
    // The login's name carries its own terminator, so the login ends in two.
    EXPECT_EQ(buildMessage("CMD_logininfo", {1, "1.0.1", "Bob" + T}),
              "CMD_logininfo+1+1.0.1+Bob" + T + T);
}

TEST(Framing, CutsChunksIntoMessagesAndKeepsPartialTails) {
    Framer f;
    auto out = feedAll(f, {"CMD_a+1+" + T + "CMD_b+" + T + "CMD_c+2" + T});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], "CMD_a+1+");
    EXPECT_EQ(out[2], "CMD_c+2");

    // Two terminators in a row give an empty message, which dispatch ignores.
    out = feedAll(f, {"CMD_x+" + T + T});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1], "");
    EXPECT_TRUE(splitCommand(out[1]).word.empty());

    // A message split over several reads is put back together.
    out = feedAll(f, {"CMD_cha", "t+1+hel", "lo|clRed" + T + "CMD_n"});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], "CMD_chat+1+hello|clRed");
    EXPECT_EQ(f.pending(), 5u);
    out = feedAll(f, {"ext+" + T});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], "CMD_next+");
}

TEST(Framing, DropsOverlongMessagesWholeAndCarriesOn) {
    Framer f;
    std::deque<std::string> out;
    const std::string big(kMaxMessage + 1, 'x');
    // Over several reads without a terminator: the tail never grows past the limit.
    EXPECT_EQ(f.feed(big.substr(0, 3000), out), 0);
    EXPECT_EQ(f.feed(big.substr(3000), out), 1);
    EXPECT_EQ(f.pending(), 0u);
    for (int i = 0; i < 100; ++i)
        f.feed(big, out);
    EXPECT_EQ(f.pending(), 0u);
    // The rest of the dropped message, up to its terminator, is skipped too.
    f.feed("tail of it" + T + "CMD_ok+1+" + T, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], "CMD_ok+1+");

    // Within one read as well; a message of exactly the limit still passes.
    out.clear();
    EXPECT_EQ(f.feed(big + T + std::string(kMaxMessage, 'y') + T, out), 1);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].size(), kMaxMessage);
}

TEST(Framing, HoldsMessagesUntilTheReceiverTakesThem) {
    Framer f;
    int dropped = 0;
    std::string m;
    f.append("CMD_a+1+" + T + "CMD_b+2+" + T + "CMD_c+");
    EXPECT_EQ(f.pending(), 24u);
    ASSERT_TRUE(f.next(m, dropped));
    EXPECT_EQ(m, "CMD_a+1+");
    // Bytes appended while messages wait go behind them.
    f.append("3+" + T + std::string(kMaxMessage + 1, 'x') + T + "CMD_d+" + T);
    ASSERT_TRUE(f.next(m, dropped));
    EXPECT_EQ(m, "CMD_b+2+");
    ASSERT_TRUE(f.next(m, dropped));
    EXPECT_EQ(m, "CMD_c+3+");
    // The overlong one on the way is skipped and counted.
    ASSERT_TRUE(f.next(m, dropped));
    EXPECT_EQ(m, "CMD_d+");
    EXPECT_EQ(dropped, 1);
    EXPECT_FALSE(f.next(m, dropped));
    EXPECT_EQ(f.pending(), 0u);
}

TEST(Fields, ReadsFieldsTheWayHandlersDo) {
    const Command c = splitCommand("CMD_chat+2+Ann chats: a+b|clRed");
    EXPECT_EQ(c.word, "CMD_chat");
    FieldReader r(c.payload);
    EXPECT_EQ(r.number(), 2);
    EXPECT_EQ(r.rest(), "Ann chats: a+b|clRed");

    EXPECT_TRUE(splitCommand("nothing").word.empty());

    FieldReader bad("x1+-3+99999999999+7");
    EXPECT_FALSE(bad.number());
    EXPECT_FALSE(bad.number());
    EXPECT_FALSE(bad.number());
    EXPECT_FALSE(bad.number()); // no "+" after the last field
    EXPECT_EQ(bad.rest(), "7");

    FieldReader range("5+0+");
    EXPECT_FALSE(range.number(1, 4));
    EXPECT_FALSE(range.number(1, 4));

    // Repeating groups whose last field has no "+".
    FieldReader groups("1+6+2+11", LastField::MayEnd);
    std::vector<int> v;
    while (!groups.atEnd())
        v.push_back(*groups.number());
    EXPECT_EQ(v, (std::vector<int>{1, 6, 2, 11}));
}

TEST(CommandLine, ChoosesSoloHostJoinAndOptions) {
    auto o = parseCommandLine({});
    EXPECT_EQ(o.mode, LaunchMode::Solo);
    EXPECT_EQ(o.playerName, "You");
    EXPECT_EQ(o.hostAddress, "127.0.0.1");

    o = parseCommandLine({"Bob", "10.1.2.3", "true"});
    EXPECT_EQ(o.mode, LaunchMode::Host);
    EXPECT_EQ(o.playerName, "Bob");
    EXPECT_EQ(parseCommandLine({"Bob", "10.1.2.3", "True"}).mode, LaunchMode::Join);
    EXPECT_EQ(parseCommandLine({"Bob", "h", "x", "extra"}).mode, LaunchMode::Join);
    EXPECT_EQ(parseCommandLine({"Bob", "10.1.2.3"}).mode, LaunchMode::Unconnected);
    EXPECT_EQ(parseCommandLine({"Bob"}).mode, LaunchMode::Unconnected);

    o = parseCommandLine({"--headless", "--port", "7800", "--timer-scale", "0.01"});
    EXPECT_EQ(o.mode, LaunchMode::Headless);
    EXPECT_EQ(o.port, 7800);
    EXPECT_DOUBLE_EQ(o.timerScale, 0.01);
    EXPECT_EQ(parseCommandLine({"Ann", "host", "join", "--port", "9000"}).port, 9000);
    EXPECT_EQ(parseCommandLine({"--help"}).mode, LaunchMode::Help);

    EXPECT_FALSE(parseCommandLine({"--port", "0"}).error.empty());
    EXPECT_FALSE(parseCommandLine({"--port"}).error.empty());
    EXPECT_FALSE(parseCommandLine({"--timer-scale", "-1"}).error.empty());
    EXPECT_EQ(parseCommandLine({"Bob", "h", "true", "--headless", "--help"}).mode,
              LaunchMode::Help);
    EXPECT_EQ(parseCommandLine({"Bob", "h", "true", "--headless"}).mode, LaunchMode::Headless);
}

TEST(CommandLine, OnlyKnownWordsAreOptions) {
    // A name at position 1 is used unchanged, whatever it begins with.
    auto o = parseCommandLine({"--Bob", "10.0.0.5", "join"});
    EXPECT_TRUE(o.error.empty());
    EXPECT_EQ(o.mode, LaunchMode::Join);
    EXPECT_EQ(o.playerName, "--Bob");
    EXPECT_EQ(o.hostAddress, "10.0.0.5");
    o = parseCommandLine({"--bogus"});
    EXPECT_TRUE(o.error.empty());
    EXPECT_EQ(o.mode, LaunchMode::Unconnected);
    EXPECT_EQ(o.playerName, "--bogus");
    o = parseCommandLine({"-", "--port", "7800", "--", "true"});
    EXPECT_EQ(o.mode, LaunchMode::Host);
    EXPECT_EQ(o.playerName, "-");
    EXPECT_EQ(o.hostAddress, "--");
    EXPECT_EQ(o.port, 7800);
}

TEST(SingleByteText, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string text = fromWindows1252(all);
    EXPECT_TRUE(isValidUtf8(text));
    EXPECT_EQ(toWindows1252(text), all);
    // On the wire every byte but the terminator comes back as it was.
    all.pop_back();
    EXPECT_EQ(messageToWire(fromWindows1252(all)), all);

    // The five undefined bytes read as the control characters of their number.
    EXPECT_EQ(fromWindows1252("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(fromWindows1252("Jos\xE9 \x80\x85\x9F"), "Jos\u00E9 \u20AC\u2026\u0178");
}

TEST(SingleByteText, WritesWhatItCanAndQuestionMarksTheRest) {
    EXPECT_EQ(toWindows1252("Zo\u00EB"), "Zo\xEB");
    EXPECT_EQ(toWindows1252("\u20AC5 \u2014 \u0152uvre"), "\x80"
                                                          "5 \x97 \x8Cuvre");
    // Characters Windows-1252 has no byte for, and C1 controls other than
    // the five undefined bytes.
    EXPECT_EQ(toWindows1252("\u0141\u00F3d\u017A \u4E2D \U0001F680 \u0080\u0081"), "?\xF3"
                                                                                   "d? ? ? ?\x81");
    // Bytes that are not UTF-8: a lone continuation, an overlong form, a
    // surrogate, a cut-off sequence.
    EXPECT_EQ(toWindows1252("a\x80"
                            "b\xC0\x80"
                            "c\xED\xA0\x80"
                            "d\xE2\x82"),
              "a?b??c???d??");
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF"));

    // "\u00FF" is byte 255 in a file, but on the wire that byte only ends
    // messages: there the character goes out as "?", and the terminators stay.
    EXPECT_EQ(toWindows1252("\u00FF"), "\xFF");
    const std::string login = buildMessage("CMD_logininfo", {2, "1.0.1", "Zo\u00EB\u00FF" + T});
    EXPECT_EQ(messageToWire(login), "CMD_logininfo+2+1.0.1+Zo\xEB?" + T + T);
}

TEST(CommandLine, OptionsOfTheHostAndTheWindowlessModes) {
    EXPECT_EQ(parseCommandLine({}).pilotLevel, std::nullopt); // the stored setting holds
    EXPECT_EQ(parseCommandLine({"--headless", "--pilot-level", "expert"}).pilotLevel,
              PilotLevel::Expert);
    EXPECT_EQ(parseCommandLine({"--pilot-level", "Classic"}).pilotLevel, PilotLevel::Classic);
    EXPECT_FALSE(parseCommandLine({"--pilot-level", "hard"}).error.empty());
    EXPECT_FALSE(parseCommandLine({"--pilot-level"}).error.empty());
    auto o = parseCommandLine({"--headless", "--no-announce"});
    EXPECT_EQ(o.mode, LaunchMode::Headless);
    EXPECT_FALSE(o.announce);
    EXPECT_TRUE(parseCommandLine({}).announce);
    o = parseCommandLine({"--find-games", "2.5"});
    EXPECT_EQ(o.mode, LaunchMode::FindGames);
    EXPECT_DOUBLE_EQ(o.findSeconds, 2.5);
    EXPECT_FALSE(parseCommandLine({"--find-games"}).error.empty());
    EXPECT_FALSE(parseCommandLine({"--find-games", "0"}).error.empty());
    EXPECT_FALSE(parseCommandLine({"--find-games", "3600"}).error.empty());
    o = parseCommandLine({"--open-port", "7790"});
    EXPECT_EQ(o.mode, LaunchMode::OpenPort);
    EXPECT_EQ(o.port, 7790);
    EXPECT_FALSE(parseCommandLine({"--open-port", "x"}).error.empty());
    o = parseCommandLine({"--headless", "--status-port", "8772", "--status-address", "::"});
    EXPECT_EQ(o.statusPort, 8772);
    EXPECT_EQ(o.statusAddress, "::");
    EXPECT_EQ(parseCommandLine({"--headless"}).statusPort, 0);
    EXPECT_EQ(parseCommandLine({"--headless"}).statusAddress, "127.0.0.1");
    EXPECT_FALSE(parseCommandLine({"--status-port", "0"}).error.empty());
    // Only an address written out in full: the short forms the socket layer
    // also reads ("0" is every address) and names are refused.
    for (const char* good : {"127.0.0.1", "0.0.0.0", "::", "::1", "192.168.1.5", "2001:db8::5"})
        EXPECT_EQ(parseCommandLine({"--headless", "--status-address", good}).statusAddress, good);
    for (const char* bad : {"0", "127.1", "2130706433", "0x7f000001", "localhost", "", " ::1",
                            "1.2.3.4 ", "1.2.3.256", "[::1]", "::1%lo"}) {
        o = parseCommandLine({"--headless", "--status-address", bad});
        EXPECT_NE(o.error.find("--status-address needs an IP address"), std::string::npos) << bad;
    }
    o = parseCommandLine({"--fetch", "http://127.0.0.1:8772/status"});
    EXPECT_EQ(o.mode, LaunchMode::Fetch);
    EXPECT_EQ(o.fetchUrl, "http://127.0.0.1:8772/status");
    EXPECT_FALSE(parseCommandLine({"--fetch", "https://example.org/"}).error.empty());
}

TEST(CommandLine, TheLobbyLinkPortComesFromTheLobbyThatStartedTheGame) {
    EXPECT_EQ(lobbyLinkPort(nullptr), 9001);
    EXPECT_EQ(lobbyLinkPort("26001"), 26001);
    for (const char* odd : {"", "0", "65536", "12ab", " 9002", "-1", "99999999999"})
        EXPECT_EQ(lobbyLinkPort(odd), 9001) << odd;
}
