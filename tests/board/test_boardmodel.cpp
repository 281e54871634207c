// Host commands through the board handlers: login and seats, game start,
// snapshot, rounds and turns, plays, scores and the winner.
#include "boardtest.h"

#include <random>

namespace dw::test {
namespace {

TEST_F(BoardTest, FreshBoard) {
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(seat(n).name, "<Waiting>");
        EXPECT_EQ(seat(n).score, "$0");
        EXPECT_EQ(seat(n).miles, "0 lyrs");
        EXPECT_FALSE(seat(n).panelVisible);
        EXPECT_FALSE(seat(n).notPlaying);
    }
    for (int p = 1; p <= 7; ++p) {
        EXPECT_EQ(place(p).left, layout::kHandX[static_cast<std::size_t>(p)]);
        EXPECT_EQ(place(p).top(), 197);
        EXPECT_EQ(m.state().handorder[static_cast<std::size_t>(p)], p);
    }
    EXPECT_FALSE(m.view().turn.visible);
    EXPECT_EQ(botHint(1), "");
    EXPECT_EQ(botHint(3), "Klick");
}

TEST_F(BoardTest, LoginAsPlayerSendsLoginAndShowsSeat) {
    m.state().playername = "Bo+b";
    cmd("CMD_sendlogininfo+3");
    EXPECT_TRUE(m.state().loggedin);
    EXPECT_EQ(m.state().myseat, 3);
    ASSERT_EQ(ev.sent.size(), 1u);
    EXPECT_EQ(ev.sent[0], "CMD_logininfo+3+1.0.1+Bo+b\xFF\xFF");

    cmd("CMD_newplayerinfo+3+Bo+b");
    EXPECT_EQ(ev.chats,
              (Strings{"0+You are Connected.", "0+Press Control-I to see Quick Instructions."}));
    EXPECT_EQ(ev.chatColours[0], kStatusColour);
    EXPECT_EQ(ev.settingsLoads, 1);
    EXPECT_EQ(seat(3).name, "Bo+b");
    EXPECT_EQ(ev.sounds, Strings{"entered"});
}

TEST_F(BoardTest, SpectatorLoginListsItself) {
    login(5, "Eve");
    EXPECT_EQ(ev.chats,
              (Strings{"0+You are Connected.", "0+Press Control-I to see Quick Instructions.",
                       "0+You are spying."}));
    EXPECT_EQ(ev.spyAdds, Strings{"5: Eve"});
    EXPECT_EQ(m.spies(), Strings{"5: Eve"});
    EXPECT_EQ(ev.sounds, Strings{"entered"});
}

TEST_F(BoardTest, OthersArriveAndLeave) {
    login(1, "Ann");
    ev.clear();
    cmd("CMD_newplayerinfo+2+Bob");
    cmd("CMD_newplayerinfo+6+Eve");
    EXPECT_EQ(ev.chats,
              (Strings{"0+Bob is Connected.", "0+Eve is Connected.", "0+Eve is spying."}));
    EXPECT_EQ(ev.sounds, (Strings{"entered", "entered"}));
    EXPECT_EQ(seat(2).name, "Bob");
    ev.clear();

    cmd("CMD_playerdisconnected+7+Eve"); // not in the list
    EXPECT_TRUE(ev.chats.empty());
    cmd("CMD_playerdisconnected+6+Eve");
    EXPECT_EQ(ev.chats, Strings{"0+Eve has left."});
    EXPECT_EQ(ev.spyRemoves, Strings{"6: Eve"});
    EXPECT_TRUE(m.spies().empty());
    ev.clear();

    // A player leaving: seat 2 falls back to its computer pilot.
    cmd("CMD_playerdisconnected+2+Bob");
    EXPECT_EQ(ev.chats, Strings{"0+Bob disconnected."});
    EXPECT_EQ(seat(2).name, "Klot");
    ev.clear();
    // Now showing the pilot's name: no line.
    cmd("CMD_playerdisconnected+2+Bob");
    EXPECT_TRUE(ev.chats.empty());
    cmd("CMD_playerdisconnected+1+Ann");
    EXPECT_EQ(seat(1).name, "<Waiting>");
}

TEST_F(BoardTest, LeavingSeatOutOfTheGameShowsWaiting) {
    startGame("f+t+");
    cmd("CMD_newplayerinfo+3+Cy");
    cmd("CMD_newplayerinfo+4+Di");
    cmd("CMD_justwatching+4+1");
    ev.clear();
    cmd("CMD_playerdisconnected+3+Cy");
    EXPECT_EQ(seat(3).name, "<Waiting>");
    cmd("CMD_playerdisconnected+4+Di");
    EXPECT_EQ(seat(4).name, "Kling");
    EXPECT_FALSE(seat(4).eyes);
    EXPECT_EQ(ev.chats, (Strings{"0+Cy disconnected.", "0+Di disconnected."}));
}

TEST_F(BoardTest, JustWatch) {
    login(2);
    cmd("CMD_existingplayers+1+Ann");
    ev.clear();
    m.JustWatch1Click();
    m.JustWatch1Click();
    EXPECT_EQ(ev.sent, (Strings{"CMD_justwatch+2+1\xFF", "CMD_justwatch+2+1\xFF"}));
    cmd("CMD_justwatching+2+1");
    EXPECT_TRUE(m.view().justWatchChecked);
    EXPECT_TRUE(seat(2).eyes);
    cmd("CMD_justwatching+1+1"); // someone else: menu untouched
    cmd("CMD_justwatching+2+2");
    EXPECT_FALSE(m.view().justWatchChecked);
    EXPECT_FALSE(seat(2).eyes);
    EXPECT_TRUE(seat(1).eyes);
    EXPECT_EQ(ev.chats, (Strings{"0+Bob is just watching", "0+Ann is just watching",
                                 "0+Bob is now playing again"}));
    ev.sent.clear();
    m.SettoJustWatch1Click(3);
    m.UnsetJustWatch1Click(4);
    m.SettoJustWatch1Click(5);
    EXPECT_EQ(ev.sent, (Strings{"CMD_justwatch+3+1\xFF", "CMD_justwatch+4+2\xFF"}));
}

TEST_F(BoardTest, NothingIsSentBeforeLogin) {
    m.JustWatch1Click();
    m.SettoJustWatch1Click(2);
    EXPECT_TRUE(ev.sent.empty());
}

TEST_F(BoardTest, StartTheGameNamesPilotsAndMarksSeats) {
    login(2);
    cmd("CMD_newplayerinfo+1+An+n");
    m.state().ishost = true;
    cmd("CMD_justwatching+2+1");
    ev.clear();
    cmd("CMD_startgame+An+n+5000+70000+f+t+");
    EXPECT_EQ(ev.chats, Strings{"0+An+n has started a game."});
    EXPECT_FALSE(m.view().startVisible);
    EXPECT_FALSE(m.view().justWatchChecked);
    EXPECT_EQ(seat(1).name, "An+n");
    EXPECT_EQ(seat(2).name, "Bob");
    EXPECT_EQ(seat(3).name, "<Waiting>");
    EXPECT_EQ(seat(4).name, "Kling");
    EXPECT_TRUE(seat(3).notPlaying);
    EXPECT_FALSE(seat(4).notPlaying);
    EXPECT_FALSE(m.state().ingame[3]);
    EXPECT_TRUE(m.state().ingame[4]);
    EXPECT_EQ(m.view().playToScore, "Amount to Earn: $5000");
    EXPECT_EQ(m.view().distance, "Target Distance: 70000");

    // Seat 2 is always filled; seat 1 never.
    RecordingEvents e2;
    BoardModel fresh(e2);
    fresh.startthegame("X+1000+50000+f+f+");
    EXPECT_EQ(fresh.view().seats[1].name, "<Waiting>");
    EXPECT_EQ(fresh.view().seats[2].name, "Klot");
    EXPECT_EQ(fresh.view().seats[4].name, "<Waiting>");
}

TEST_F(BoardTest, ClearallKeepsCardCodesButNotPictures) {
    startGame();
    cmd("CMD_startgame+Ann+5000+70000+t+t+");
    EXPECT_EQ(place(1).card, 4);
    EXPECT_FALSE(place(1).picture);
}

// Bob (seat 2) joins a running game.
std::string snapshot(int hold, int taken) {
    return "CMD_newstats+2+2+" + std::to_string(hold) + "+6000+" + std::to_string(taken) +
           "+70000+"
           "1+1200+1+1+1+15000+0+0+1+0+0+" // Ann: moving, teleported, Teleporting held
           "2+800+1+0+0+5000+12+0+0+0+1+"  // Bob: docked with DAMAGE
           "3+400+1+0+0+0+8+0+0+0+0+"      // pilot: skyjacked
           "4+0+0+0+0+0+0+0+0+0+0";        // out of the game
}

TEST_F(BoardTest, SnapshotDrawsTheBoard) {
    login(2);
    cmd("CMD_existingplayers+1+Ann");
    ev.clear();
    cmd(snapshot(0, 100));
    EXPECT_EQ(m.view().playToScore, "Amount to Earn: $6000");
    EXPECT_EQ(m.view().cardsLeft, "Cards Left: 5");
    EXPECT_EQ(m.view().distance, "Total Distance: 70000");
    EXPECT_EQ(seat(1).score, "1200"); // no "$" from a snapshot
    EXPECT_EQ(seat(1).miles, "15000 lys");
    EXPECT_EQ(seat(1).goPile, 6);
    EXPECT_EQ(seat(1).speedPile, 10);
    EXPECT_EQ(ship(1), 1);
    EXPECT_EQ(m.state().warpdamage[1], 1);
    EXPECT_TRUE(seat(1).safe[2]);
    EXPECT_EQ(seat(2).goPile, 12); // hazard over DOCK
    EXPECT_EQ(ship(2), 0);
    EXPECT_TRUE(seat(2).safe[4]);
    EXPECT_FALSE(seat(2).speedPile);
    EXPECT_EQ(seat(3).name, "Klick");
    EXPECT_EQ(seat(3).goPile, 8);
    EXPECT_EQ(ship(3), 0);
    EXPECT_EQ(seat(4).name, "<Waiting>");
    EXPECT_EQ(seat(4).miles, "");
    EXPECT_TRUE(seat(4).notPlaying);
    EXPECT_FALSE(m.state().ingame[4]);
    EXPECT_FALSE(seat(4).goPile);
    EXPECT_TRUE(m.state().ingame[3]);
    // Own turn, host waiting for nobody yet: the user may play.
    EXPECT_EQ(m.state().turnseat, 2);
    EXPECT_EQ(ev.logs, Strings{"Your Turn."});
    EXPECT_EQ(ev.sounds, Strings{"turn"});
    EXPECT_TRUE(m.view().turn.visible);
    EXPECT_FALSE(m.view().turn.green);
    EXPECT_EQ(m.view().turn.left, 209);
    EXPECT_EQ(seat(2).nameColour, LabelColour::Red);
}

TEST_F(BoardTest, SnapshotWithHoldflagBlocksPlay) {
    login(2);
    ev.clear();
    cmd(snapshot(1, 110));
    EXPECT_EQ(m.view().cardsLeft, "Cards Left: 0");
    EXPECT_EQ(ev.logs, Strings{"Bob's turn."});
    EXPECT_TRUE(ev.sounds.empty());
    EXPECT_EQ(m.state().turnseat, 0);
}

TEST_F(BoardTest, SnapshotForAnotherSeatIsIgnored) {
    login(3);
    ev.clear();
    cmd(snapshot(0, 5));
    EXPECT_TRUE(ev.logs.empty());
    EXPECT_EQ(m.view().cardsLeft, "");
    EXPECT_FALSE(seat(1).goPile);
}

TEST_F(BoardTest, HandDealtAndRoundStartRestoresPlaceOrder) {
    startGame();
    EXPECT_EQ(place(3).card, 12);
    EXPECT_EQ(place(3).picture, 12);
    EXPECT_EQ(place(7).card, 0);
    EXPECT_FALSE(place(7).picture);
    cmd("CMD_mycards+3+1+5"); // another seat's hand
    EXPECT_EQ(place(1).card, 4);

    m.sortcards();
    EXPECT_NE(place(1).left, layout::kHandX[1]);
    cmd("CMD_postscores+0+1+0+0+0+0+0+0+0");
    cmd("CMD_startinground+");
    EXPECT_EQ(ev.sounds.back(), "gamestart");
    for (int p = 1; p <= 7; ++p) {
        EXPECT_EQ(place(p).left, layout::kHandX[static_cast<std::size_t>(p)]);
        EXPECT_EQ(m.state().handorder[static_cast<std::size_t>(p)], p);
        EXPECT_FALSE(place(p).picture);
    }
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(seat(n).panelVisible);
        EXPECT_EQ(seat(n).miles, "");
    }
    EXPECT_FALSE(m.view().turn.visible);
}

