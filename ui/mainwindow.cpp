#include "ui/mainwindow.h"

#include "client/clientconn.h"
#include "host/hostserver.h"
#include "ui/aboutwindow.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/chatview.h"
#include "ui/gameconnection.h"
#include "ui/gameending.h"
#include "ui/gamehosting.h"
#include "ui/gameoptionsdialog.h"
#include "ui/helpwindow.h"
#include "ui/mainmenus.h"
#include "ui/messagebox.h"
#include "ui/networkdialogs.h"
#include "ui/networkplay.h"
#include "ui/phraseswindow.h"
#include "ui/secondarywindows.h"
#include "ui/tallywindow.h"
#include "ui/watcherlist.h"
#include "ui/windowchoices.h"
#include "ui/windowsettings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QTimer>

namespace dw {

MainWindow::MainWindow(const LaunchOptions& options, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Driftwake"));
    WindowSettings::Hooks files;
    files.current = [this] { return choices_->current(); };
    files.notice = [this](const QString& text) { windows_->notice(text); };
    files.closing = [this] { return ending_ && ending_->closing(); };
    prefs_ = new WindowSettings(this, std::move(files));

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("panel_board"));
    central->setAutoFillBackground(true);
    QPalette pal = central->palette();
    pal.setColor(QPalette::Window, Qt::black);
    central->setPalette(pal);
    central->setMinimumSize(kMinClientWidth, kMinClientHeight);
    setCentralWidget(central);

    GameView::Hooks events;
    events.send = [this](const std::string& m) { connection_->client()->send(m); };
    events.setOwnTallyCell = [this](int column, const std::string& value) {
        windows_->tally()->setOwnTallyCell(column, value);
    };
    events.addGame = [this](const std::string& result) {
        windows_->tally()->addGame(result, view_->otherSeatNames());
    };
    events.spyAdded = [this](const std::string& item) {
        windows_->watchers()->addSpy(QString::fromStdString(item));
    };
    events.spyRemoved = [this](const std::string& item) {
        windows_->watchers()->removeSpy(QString::fromStdString(item));
    };
    events.loadSettings = [this] { choices_->applyStored(); };
    events.changed = [this] { changed(); };
    events.soundsOn = [this] { return menus_->playSounds(); };
    view_ = new GameView(central, std::move(events), this);

    GameConnection::Hooks link;
    link.message = [this](std::string_view word, std::string_view payload) {
        dispatch(word, payload);
    };
    link.closed = [this] {
        if (!view_->model().state().loggedIn && play_->dialogs().joinClosed())
            return;
        if (!ending_->over())
            connection_->connectionLost();
    };
    link.failed = [this](const QString& why, bool notFound, bool refused) {
        play_->connectionFailed(why, notFound, refused);
    };
    link.rejoined = [this](const msg::SendLoginInfo& entry, const QString& text) {
        // The board as a new connection finds it, for the seat given back or
        // the new one: nothing of the old connection's game survives.
        const std::string name = view_->model().state().playerName;
        view_->model().reset();
        view_->model().state().playerName = name;
        if (play_->hosting().listening())
            view_->model().setHosting();
        windows_->clearWatchers();
        windows_->gameOptions()->hide();
        changed();
        view_->model().loginAsked(entry);
        view_->status(text);
    };
    link.ended = [this](const QString& text, ExitStatus code, bool notice) {
        ending_->gameEnded(text, code, notice);
    };
    link.lost = [this](const QString& text) {
        windows_->gameOptions()->hide();
        view_->status(text);
    };
    link.retryClicked = [this] { ending_->tryAgain(); };
    connection_ = new GameConnection(std::move(link), central, view_->board(), this);

    buildMenus();
    // The default geometry, also what "Reset Screen Location" restores.
    prefs_->applyGeometry(kDefaultGeometry);
    if (const auto error = prefs_->loadTally())
        QTimer::singleShot(0, this, [this, text = *error] { windows_->notice(text); });
    view_->model().setOwnLightyears(prefs_->tally().ownLightyears());

    SecondaryWindows::Hooks other;
    other.startGame = [this](const std::string& message) {
        connection_->client()->send(message);
        prefs_->save();
    };
    other.endGame = [this] { close(); };
    windows_ = new SecondaryWindows(this, *view_, *prefs_, other);

    NetworkPlay::Hooks play;
    play.changed = [this] { changed(); };
    play.restart = [this] { ending_->restart(); };
    play.closeWindow = [this] {
        ending_->windowClosing();
        close();
    };
    play_ = new NetworkPlay(options, {*view_, *connection_, *windows_, *menus_, *prefs_},
                            std::move(play), this);
    choices_ = new WindowChoices(this, *prefs_, *view_, *menus_, *windows_->gameOptions(),
                                 play_->hosting());
    ending_ = new GameEnding(options.mode, this, *view_, *connection_, play_->dialogs(), *windows_);
    changed();
}

MainWindow::~MainWindow() {
    // Hidden first: a board that loses the keyboard while its children are
    // destroyed would read the model, which is gone by then.
    hide();
    // Ended without closing the window (by a signal): nobody is left to see
    // a message box, so a failure only goes to standard error.
    prefs_->saveTally(false);
}

