// The host's side of every connection: seats, logins, relays, just watch,
// removal of players, disconnects, and the hand-over of game commands to the
// engine. Plain C++: the Qt server feeds it socket events and timer ticks
// through the methods below and carries out what it asks through
// HostTransport, so tests and tools can drive it without sockets.
#pragma once

#include "engine/engine.h"
#include "host/enginewire.h"
#include "host/hostcounters.h"
#include "protocol/messages.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace dw {

// What the host needs from the world outside the game logic.
struct HostTransport {
    virtual ~HostTransport() = default;
    // Queues bytes on the connection of `entry` (1..10).
    virtual void send(int entry, const std::string& bytes) = 0;
    // Closes the connection of `entry`. The core runs the disconnect
    // handling itself right afterwards; the transport must not report the
    // close of this connection again.
    virtual void close(int entry) = 0;
    // Closes the connection of `entry` at once, dropping what it has not
    // sent (a peer that does not read would otherwise keep it). The same
    // rules as for close().
    virtual void abort(int entry) { close(entry); }
    virtual void startTimer(EngineTimer timer, int intervalMs) = 0;
    virtual void stopTimer(EngineTimer timer) = 0;
    // A notice for the hosting user (refused plays and the like).
    virtual void diagnostic(const std::string& text) = 0;
    // Connection events (arrivals, departures, dropped messages).
    virtual void event(const std::string& text) = 0;
    virtual int botSpeedMs() = 0;
    // Called whenever messages wait in the receive queues, so that the
    // dispatch tick runs only while there is something to do.
    virtual void messagesWaiting() = 0;
    // Bytes queued on the connection of `entry` that the peer has not taken
    // yet. A connection whose backlog would pass HostCore::kMaxUnsent is
    // closed, as if its link had dropped.
    virtual std::size_t unsent(int /*entry*/) { return 0; }
    // A steady clock in milliseconds, for the login deadline and the seats
    // held for their players.
    virtual std::int64_t nowMs() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    // The connection of entry `from` now belongs to entry `to` (a reclaimed
    // seat); `to` holds no connection before.
    virtual void moved(int /*from*/, int /*to*/) {}
    // Fills `out` with bytes from a cryptographically secure source; false
    // when none is available.
    virtual bool randomBytes(unsigned char* out, std::size_t n);
};

class HostCore : private EngineHost, private EngineWire {
public:
    // Entry 10 only ever holds a connection long enough to refuse it.
    static constexpr int kFullEntry = 10;
    // Entries 1..kMaxConnections hold live connections (dw::kMaxEntries is
    // the size of the player table).
    static constexpr int kMaxConnections = 9;

    HostCore(HostTransport& transport, std::uint32_t seed);

    // The entry a new connection would get: the lowest free one, a new one,
    // or kFullEntry when nine are live.
    int freeEntry() const;
    // A connection was accepted into `entry` (as answered by freeEntry):
    // it is given its seat, or for kFullEntry CMD_full is sent and the
    // transport is asked to close it.
    void accepted(int entry);
    // freeEntry() and accepted() in one step; returns the entry.
    int accept();
    // A connection holds at most this many received messages waiting for
    // dispatch. Nothing a connection sends is dropped: the bytes of further
    // messages wait in the connection's framer, and the transport stops
    // reading a connection while wantsInput() is false, so that TCP holds
    // back a peer that sends faster than the host dispatches.
    static constexpr std::size_t kQueueCap = 256;
    // Relayed chat is not sent to a connection with more unsent bytes (short
    // of kMaxUnsent by more than any message, so chat alone never closes a
    // connection).
    static constexpr std::size_t kMaxUnsentForRelay = 192u * 1024u;
    // A connection never holds more unsent bytes than this: one that would
    // is closed as if its link had dropped (its player may take the seat
    // back with its key), so a peer that does not read costs the host a
    // bounded amount of memory.
    static constexpr std::size_t kMaxUnsent = 256u * 1024u;
    // A connection that has not logged in (or taken a seat back) this long
    // after it was accepted is closed.
    static constexpr std::int64_t kLoginDeadlineMs = 10'000;
    // A pilot's name is kept to this many bytes (characters, as the wire
    // carries one byte a character): every login is announced to everybody,
    // and names the size of a whole message would make each login cost the
    // table far more than a name is worth.
    static constexpr std::size_t kMaxNameBytes = 64;
    // A playing seat whose player dropped with a valid key is kept for that
    // player this long: newcomers get another entry meanwhile.
    static constexpr std::int64_t kHoldMs = 120'000;

    // Bytes arrived on the connection of `entry`. The transport hands over
    // bytes only while wantsInput(entry) holds, and once more, whatever is
    // left, when the connection closes.
    void received(int entry, std::string_view bytes);
    // False while the queue of `entry` is full (or the entry is not live).
    bool wantsInput(int entry) const;
    // In a headless host seat 1 is an ordinary player: when it leaves during
    // its turn the computer plays on for it, as for any other seat, and the
    // host's rights (starting games, removing players, just watch for
    // others) are with the lowest playing seat (1 to 4) a human is logged
    // into; never with a spectator or a connection that has not logged in.
    void setHeadless(bool headless) { headless_ = headless; }
    // The seat that holds the host's rights: seat 1 in a hosting window, the
    // lowest logged-in seat in a headless host; 0 while nobody may.
    int rightsHolder() const { return headless_ ? rights_ : 1; }
    // The host ends: every connection hears so before the transport closes
    // them.
    void hostClosing();
    // The connection of `entry` is live (accepted, not yet closed), logged
    // in or not.
    bool linked(int entry) const;
    // A connection that has logged in; only then does its seat count as a
    // human's for the game (until then the computer plays it).
    bool loggedIn(int entry) const;
    // Playing seats kept for a player who dropped with a valid key (see
    // kHoldMs), with no connection in them.
    int heldSeats() const;
    // The clock's work: closes the connections past their login deadline.
    // The transport calls it about once a second.
    void tick();
    // Seats taken back with their key so far.
    int reclaims() const { return static_cast<int>(counters_.reclaims); }
    // A seat key is this many random bytes, sent as twice as many hex digits.
    static constexpr std::size_t kKeyBytes = 16;
    // The connection of `entry` closed. The messages it sent before are
    // handled first, in order, and then its departure.
    void connectionClosed(int entry);