TEST_F(BoardTest, NextTurn) {
    startGame();
    cmd("CMD_nextplayer+1+0+0+30+");
    EXPECT_EQ(ev.logs, Strings{"Ann's turn."});
    EXPECT_TRUE(ev.sounds.empty());
    EXPECT_EQ(m.view().cardsLeft, "Cards Left: 75");
    EXPECT_EQ(m.view().turn.left, 13);
    EXPECT_EQ(seat(1).nameColour, LabelColour::Red);

    const char* expected[] = {"turn", "turn2", "turn1"};
    for (int draw = 0; draw < 3; ++draw) {
        ev.clear();
        nextDraw = draw;
        cmd("CMD_nextplayer+2+7+11+31+");
        EXPECT_EQ(ev.logs, Strings{"Your Turn."});
        EXPECT_EQ(ev.sounds, Strings{expected[draw]});
    }
    EXPECT_EQ(place(7).card, 11);
    EXPECT_EQ(place(7).picture, 11);
    EXPECT_EQ(seat(1).nameColour, LabelColour::Yellow);
    EXPECT_EQ(m.state().turnseat, 2);

    ev.clear();
    cmd("CMD_nextplayer+2+0+0+110+");
    EXPECT_EQ(ev.logs, (Strings{"Your Turn.", "Your Turn. - Out of Cards"}));
    EXPECT_EQ(m.view().cardsLeft, "Cards Left: 0");
    cmd("CMD_nextplayer+3+0+0+105+");
    EXPECT_EQ(m.view().cardsLeft, "Cards Left: 0");
    EXPECT_EQ(m.view().turn.left, 406);

    // Seat 0 frames no column.
    cmd("CMD_nextplayer+0+0+0+105+");
    EXPECT_FALSE(m.view().turn.visible);
}