void MainWindow::buildMenus() {
    MainMenus::Hooks m;
    m.startGame = [this] { windows_->openGameOptions(); };
    m.hostGame = [this] { hostGame(); };
    m.joinGame = [this] { joinGame(); };
    m.findPlayers = [this] { play_->findPlayersOnline(); };
    m.exit = [this] { close(); };
    m.soundsSwitched = [this] {
        view_->chat().setPlayerPhraseSounds(menus_->playerPhraseSounds());
        prefs_->save();
    };
    m.botSpeed = [this](BotSpeed speed) {
        choices_->setBotSpeed(speed);
        prefs_->save();
    };
    m.pilotLevel = [this](PilotLevel level) {
        choices_->setPilotLevel(level);
        prefs_->save();
    };
    m.textSize = [this](int points) {
        choices_->setTextSize(points);
        prefs_->save();
    };
    m.textColour = [this] { choices_->chooseTextColour(); };
    m.resetScreenLocation = [this] { choices_->resetScreenLocation(); };
    m.justWatch = [this] {
        // The check mark follows the host's answer, not the click.
        menus_->checkJustWatch(view_->model().view().justWatchChecked);
        view_->model().justWatch();
    };
    m.viewTally = [this] { windows_->tally()->openTally(view_->otherSeatNames()); };
    m.spyList = [this] { windows_->watchers()->openSpyList(); };
    m.phraseList = [this] { windows_->phrases()->openPhrases(); };
    m.fullScreen = [this](bool on) {
        if (on)
            showFullScreen();
        else
            showNormal();
    };
    m.actualSize = [this] {
        // Back to the board at 100%: the smallest window that holds it.
        if (isFullScreen() || isMaximized())
            showNormal();
        const QSize frame = size() - centralWidget()->size();
        resize(QSize(kMinClientWidth, kMinClientHeight) + frame);
    };
    m.help = [this] { windows_->help()->openHelp(); };
    m.quickInstructions = [this] { view_->board()->showQuickInstructions(); };
    m.about = [this] { windows_->about()->openAbout(); };
    ChatView* chat = view_->chat().mainchat();
    menus_ = new MainMenus(menuBar(), {chat->scrollChatOffAction(), chat->clearMainChatAction()}, m,
                           this);
}

// The commands of the window itself; the board model handles the game's.
void MainWindow::dispatch(std::string_view word, std::string_view payload) {
    // The host answered a join from the dialog.
    play_->dialogs().hostAnswered();
    if (view_->showMessage(word, payload) || ending_->handle(word, payload))
        return;
    // The game of a connection that is still rejoining is not this
    // client's yet.
    if (connection_->rejoinPlan().rejoining())
        return;
    view_->model().handleCommand(word, payload);
    // A new game hands the keyboard to the board.
    if (word == msg::StartGameAnnounce::kWord && !view_->chat().mychat()->hasFocus())
        view_->board()->setFocus(Qt::OtherFocusReason);
}

void MainWindow::changed() {
    view_->board()->refresh();
    if (!ending_)
        return; // still being built: the constructor's end brings the controls up to date
    // The host's controls follow the host's rights.
    const bool rights = view_->model().state().isHost;
    menus_->setStartGameEnabled(rights);
    windows_->watchers()->setHosting(rights);
    menus_->checkJustWatch(view_->model().view().justWatchChecked);
    menus_->setNetworkGame(play_->networkGame());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!ending_->closing() && play_->hostingGame() &&
        !askYesNo(this, QStringLiteral("Driftwake"),
                  QStringLiteral("A game is running. Closing this window ends it for every "
                                 "pilot connected to it. Close anyway?"))) {
        event->ignore();
        return;
    }
    ending_->windowClosing();
    prefs_->saveOnEnd(true);
    event->accept();
    QMainWindow::closeEvent(event);
}

void MainWindow::endOnSignal() {
    ending_->endingNow();
    // Every peer hears that the host ends.
    play_->hosting().shutdown();
    prefs_->saveOnEnd(false);
    // exit(), not quit(): quit() would ask every window whether it may close.
    QCoreApplication::exit(0);
}

HostServer* MainWindow::server() const {
    return play_->hosting().server();
}

const TallyTable& MainWindow::tally() const {
    return prefs_->tally();
}

int MainWindow::botDelay() const {
    return botDelayMs(prefs_->settings().botSpeed);
}

NetworkDialogs& MainWindow::dialogs() {
    return play_->dialogs();
}

LanAnnouncer* MainWindow::announcer() const {
    return play_->hosting().announcer();
}

QString MainWindow::lobbyUrl() const {
    return prefs_->lobbyUrl();
}

void MainWindow::hostGame() {
    if (play_->mayLeaveGame())
        play_->dialogs().openHostDialog();
}

void MainWindow::joinGame() {
    if (play_->mayLeaveGame())
        play_->dialogs().openJoinDialog();
}

int MainWindow::exitStatus() const {
    return ending_->exitStatus();
}

} // namespace dw