    // Dispatches one queued message, taking the connections in turn (each
    // connection's own messages keep their order); returns true while more
    // wait.
    bool dispatchOne();
    // Dispatches the first message waiting on `entry` out of turn, for a
    // message that arrives while its connection had nothing waiting (a
    // connection with a backlog waits for its turn). Returns true while
    // more wait anywhere.
    bool dispatchFrom(int entry);
    // One dispatch tick: dispatches, in turn, the messages that were queued
    // when the tick began. Returns true while more wait.
    bool dispatchTick();
    bool hasQueued() const { return queuedTotal_ > 0; }
    std::size_t queued(int entry) const;

    void pauseTick();
    void computerTick();

    Engine& engine() { return engine_; }
    const Engine& engine() const { return engine_; }

    // What this host has done so far; the transport adds the bytes it sends.
    HostCounters& counters() { return counters_; }
    const HostCounters& counters() const { return counters_; }

private:
    // EngineHost
    void startTimer(EngineTimer t, int intervalMs) override;
    void stopTimer(EngineTimer t) override;
    void diagnostic(const std::string& text) override;
    int botSpeedMs() override;
    // EngineWire: the engine's events are sent as messages; these count
    // the games, rounds, plays and refusals too.
    void sendTo(int entry, const std::string& message) override;
    void sendAll(const std::string& message) override;
    void gameStarted(const GameStarted& e) override;
    void roundStarted(const RoundStarted& e) override;
    void playApplied(const PlayApplied& e) override;
    void playRefused(const PlayRefused& e) override;
    void gameWon(const GameWon& e) override;

    // Dispatch: one handler per command word, each given the decoded message.
    void dispatch(int entry, std::string_view message);
    template <class M, void (HostCore::*Handle)(int, const M&)>
    void on(int entry, std::string_view payload);
    void acceptLogin(int entry, const msg::LoginInfo& login);
    void startGame(int entry, const msg::StartGameRequest& request);
    void removePlayer(int entry, const msg::KickHim& kick);
    void setWatching(int entry, const msg::JustWatch& request);
    void chat(int entry, const msg::Chat& line);
    void action(int entry, const msg::Action& line);
    void relaySound(int entry, const msg::PlayASound& sound);
    void discard(int entry, const msg::Discard& play);
    void goMiles(int entry, const msg::GoMiles& play);
    void placeGo(int entry, const msg::PlaceGo& play);
    void placeSpeed(int entry, const msg::PlaceSpeed& play);
    void reclaim(int entry, const msg::Reclaim& request);
    // A fresh key for the seat of a login, sent to that connection alone.
    void issueKey(int entry);
    // The connection of `from` takes over the free entry `to`.
    void moveConnection(int from, int to);
    // Headless: finds the rights holder anew and tells everybody when it
    // changed, or `newcomer` alone when it did not.
    void updateRights(int newcomer = 0);
    void relay(const std::string& message);
    void dropConnection(int entry);
    void departure(int entry);
    void sendOthers(int except, const std::string& message);
    // Sends to a live connection, unless it has closed.
    void transmit(int entry, const std::string& message);
    void clearQueue(int entry);
    // Moves complete messages from the framer of `entry` to its queue while
    // the queue has room (or all of them when `all`).
    void takeMessages(int entry, bool all = false);
    // Takes the first message waiting on `entry` off its queue and
    // dispatches it.
    void dispatchFirst(int entry);
    // The seat is kept for the holder of its key (a connection in it or not).
    bool holding(int entry) const;
    // Closes the connections that have passed kMaxUnsent, as if they had
    // dropped; run at the end of every call from outside.
    void settle();
    // `name` as it may appear in a log line.
    static std::string logName(const std::string& name);

    HostTransport& transport_;
    Engine engine_;
    std::array<Framer, kFullEntry + 1> framers_{};
    // The receive queue of each connection, served in turn from cursor_.
    std::array<std::deque<std::string>, kFullEntry + 1> received_{};
    // Entries whose peer has closed, while their last messages are handled.
    std::array<bool, kFullEntry + 1> closed_{};
    std::size_t queuedTotal_ = 0;
    int cursor_ = 1;
    bool headless_ = false;
    // Per entry: logged in (a name arrived), and the key of its last login
    // (empty: none, or no longer valid).
    std::array<bool, kFullEntry + 1> loggedIn_{};
    std::array<std::string, kFullEntry + 1> keys_{};
    // Per entry: a connection is held; the time by which it must log in (0:
    // it has); its unsent bytes passed the cap (it is closed at settle());
    // a refused reclaim was logged.
    std::array<bool, kFullEntry + 1> linked_{};
    std::array<std::int64_t, kFullEntry + 1> deadline_{};
    std::array<bool, kFullEntry + 1> overfull_{};
    std::array<bool, kFullEntry + 1> refusalLogged_{};
    bool overfullAny_ = false;
    // Per seat: held for its key's holder until this time.
    std::array<std::int64_t, kFullEntry + 1> heldUntil_{};
    int rights_ = 0;
    HostCounters counters_;
};

} // namespace dw