TEST_F(BoardTest, NextTurnClearsSelection) {
    startGame();
    myTurn();
    m.card1MouseUp(1, false);
    ASSERT_TRUE(place(1).raised);
    cmd("CMD_nextplayer+3+0+0+27+");
    EXPECT_EQ(m.state().selectedslot, 0);
    EXPECT_FALSE(place(1).raised);
}

struct GoRow {
    const char* message;
    int target;
    int shipstate;
    const char* line;
    Strings sounds;
};

TEST_F(BoardTest, GoPilePlays) {
    // Bob is seat 2; Ann seat 1; Klick seat 3.
    const GoRow rows[] = {
        {"CMD_placinggo+2+6+1+2+", 2, 1, "Bob has undocked and is ready to move.", {"undock"}},
        {"CMD_placinggo+1+6+1+1+", 1, 1, "Ann has undocked and is ready to move.", {}},
        {"CMD_placinggo+2+7+1+3+", 3, 0, "Klick had to make an unexpected dock.", {"protection"}},
        {"CMD_placinggo+1+7+1+2+", 2, 0, "Bob had to make an unexpected dock.", {"dock"}},
        {"CMD_placinggo+3+7+1+1+", 1, 0, "Ann had to make an unexpected dock.", {}},
        {"CMD_placinggo+1+8+1+2+", 2, 2, "Bob got skyjacked.", {"damage"}},
        {"CMD_placinggo+2+8+1+3+", 3, 2, "Klick got skyjacked.", {"protection"}},
        {"CMD_placinggo+2+9+1+2+", 2, 3, "Bob reloaded the missing materials.", {"repair"}},
        {"CMD_placinggo+3+9+1+3+", 3, 3, "Klick reloaded the missing materials.", {}},
        {"CMD_placinggo+1+12+1+2+", 2, 5, "Bob received damage.", {"damage"}},
        {"CMD_placinggo+2+12+1+1+", 1, 5, "Ann received damage.", {"protection"}},
        {"CMD_placinggo+2+13+1+2+", 2, 6, "Bob repaired the damage.", {"repair"}},
        {"CMD_placinggo+1+14+1+2+", 2, 7, "Bob had a power drain.", {"damage"}},
        {"CMD_placinggo+4+14+1+3+", 3, 7, "Klick had a power drain.", {}},
        {"CMD_placinggo+2+15+1+2+", 2, 8, "Bob gained power.", {"repair"}},
        {"CMD_placinggo+1+15+1+1+", 1, 8, "Ann gained power.", {}},
    };
    for (const GoRow& row : rows) {
        SCOPED_TRACE(row.message);
        startGame();
        cmd("CMD_nextplayer+1+0+0+30+");
        ev.clear();
        cmd(row.message);
        EXPECT_EQ(ship(row.target), row.shipstate);
        EXPECT_EQ(ev.logs, Strings{row.line});
        EXPECT_EQ(ev.sounds, row.sounds);
        EXPECT_FALSE(m.view().turn.visible);
        FieldReader fields(splitCommand(row.message).payload);
        fields.text();
        EXPECT_EQ(seat(row.target).goPile, fields.number());
    }
}

