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

std::string MainWindow::iniPath() const {
    return settingsFilePath(dataDir_.toStdString()).string();
}

void MainWindow::loadinifile() {
    const Settings s = loadSettingsFile(iniPath());
    setTextSize(s.textSize);
    storedGeometry_ = s.geometry;
    applyGeometry(s.geometry);
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
    Settings s = settings_;
    s.geometry = windowGeometry();
    s.textColour = view_->chat().chatColour();
    s.playToScore = gamestart_->options().amount();
    s.distance = gamestart_->options().distance();
    s.bot3 = gamestart_->options().bot(3) != 0;
    s.bot4 = gamestart_->options().bot(4) != 0;
    s.playSounds = menus_->playSounds();
    s.playerPhraseSounds = menus_->playerPhraseSounds();
    return s;
}

void MainWindow::saveinifile() {
    // Before the settings were read at login, saving would only replace the
    // user's stored choices with the built-in defaults.
    if (storedGeometry_)
        saveSettings([this] { return saveSettingsFile(iniPath(), currentSettings()); });
}

WindowGeometry MainWindow::windowGeometry() const {
    const QRect f = frameGeometry();
    return {f.top(), f.left(), f.width(), f.height()};
}

void MainWindow::applyGeometry(const WindowGeometry& g) {
    const QSize frame = frameGeometry().size() - size();
    move(g.left, g.top);
    resize(g.width - frame.width(), g.height - frame.height());
}

void MainWindow::setTextSize(int points) {
    settings_.textSize = points;
    view_->chat().mainchat()->setTextSize(points);
    view_->board()->setStatusTextSize(points);
    menus_->checkTextSize(points);
}

void MainWindow::setBotSpeed(BotSpeed speed) {
    settings_.botSpeed = speed;
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
    settings_.pilotLevel = level;
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
    saveOnEnd(true);
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
    saveOnEnd(false);
    // exit(), not quit(): quit() would ask every window whether it may close.
    QCoreApplication::exit(0);
}

void MainWindow::saveOnEnd(bool tellUser) {
    Size work{};
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        work = {screen->availableGeometry().width(), screen->availableGeometry().height()};
    if (const auto g = geometryToSaveOnClose(windowGeometry(), storedGeometry_, work)) {
        storedGeometry_ = *g;
        Settings s = currentSettings();
        s.geometry = *g;
        saveSettings([this, &s] { return saveSettingsFile(iniPath(), s); }, tellUser);
    }
    saveTally(tellUser);
}

void MainWindow::saveSettings(const std::function<bool()>& save, bool tellUser) {
    errno = 0;
    if (save())
        return;
    const int error = errno;
    const QString why = error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                   : QStringLiteral("the file could not be read or written");
    const QString text =
        QStringLiteral("Your options could not be saved in %1: %2. Options changed now are lost "
                       "when Driftwake ends.")
            .arg(QDir::toNativeSeparators(QString::fromStdString(iniPath())), why);
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    if (!tellUser)
        return;
    if (!quitting_) {
        hostNotice(text);
        return;
    }
    // The window is closing: the box waits for the user to read it.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Driftwake"), text, QMessageBox::Ok,
                    plainParent(this));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void MainWindow::saveTally(bool tellUser) {
    if (tallySaved_)
        return;
    tallySaved_ = true;
    const QString path = QDir(dataDir_).filePath(QString::fromStdString(tallyFileName()));
    const auto error = tally_.save(path.toStdString());
    if (!error)
        return;
    const QString text = QString::fromStdString(*error) +
                         QStringLiteral("\nThe tally of this session could not be saved.");
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    if (tellUser)
        QMessageBox::warning(plainParent(this), QStringLiteral("Driftwake"), text);
}

} // namespace dw
