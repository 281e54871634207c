#include "ui/helpwindow.h"

#include "ui/showwindow.h"

#include "engine/cards.h"
#include "ui/artwork.h"
#include "ui/website.h"

#include <QDate>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextBrowser>

namespace dw {

namespace {

constexpr int kWidth = 574;
constexpr int kHeight = 422;
constexpr int kPanelWidth = 140;

constexpr std::array<const char*, HelpWindow::kPageCount> kButtonCaptions{
    "Overview",      "Connecting", "Game Play", "Scoring",
    "Documentation", "License",    "Options",   "The Lobby"};

// Shared look of every page: light text on black, headings in lime.
const char* const kPageStyle = "<style>"
                               "h2 { color: #00ff00; margin-bottom: 4px; }"
                               "h3 { color: #7fff7f; margin-top: 10px; margin-bottom: 2px; }"
                               "td, th { padding: 1px 6px; }"
                               "th { color: #7fff7f; text-align: left; }"
                               "code { color: #ffff80; }"
                               "</style>";

const char* const kOverview = R"(
<p>The year is 3107. The old trade lanes between the colonies have opened to
private pilots again, and the fastest way to make a fortune is the long haul:
take a ship out of dock, cross tens of thousands of lightyears of open space
and bring it home before anyone else does.</p>
<p>In <b>Driftwake</b> two to four pilots race their ships over the same trip.
Every pilot holds a hand of cards: <b>lightyear cards</b> move the ship,
<b>attacks</b> slow the rivals down with docking orders, skyjackers, hull damage,
power drains and teleport fields, <b>repairs</b> undo the harm, and four rare
<b>shields</b> protect a ship for the rest of the trip.</p>
<p>Each race is called a <b>mission</b>. When a ship reaches the trip distance,
or when nobody can move any more after the deck ran out, the mission is over
and every pilot is paid for the mission. Missions follow one another until a
pilot's money reaches the amount to earn that the host chose; the richest
pilot at that moment wins the game.</p>
<p>Seats without a human are flown by the computer pilots Klot, Klick and
Kling (seats 2, 3 and 4), and on a host without a player of its own seat 1
by Klank. When the pilot of seat 3 wins, the winner is
announced under its call sign, Klock. Anyone who connects once the four seats
are taken watches the game as a spectator (a "spy").</p>
<p>New to the game? Read <b>Connecting</b> to start a game, then <b>Game Play</b>
and <b>Scoring</b>. Help &gt; Quick Instructions (Ctrl+I) shows a short chart
of the attacks, repairs and shields.</p>
)";

const char* const kConnecting = R"(
<h3>A solo game</h3>
<p>Start Driftwake without anything on its command line and it sets up a solo
game on your own computer: you sit in seat 1 as "You" and the computer pilots
fill the other seats. A small window offers the Korvel Lobby; click
<b>Play Solo Game</b> to go straight on. Then click the green
<b>START GAME</b> button on the board (or File &gt; Start Game), choose the
amount to earn, the trip distance and whether computer pilots fly seats 3 and
4, and click <b>START GAME</b> in that window.</p>
<p>A solo game works without an internet connection, but the game talks to
itself over the network on your own machine. If you use a <b>firewall</b>,
allow Driftwake to use the network, or the game cannot connect to its own
host.</p>
<h3>Playing with others</h3>
<p>Games with other people are arranged in the Korvel Lobby (see
<b>The Lobby</b>). One player hosts the game: that copy of Driftwake keeps the
deck, checks every play and listens for the other players on TCP port
<b>7772</b>. The host's firewall and router must let connections to that port
in. The other players join the host; the first three take seats 2, 3 and 4,
and up to five more can watch as spectators.</p>
<p>Only the host can start a game. A player who joins while a game is running
sees the board as it stands and takes over a seat that a computer pilot
flies.</p>
<h3>The command line</h3>
<p>The lobby starts Driftwake for you, but you can start it by hand too:</p>
<table>
<tr><td><code>driftwake</code></td><td>a solo game</td></tr>
<tr><td><code>driftwake NAME HOST true</code></td><td>host a game as NAME</td></tr>
<tr><td><code>driftwake NAME HOST join</code></td><td>join the game hosted on HOST as NAME</td></tr>
<tr><td><code>--port N</code></td><td>host on, or join, TCP port N instead of 7772</td></tr>
<tr><td><code>--headless</code></td><td>run only the host server, without a window; the first
player to connect becomes the host's player</td></tr>
<tr><td><code>--timer-scale X</code></td><td>multiply the game's pacing timers by X (for testing)</td></tr>
<tr><td><code>--help</code></td><td>print a summary of these options</td></tr>
</table>
<p>Only one copy of Driftwake runs on a computer at a time; starting a second
one brings the first to the front.</p>
)";

