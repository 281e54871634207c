// Every message's wire form: the one place besides protocol/messages.cpp where a
// command's field order is spelled out as text.
#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace dw;

namespace {

const std::string T(1, kTerminator);

// Encodes `m`, checks the exact text, and decodes that text back to `m`.
template <class M> void roundTrip(const M& m, const std::string& wire) {
    SCOPED_TRACE(wire);
    EXPECT_EQ(m.encode(), wire + T);
    const auto back = msg::decodeMessage<M>(wire);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, m);
}

} // namespace

TEST(Messages, ClientToHostWireForms) {
    // The login is followed by an empty message: two terminators end it.
    EXPECT_EQ((msg::LoginInfo{3, "1.0.1", "A+B"}.encode()), "CMD_logininfo+3+1.0.1+A+B" + T + T);
    EXPECT_EQ(msg::decodeMessage<msg::LoginInfo>("CMD_logininfo+3+1.0.1+A+B"),
              (msg::LoginInfo{3, "1.0.1", "A+B"}));
    roundTrip(msg::Chat{2, "hi+there|clRed"}, "CMD_chat+2+hi+there|clRed");
    roundTrip(msg::Action{2, "waves|$00112233"}, "CMD_action+2+waves|$00112233");
    roundTrip(msg::PlayASound{2, "wave4"}, "CMD_playasound+2+wave4+");
    roundTrip(msg::KickHim{1, 6}, "CMD_kickhim+1+6+");
    roundTrip(msg::JustWatch{3, true}, "CMD_justwatch+3+1");
    roundTrip(msg::JustWatch{3, false}, "CMD_justwatch+3+2");
    roundTrip(msg::StartGameRequest{"Ann", "6000", "50", false, true},
              "CMD_startgame+Ann+6000+50+0+1+");
    roundTrip(msg::Discard{2, 7}, "CMD_discard+2+7+");
    roundTrip(msg::GoMiles{2, 1}, "CMD_gomiles+2+1+");
    roundTrip(msg::PlaceGo{2, 7, 1}, "CMD_placego+2+7+1+");
    roundTrip(msg::PlaceSpeed{2, 3, 4}, "CMD_placespeed+2+3+4+");
    roundTrip(msg::Reclaim{6, 2, "00ff13a4c0de7781"}, "CMD_reclaim+6+2+00ff13a4c0de7781");
}

TEST(Messages, HostToClientWireForms) {
    roundTrip(msg::SendLoginInfo{5}, "CMD_sendlogininfo+5");
    roundTrip(msg::Full{}, "CMD_full+");
    roundTrip(msg::NewPlayerInfo{2, "A+B"}, "CMD_newplayerinfo+2+A+B");
    roundTrip(msg::ExistingPlayers{1, "Host"}, "CMD_existingplayers+1+Host");
    roundTrip(msg::PlayerDisconnected{6, "P6"}, "CMD_playerdisconnected+6+P6");
    roundTrip(msg::HaveWrongVersion{"A+B"}, "CMD_havewrongversion+A+B");
    roundTrip(msg::WrongVersion{}, "CMD_wrongversion+");
    roundTrip(msg::MyCards{3, {{1, 2}, {2, 0}, {3, 11}}}, "CMD_mycards+3+1+2+2+0+3+11");
    roundTrip(msg::JustWatching{2, true}, "CMD_justwatching+2+1");
    roundTrip(msg::JustWatching{2, false}, "CMD_justwatching+2+2");
    roundTrip(msg::StartGameAnnounce{"A+n", 6000, 50000, true, false},
              "CMD_startgame+A+n+6000+50000+t+f+");
    roundTrip(msg::StartingRound{}, "CMD_startinground+");
    roundTrip(msg::NextPlayer{3, 7, 14, 27}, "CMD_nextplayer+3+7+14+27+");
    roundTrip(msg::CannotMove{1}, "CMD_cannotmove+1+");
    roundTrip(msg::HeDiscard{2, 1, 1}, "CMD_hediscard+2+1+1+");
    roundTrip(msg::Invalid{1, 11}, "CMD_invalid+1+11+");
    roundTrip(msg::Traveling{1, 7500, 3, 5, 7500}, "CMD_traveling+1+7500+3+5+7500+");
    roundTrip(msg::PlacingGo{1, 6, 3, 1}, "CMD_placinggo+1+6+3+1+");
    roundTrip(msg::PlacingSpeed{1, 10, 6, 3}, "CMD_placingspeed+1+10+6+3+");
    roundTrip(msg::PlaySafe{1, 16, 2, 1}, "CMD_playsafe+1+16+2+1+");
    roundTrip(
        msg::PostScores{2,
                        {{1, 425, 425, 325, 0, 0, 100, 0}, {2, 1900, 1900, 700, 400, 300, 0, 500}}},
        "CMD_postscores+2+1+425+425+325+0+0+100+0+2+1900+1900+700+400+300+0+500");
    roundTrip(msg::Winner{"A+B", 2}, "CMD_winner+A+B+2+");
    roundTrip(msg::NewStats{7,
                            2,
                            true,
                            6000,
                            30,
                            70000,
                            {{1, 1200, true, false, false, 0, 0, {false, false, false, false}},
                             {2, 0, true, true, true, 12500, 12, {true, false, false, true}}}},
              "CMD_newstats+7+2+1+6000+30+70000+1+1200+1+0+0+0+0+0+0+0+0+"
              "2+0+1+1+1+12500+12+1+0+0+1");
}

