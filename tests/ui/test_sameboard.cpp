// The same board for everyone: a player who joins a running game, and one
// who takes a seat back, draw every ship area exactly as a player who was
// there from the start. The real host core plays the game; each player is a
// real board model with its board widget, and the host's messages reach them
// as they would over their connections.
#include "client/boardmodel.h"
#include "client/layout.h"
#include "host/hostcore.h"
#include "protocol/messages.h"
#include "protocol/protocol.h"
#include "ui/artwork.h"
#include "ui/boardwidget.h"

#include <QImage>
#include <QTest>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

using namespace dw;

namespace {

class Table;

// One player's window: the board model and the board it draws.
struct Player : BoardEvents {
    Player(Table& t, const std::string& name) : table(t) {
        model.state().playerName = name;
        widget.show();
    }
    void log(const std::string& line) override { widget.appendLog(QString::fromStdString(line)); }
    void notice(const std::string&) override {}
    void sound(const std::string&) override {}
    void send(const std::string& message) override;
    void setOwnTallyCell(int, const std::string&) override {}
    void addGame(const std::string&) override {}
    void spyAdded(const std::string&) override {}
    void spyRemoved(const std::string&) override {}
    void loadSettings() override {}
    void changed() override { widget.refresh(); }

    // A message from the host, as the window's dispatcher hands it on.
    void received(const std::string& message) {
        const Command c = splitCommand(message);
        if (const auto key = msg::decodeMessage<msg::SeatKey>(message)) {
            seatKey = key->key;
            return;
        }
        if (oldHost && c.word == msg::ShipCards::kWord)
            return; // as from a host that never sends the piles
        if (reclaimSeat != 0 && c.word == msg::SendLoginInfo::kWord) {
            // A rejoining window asks for its seat instead of the entry offered.
            const auto offer = msg::SendLoginInfo::decode(c.payload);
            if (offer)
                send(msg::Reclaim{offer->seat, reclaimSeat, reclaimKey}.encode());
            reclaimSeat = 0;
            return;
        }
        model.handleCommand(c.word, c.payload);
    }

    QImage shipArea(int seat) {
        widget.refresh();
        return widget.grab(art::qrect(layout::shipAreaRect(seat))).toImage();
    }

    Table& table;
    int entry = 0;
    BoardModel model{*this, [](int) { return 0; }};
    BoardWidget widget{model};
    std::string seatKey;
    int reclaimSeat = 0;
    std::string reclaimKey;
    bool oldHost = false;
};

// The host core with every connection delivered in memory, and the engine's
// timers run as the event loop would run them.
class Table : public HostTransport {
public:
    HostCore core{*this, 2718};

    void connect(Player& p) {
        p.entry = core.accept();
        players_[p.entry] = &p;
        pump();
    }
    void toHost(int entry, const std::string& bytes) { up_.emplace_back(entry, bytes); }
    void pump() {
        while (!down_.empty() || !up_.empty()) {
            if (!down_.empty()) {
                auto [entry, bytes] = std::move(down_.front());
                down_.pop_front();
                std::deque<std::string> messages;
                Framer f;
                f.feed(bytes, messages);
                if (Player* p = players_.count(entry) ? players_[entry] : nullptr)
                    for (const std::string& m : messages)
                        p->received(m);
                continue;
            }
            auto [entry, bytes] = std::move(up_.front());
            up_.pop_front();
            core.received(entry, bytes);
            while (core.dispatchOne()) {
            }
        }
    }
    // One step of the game: a timer, or the play of a seat whose player
    // sits at it (made by the engine's own pilot, announced to all).
    void step() {
        Engine& e = core.engine();
        if (e.gameInProgress && e.pendingAction() == TimerAction::None && !computer_)
            e.pilotPlay(e.currentSeat);
        else if (computer_)
            core.computerTick();
        else if (pauseTimer_)
            core.pauseTick();
        pump();
    }
    // Steps until the engine waits for a play in the middle of a round,
    // after at least `plays` more plays.
    bool playOn(int plays) {
        const std::uint64_t start = core.counters().plays;
        for (int i = 0; i < 20000; ++i) {
            step();
            const Engine& e = core.engine();
            if (!e.gameInProgress)
                return false;
            if (core.counters().plays >= start + std::uint64_t(plays) &&
                e.pendingAction() == TimerAction::None)
                return true;
        }
        return false;
    }