TEST_F(BoardTest, OwnPlayTakesTheCardOut) {
    startGame();
    myTurn();
    m.card1MouseUp(2, false);
    cmd("CMD_placinggo+2+6+2+2+");
    EXPECT_EQ(place(2).card, 0);
    EXPECT_FALSE(place(2).picture);
    EXPECT_FALSE(place(2).raised);
    EXPECT_EQ(m.state().selectedslot, 0);
    EXPECT_EQ(targets(), (std::vector<bool>{false, false, false, false}));
    // Another seat's play of the same place leaves the own hand alone.
    cmd("CMD_placinggo+1+6+3+1+");
    EXPECT_EQ(place(3).card, 12);
    // A card without a go-pile effect is still drawn, with nothing else.
    ev.clear();
    cmd("CMD_placinggo+1+3+4+1+");
    EXPECT_EQ(seat(1).goPile, 3);
    EXPECT_EQ(ship(1), 1);
    EXPECT_TRUE(ev.logs.empty());
}

TEST_F(BoardTest, SpeedPilePlays) {
    startGame();
    cmd("CMD_placingspeed+2+10+3+1+");
    EXPECT_EQ(seat(1).speedPile, 10);
    EXPECT_EQ(m.state().warpdamage[1], 1);
    EXPECT_EQ(ev.logs, Strings{"Ann has got teleported and now has warp damage."});
    EXPECT_EQ(ev.sounds, Strings{"protection"});
    EXPECT_EQ(place(3).card, 0);
    ev.clear();
    cmd("CMD_placingspeed+1+10+3+2+");
    EXPECT_EQ(ev.sounds, Strings{"damage"});
    EXPECT_EQ(m.state().warpdamage[2], 1);
    ev.clear();
    cmd("CMD_placingspeed+2+11+5+2+");
    EXPECT_EQ(m.state().warpdamage[2], 0);
    EXPECT_EQ(seat(2).speedPile, 11);
    EXPECT_EQ(ev.logs, Strings{"Bob repaired the warp damage."});
    EXPECT_EQ(ev.sounds, Strings{"repair"});
    EXPECT_FALSE(m.view().turn.visible);
}

