// The main window's settings: the settings file read and written, window
// geometry, text size, the computer pilots' speed and level, and what the
// window saves when it closes.
#include "ui/mainwindow.h"

#include "host/hostserver.h"
#include "host/lan.h"
#include "host/portmapper.h"
#include "store/colours.h"
#include "store/datadir.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/gameconnection.h"
#include "ui/gameoptionsdialog.h"
#include "ui/gameview.h"
#include "ui/mainmenus.h"
#include "ui/messagebox.h"
#include "ui/scaling.h"
#include "ui/sounds.h"
#include "ui/tallywindow.h"
#include "ui/windowsettings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dw {

const TallyTable& MainWindow::tally() const {
    return prefs_->tally();
}

QString MainWindow::dataDirectory() const {
    return prefs_->dataDirectory();
}

int MainWindow::botDelay() const {
    return botDelayMs(prefs_->settings().botSpeed);
}

void MainWindow::applyStoredSettings() {
    const Settings s = prefs_->load();
    setTextSize(s.textSize);
    view_->chat().setChatColour(s.textColour);
    GameOptions options = gamestart_->options();
    if (s.playToScore)
        options.setAmount(*s.playToScore);
    if (s.distance)
        options.setDistance(*s.distance);
    gamestart_->setOptions(options);
    gamestart_->changebox("image_bot3", s.bot3 ? 1 : 0);
    gamestart_->changebox("image_bot4", s.bot4 ? 1 : 0);
    setBotSpeed(s.botSpeed);
    setPilotLevel(s.pilotLevel);
    view_->chat().applyStoredPhrases(s.phrases);
    menus_->setSounds(s.playSounds, s.playerPhraseSounds);
    view_->chat().setPlayerPhraseSounds(s.playerPhraseSounds);
}

Settings MainWindow::currentSettings() const {
    Settings s = prefs_->settings();
    s.geometry = prefs_->windowGeometry();
    s.textColour = view_->chat().chatColour();
    s.playToScore = gamestart_->options().amount();
    s.distance = gamestart_->options().distance();
    s.bot3 = gamestart_->options().bot(3) != 0;
    s.bot4 = gamestart_->options().bot(4) != 0;
    s.playSounds = menus_->playSounds();
    s.playerPhraseSounds = menus_->playerPhraseSounds();
    return s;
}

void MainWindow::setTextSize(int points) {
    prefs_->settings().textSize = points;
    view_->chat().mainchat()->setTextSize(points);
    view_->board()->setStatusTextSize(points);
    menus_->checkTextSize(points);
}

void MainWindow::setBotSpeed(BotSpeed speed) {
    prefs_->settings().botSpeed = speed;
    menus_->checkBotSpeed(speed);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        fitBoard();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && menus_)
        menus_->checkFullScreen(isFullScreen());
}

void MainWindow::fitBoard() {
    if (view_)
        view_->fitBoard(centralWidget()->size());
}

void MainWindow::actualSize() {
    // Back to the board at 100%: the smallest window that holds it.
    if (isFullScreen() || isMaximized())
        showNormal();
    const QSize frame = size() - centralWidget()->size();
    resize(QSize(kMinClientWidth, kMinClientHeight) + frame);
}

void MainWindow::setPilotLevel(PilotLevel level) {
    prefs_->settings().pilotLevel = level;
    menus_->checkPilotLevel(level);
    if (server_)
        server_->core().engine().setPilotLevel(level);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!quitting_ && hostingGame() &&
        !askYesNo(this, QStringLiteral("Driftwake"),
                  QStringLiteral("A game is running. Closing this window ends it for every "
                                 "pilot connected to it. Close anyway?"))) {
        event->ignore();
        return;
    }
    quitting_ = true;
    connection_->stopRejoining(endTimer_.isActive());
    prefs_->saveOnEnd(true);
    event->accept();
    QMainWindow::closeEvent(event);
}

void MainWindow::endOnSignal() {
    quitting_ = true;
    endTimer_.stop();
    connection_->stopRejoining();
    // Every peer hears that the host ends; the router helper removes the
    // mapping once its input closes.
    if (server_ && server_->isListening())
        server_->shutdown();
    portmap_->stop();
    announcer_->stop();
    prefs_->saveOnEnd(false);
    // exit(), not quit(): quit() would ask every window whether it may close.
    QCoreApplication::exit(0);
}

} // namespace dw