    // HostTransport
    void send(int entry, const std::string& bytes) override { down_.emplace_back(entry, bytes); }
    void close(int entry) override { players_.erase(entry); }
    void moved(int from, int to) override {
        players_[to] = players_[from];
        players_.erase(from);
        if (Player* p = players_[to])
            p->entry = to; // its window speaks on the moved connection
    }
    void startTimer(EngineTimer t, int) override {
        (t == EngineTimer::Pause ? pauseTimer_ : computer_) = true;
    }
    void stopTimer(EngineTimer t) override {
        (t == EngineTimer::Pause ? pauseTimer_ : computer_) = false;
    }
    void diagnostic(const std::string&) override {}
    void event(const std::string&) override {}
    int botSpeedMs() override { return 750; }
    void messagesWaiting() override {}
    // The connection of `entry` dropped.
    void drop(int entry) {
        players_.erase(entry);
        core.connectionClosed(entry);
        pump();
    }

private:
    std::map<int, Player*> players_;
    std::deque<std::pair<int, std::string>> down_, up_;
    bool pauseTimer_ = false;
    bool computer_ = false;
};

void Player::send(const std::string& message) {
    table.toHost(entry, message);
}

// Every pile `b` draws shows what `a` draws there: `b` may know less, never
// something else.
bool nothingWrong(const Player& a, const Player& b) {
    const BoardView& x = a.model.view();
    const BoardView& y = b.model.view();
    bool ok = !y.discard || y.discard == x.discard;
    for (int seat = 1; seat <= kPlayingSeats; ++seat) {
        const SeatDisplay& p = x.seats[std::size_t(seat)];
        const SeatDisplay& q = y.seats[std::size_t(seat)];
        for (Picture SeatDisplay::*pile :
             {&SeatDisplay::speedPile, &SeatDisplay::goPile, &SeatDisplay::milePile})
            ok = ok && (!(q.*pile) || q.*pile == p.*pile);
        ok = ok && q.safe == p.safe && q.miles == p.miles;
    }
    return ok;
}

// The seats whose drawn ship area differs between the two players.
QString differences(Player& a, Player& b) {
    QString out;
    for (int seat = 1; seat <= kPlayingSeats; ++seat)
        if (a.shipArea(seat) != b.shipArea(seat))
            out += QStringLiteral(" %1").arg(seat);
    return out;
}

} // namespace

class SameBoard : public QObject {
    Q_OBJECT
private slots:
    void lateJoinersAndRejoinersDrawWhatEverybodySees() {
        Table table;
        Player ann(table, "Ann");
        table.connect(ann);
        QCOMPARE(ann.model.state().mySeat, 1);
        ann.send(msg::StartGameRequest{"Ann", "10000", "100", true, true}.encode());
        table.pump();
        QVERIFY(table.core.engine().gameInProgress);

        // Well into a round: lightyears travelled, cards on the discard pile
        // and more than UNDOCK on the go piles.
        bool varied = false;
        for (int tries = 0; tries < 40 && !varied; ++tries) {
            QVERIFY(table.playOn(3));
            const Engine& e = table.core.engine();
            int miles = 0, others = 0;
            for (int s = 1; s <= kPlayingSeats; ++s) {
                miles += e.players[std::size_t(s)].ship.milePile != 0;
                others += e.players[std::size_t(s)].ship.goPile != 0 &&
                          e.players[std::size_t(s)].ship.goPile != kUndock;
            }
            varied = miles >= 2 && others >= 1 && e.discardTop != 0;
        }
        QVERIFY2(varied, "the game never reached a varied board");

        Player bob(table, "Bob");
        table.connect(bob);
        QCOMPARE(bob.model.state().mySeat, 2);
        QCOMPARE(differences(ann, bob), QString());

        // From a host that never sends the piles, a newcomer's board misses
        // cards, but never shows a wrong one.
        Player cy(table, "Cy");
        cy.oldHost = true;
        table.connect(cy);
        QCOMPARE(cy.model.state().mySeat, 3);
        QVERIFY(!differences(ann, cy).isEmpty());
        QVERIFY(nothingWrong(ann, cy));

        // Play goes on, and both still see the same.
        for (int round = 0; round < 3; ++round) {
            if (!table.playOn(2))
                break;
            QCOMPARE(differences(ann, bob), QString());
        }

        // Bob's link drops; he comes back on a new connection with his key.
        const std::string key = bob.seatKey;
        QVERIFY(!key.empty());
        table.drop(bob.entry);
        QVERIFY(table.playOn(1));
        Player back(table, "Bob");
        back.reclaimSeat = 2;
        back.reclaimKey = key;
        table.connect(back);
        QCOMPARE(back.model.state().mySeat, 2);
        QCOMPARE(differences(ann, back), QString());
        if (table.playOn(2))
            QCOMPARE(differences(ann, back), QString());
    }
};

QTEST_MAIN(SameBoard)
#include "test_sameboard.moc"