const char* const kGamePlayIntro = R"(
<p>Every pilot is dealt six cards at the start of a mission. At the start of
your turn you draw a card, so you hold <b>7 cards</b>, and you must play or
discard exactly one of them. Your hand lights up and "Your Turn." is shown when
it is your go.</p>
<p><b>Click a card</b> to pick it up: a <b>green target</b> appears on every ship
where the card may go. Click a target to play the card there, or click the
<b>discard pile</b> to throw the card away. Click the picked-up card again to
put it back. With a card picked up, clicking another card of your hand swaps
the two; a right-click on your hand sorts it by kind at any time.</p>
<h3>Playing by keyboard</h3>
<p>The board has the keyboard when a game starts. Keys <b>1</b> to <b>7</b>
pick up the card at that place of your hand, and <b>Left</b> and <b>Right</b>
move to the card beside it. <b>Up</b> and <b>Down</b> choose among the green
targets (a yellow frame shows the chosen one), <b>Enter</b> plays the card
there, <b>Delete</b> discards it, <b>S</b> sorts your hand and <b>Escape</b>
puts the card back. In the chat box, <b>Enter</b> sends your line and
<b>Escape</b> (or a click on the board) gives the keyboard back to the board.
<b>Tab</b> moves between the window's controls; <b>F11</b> shows the board
full screen.</p>
<h3>Getting under way</h3>
<p>Every ship starts a mission docked. Play <b>UNDOCK</b> on your own ship
before you can travel. Then play lightyear cards on your own ship; the
distance adds up until you reach the trip distance (going past it counts).</p>
<h3>The cards</h3>
)";

const char* const kGamePlayRest = R"(
<h3>Attacks and how to get out of them</h3>
<table>
<tr><th>Attack</th><th>Repair</th><th>Shield</th></tr>
<tr><td>DOCK</td><td>UNDOCK</td><td>none</td></tr>
<tr><td>SKYJACK</td><td>RELOAD, then UNDOCK</td><td>Skyjack Shield</td></tr>
<tr><td>DAMAGE</td><td>REPAIR, then UNDOCK</td><td>Damage Shield</td></tr>
<tr><td>POWER DRAIN</td><td>POWER, then UNDOCK</td><td>Power Shield</td></tr>
<tr><td>TELEPORT</td><td>WARP (no UNDOCK needed)</td><td>Teleport Shield</td></tr>
</table>
<p>DOCK, SKYJACK, DAMAGE and POWER DRAIN can only hit a ship that is undocked.
TELEPORT can hit any ship that is not teleported already, docked or not.</p>
<h3>Shields</h3>
<p>A shield is played on your own ship and protects it until the mission ends.
If the matching attack holds you up when you play it, even after you repaired
it, the shield sets you free at once: you are undocked and can travel on your
next play. The Teleport Shield ends a teleport in force. Playing a shield gives
you <b>another turn</b> straight away, with a fresh card drawn, and every
shield is worth money at the end of the mission.</p>
<h3>The end of a mission</h3>
<p>A mission ends the moment a ship reaches the trip distance. The deck holds
105 cards; once it is used up nobody draws any more ("Your Turn. - Out of
Cards"), pilots who can still play keep going, and a pilot who cannot is passed
over. When no ship can move, the mission ends without a winner of the trip.</p>
<p>If the game refuses a play, a message tells you why (for example "You must
be undocked in order to travel.") and it is still your turn.</p>
)";

const char* const kScoring = R"(
<p>At the end of every mission each pilot is paid, and the money is added to
the pilot's total:</p>
<table>
<tr><th>For</th><th>Money</th></tr>
<tr><td>Travel</td><td>lightyears travelled divided by 100 (70000 lightyears pay 700)</td></tr>
<tr><td>Trip completed</td><td>400 to the pilot who reached the trip distance</td></tr>
<tr><td>Safe trip</td><td>300 more when that pilot completed the trip without playing a 20000 card</td></tr>
<tr><td>Shut out</td><td>500 more when the trip was completed while another ship had not moved at
all (with fewer than four pilots an empty seat counts as a ship that never moved)</td></tr>
<tr><td>Shields</td><td>100 for each shield on the ship; all four together pay 1100</td></tr>
</table>
<p>Example: in a game of two, a pilot completes a 70000 lightyear trip without a
20000 card and holds one shield: 700 + 400 + 300 + 100 + 500 = 2000.</p>
<p>When the deck runs out and nobody can move, nobody completed the trip: every
pilot is paid only for travel and shields.</p>
<h3>Winning</h3>
<p>The host sets the <b>amount to earn</b> (1000 to 10000, 5000 at first) and
the trip distance (50 to 100 thousand lightyears, 70 thousand at first) before
the game starts. After each mission the scores are shown for a while. When a
pilot's total has reached the amount to earn and is higher than every other
pilot's total, that pilot wins the game. If the best totals are equal, another
mission is flown to settle it.</p>
<p>Your finished games are kept in your tally (View &gt; View Tally).</p>
)";

