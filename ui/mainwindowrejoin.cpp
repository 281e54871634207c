// The main window's side of a dropped connection: rejoining with the seat
// key, the end of a game without the user (back to the start window, or the
// end of a launch line's copy with its exit status), and asking before a
// hosting window ends a running game.
#include "client/clientconn.h"
#include "host/hostserver.h"
#include "ui/banner.h"
#include "ui/boardwidget.h"
#include "ui/gameoptionsdialog.h"
#include "ui/mainwindow.h"
#include "ui/netdialogs.h"
#include "ui/spectatorlist.h"

#include <QPushButton>

#include <chrono>
#include <cstdio>

namespace dw {

namespace {

// How long a notice from the host stays before the program ends.
constexpr int kNoticeMs = 3000;

RejoinPlan::Ms now() {
    return std::chrono::duration_cast<RejoinPlan::Ms>(
        std::chrono::steady_clock::now().time_since_epoch());
}

// "2 minutes", "30 seconds".
QString duration(RejoinPlan::Ms ms) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(ms).count();
    if (seconds % 60 == 0)
        return seconds == 60 ? QStringLiteral("1 minute")
                             : QStringLiteral("%1 minutes").arg(seconds / 60);
    return seconds == 1 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(seconds);
}

} // namespace

void MainWindow::setupRejoining() {
    // A game begun by the launch line ends with the program; any other leads
    // back to the start window.
    windowGame_ = options_.mode != LaunchMode::Host && options_.mode != LaunchMode::Join;
    banner_ = new Banner(centralWidget());
    connect(banner_, &Banner::buttonClicked, this, [this] {
        if (rejoin_.rejoining()) {
            rejoin_.giveUp();
            gameEnded(QStringLiteral("You gave up rejoining the game."), ExitStatus::RejoinGaveUp,
                      false);
        } else if (ended_) {
            tryAgain();
        }
    });
    rejoinTimer_.setSingleShot(true);
    connect(&rejoinTimer_, &QTimer::timeout, this, &MainWindow::rejoinTick);
    endTimer_.setSingleShot(true);
    endTimer_.setInterval(kNoticeMs);
    connect(&endTimer_, &QTimer::timeout, this, [this] { quit(ExitStatus(exitStatus_)); });
}

void MainWindow::connectionClosed() {
    if (quitting_ || ended_)
        return; // the end is already on its way
    if (rejoin_.rejoining()) {
        // An attempt's connection closed before the host answered it.
        rejoin_.attemptFailed();
        armRejoin();
        return;
    }
    if (!rejoin_.connectionLost(now())) {
        // No key to come back with (an older host), or the host ended.
        gameEnded(QStringLiteral("The host closed the connection."), ExitStatus::HostEnded, false);
        return;
    }
    // The window stays: nothing may be played or sent until the seat is back.
    board_->setEnabled(false);
    gamestart_->hide();
    status(QStringLiteral("The connection to the host was lost. Reconnecting…"));
    showRejoinBanner();
    armRejoin();
}

void MainWindow::armRejoin() {
    if (!rejoin_.rejoining()) {
        rejoinTimer_.stop();
        return;
    }
    const auto wait = rejoin_.wakeAt() - now();
    rejoinTimer_.start(int(std::max<std::int64_t>(0, wait.count())));
}

void MainWindow::rejoinTick() {
    switch (rejoin_.step(now())) {
    case RejoinPlan::Step::Nothing:
        break;
    case RejoinPlan::Step::GiveUp:
        gameEnded(QStringLiteral("The host could not be reached for %1.")
                      .arg(duration(rejoin_.giveUpAfter())),
                  ExitStatus::RejoinGaveUp);
        return;
    case RejoinPlan::Step::HostGone:
        gameEnded(QStringLiteral("The host no longer runs the game."), ExitStatus::HostEnded);
        return;
    case RejoinPlan::Step::Attempt:
        reclaimSent_ = false;
        // The attempt before, if it still runs, ends before this one starts:
        // never more than one connection at a time.
        makeConnection();
        conn_->connectToHost(connHost_, connPort_);
        showRejoinBanner();
        break;
    }
    armRejoin();
}

void MainWindow::showRejoinBanner() {
    const int n = rejoin_.attempts();
    banner_->showMessage(n == 0
                             ? QStringLiteral("Connection lost: reconnecting…")
                             : QStringLiteral("Connection lost: reconnecting… (attempt %1)").arg(n),
                         QStringLiteral("Your seat and your cards are kept for you. Trying for "
                                        "up to %1.")
                             .arg(duration(rejoin_.giveUpAfter())),
                         QStringLiteral("Give up"));
}