TEST(Messages, SeatKeysAndNoticesWireForms) {
    roundTrip(msg::SeatKey{2, "9f86d081884c7d65"}, "CMD_seatkey+2+9f86d081884c7d65");
    roundTrip(msg::ReclaimRefused{6}, "CMD_reclaimrefused+6+");
    roundTrip(msg::HostClosing{}, "CMD_hostclosing+");
    roundTrip(msg::Removed{3}, "CMD_removed+3+");
    roundTrip(msg::HostRights{2}, "CMD_hostrights+2+");
}

TEST(Messages, ShipCardsWireFormAndMalformedForms) {
    roundTrip(msg::ShipCards{12,
                             {{1, 10, 6, 3, {16, 0, 0, 0}},
                              {2, 0, 14, 0, {0, 0, 0, 19}},
                              {3, 0, 0, 0, {}},
                              {4, 11, 7, 5, {0, 17, 18, 0}}}},
              "CMD_shipcards+12+1+10+6+3+16+0+0+0+2+0+14+0+0+0+0+19+3+0+0+0+0+0+0+0+"
              "4+11+7+5+0+17+18+0+");
    roundTrip(msg::ShipCards{0, {}}, "CMD_shipcards+0+");
    std::string five = "0+";
    for (int s = 1; s <= 5; ++s)
        five += std::to_string(s) + "+0+0+0+0+0+0+0+";
    for (const std::string& bad :
         {std::string(""), std::string("0"), std::string("x+"), std::string("-1+"),
          std::string("0+1+10+6+3+16+0+0+"), std::string("0+1+10+6+3+16+0+0+0"),
          std::string("0+1+10+six+3+16+0+0+0+"), std::string("0+1+10+6+3+16+0+0+0+2+"), five})
        EXPECT_FALSE(msg::ShipCards::decode(bad)) << bad;
}

TEST(Messages, LastFieldsRunToTheEndOrAreReadFromTheRight) {
    // A name as the rest keeps every "+", even a trailing one.
    EXPECT_EQ(msg::NewPlayerInfo::decode("2+A+B+"), (msg::NewPlayerInfo{2, "A+B+"}));
    EXPECT_EQ(msg::LoginInfo::decode("2+1.0.1+"), (msg::LoginInfo{2, "1.0.1", ""}));
    // Names in front of fixed fields: the fixed ones are taken from the end.
    EXPECT_EQ(msg::Winner::decode("+x++3+"), (msg::Winner{"+x+", 3}));
    EXPECT_EQ(msg::StartGameAnnounce::decode("++5000+70000+f+t+"),
              (msg::StartGameAnnounce{"+", 5000, 70000, false, true}));
    // A flag other than "f" counts as taking part; other than "1" as playing again.
    EXPECT_TRUE(msg::StartGameAnnounce::decode("A+1+2+x+y+")->seat3);
    EXPECT_FALSE(msg::JustWatching::decode("2+7")->watching);
    // Repeating groups may end without "+" or with it.
    EXPECT_EQ(msg::MyCards::decode("3+1+2+"), (msg::MyCards{3, {{1, 2}}}));
    EXPECT_EQ(msg::MyCards::decode("3"), (msg::MyCards{3, {}}));
}