TEST_F(BoardTest, TravelAddsOwnLightyearsToTheTally) {
    startGame();
    m.setOwnLightyears(100000);
    cmd("CMD_traveling+2+20000+5+4+20000+");
    EXPECT_EQ(seat(2).miles, "20000 Lyrs");
    EXPECT_EQ(seat(2).milePile, 5);
    EXPECT_EQ(place(4).card, 0);
    EXPECT_EQ(ev.logs, Strings{"Bob traveled 20000 lyrs."});
    EXPECT_EQ(ev.sounds, Strings{"move"});
    EXPECT_EQ(ev.mineset, (std::vector<std::pair<int, std::string>>{{3, "120000"}}));
    EXPECT_EQ(m.ownLightyears(), 120000);
    ev.clear();
    cmd("CMD_traveling+1+2500+1+4+2500+");
    EXPECT_EQ(seat(1).miles, "2500 Lyrs");
    EXPECT_EQ(seat(1).milePile, 1);
    EXPECT_TRUE(ev.mineset.empty());
    EXPECT_TRUE(ev.sounds.empty());
}

TEST_F(BoardTest, ProtectionsAndTheirEffects) {
    startGame();
    myTurn();
    cmd("CMD_placingspeed+1+10+1+2+");
    cmd("CMD_placinggo+1+12+1+2+");
    cmd("CMD_nextplayer+2+1+17+40+");
    ASSERT_TRUE(m.view().turn.visible);
    ev.clear();
    cmd("CMD_playsafe+2+16+6+0+");
    EXPECT_TRUE(seat(2).safe[1]);
    EXPECT_EQ(place(6).card, 0);
    EXPECT_EQ(ev.logs, Strings{"Bob has Protection from Skyjacking."});
    EXPECT_TRUE(ev.sounds.empty());
    EXPECT_TRUE(m.view().turn.visible); // the same pilot plays again
    cmd("CMD_playsafe+2+17+1+2+");
    EXPECT_FALSE(seat(2).speedPile);
    EXPECT_EQ(m.state().warpdamage[2], 0);
    EXPECT_EQ(ship(2), 5);
    cmd("CMD_playsafe+2+18+3+1+");
    EXPECT_EQ(ship(2), 1);
    EXPECT_EQ(seat(2).goPile, 6);
    cmd("CMD_playsafe+1+19+3+0+");
    EXPECT_TRUE(seat(1).safe[4]);
    EXPECT_EQ(ev.logs.back(), "Ann has Protection from Power Drain.");
    EXPECT_EQ(place(3).card, 0); // own place 3 went with the Damage Shield
}