const char* const kHistory = R"(
<h2>History</h2>
<h3>Version 1.0.1</h3>
<ul>
<li>Two to four pilots over the network; the host runs the game for everybody.</li>
<li>Computer pilots Klot, Klick and Kling fly the empty seats and take over for
players who just watch.</li>
<li>Spectators can watch a full game; the host can remove players and
spectators.</li>
<li>Chat with colours, smileys, links, action lines, phrase buttons and
sounds.</li>
<li>A tally of your finished games, kept between sessions.</li>
<li>A solo game that needs no other players.</li>
</ul>
)";

const char* const kLicense = R"(
<p>Driftwake is free software, released under the MIT licence:</p>
<p>Copyright (c) 2026 the Driftwake developers</p>
<p>Permission is hereby granted, free of charge, to any person obtaining a copy
of this software and associated documentation files (the "Software"), to deal
in the Software without restriction, including without limitation the rights
to use, copy, modify, merge, publish, distribute, sublicense, and/or sell
copies of the Software, and to permit persons to whom the Software is
furnished to do so, subject to the following conditions:</p>
<p>The above copyright notice and this permission notice shall be included in
all copies or substantial portions of the Software.</p>
<p>THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,
FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE
AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER
LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE
SOFTWARE.</p>
<p>The Korvel Lobby is a separate program with its own terms.</p>
)";

const char* const kOptions = R"(
<h3>Just Watch</h3>
<p>Options &gt; Just Watch hands your seat to the computer: an auto pilot plays
your cards while you watch, and "Auto Pilot" is shown under your name. Choose
it again to take the controls back. The host can also set or unset Just Watch
for any seat by right-clicking the pilot's name.</p>
<h3>Bot Speed</h3>
<p>How fast the computer pilots play: Slow (one second), Normal (three
quarters of a second) or Fast (a quarter of a second). It also sets how long
the scores stay up between missions. The host's setting is the one that
counts.</p>
<h3>Computer Pilots</h3>
<p>How well the computer pilots play, chosen by the host for every seat the
computer flies, including seats it takes over:</p>
<ul>
<li><b>Classic</b> (the usual level) follows a fixed list: play a shield,
complete the trip, stop a pilot close to the goal, mend its own ship, travel,
attack the leader, and otherwise throw away the least useful card.</li>
<li><b>Expert</b> thinks ahead. Before each play it imagines the cards it
cannot see (the other pilots' hands and the rest of the deck) dealt out in
many different ways that fit everything played so far, plays the mission out
to its end for each way it could play now, and chooses the play that most
often leads to winning the game. It sticks to the Classic choice unless
another play is clearly better. It never looks at your cards or at the order
of the deck: it knows only its own hand, the cards played and thrown away,
how many cards each pilot holds, and the board.</li>
</ul>
<p>The headless host takes the level with <code>--pilot-level classic</code>
or <code>--pilot-level expert</code>.</p>
<h3>Sounds</h3>
<p>Play Sounds turns the game's sounds on or off. Player Phrase Sounds turns
the chatter sounds that other players send on or off.</p>
<h3>Chat/Action Text</h3>
<p>Type in the box under the chat and press Enter to talk to everybody. Start
a line with <code>/me</code> to send an action: <code>/me waves</code> shows as
your name followed by "waves". Text Color sets the colour of your lines for
everybody; Text Size (8, 10, 12 or 14) sets the size of the chat text on your
screen. Scroll Chat Off (Ctrl+S) stops the
chat from scrolling while you read back; Clear Main Chat empties it.</p>
<h3>Screen Location</h3>
<p>The game remembers where its window was and how large it was. Reset Screen
Location puts it back in the top left corner of the screen at its normal
size.</p>
<h3>Phrase Buttons</h3>
<p>The nine small buttons beside the chat send ready-made phrases with one
click. A phrase that starts with "/me " is sent as an action; any other phrase
is sent as your name, "says:" and the phrase.</p>
<h3>Tally List</h3>
<p>View &gt; View Tally shows your games, wins and lightyears travelled, and how
you did against the players you chose to tally.</p>
<h3>Spy List</h3>
<p>View &gt; Spy List shows who is watching the game as a spectator. The host
can right-click a spectator and choose Remove From Game.</p>
<h3>Phrase List</h3>
<p>View &gt; Phrase List lets you write the texts of the nine phrase
buttons.</p>
)";