TEST(Messages, MalformedPayloadsDecodeToNothing) {
    const std::vector<std::pair<const char*, std::function<bool(const char*)>>> cases = {
        {"", [](const char* p) { return msg::PlaceGo::decode(p).has_value(); }},
        {"1+3+", [](const char* p) { return msg::PlaceGo::decode(p).has_value(); }},
        {"1+3+2", [](const char* p) { return msg::PlaceGo::decode(p).has_value(); }},
        {"x+1+2+", [](const char* p) { return msg::PlaceGo::decode(p).has_value(); }},
        {"-1+3+2+", [](const char* p) { return msg::PlaceGo::decode(p).has_value(); }},
        {"1+ 3+2+", [](const char* p) { return msg::PlaceGo::decode(p).has_value(); }},
        {"99999999999+1+2+", [](const char* p) { return msg::Discard::decode(p).has_value(); }},
        {"3", [](const char* p) { return msg::NewPlayerInfo::decode(p).has_value(); }},
        {"x+hi", [](const char* p) { return msg::Chat::decode(p).has_value(); }},
        {"2+3", [](const char* p) { return msg::JustWatch::decode(p).has_value(); }},
        {"2+1+", [](const char* p) { return msg::JustWatch::decode(p).has_value(); }},
        {"Ann+2", [](const char* p) { return msg::Winner::decode(p).has_value(); }},
        {"Ann+x+", [](const char* p) { return msg::Winner::decode(p).has_value(); }},
        {"A+lots+70+t+t+",
         [](const char* p) { return msg::StartGameAnnounce::decode(p).has_value(); }},
        {"3+1+2+3", [](const char* p) { return msg::MyCards::decode(p).has_value(); }},
        {"0+1+", [](const char* p) { return msg::PostScores::decode(p).has_value(); }},
        {"7+2+1+6000+30+70000+1+1200+2+0+0+0+0+0+0+0+0",
         [](const char* p) { return msg::NewStats::decode(p).has_value(); }}, // flag "2"
        {"7+2+1+6000+30", [](const char* p) { return msg::NewStats::decode(p).has_value(); }},
        {"2+", [](const char* p) { return msg::SeatKey::decode(p).has_value(); }},
        {"6+2+", [](const char* p) { return msg::Reclaim::decode(p).has_value(); }},
        {"x+", [](const char* p) { return msg::Removed::decode(p).has_value(); }},
    };
    for (const auto& [payload, decodes] : cases)
        EXPECT_FALSE(decodes(payload)) << payload;

    // At most 64 pairs in a hand, at most four seats in scores and snapshots.
    std::string hand = "3";
    for (int i = 0; i < 65; ++i)
        hand += "+1+2";
    EXPECT_FALSE(msg::MyCards::decode(hand));
    std::string scores = "0";
    for (int i = 0; i < 5; ++i)
        scores += "+1+0+0+0+0+0+0+0";
    EXPECT_FALSE(msg::PostScores::decode(scores));

    // Any payload asks for a game: missing fields read as empty, bots as wanted.
    EXPECT_EQ(msg::StartGameRequest::decode(""), (msg::StartGameRequest{"", "", "", true, true}));
}

TEST(Messages, DecodeMessageChecksTheWord) {
    EXPECT_TRUE(msg::decodeMessage<msg::Invalid>("CMD_invalid+1+3+" + T));
    EXPECT_FALSE(msg::decodeMessage<msg::Invalid>("CMD_invalidx+1+3+"));
    EXPECT_FALSE(msg::decodeMessage<msg::Invalid>("CMD_invalid"));
    // The same word both ways: a request and the announcement decode alike.
    EXPECT_TRUE(msg::decodeMessage<msg::StartGameRequest>("CMD_startgame+A+1+2+t+f+"));
}

// A chat's text carries the sender's colour after its last "|"; the host's
// relay puts the sender's name in front. Names and texts may hold "+", "|",
// ":" and the relay's own words.
TEST(Messages, ChatTextsAndRelayedLinesReadIntoTheirParts) {
    EXPECT_EQ(msg::colouredText("pick a|b", "clRed"), "pick a|b|clRed");
    EXPECT_EQ(msg::splitColour("pick a|b|clRed"), (msg::ColouredText{"pick a|b", "clRed"}));
    EXPECT_EQ(msg::splitColour("no colour"), (msg::ColouredText{"no colour", std::nullopt}));
    EXPECT_EQ(msg::splitColour("empty|"), (msg::ColouredText{"empty", ""}));

    using R = msg::RelayedLine;
    EXPECT_EQ(msg::relayed(msg::Chat{2, "Ann chats: hi|clRed"}), (R{"Ann", {"hi", "clRed"}}));
    EXPECT_EQ(msg::relayed(msg::Chat{2, "A+n:n chats: a+b: c|$00112233"}),
              (R{"A+n:n", {"a+b: c", "$00112233"}}));
    EXPECT_EQ(msg::relayed(msg::Chat{2, "Ann chats: Bob chats: hi|x|clRed"}),
              (R{"Ann", {"Bob chats: hi|x", "clRed"}}));
    EXPECT_EQ(msg::relayed(msg::Chat{2, "Ann chats: "}), (R{"Ann", {"", std::nullopt}}));
    // Not in the relay's form: no sender, all text.
    EXPECT_EQ(msg::relayed(msg::Chat{2, "hello: there|clRed"}), (R{"", {"hello: there", "clRed"}}));

    EXPECT_EQ(msg::relayed(msg::Action{3, "Cy says: Way To Go!|clLime"}),
              (R{"Cy", {"says: Way To Go!", "clLime"}}));
    EXPECT_EQ(msg::relayed(msg::Action{3, "Cy |clLime"}), (R{"Cy", {"", "clLime"}}));
    EXPECT_EQ(msg::relayed(msg::Action{3, "Cy|clLime"}), (R{"", {"Cy", "clLime"}}));
}