TEST_F(BoardTest, DiscardAndNoPlay) {
    startGame();
    myTurn();
    cmd("CMD_hediscard+2+3+12+");
    EXPECT_EQ(m.view().discard, 12);
    EXPECT_EQ(place(3).card, 0);
    EXPECT_EQ(ev.logs.back(), "Bob Discarded.");
    EXPECT_EQ(ev.sounds.back(), "discard");
    EXPECT_FALSE(m.view().turn.visible);
    cmd("CMD_hediscard+1+4+0+"); // an empty place: the black face
    EXPECT_EQ(m.view().discard, 0);
    EXPECT_EQ(place(4).card, 5);
    cmd("CMD_nextplayer+3+0+0+110+");
    ev.clear();
    cmd("CMD_cannotmove+3+");
    EXPECT_EQ(ev.logs, Strings{"Klick does not have a play."});
    EXPECT_FALSE(m.view().turn.visible);
}

TEST_F(BoardTest, RefusedPlayGivesTheTurnBack) {
    startGame();
    myTurn();
    m.card1MouseUp(1, false); // 10000 on a docked ship lights nothing
    m.card1MouseUp(1, false);
    m.card1MouseUp(2, false); // UNDOCK
    m.image_target1Click(2);
    ASSERT_EQ(m.state().turnseat, 0);
    ev.clear();
    cmd("CMD_invalid+2+4+");
    EXPECT_EQ(ev.logs, Strings{"You are already undocked."});
    EXPECT_EQ(ev.sounds, Strings{"invalid"});
    EXPECT_EQ(m.state().turnseat, 2);
    EXPECT_EQ(m.state().selectedslot, 2);
    EXPECT_TRUE(place(2).raised);
    EXPECT_TRUE(seat(2).target);
    ev.clear();
    cmd("CMD_invalid+2+13+");
    EXPECT_TRUE(ev.logs.empty());
    EXPECT_EQ(ev.sounds, Strings{"invalid"});
    cmd("CMD_invalid+1+0+");
    EXPECT_EQ(ev.sounds.size(), 1u);
    cmd("CMD_invalid+2+0+");
    EXPECT_EQ(ev.logs, Strings{"Invalid Play"});
}

TEST_F(BoardTest, RoundScores) {
    startGame("f+t+");
    cmd("CMD_nextplayer+1+0+0+30+");
    ev.clear();
    cmd("CMD_postscores+1+1+2800+2800+700+400+300+900+500+2+300+300+300+0+0+0+0+4+0+0+0+0+0+0+0");
    EXPECT_EQ(seat(1).score, "$2800");
    EXPECT_EQ(seat(1).panel,
              (std::array<std::string, 6>{"Distance Traveled: $700", "Trip Completed: $400",
                                          "Protections: $900", "Safe Trip: $300", "Shut Out: $500",
                                          "+$2800"}));
    EXPECT_EQ(seat(1).nameColour, LabelColour::Lime);
    EXPECT_EQ(seat(1).panelColour, LabelColour::Lime);
    EXPECT_EQ(seat(2).nameColour, LabelColour::Yellow);
    EXPECT_EQ(seat(2).panelColour, LabelColour::Yellow);
    EXPECT_EQ(seat(2).panel[5], "+$300");
    EXPECT_TRUE(seat(1).panelVisible);
    EXPECT_TRUE(seat(2).panelVisible);
    EXPECT_FALSE(seat(3).panelVisible);
    EXPECT_TRUE(seat(4).panelVisible);
    EXPECT_EQ(ev.logs, (Strings{"Ann completed the mission!", ""}));
    EXPECT_EQ(ev.sounds, Strings{"roundover"});
    EXPECT_FALSE(m.view().turn.visible);

    ev.clear();
    cmd("CMD_postscores+0+1+2800+0+0+0+0+0+0");
    EXPECT_EQ(ev.logs, (Strings{"No one was able to complete the mission.", ""}));
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(seat(n).nameColour, LabelColour::Yellow);
    EXPECT_EQ(seat(2).panel[0], ""); // emptied, no record this time
}

