// The end of the main window's game without the user: back to the start
// window, or the end of a launch line's copy with its exit status; and
// asking before a hosting window ends a running game.
#include "client/clientconn.h"
#include "host/hostserver.h"
#include "ui/banner.h"
#include "ui/boardwidget.h"
#include "ui/gameconnection.h"
#include "ui/gameoptionsdialog.h"
#include "ui/gameview.h"
#include "ui/mainwindow.h"
#include "ui/netdialogs.h"
#include "ui/networkdialogs.h"
#include "ui/watcherlist.h"

#include <cstdio>

namespace dw {

namespace {

// How long a notice from the host stays before the program ends.
constexpr int kNoticeMs = 3000;

} // namespace

void MainWindow::setupEnding() {
    // A game begun by the launch line ends with the program; any other leads
    // back to the start window.
    windowGame_ = options_.mode != LaunchMode::Host && options_.mode != LaunchMode::Join;
    endTimer_.setSingleShot(true);
    endTimer_.setInterval(kNoticeMs);
    connect(&endTimer_, &QTimer::timeout, this, [this] { quit(ExitStatus(exitStatus_)); });
}

void MainWindow::freshBoard() {
    const std::string name = view_->model().state().playername;
    const bool hosting = server_ && server_->isListening();
    view_->model().reset();
    view_->model().state().playername = name;
    if (hosting)
        view_->model().setHosting();
    const QStringList spies = spylist_->spies();
    for (const QString& spy : spies)
        spylist_->removeSpy(spy);
    gamestart_->hide();
    changed();
}

void MainWindow::keepSeatKey(const msg::SeatKey& m) {
    // Only the key of the own seat is worth keeping.
    if (m.seat == view_->model().state().myseat && !m.key.empty())
        connection_->rejoinPlan().keyGiven(m.seat, m.key);
}

void MainWindow::hostEnding(const msg::HostClosing&) {
    connection_->rejoinPlan().hostEnded();
    gameEnded(QStringLiteral("The host ended the game."), ExitStatus::HostEnded);
}

void MainWindow::removed(const msg::Removed& m) {
    view_->model().removed(m); // another player's removal is told on the board
    if (m.seat != view_->model().state().myseat)
        return;
    connection_->rejoinPlan().hostEnded();
    gameEnded(QStringLiteral("The host removed you from the game."), ExitStatus::Removed);
}

void MainWindow::gameEnded(const QString& text, ExitStatus code, bool notice) {
    if (ended_ || quitting_)
        return;
    ended_ = true;
    connection_->halt();
    status(text);
    view_->board()->setEnabled(false);
    gamestart_->hide();
    if (windowGame_) {
        const bool retry = connection_->rejoinPlan().mayRetry();
        connection_->banner()->showMessage(
            text,
            retry ? QStringLiteral("Try again to take your seat back, or choose "
                                   "Solo, Host or Join to play on.")
                  : QStringLiteral("Choose Solo, Host or Join to play on."),
            retry ? QStringLiteral("Try Again") : QString());
        net_->openStartWindow();
        return;
    }
    // A lobby program that started this copy learns why from the status.
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    exitStatus_ = int(code);
    if (!notice) {
        quit(code);
        return;
    }
    connection_->banner()->showMessage(text, QStringLiteral("Driftwake closes in a few seconds."));
    endTimer_.start();
}

void MainWindow::tryAgain() {
    if (!ended_ || !connection_->tryAgain())
        return;
    ended_ = false;
    net_->startWindow()->hide();
    status(QStringLiteral("Trying again to take your seat back…"));
}

void MainWindow::quit(ExitStatus code) {
    quitting_ = true;
    exitStatus_ = int(code);
    connection_->halt();
    endTimer_.stop();
    close();
}

bool MainWindow::hostingGame() const {
    return server_ && server_->isListening() && options_.mode != LaunchMode::Solo &&
           server_->core().engine().gameinprogress;
}

} // namespace dw