const char* const kLobby = R"(
<p>The Korvel Lobby is the meeting place for Driftwake and other games from
the same maker. In the lobby you chat with other players, open a game room or
join one, and when the room is ready the lobby starts Driftwake for every
player: the player who opened the room hosts, everyone else joins the host
automatically with the name used in the lobby.</p>
<p>While a game started from the lobby runs, Driftwake keeps a link open to
the lobby on your own computer, so the lobby can tell that the game is still
running. Driftwake keeps its settings in its own section of
<code>korvellobby.ini</code>, the settings file it shares with the lobby.</p>
<p>If the lobby is not installed yet, start Driftwake on its own: the window
that opens with a solo game offers <b>Download And Install The Korvel Lobby
Now</b>. If it is already installed, <b>Play with Others</b> closes the game
and opens the lobby.</p>
)";

// What each card does, by card code; the name and the number in the deck
// come from the card table.
constexpr std::array<const char*, kNumCardCodes> kCardHelp{
    "",
    "travels 2500 lightyears",
    "travels 5000 lightyears",
    "travels 7500 lightyears; not while teleported",
    "travels 10000 lightyears; not while teleported",
    "travels 20000 lightyears; not while teleported, and it costs the safe trip bonus",
    "undocks your own ship so it can travel; needed at the start of every mission, after a "
    "DOCK and after every repair",
    "docks a rival's undocked ship; an UNDOCK gets it going again",
    "skyjacks a rival's undocked ship; it needs RELOAD, then UNDOCK",
    "repairs a SKYJACK on your own ship",
    "teleports a rival's ship: until it plays WARP it may travel only with 2500 and 5000 cards",
    "ends a TELEPORT on your own ship",
    "damages a rival's undocked ship; it needs REPAIR, then UNDOCK",
    "repairs DAMAGE on your own ship",
    "drains the power of a rival's undocked ship; it needs POWER, then UNDOCK",
    "repairs a POWER DRAIN on your own ship",
    "protection from Skyjacking",
    "protection from Teleporting",
    "protection from Damage",
    "protection from Power Drain",
};

QString cardTable() {
    QString html = QStringLiteral("<table><tr><th>Card</th><th>In deck</th><th>Does</th></tr>");
    for (int code = 1; code < kNumCardCodes; ++code) {
        const CardInfo& info = cardInfo(code);
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td><td>%3</td></tr>")
                    .arg(QString::fromLatin1(info.face.data(),
                                             static_cast<qsizetype>(info.face.size())))
                    .arg(info.copies)
                    .arg(QString::fromLatin1(kCardHelp[static_cast<std::size_t>(code)]));
    }
    return html + QStringLiteral("</table>");
}

QPushButton* makeButton(QWidget* parent, const QString& caption, const QString& name,
                        const QRect& geometry) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

QString HelpWindow::buttonCaption(int n) {
    if (n < 1 || n > kPageCount) {
        return {};
    }
    return QString::fromLatin1(kButtonCaptions[static_cast<std::size_t>(n - 1)]);
}

QString HelpWindow::pageText(int n) {
    QString body;
    switch (n) {
    case 1:
        body = QString::fromUtf8(kOverview);
        break;
    case 2:
        body = QString::fromUtf8(kConnecting);
        break;
    case 3:
        body = QString::fromUtf8(kGamePlayIntro) + cardTable() + QString::fromUtf8(kGamePlayRest);
        break;
    case 4:
        body = QString::fromUtf8(kScoring);
        break;
    case 5:
        body = QString::fromUtf8(kHistory);
        break;
    case 6:
        body = QString::fromUtf8(kLicense);
        break;
    case 7:
        body = QString::fromUtf8(kOptions);
        break;
    case 8:
        body = QString::fromUtf8(kLobby);
        break;
    default:
        return {};
    }
    return QString::fromLatin1(kPageStyle) + body;
}