TEST_F(BoardTest, OwnWinIsRecordedAndHostGetsTheStartControl) {
    startGame();
    m.state().ishost = true;
    cmd("CMD_postscores+2+2+5200+2800+700+400+300+900+500");
    cmd("CMD_winner+Bob+2+");
    EXPECT_TRUE(seat(2).winner);
    EXPECT_EQ(ev.chats, Strings{"0+You have Won the Game!"});
    EXPECT_EQ(ev.logs.back(), "Game Over!");
    EXPECT_EQ(ev.sounds.back(), "gameover");
    EXPECT_EQ(ev.games, Strings{"addtomine"});
    EXPECT_TRUE(m.view().startVisible);
    EXPECT_FALSE(m.view().turn.visible);
    // The next game hides the badge.
    cmd("CMD_startgame+Ann+5000+70000+t+t+");
    EXPECT_FALSE(seat(2).winner);
}

TEST_F(BoardTest, AnotherWinsUnderTheHostsPilotName) {
    startGame();
    cmd("CMD_winner+Klock+3+");
    EXPECT_TRUE(seat(3).winner);
    EXPECT_EQ(ev.chats, Strings{"0+Klock has Won the Game!"});
    EXPECT_EQ(ev.games, Strings{"Klock"});
    EXPECT_FALSE(m.view().startVisible);
}

TEST_F(BoardTest, SpectatorSeesTheWinnerButRecordsNothing) {
    login(6, "Ann");
    cmd("CMD_existingplayers+1+Ann");
    ev.clear();
    cmd("CMD_winner+Ann+1+");
    EXPECT_EQ(ev.chats, Strings{"0+Ann has Won the Game!"});
    EXPECT_TRUE(ev.games.empty());
    EXPECT_TRUE(seat(1).winner);
}

TEST_F(BoardTest, WinnerNameWithPlus) {
    login(1, "A+B");
    cmd("CMD_winner+A+B+1+");
    EXPECT_EQ(ev.chats.back(), "0+You have Won the Game!");
    EXPECT_EQ(ev.games, Strings{"addtomine"});
}

TEST_F(BoardTest, UnknownWordsAreNotHandled) {
    EXPECT_FALSE(m.handleCommand("CMD_chat", "1+hi|clRed"));
    EXPECT_FALSE(m.handleCommand("", ""));
}

