// The main window's menus and controls: the menu bar and the seat menu
// wired to what their items do, and the small actions behind them.
#include "ui/mainwindow.h"

#include "client/chatline.h"
#include "client/clientconn.h"
#include "host/hostserver.h"
#include "host/lan.h"
#include "host/portmapper.h"
#include "store/colours.h"
#include "store/datadir.h"
#include "text/plaintextqt.h"
#include "ui/aboutwindow.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/chatview.h"
#include "ui/downloadwindow.h"
#include "ui/gameconnection.h"
#include "ui/gameoptionsdialog.h"
#include "ui/gameview.h"
#include "ui/helpwindow.h"
#include "ui/mainmenus.h"
#include "ui/messagebox.h"
#include "ui/netdialogs.h"
#include "ui/networkdialogs.h"
#include "ui/phraseswindow.h"
#include "ui/scaling.h"
#include "ui/showwindow.h"
#include "ui/sounds.h"
#include "ui/tallywindow.h"
#include "ui/watcherlist.h"
#include "ui/website.h"
#include "ui/windowsettings.h"

#include <QActionGroup>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QtGlobal>

#include <cstdio>

namespace dw {

void MainWindow::buildMenus() {
    MainMenus::Hooks m;
    m.startGame = [this] { openGameOptions(); };
    m.hostGame = [this] { hostGame(); };
    m.joinGame = [this] { joinGame(); };
    m.findPlayers = [this] { findPlayersOnline(); };
    m.exit = [this] { close(); };
    m.soundsSwitched = [this] {
        view_->chat().setPlayerPhraseSounds(menus_->playerPhraseSounds());
        prefs_->save();
    };
    m.botSpeed = [this](BotSpeed speed) {
        setBotSpeed(speed);
        prefs_->save();
    };
    m.pilotLevel = [this](PilotLevel level) {
        setPilotLevel(level);
        prefs_->save();
    };
    m.textSize = [this](int points) {
        setTextSize(points);
        prefs_->save();
    };
    m.textColour = [this] { chooseTextColour(); };
    m.resetScreenLocation = [this] { resetScreenLocation(); };
    m.justWatch = [this] { justWatch(); };
    m.viewTally = [this] { tallylist_->openTally(view_->otherSeatNames()); };
    m.spyList = [this] { spylist_->openSpyList(); };
    m.phraseList = [this] { phrases_->openPhrases(); };
    m.fullScreen = [this](bool on) {
        if (on)
            showFullScreen();
        else
            showNormal();
    };
    m.actualSize = [this] { actualSize(); };
    m.help = [this] { help_->openHelp(); };
    m.quickInstructions = [this] { view_->board()->showQuickInstructions(); };
    m.about = [this] { about_->openAbout(); };
    ChatView* chat = view_->chat().mainchat();
    menus_ = new MainMenus(menuBar(), {chat->scrollChatOffAction(), chat->clearMainChatAction()}, m,
                           this);

    SeatMenu::Hooks seat;
    seat.removeFromGame = [this](int n) { view_->removeFromGame(n); };
    seat.setToJustWatch = [this](int n) { view_->model().setToJustWatch(n); };
    seat.unsetJustWatch = [this](int n) { view_->model().unsetJustWatch(n); };
    seatMenu_ = new SeatMenu(seat, this);
}

// ---------------------------------------------------------------- menus and controls

void MainWindow::openGameOptions() {
    if (!view_->model().state().loggedin) {
        showInformation(this, QStringLiteral("Driftwake"), QStringLiteral("You are not connected"));
        return;
    }
    gamestart_->setPlayerName(view_->model().state().playername);
    gamestart_->show();
    gamestart_->raise();
}

void MainWindow::justWatch() {
    // The check mark follows the host's answer, not the click.
    menus_->checkJustWatch(view_->model().view().justWatchChecked);
    view_->model().justWatch();
}

void MainWindow::chooseTextColour() {
    const Rgb now = colourToRgb(view_->chat().chatColour());
    const QColor chosen = QColorDialog::getColor(QColor(now.red, now.green, now.blue), this,
                                                 QStringLiteral("Text Color"));
    if (!chosen.isValid())
        return;
    view_->chat().setChatColour(colourFromRgb(
        {std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue())}));
    prefs_->save();
}

void MainWindow::resetScreenLocation() {
    prefs_->applyGeometry(kDefaultGeometry);
}

void MainWindow::nameLabelMenu(int seat, QPoint globalPos) {
    seatMenu_->popup(seat, globalPos, view_->model().state().ishost,
                     view_->model().view().seats[std::size_t(seat)].name != kWaiting);
}

void MainWindow::openWebsite() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerWebAddress)));
}

} // namespace dw