HelpWindow::HelpWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Driftwake - Help File"));
    setObjectName(QStringLiteral("HelpWindow"));
    setFixedSize(kWidth, kHeight);
    setStyleSheet(QStringLiteral(
        "QLabel { color: #c8c8c8; }"
        "QLabel#label_credits, QLabel#label_year { font-size: 11px; }"
        "QLabel#label_caption { color: #00ff00; font-size: 17px; font-weight: bold; }"
        "QPushButton { background: #1c1c1c; color: #00ff00; border: 1px solid #2e8b2e;"
        " padding: 2px; }"
        "QPushButton:hover { background: #263826; }"
        "QPushButton:checked { background: #2e8b2e; color: black; font-weight: bold; }"
        "QTextBrowser { background: #080810; color: #e0e0e0; border: 1px solid #2e8b2e; }"));

    constexpr int buttonX = 10;
    constexpr int buttonW = kPanelWidth - 20;
    for (int n = 1; n <= kPageCount; ++n) {
        QPushButton* b = makeButton(this, buttonCaption(n), QStringLiteral("button_page%1").arg(n),
                                    QRect(buttonX, 10 + (n - 1) * 28, buttonW, 24));
        b->setCheckable(true);
        buttons_[static_cast<std::size_t>(n - 1)] = b;
        connect(b, &QPushButton::clicked, this, [this, n] { showPage(n); });
    }
    button_about = makeButton(this, QStringLiteral("About"), QStringLiteral("button_about"),
                              QRect(buttonX, 248, buttonW, 24));
    button_done = makeButton(this, QStringLiteral("Done"), QStringLiteral("button_done"),
                             QRect(buttonX, 276, buttonW, 24));
    connect(button_about, &QPushButton::clicked, this, &HelpWindow::aboutRequested);
    connect(button_done, &QPushButton::clicked, this, &QWidget::hide);

    label_credits = new QLabel(QString::fromLatin1(kCreditLines), this);
    label_credits->setObjectName(QStringLiteral("label_credits"));
    label_credits->setGeometry(4, 314, kPanelWidth - 8, 66);
    label_credits->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label_credits->setWordWrap(true);
    label_year = new QLabel(QString::number(QDate::currentDate().year()), this);
    label_year->setObjectName(QStringLiteral("label_year"));
    label_year->setGeometry(4, 382, kPanelWidth - 8, 18);
    label_year->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    label_caption = new QLabel(this);
    label_caption->setObjectName(QStringLiteral("label_caption"));
    label_caption->setGeometry(kPanelWidth + 6, 8, kWidth - kPanelWidth - 14, 24);

    pages_ = new QStackedWidget(this);
    pages_->setGeometry(kPanelWidth + 6, 38, kWidth - kPanelWidth - 14, kHeight - 46);
    for (int n = 1; n <= kPageCount; ++n) {
        auto* memo = new QTextBrowser(pages_);
        memo->setObjectName(QStringLiteral("memo%1").arg(n));
        memo->setReadOnly(true);
        memo->setOpenLinks(false);
        memo->setHtml(pageText(n));
        pages_->addWidget(memo);
        memos_[static_cast<std::size_t>(n - 1)] = memo;
    }
    showPage(1);
}

void HelpWindow::paintEvent(QPaintEvent*) {
    QPainter(this).drawPixmap(0, 0, art::windowBackground(size(), devicePixelRatioF()));
}

void HelpWindow::openHelp() {
    showCentred(this);
}

void HelpWindow::showPage(int n) {
    if (n < 1 || n > kPageCount) {
        return;
    }
    const auto index = static_cast<std::size_t>(n - 1);
    pages_->setCurrentWidget(memos_[index]);
    memos_[index]->verticalScrollBar()->setValue(0);
    label_caption->setText(buttons_[index]->text());
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setChecked(i == index);
    }
}

int HelpWindow::currentPage() const {
    return pages_->currentIndex() + 1;
}

QPushButton* HelpWindow::pageButton(int n) const {
    return n >= 1 && n <= kPageCount ? buttons_[static_cast<std::size_t>(n - 1)] : nullptr;
}

QTextBrowser* HelpWindow::memo(int n) const {
    return n >= 1 && n <= kPageCount ? memos_[static_cast<std::size_t>(n - 1)] : nullptr;
}

} // namespace dw