void MainWindow::stopRejoining() {
    rejoinTimer_.stop();
    reclaimSent_ = false;
    if (banner_ && !endTimer_.isActive())
        banner_->hide();
    board_->setEnabled(true);
}

bool MainWindow::rejoinMessage(const Command& c) {
    if (rejoin_.phase() != RejoinPlan::Phase::Trying)
        return false;
    if (c.word == msg::SendLoginInfo::kWord && !reclaimSent_) {
        // The host offers an entry: ask for the own seat instead.
        const auto offer = msg::SendLoginInfo::decode(c.payload);
        const auto reclaim = offer ? rejoin_.reclaimFor(offer->seat) : std::nullopt;
        if (!reclaim)
            return true;
        reclaimSent_ = true;
        conn_->send(reclaim->encode());
        return true;
    }
    if (c.word == msg::SendLoginInfo::kWord) {
        const auto answer = msg::SendLoginInfo::decode(c.payload);
        if (!answer)
            return true;
        const int seat = rejoin_.seat();
        rejoin_.reclaimed();
        stopRejoining();
        freshBoard();
        model_->sendloginfo(*answer);
        status(answer->seat == seat ? QStringLiteral("Reconnected: you are back in your seat.")
                                    : QStringLiteral("Reconnected in seat %1.").arg(answer->seat));
        return true;
    }
    if (c.word == msg::ReclaimRefused::kWord && reclaimSent_) {
        const auto refusal = msg::ReclaimRefused::decode(c.payload);
        if (!refusal)
            return true;
        rejoin_.refused();
        stopRejoining();
        freshBoard();
        model_->sendloginfo(msg::SendLoginInfo{refusal->entry});
        status(refusal->entry <= kPlayingSeats
                   ? QStringLiteral("Reconnected, but the host did not give your seat back: you "
                                    "joined again as a new pilot in seat %1.")
                         .arg(refusal->entry)
                   : QStringLiteral("Reconnected, but the host did not give your seat back: you "
                                    "joined again as a spectator."));
        return true;
    }
    return false;
}

void MainWindow::freshBoard() {
    const std::string name = model_->state().playername;
    const bool hosting = server_ && server_->isListening();
    model_->reset();
    model_->state().playername = name;
    if (hosting)
        model_->setHosting();
    const QStringList spies = spylist_->spies();
    for (const QString& spy : spies)
        spylist_->removeSpy(spy);
    gamestart_->hide();
    changed();
}

void MainWindow::seatkey(const msg::SeatKey& m) {
    // Only the key of the own seat is worth keeping.
    if (m.seat == model_->state().myseat && !m.key.empty())
        rejoin_.keyGiven(m.seat, m.key);
}

void MainWindow::hostclosing(const msg::HostClosing&) {
    rejoin_.hostEnded();
    gameEnded(QStringLiteral("The host ended the game."), ExitStatus::HostEnded);
}

void MainWindow::removed(const msg::Removed& m) {
    model_->removed(m); // another player's removal is told on the board
    if (m.seat != model_->state().myseat)
        return;
    rejoin_.hostEnded();
    gameEnded(QStringLiteral("The host removed you from the game."), ExitStatus::Removed);
}

void MainWindow::gameEnded(const QString& text, ExitStatus code, bool notice) {
    if (ended_ || quitting_)
        return;
    ended_ = true;
    rejoinTimer_.stop();
    reclaimSent_ = false;
    status(text);
    board_->setEnabled(false);
    gamestart_->hide();
    if (windowGame_) {
        const bool retry = rejoin_.mayRetry();
        banner_->showMessage(text,
                             retry ? QStringLiteral("Try again to take your seat back, or choose "
                                                    "Solo, Host or Join to play on.")
                                   : QStringLiteral("Choose Solo, Host or Join to play on."),
                             retry ? QStringLiteral("Try Again") : QString());
        openStartWindow();
        return;
    }
    // A lobby program that started this copy learns why from the status.
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    exitStatus_ = int(code);
    if (!notice) {
        quit(code);
        return;
    }
    banner_->showMessage(text, QStringLiteral("Driftwake closes in a few seconds."));
    endTimer_.start();
}

void MainWindow::tryAgain() {
    if (!ended_ || !rejoin_.retry(now()))
        return;
    ended_ = false;
    startWindow_->hide();
    status(QStringLiteral("Trying again to take your seat back…"));
    showRejoinBanner();
    armRejoin();
}

void MainWindow::quit(ExitStatus code) {
    quitting_ = true;
    exitStatus_ = int(code);
    rejoinTimer_.stop();
    endTimer_.stop();
    close();
}

bool MainWindow::hostingGame() const {
    return server_ && server_->isListening() && options_.mode != LaunchMode::Solo &&
           server_->core().engine().gameinprogress;
}

} // namespace dw
