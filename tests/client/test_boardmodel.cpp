// Host commands through the board handlers: seats, game start, snapshot,
// rounds and turns, plays, scores and the winner, and hostile input.
#include "boardtest.h"

#include <random>

namespace dw::test {
namespace {

TEST_F(BoardTest, OwnLoginAsPlayerAndAsSpectator) {
    login(3, "Bo+b");
    EXPECT_EQ(ev.sent, Strings{(msg::LoginInfo{3, "1.0.1", "Bo+b"}.encode())});
    EXPECT_EQ(ev.chats,
              (Strings{"0+You are Connected.", "0+Press Control-I to see Quick Instructions."}));
    EXPECT_EQ(ev.chatColours[0], kStatusColour);
    EXPECT_EQ(ev.settingsLoads, 1);
    EXPECT_EQ(seat(3).name, "Bo+b");
    EXPECT_EQ(ev.sounds, Strings{"entered"});

    RecordingEvents e;
    BoardModel spy(e);
    spy.loginAsked({5});
    spy.playerJoined(msg::NewPlayerInfo{5, "Eve"});
    EXPECT_EQ(e.chats.back(), "0+You are spying.");
    EXPECT_EQ(e.chats.size(), 3u);
    EXPECT_EQ(spy.spies(), Strings{"5: Eve"});
    EXPECT_EQ(e.sounds, Strings{"entered"});
}

TEST_F(BoardTest, OthersArriveAndLeave) {
    login(1, "Ann");
    ev.clear();
    cmd(msg::NewPlayerInfo{2, "Bob"});
    cmd(msg::NewPlayerInfo{6, "Eve"});
    EXPECT_EQ(ev.chats,
              (Strings{"0+Bob is Connected.", "0+Eve is Connected.", "0+Eve is spying."}));
    EXPECT_EQ(ev.sounds, (Strings{"entered", "entered"}));
    EXPECT_EQ(seat(2).name, "Bob");
    ev.clear();
    cmd(msg::PlayerDisconnected{7, "Eve"}); // not listed: silent
    cmd(msg::PlayerDisconnected{6, "Eve"});
    cmd(msg::PlayerDisconnected{2, "Bob"});
    cmd(msg::PlayerDisconnected{2, "Bob"}); // already the pilot's name: silent
    cmd(msg::PlayerDisconnected{1, "Ann"});
    EXPECT_EQ(ev.chats, (Strings{"0+Eve has left.", "0+Bob disconnected.", "0+Ann disconnected."}));
    EXPECT_EQ(ev.spyRemoves, Strings{"6: Eve"});
    EXPECT_TRUE(m.spies().empty());
    EXPECT_EQ(seat(2).name, "Klot");
    // Seat 1 empties only on a host without a player of its own, whose
    // computer flies it on under its pilot's name.
    EXPECT_EQ(seat(1).name, "Klank");
}

TEST_F(BoardTest, ARemovedPlayerIsToldAsRemoved) {
    login(1, "Ann");
    cmd(msg::NewPlayerInfo{2, "Bob"});
    cmd(msg::NewPlayerInfo{3, "Cy"});
    ev.clear();
    m.removed(msg::Removed{2});
    cmd(msg::PlayerDisconnected{2, "Bob"});
    cmd(msg::PlayerDisconnected{3, "Cy"}); // a departure of its own
    m.removed(msg::Removed{1});            // the own removal is the window's business
    EXPECT_EQ(ev.chats, (Strings{"0+Bob was removed from the game.", "0+Cy disconnected."}));
    // The mark goes with the departure: Bob back and gone again just left.
    cmd(msg::NewPlayerInfo{2, "Bob"});
    ev.clear();
    cmd(msg::PlayerDisconnected{2, "Bob"});
    EXPECT_EQ(ev.chats, Strings{"0+Bob disconnected."});
}

TEST_F(BoardTest, ASpectatorAnnouncedAgainKeepsOneItem) {
    login(1, "Ann");
    cmd(msg::NewPlayerInfo{6, "Eve"});
    cmd(msg::NewPlayerInfo{7, "Bob"});
    ev.clear();
    // The spectator in seat 6 logs in again under another name.
    cmd(msg::NewPlayerInfo{6, "Eve2"});
    EXPECT_EQ(m.spies(), (Strings{"7: Bob", "6: Eve2"}));
    EXPECT_EQ(ev.spyRemoves, Strings{"6: Eve"});
    cmd(msg::PlayerDisconnected{6, "Eve2"});
    EXPECT_EQ(m.spies(), Strings{"7: Bob"});
}

TEST_F(BoardTest, LeavingSeatsThreeAndFourDependsOnTakingPart) {
    startGame(false, true);
    cmd(msg::NewPlayerInfo{3, "Cy"});
    cmd(msg::NewPlayerInfo{4, "Di"});
    cmd(msg::JustWatching{4, true});
    cmd(msg::PlayerDisconnected{3, "Cy"});
    cmd(msg::PlayerDisconnected{4, "Di"});
    EXPECT_EQ(seat(3).name, "<Waiting>");
    EXPECT_EQ(seat(4).name, "Kling");
    EXPECT_FALSE(seat(4).eyes);
}

TEST_F(BoardTest, JustWatch) {
    m.justWatch(); // not logged in
    login(2);
    cmd(msg::ExistingPlayers{1, "Ann"});
    ev.clear();
    m.justWatch();
    m.justWatch(); // the check mark waits for the host
    cmd(msg::JustWatching{2, true});
    EXPECT_TRUE(m.view().justWatchChecked);
    EXPECT_TRUE(seat(2).eyes);
    m.justWatch();
    cmd(msg::JustWatching{1, true});
    cmd(msg::JustWatching{2, false});
    EXPECT_FALSE(m.view().justWatchChecked);
    EXPECT_TRUE(seat(1).eyes);
    EXPECT_EQ(ev.chats, (Strings{"0+Bob is just watching", "0+Ann is just watching",
                                 "0+Bob is now playing again"}));
    m.setToJustWatch(3);
    m.unsetJustWatch(4);
    m.setToJustWatch(5);
    EXPECT_EQ(ev.sent,
              (Strings{(msg::JustWatch{2, true}.encode()), (msg::JustWatch{2, true}.encode()),
                       (msg::JustWatch{2, false}.encode()), (msg::JustWatch{3, true}.encode()),
                       (msg::JustWatch{4, false}.encode())}));
}

TEST_F(BoardTest, StartTheGameNamesPilotsAndMarksSeats) {
    login(2);
    cmd(msg::NewPlayerInfo{1, "An+n"});
    cmd(msg::JustWatching{2, true});
    ev.clear();
    cmd(msg::StartGameAnnounce{"An+n", 5000, 70000, false, true}); // a name with "+" survives
    EXPECT_EQ(ev.chats, Strings{"0+An+n has started a game."});
    EXPECT_FALSE(m.view().justWatchChecked);
    EXPECT_EQ(seat(1).name, "An+n");
    EXPECT_EQ(seat(2).name, "Bob");
    EXPECT_EQ(seat(3).name, "<Waiting>");
    EXPECT_EQ(seat(4).name, "Kling");
    EXPECT_TRUE(seat(3).notPlaying);
    EXPECT_FALSE(seat(4).notPlaying);
    EXPECT_EQ(m.state().inGame, (std::array<bool, 5>{false, true, true, false, true}));
    EXPECT_EQ(m.view().playToScore, "Amount to Earn: $5000");
    EXPECT_EQ(m.view().distance, "Target Distance: 70000");

    RecordingEvents e;
    BoardModel fresh(e);
    fresh.gameStarted({"X", 1000, 50000, false, false});
    EXPECT_EQ(fresh.view().seats[1].name, "Klank"); // a host without a player of its own
    EXPECT_EQ(fresh.view().seats[2].name, "Klot");
}

msg::NewStats snapshot(int hold, int taken) {
    return {2,
            2,
            hold != 0,
            6000,
            taken,
            70000,
            {// moving, teleported, Teleporting held
             {1, 1200, true, true, true, 15000, 0, {false, true, false, false}},
             // docked with DAMAGE
             {2, 800, true, false, false, 5000, 12, {false, false, false, true}},
             // skyjacked
             {3, 400, true, false, false, 0, 8, {false, false, false, false}},
             // out of the game
             {4, 0, false, false, false, 0, 0, {false, false, false, false}}}};
}

TEST_F(BoardTest, SnapshotDrawsTheBoard) {
    login(2);
    cmd(msg::ExistingPlayers{1, "Ann"});
    ev.clear();
    cmd(snapshot(0, 100));
    EXPECT_EQ(m.view().cardsLeft, "Cards Left: 5");
    EXPECT_EQ(m.view().distance, "Total Distance: 70000");
    EXPECT_EQ(seat(1).score, "1200");
    EXPECT_EQ(seat(1).miles, "15000 Lyrs"); // as the others show it
    EXPECT_EQ(seat(1).goPile, 6);
    EXPECT_EQ(seat(1).speedPile, 10);
    EXPECT_EQ(ship(1), 1);
    EXPECT_TRUE(teleported(1));
    EXPECT_TRUE(seat(1).safe[2]);
    EXPECT_EQ(seat(2).goPile, 12); // the hazard over DOCK
    EXPECT_EQ(ship(2), 5);
    EXPECT_EQ(seat(3).name, "Klick");
    EXPECT_EQ(seat(3).goPile, 8);
    EXPECT_EQ(ship(3), 2);
    EXPECT_EQ(seat(4).miles, "");
    EXPECT_TRUE(seat(4).notPlaying);
    EXPECT_FALSE(m.state().inGame[4]);
    EXPECT_FALSE(seat(4).goPile);
    EXPECT_EQ(m.state().turnSeat, 2);
    EXPECT_EQ(ev.logs, Strings{"Your Turn."});
    EXPECT_EQ(ev.sounds, Strings{"turn"});
    EXPECT_EQ(m.view().turn.seat, 2);
    EXPECT_FALSE(m.view().turn.green);
    EXPECT_EQ(seat(2).nameColour, LabelColour::Red);
}

TEST_F(BoardTest, SnapshotWithHoldflagOrForAnotherSeat) {
    login(2);
    ev.clear();
    cmd(snapshot(1, 110));
    EXPECT_EQ(m.view().cardsLeft, "Cards Left: 0");
    EXPECT_EQ(ev.logs, Strings{"Bob's turn."});
    EXPECT_TRUE(ev.sounds.empty());
    EXPECT_EQ(m.state().turnSeat, 0);

    RecordingEvents e;
    BoardModel other(e);
    other.loginAsked({3});
    other.tableSnapshot(snapshot(0, 5));
    EXPECT_EQ(other.view().cardsLeft, "");
}

TEST_F(BoardTest, HandDealtAndRoundStartRestoresPlaceOrder) {
    startGame();
    EXPECT_EQ(place(3).picture, 12);
    EXPECT_FALSE(place(7).picture);
    cmd(msg::MyCards{3, {{1, 5}}}); // another seat's hand
    EXPECT_EQ(place(1).card, 4);
    cmd(msg::StartGameAnnounce{"Ann", 5000, 70000, true, true}); // pictures go, codes stay
    EXPECT_EQ(place(1).card, 4);
    EXPECT_FALSE(place(1).picture);

    m.sortCards();
    cmd(msg::PostScores{0, {{1, 0, 0, 0, 0, 0, 0, 0}}});
    cmd(msg::StartingRound{});
    EXPECT_EQ(ev.sounds.back(), "gamestart");
    EXPECT_EQ(m.state().handOrder, (std::array<int, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
    for (int p = 1; p <= 7; ++p)
        EXPECT_EQ(m.positionOf(p), p);
    for (int n = 1; n <= 4; ++n)
        EXPECT_FALSE(seat(n).panelVisible);
}

TEST_F(BoardTest, NextTurn) {
    startGame();
    cmd(msg::NextPlayer{1, 0, 0, 30});
    EXPECT_EQ(ev.logs, Strings{"Ann's turn."});
    EXPECT_EQ(m.view().cardsLeft, "Cards Left: 75");
    const char* expected[] = {"turn", "turn2", "turn1"};
    for (int draw = 0; draw < 3; ++draw) {
        ev.clear();
        nextDraw = draw;
        cmd(msg::NextPlayer{2, 7, 11, 31});
        EXPECT_EQ(ev.logs, Strings{"Your Turn."});
        EXPECT_EQ(ev.sounds, Strings{expected[draw]});
    }
    EXPECT_EQ(place(7).picture, 11);
    EXPECT_EQ(seat(1).nameColour, LabelColour::Yellow);
    m.onCardReleased(1, false);
    ev.clear();
    cmd(msg::NextPlayer{2, 0, 0, 110});
    EXPECT_EQ(ev.logs, (Strings{"Your Turn.", "Your Turn. - Out of Cards"}));
    EXPECT_EQ(m.view().cardsLeft, "Cards Left: 0");
    EXPECT_EQ(m.state().selectedSlot, 0);
    EXPECT_FALSE(place(1).raised);
    cmd(msg::NextPlayer{3, 0, 0, 105});
    EXPECT_EQ(m.view().turn.seat, 3);
    cmd(msg::NextPlayer{0, 0, 0, 105}); // no column to frame
    EXPECT_FALSE(m.view().turn.visible);
}

TEST_F(BoardTest, GoPilePlays) {
    struct Row {
        msg::PlacingGo play;
        int shipstate;
        const char* line;
        Strings sounds;
    };
    // Bob is seat 2.
    const Row rows[] = {
        {{2, 6, 1, 2}, 1, "Bob has undocked and is ready to move.", {"undock"}},
        {{1, 6, 1, 1}, 1, "Ann has undocked and is ready to move.", {}},
        {{2, 7, 1, 3}, 0, "Klick had to make an unexpected dock.", {"protection"}},
        {{1, 7, 1, 2}, 0, "Bob had to make an unexpected dock.", {"dock"}},
        {{3, 7, 1, 1}, 0, "Ann had to make an unexpected dock.", {}},
        {{1, 8, 1, 2}, 2, "Bob got skyjacked.", {"damage"}},
        {{2, 8, 1, 3}, 2, "Klick got skyjacked.", {"protection"}},
        {{2, 9, 1, 2}, 3, "Bob reloaded the missing materials.", {"repair"}},
        {{3, 9, 1, 3}, 3, "Klick reloaded the missing materials.", {}},
        {{1, 12, 1, 2}, 5, "Bob received damage.", {"damage"}},
        {{2, 12, 1, 1}, 5, "Ann received damage.", {"protection"}},
        {{2, 13, 1, 2}, 6, "Bob repaired the damage.", {"repair"}},
        {{1, 14, 1, 2}, 7, "Bob had a power drain.", {"damage"}},
        {{4, 14, 1, 3}, 7, "Klick had a power drain.", {}},
        {{2, 15, 1, 2}, 8, "Bob gained power.", {"repair"}},
        {{1, 15, 1, 1}, 8, "Ann gained power.", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const int player = row.play.seat;
        const int card = row.play.card;
        const int target = row.play.target;
        startGame();
        cmd(msg::NextPlayer{1, 0, 0, 30});
        // A repair comes after the hazard it mends.
        for (int hazard : {kSkyjack, kDamage, kPowerDrain})
            if (repairFor(hazard) == card)
                cmd(msg::PlacingGo{4, hazard, 1, target});
        ev.clear();
        cmd(row.play);
        EXPECT_EQ(ship(target), row.shipstate);
        EXPECT_EQ(seat(target).goPile, card);
        EXPECT_EQ(ev.logs, Strings{row.line});
        EXPECT_EQ(ev.sounds, row.sounds);
        EXPECT_EQ(place(1).card, player == 2 ? 0 : 4);
        EXPECT_FALSE(m.view().turn.visible);
    }
}

TEST_F(BoardTest, SpeedPilePlaysAndTravel) {
    startGame();
    cmd(msg::PlacingSpeed{2, 10, 3, 1});
    cmd(msg::PlacingSpeed{1, 10, 3, 2});
    EXPECT_EQ((std::vector<bool>{teleported(1), teleported(2), teleported(3), teleported(4)}),
              (std::vector<bool>{true, true, false, false}));
    cmd(msg::PlacingSpeed{2, 11, 5, 2});
    EXPECT_FALSE(teleported(2));
    EXPECT_EQ(seat(2).speedPile, 11);
    EXPECT_EQ(place(3).card, 0);
    EXPECT_EQ(ev.logs, (Strings{"Ann has got teleported and now has warp damage.",
                                "Bob has got teleported and now has warp damage.",
                                "Bob repaired the warp damage."}));
    EXPECT_EQ(ev.sounds, (Strings{"protection", "damage", "repair"}));
    ev.clear();

    m.setOwnLightyears(100000);
    cmd(msg::Traveling{2, 20000, 5, 4, 20000});
    cmd(msg::Traveling{1, 2500, 1, 1, 2500}); // not the own tally
    EXPECT_EQ(seat(2).miles, "20000 Lyrs");
    EXPECT_EQ(seat(2).milePile, 5);
    EXPECT_EQ(seat(1).milePile, 1);
    EXPECT_EQ(place(4).card, 0);
    EXPECT_EQ(place(1).card, 4);
    EXPECT_EQ(ev.logs, (Strings{"Bob traveled 20000 lyrs.", "Ann traveled 2500 lyrs."}));
    EXPECT_EQ(ev.sounds, Strings{"move"});
    EXPECT_EQ(ev.mineset, (std::vector<std::pair<int, std::string>>{{3, "120000"}}));
}

TEST_F(BoardTest, ProtectionsAndTheirEffects) {
    startGame();
    cmd(msg::PlacingSpeed{1, 10, 1, 2});
    cmd(msg::PlacingGo{1, 12, 1, 2});
    cmd(msg::NextPlayer{2, 1, 17, 40});
    ev.clear();
    cmd(msg::PlaySafe{2, 16, 6, 0});
    EXPECT_TRUE(seat(2).safe[1]);
    EXPECT_EQ(place(6).card, 0);
    EXPECT_EQ(ev.logs, Strings{"Bob has Protection from Skyjacking."});
    EXPECT_TRUE(ev.sounds.empty());
    EXPECT_TRUE(m.view().turn.visible); // the same pilot plays again
    cmd(msg::PlaySafe{2, 17, 1, 2});
    EXPECT_FALSE(seat(2).speedPile);
    EXPECT_FALSE(teleported(2));
    EXPECT_EQ(ship(2), 5);
    cmd(msg::PlaySafe{2, 18, 3, 1});
    EXPECT_EQ(ship(2), 1);
    EXPECT_EQ(seat(2).goPile, 6);
}

TEST_F(BoardTest, DiscardNoPlayAndRefusal) {
    startGame();
    myTurn();
    cmd(msg::HeDiscard{2, 3, 12});
    cmd(msg::HeDiscard{1, 4, 0}); // a pass with an empty place: nothing lands on the pile
    EXPECT_EQ(m.view().discard, 12);
    EXPECT_EQ(place(3).card, 0);
    EXPECT_EQ(place(4).card, 5);
    cmd(msg::CannotMove{3});
    EXPECT_EQ(ev.logs.back(), "Klick does not have a play.");
    EXPECT_EQ(ev.sounds.back(), "discard");
    EXPECT_FALSE(m.view().turn.visible);

    myTurn();
    m.onCardReleased(2, false); // UNDOCK, played at once
    m.onTargetClicked(2);
    ev.clear();
    cmd(msg::Invalid{1, 0}); // someone else's
    cmd(msg::Invalid{2, 4});
    cmd(msg::Invalid{2, 13});
    EXPECT_EQ(ev.logs, Strings{"You are already undocked."});
    EXPECT_EQ(ev.sounds, (Strings{"invalid", "invalid"}));
    EXPECT_EQ(m.state().turnSeat, 2);
    EXPECT_EQ(m.state().selectedSlot, 2);
    EXPECT_TRUE(place(2).raised);
    EXPECT_TRUE(seat(2).target);
}

TEST_F(BoardTest, RoundScores) {
    startGame(false, true);
    cmd(msg::NextPlayer{1, 0, 0, 30});
    ev.clear();
    cmd(msg::PostScores{
        1, {{1, 2800, 2800, 700, 400, 300, 900, 500}, {2, 300, 300, 300, 0, 0, 0, 0}}});
    EXPECT_EQ(seat(1).score, "$2800");
    EXPECT_EQ(seat(1).panel,
              (std::array<std::string, 6>{"Distance Traveled: $700", "Trip Completed: $400",
                                          "Protections: $900", "Safe Trip: $300", "Shut Out: $500",
                                          "+$2800"}));
    EXPECT_EQ(seat(1).nameColour, LabelColour::Lime);
    EXPECT_EQ(seat(1).panelColour, LabelColour::Lime);
    EXPECT_EQ(seat(2).panelColour, LabelColour::Yellow);
    EXPECT_EQ(seat(4).panel[5], ""); // no record: empty panel, still shown
    EXPECT_TRUE(seat(4).panelVisible);
    EXPECT_FALSE(seat(3).panelVisible);
    EXPECT_EQ(ev.logs, (Strings{"Ann completed the mission!", ""}));
    EXPECT_EQ(ev.sounds, Strings{"roundover"});
    EXPECT_FALSE(m.view().turn.visible);
    ev.clear();
    cmd(msg::PostScores{0, {{1, 2800, 0, 0, 0, 0, 0, 0}}});
    EXPECT_EQ(ev.logs, (Strings{"No one was able to complete the mission.", ""}));
    EXPECT_EQ(seat(1).nameColour, LabelColour::Yellow);
}

TEST_F(BoardTest, WinnerTexts) {
    startGame();
    m.state().isHost = true;
    cmd(msg::Winner{"Bob", 2});
    EXPECT_TRUE(seat(2).winner);
    EXPECT_EQ(ev.chats, Strings{"0+You have Won the Game!"});
    EXPECT_EQ(ev.logs, Strings{"Game Over!"});
    EXPECT_EQ(ev.sounds, Strings{"gameover"});
    EXPECT_EQ(ev.games, Strings{"addtomine"});
    EXPECT_TRUE(m.view().startVisible);
    cmd(msg::StartGameAnnounce{"Ann", 5000, 70000, true, true});
    EXPECT_FALSE(seat(2).winner);
    EXPECT_FALSE(m.view().startVisible);
    m.state().isHost = false;
    ev.clear();
    cmd(msg::Winner{"Klock", 3}); // the host's name for seat 3's pilot
    EXPECT_EQ(ev.chats, Strings{"0+Klock has Won the Game!"});
    EXPECT_EQ(ev.games, Strings{"Klock"});
    EXPECT_FALSE(m.view().startVisible);

    RecordingEvents e;
    BoardModel spy(e);
    spy.loginAsked({6});
    spy.playerJoined(msg::NewPlayerInfo{1, "A+B"});
    spy.winner({"A+B", 1});
    EXPECT_EQ(e.chats.back(), "0+A+B has Won the Game!");
    EXPECT_TRUE(e.games.empty());
    EXPECT_TRUE(spy.view().seats[1].winner);
}

// Malformed or out-of-range fields drop the message without a change.
TEST_F(BoardTest, MalformedMessagesChangeNothing) {
    startGame();
    myTurn();
    ev.clear();
    const BoardView before = m.view();
    // Raw text on purpose: letters for numbers and missing fields are beyond
    // what the message structs encode.
    for (const char* message :
         {"CMD_nextplayer+5+1+1+1+", "CMD_nextplayer+2+8+1+1+", "CMD_nextplayer+2+1+20+1+",
          "CMD_nextplayer+2+1+1+x+", "CMD_placinggo+2+6+0+2+", "CMD_placinggo+2+6+1+9+",
          "CMD_traveling+2+5000+2+1", "CMD_playsafe+2+15+1+1+", "CMD_mycards+2+1+5+8+3",
          "CMD_mycards+2+1+5+2", "CMD_postscores+1+7+0+0+0+0+0+0+0", "CMD_postscores+1+1+0+0",
          "CMD_winner+Bob+0+", "CMD_startgame+Ann+5000+70000+t+t",
          "CMD_newstats+2+2+0+5000+1+70000+1+0+1+2+0+0+0+0+0+0+0", "CMD_justwatching+0+1",
          "CMD_newplayerinfo+10+Zed", "CMD_sendlogininfo+12"})
        cmd(message);
    EXPECT_TRUE(ev.logs.empty() && ev.chats.empty() && ev.sounds.empty() && ev.sent.empty());
    EXPECT_EQ(m.state().mySeat, 2);
    for (int p = 1; p <= 7; ++p)
        EXPECT_EQ(place(p).card, before.hand[static_cast<std::size_t>(p)].card);
    for (int n = 1; n <= 4; ++n) {
        const SeatDisplay& b = before.seats[static_cast<std::size_t>(n)];
        EXPECT_EQ(seat(n).name, b.name);
        EXPECT_EQ(seat(n).goPile, b.goPile);
        EXPECT_EQ(seat(n).score, b.score);
    }
}

// A hostile host sends field soup for every word: the model must stay within
// its tables (the sanitizers watch) and keep its invariants.
TEST_F(BoardTest, RandomPayloadsKeepTheModelSound) {
    startGame();
    const std::string_view words[] = {
        msg::SendLoginInfo::kWord, msg::NewPlayerInfo::kWord,     msg::PlayerDisconnected::kWord,
        msg::JustWatching::kWord,  msg::StartGameAnnounce::kWord, msg::NextPlayer::kWord,
        msg::Winner::kWord,        msg::MyCards::kWord,           msg::StartingRound::kWord,
        msg::HeDiscard::kWord,     msg::Invalid::kWord,           msg::Traveling::kWord,
        msg::PlacingGo::kWord,     msg::PlacingSpeed::kWord,      msg::PlaySafe::kWord,
        msg::CannotMove::kWord,    msg::PostScores::kWord,        msg::NewStats::kWord};
    const char* tokens[] = {"0",  "1",  "2",  "3",  "4",          "5", "7", "8",
                            "10", "16", "19", "20", "2147483648", "",  "f", "x"};
    std::mt19937 gen(12345);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(gen);
    };
    for (int i = 0; i < 20000; ++i) {
        std::string payload;
        for (std::size_t f = pick(20); f > 0; --f)
            payload += std::string(tokens[pick(std::size(tokens))]) + (pick(5) ? "+" : "");
        m.handleCommand(words[pick(std::size(words))], payload);
        m.onCardReleased(static_cast<int>(pick(9)), pick(4) == 0);
        m.onTargetClicked(static_cast<int>(pick(6)));
        if (i % 5 == 0)
            m.onDiscardClicked();

        const ClientState& s = m.state();
        ASSERT_TRUE(s.selectedSlot >= 0 && s.selectedSlot <= 7);
        ASSERT_TRUE(s.turnSeat >= 0 && s.turnSeat <= 4);
        std::array<int, 8> seen{};
        for (int p = 1; p <= 7; ++p) {
            const int at = s.handOrder[static_cast<std::size_t>(p)];
            ASSERT_TRUE(at >= 1 && at <= 7);
            ++seen[static_cast<std::size_t>(at)];
            ASSERT_EQ(m.positionOf(at), p);
        }
        ASSERT_EQ(std::count(seen.begin(), seen.end(), 1), 7);
    }
}

} // namespace
} // namespace dw::test