// Malformed or out-of-range fields drop the message without a change.
TEST_F(BoardTest, MalformedMessagesChangeNothing) {
    startGame();
    myTurn();
    ev.clear();
    const BoardView before = m.view();
    const char* bad[] = {
        "CMD_nextplayer+5+1+1+1+",
        "CMD_nextplayer+2+8+1+1+",
        "CMD_nextplayer+2+1+20+1+",
        "CMD_nextplayer+2+1+1+",
        "CMD_nextplayer+2+1+1+x+",
        "CMD_placinggo+2+6+0+2+",
        "CMD_placinggo+2+6+1+9+",
        "CMD_placinggo+2+26+1+2+",
        "CMD_placingspeed+0+10+1+1+",
        "CMD_traveling+2+5000+2+9+5000+",
        "CMD_traveling+2+5000+2+1",
        "CMD_playsafe+2+15+1+1+",
        "CMD_playsafe+2+20+1+1+",
        "CMD_hediscard+2+0+1+",
        "CMD_mycards+2+1+5+8+3",
        "CMD_mycards+2+1+5+2",
        "CMD_mycards+2+1+-5",
        "CMD_postscores+5+1+0+0+0+0+0+0+0",
        "CMD_postscores+1+7+0+0+0+0+0+0+0",
        "CMD_postscores+1+1+0+0",
        "CMD_winner+Bob+0+",
        "CMD_winner+Bob+2",
        "CMD_winner+Bob+",
        "CMD_startgame+Ann+5000+70000+t+t",
        "CMD_startgame+5000+t+t+",
        "CMD_cannotmove+0+",
        "CMD_newstats+2+2+0+5000+1+70000+1+0+1+1+0+0+0+0+0+0",
        "CMD_newstats+2+2+0+5000+1+70000+1+0+1+2+0+0+0+0+0+0+0",
        "CMD_newstats+2+7+0+5000+1+70000",
        "CMD_justwatching+0+1",
        "CMD_justwatching+2",
        "CMD_newplayerinfo+10+Zed",
        "CMD_playerdisconnected+0+Zed",
        "CMD_sendlogininfo+0",
        "CMD_sendlogininfo+12",
        "CMD_invalid+2+",
    };
    for (const char* message : bad)
        cmd(message);
    EXPECT_TRUE(ev.logs.empty());
    EXPECT_TRUE(ev.chats.empty());
    EXPECT_TRUE(ev.sounds.empty());
    EXPECT_TRUE(ev.sent.empty());
    EXPECT_EQ(m.state().myseat, 2);
    for (int p = 1; p <= 7; ++p)
        EXPECT_EQ(place(p).card, before.hand[static_cast<std::size_t>(p)].card);
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(seat(n).name, before.seats[static_cast<std::size_t>(n)].name);
        EXPECT_EQ(seat(n).goPile, before.seats[static_cast<std::size_t>(n)].goPile);
        EXPECT_EQ(seat(n).score, before.seats[static_cast<std::size_t>(n)].score);
    }
}

// A hostile host sends random field soup for every word: the model must stay
// within its tables (the sanitizers watch) and keep its invariants.
TEST_F(BoardTest, RandomPayloadsKeepTheModelSound) {
    startGame();
    const char* words[] = {
        "CMD_sendlogininfo", "CMD_newplayerinfo", "CMD_existingplayers", "CMD_playerdisconnected",
        "CMD_justwatching",  "CMD_startgame",     "CMD_nextplayer",      "CMD_winner",
        "CMD_mycards",       "CMD_startinground", "CMD_hediscard",       "CMD_invalid",
        "CMD_traveling",     "CMD_placinggo",     "CMD_placingspeed",    "CMD_playsafe",
        "CMD_cannotmove",    "CMD_postscores",    "CMD_newstats"};
    const char* tokens[] = {"0",  "1",  "2",  "3",  "4",          "5", "7", "8", "9", "10", "16",
                            "19", "20", "99", "-1", "2147483648", "",  "f", "t", "x", "+",  "@"};
    std::mt19937 gen(12345);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(gen);
    };
    for (int i = 0; i < 20000; ++i) {
        std::string payload;
        const std::size_t fields = pick(20);
        for (std::size_t f = 0; f < fields; ++f)
            payload += std::string(tokens[pick(std::size(tokens))]) + (pick(5) ? "+" : "");
        m.handleCommand(words[pick(std::size(words))], payload);
        if (i % 7 == 0)
            m.card1MouseUp(static_cast<int>(pick(9)), pick(4) == 0);
        if (i % 11 == 0)
            m.image_target1Click(static_cast<int>(pick(6)));
        if (i % 13 == 0)
            m.image_discardClick();

        const ClientState& s = m.state();
        ASSERT_GE(s.selectedslot, 0);
        ASSERT_LE(s.selectedslot, 7);
        ASSERT_GE(s.turnseat, 0);
        ASSERT_LE(s.turnseat, 4);
        std::array<int, 8> seen{};
        for (int p = 1; p <= 7; ++p) {
            const int placeAt = s.handorder[static_cast<std::size_t>(p)];
            ASSERT_TRUE(placeAt >= 1 && placeAt <= 7);
            ++seen[static_cast<std::size_t>(placeAt)];
            ASSERT_EQ(place(placeAt).left, layout::kHandX[static_cast<std::size_t>(p)]);
            ASSERT_TRUE(place(p).card >= 0 && place(p).card <= 19);
        }
        for (int p = 1; p <= 7; ++p)
            ASSERT_EQ(seen[static_cast<std::size_t>(p)], 1);
    }
}

} // namespace
} // namespace dw::test
