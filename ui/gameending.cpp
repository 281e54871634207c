#include "ui/gameending.h"

#include "ui/banner.h"
#include "ui/boardwidget.h"
#include "ui/gameconnection.h"
#include "ui/gameoptionsdialog.h"
#include "ui/gameview.h"
#include "ui/messagebox.h"
#include "ui/netdialogs.h"
#include "ui/networkdialogs.h"
#include "ui/secondarywindows.h"

#include <QWidget>

#include <array>
#include <cstdio>
#include <optional>

namespace dw {

namespace {

// How long a notice from the host stays before the program ends.
constexpr int kNoticeMs = 3000;

template <class M, void (GameEnding::*Handle)(const M&)>
void on(GameEnding& ending, std::string_view payload) {
    if (const std::optional<M> m = M::decode(payload))
        (ending.*Handle)(*m);
}

} // namespace

GameEnding::GameEnding(LaunchMode mode, QWidget* window, GameView& view, GameConnection& connection,
                       NetworkDialogs& dialogs, SecondaryWindows& windows)
    : QObject(window), window_(window), view_(view), connection_(connection), dialogs_(dialogs),
      windows_(windows) {
    // A game begun by the launch line ends with the program; any other leads
    // back to the start window.
    windowGame_ = mode != LaunchMode::Host && mode != LaunchMode::Join;
    endTimer_.setSingleShot(true);
    endTimer_.setInterval(kNoticeMs);
    connect(&endTimer_, &QTimer::timeout, this, [this] { quit(ExitStatus(exitStatus_)); });
}

bool GameEnding::handle(std::string_view word, std::string_view payload) {
    using Handler = void (*)(GameEnding&, std::string_view);
    struct Entry {
        std::string_view word;
        Handler handler;
    };
    static constexpr std::array<Entry, 4> table{{
        {msg::Full::kWord, &on<msg::Full, &GameEnding::full>},
        {msg::SeatKey::kWord, &on<msg::SeatKey, &GameEnding::keepSeatKey>},
        {msg::HostClosing::kWord, &on<msg::HostClosing, &GameEnding::hostEnding>},
        {msg::Removed::kWord, &on<msg::Removed, &GameEnding::removed>},
    }};
    for (const Entry& e : table) {
        if (e.word == word) {
            e.handler(*this, payload);
            return true;
        }
    }
    return false;
}

void GameEnding::full(const msg::Full&) {
    if (connection_.fullWhileRejoining())
        return;
    if (dialogs_.joining()) {
        dialogs_.joinFailed(QStringLiteral("Game is full"));
        return;
    }
    showInformation(window_, QStringLiteral("Driftwake"), QStringLiteral("Game is full"));
    window_->close();
}

void GameEnding::keepSeatKey(const msg::SeatKey& m) {
    // Only the key of the own seat is worth keeping.
    if (m.seat == view_.model().state().mySeat && !m.key.empty())
        connection_.rejoinPlan().keyGiven(m.seat, m.key);
}

void GameEnding::hostEnding(const msg::HostClosing&) {
    connection_.rejoinPlan().hostEnded();
    gameEnded(QStringLiteral("The host ended the game."), ExitStatus::HostEnded);
}

void GameEnding::removed(const msg::Removed& m) {
    view_.model().removed(m); // another player's removal is told on the board
    if (m.seat != view_.model().state().mySeat)
        return;
    connection_.rejoinPlan().hostEnded();
    gameEnded(QStringLiteral("The host removed you from the game."), ExitStatus::Removed);
}

void GameEnding::gameEnded(const QString& text, ExitStatus code, bool notice) {
    if (ended_ || quitting_)
        return;
    ended_ = true;
    connection_.halt();
    view_.status(text);
    view_.board()->setEnabled(false);
    windows_.gameOptions()->hide();
    if (windowGame_) {
        const bool retry = connection_.rejoinPlan().mayRetry();
        connection_.banner()->showMessage(
            text,
            retry ? QStringLiteral("Try again to take your seat back, or choose "
                                   "Solo, Host or Join to play on.")
                  : QStringLiteral("Choose Solo, Host or Join to play on."),
            retry ? QStringLiteral("Try Again") : QString());
        dialogs_.openStartWindow();
        return;
    }
    // A lobby program that started this copy learns why from the status.
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    exitStatus_ = int(code);
    if (!notice) {
        quit(code);
        return;
    }
    connection_.banner()->showMessage(text, QStringLiteral("Driftwake closes in a few seconds."));
    endTimer_.start();
}

void GameEnding::tryAgain() {
    if (!ended_ || !connection_.tryAgain())
        return;
    ended_ = false;
    dialogs_.startWindow()->hide();
    view_.status(QStringLiteral("Trying again to take your seat back…"));
}

void GameEnding::restart() {
    connection_.stopRejoining(endTimer_.isActive());
    windowGame_ = true;
    ended_ = false;
}

void GameEnding::windowClosing() {
    quitting_ = true;
    connection_.stopRejoining(endTimer_.isActive());
}

void GameEnding::endingNow() {
    quitting_ = true;
    endTimer_.stop();
    connection_.stopRejoining();
}

void GameEnding::quit(ExitStatus code) {
    quitting_ = true;
    exitStatus_ = int(code);
    connection_.halt();
    endTimer_.stop();
    window_->close();
}

} // namespace dw
