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

MainWindow::MainWindow(const LaunchOptions& options, QWidget* parent)
    : QMainWindow(parent), options_(options) {
    WindowSettings::Hooks files;
    files.current = [this] { return currentSettings(); };
    files.notice = [this](const QString& text) { hostNotice(text); };
    files.closing = [this] { return quitting_; };
    prefs_ = new WindowSettings(this, std::move(files));
    buildWindow();
    createWindows();
}

MainWindow::~MainWindow() {
    // Hidden first: a board that loses the keyboard while its children are
    // destroyed would read the model, which is gone by then.
    hide();
    // Ended without closing the window (by a signal): nobody is left to see
    // a message box, so a failure only goes to standard error.
    prefs_->saveTally(false);
}

void MainWindow::buildWindow() {
    setWindowTitle(QStringLiteral("Driftwake"));

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("panel_board"));
    central->setAutoFillBackground(true);
    QPalette pal = central->palette();
    pal.setColor(QPalette::Window, Qt::black);
    central->setPalette(pal);
    central->setMinimumSize(kMinClientWidth, kMinClientHeight);
    setCentralWidget(central);

    GameView::Hooks events;
    events.send = [this](const std::string& m) { send(m); };
    events.setOwnTallyCell = [this](int column, const std::string& value) {
        tallylist_->setOwnTallyCell(column, value);
    };
    events.addGame = [this](const std::string& result) {
        tallylist_->addgame(result, view_->otherSeatNames());
    };
    events.spyAdded = [this](const std::string& item) {
        spylist_->addSpy(QString::fromStdString(item));
    };
    events.spyRemoved = [this](const std::string& item) {
        spylist_->removeSpy(QString::fromStdString(item));
    };
    events.loadSettings = [this] { applyStoredSettings(); };
    events.changed = [this] { changed(); };
    events.soundsOn = [this] { return menus_->playSounds(); };
    view_ = new GameView(central, std::move(events), this);
    central->installEventFilter(this);

    GameConnection::Hooks link;
    link.message = [this](std::string_view word, std::string_view payload) {
        dispatch(word, payload);
    };
    link.closed = [this] { connectionClosed(); };
    link.failed = [this](const QString& why, bool notFound, bool refused) {
        connectionFailed(why, notFound, refused);
    };
    link.rejoined = [this](const msg::SendLoginInfo& entry, const QString& text) {
        freshBoard();
        view_->model().sendloginfo(entry);
        status(text);
    };
    link.ended = [this](const QString& text, ExitStatus code, bool notice) {
        gameEnded(text, code, notice);
    };
    link.lost = [this](const QString& text) {
        gamestart_->hide();
        status(text);
    };
    link.retryClicked = [this] {
        if (ended_)
            tryAgain();
    };
    connection_ = new GameConnection(std::move(link), centralWidget(), view_->board(), this);
    setupEnding();

    view_->board()->driveModel(view_->model());
    // Escape in the chat input gives the keyboard back to the board.
    connect(view_->chat().mychat(), &ChatInput::escapePressed, view_->board(),
            [this] { view_->board()->setFocus(Qt::OtherFocusReason); });
    connect(view_->board(), &BoardWidget::startClicked, this, &MainWindow::openGameOptions);
    connect(view_->board(), &BoardWidget::nameLabelContextMenu, this, &MainWindow::nameLabelMenu);
    connect(view_->board(), &BoardWidget::logoClicked, this, &MainWindow::openWebsite);

    buildMenus();
    // The default geometry, also what "Reset Screen Location" restores.
    prefs_->applyGeometry(kDefaultGeometry);

    if (const auto error = prefs_->loadTally())
        QTimer::singleShot(0, this, [this, text = *error] { hostNotice(text); });
    view_->model().setOwnLightyears(prefs_->tally().ownLightyears());
    changed();
}

void MainWindow::createWindows() {
    // Start-up order after the main window: about, spectator list, help,
    // game options, phrases, tally list, host server, download.
    about_ = new AboutWindow(this);
    spylist_ = new WatcherList(this);
    spylist_->setKick([this](int seat) { view_->removeFromGame(seat); });
    help_ = new HelpWindow(this);
    connect(help_, &HelpWindow::aboutRequested, about_, &AboutWindow::openAbout);
    gamestart_ = new GameOptionsDialog(this);
    connect(gamestart_, &GameOptionsDialog::startRequested, this,
            [this](const std::string& message) {
                connection_->client()->send(message);
                prefs_->save();
            });
    phrases_ = new PhrasesWindow(
        view_->chat(),
        [this](const PhraseTexts& texts) {
            prefs_->saveWith([this, &texts] { return savePhrasesFile(prefs_->iniPath(), texts); });
        },
        this);
    tallylist_ = new TallyWindow(prefs_->tally(), this);
    connect(tallylist_, &TallyWindow::ownTotalsReset, this,
            [this] { view_->model().setOwnLightyears(prefs_->tally().ownLightyears()); });
    makeServer();
    download_ = new DownloadWindow(this);
    download_->setEndGame([this] { close(); });

    NetworkDialogs::Hooks dialogs;
    dialogs.solo = [this] { playSolo(); };
    dialogs.lobby = [this] {
        if (!findPlayersOnline())
            net_->openStartWindow();
    };
    dialogs.host = [this](const QString& name, int port, bool internet) {
        hostFromDialog(name, port, internet);
    };
    dialogs.join = [this](const QString& name, const HostPort& where) {
        joinFromDialog(name, where);
    };
    dialogs.idle = [this] {
        return !server_->isListening() && !connection_->client()->isConnected();
    };
    dialogs.stopNetwork = [this] { stopNetwork(); };
    dialogs.status = [this](const QString& text) { status(text); };
    dialogs.save = [this](const NetworkChoices& choices) {
        prefs_->saveWith(
            [this, &choices] { return saveNetworkChoicesFile(prefs_->iniPath(), choices); });
    };
    net_ = new NetworkDialogs(loadNetworkChoicesFile(prefs_->iniPath()), std::move(dialogs), this);
    portmap_ = new PortMapper(this);
    connect(portmap_, &PortMapper::finished, this, [this](bool ok, const QString& sentence) {
        QStringList addresses = lanAddresses(options_.port);
        QString line;
        if (ok) {
            addresses.append(sentence);
            line = QStringLiteral("Your router forwards port %1 to this computer: friends on the "
                                  "internet join at %2.")
                       .arg(options_.port)
                       .arg(sentence);
        } else {
            line = sentence + QStringLiteral(" Friends on your network can still join. For "
                                             "friends on the internet, forward TCP port %1 to "
                                             "this computer in your router's settings.")
                                  .arg(options_.port);
        }
        // Chat lines read the text before their first colon as a name; the
        // addresses keep theirs after it.
        status(QStringLiteral("Router: ") + line);
        net_->hostDialog()->hosted(addresses, line);
    });
    announcer_ = new LanAnnouncer(
        [this] { return server_->announcement(announceId_, options_.playername); }, this);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    QTimer::singleShot(0, this, &MainWindow::startFromLaunchLine);
}

void MainWindow::startFromLaunchLine() {
    menus_->setStartGameEnabled(false);
    view_->model().state().playername = options_.playername;
    switch (options_.mode) {
    case LaunchMode::Solo:
        status(QStringLiteral("Loading Solo Game..Please wait."));
        if (const QString url = lobbyUrl(); !url.isEmpty()) {
            download_->setDownloadUrl(QUrl(url));
            download_->openDownload();
        } else
            net_->openStartWindow();
        startHosting();
        break;
    case LaunchMode::Host:
    case LaunchMode::Join:
        status(QStringLiteral("Loading Multi-player Game.. Please Wait."));
        if (options_.mode == LaunchMode::Host)
            startHosting();
        else
            joinFromLaunchLine();
        // The lobby that started this game says where it listens.
        lobbyLink.connectToHost(
            QStringLiteral("127.0.0.1"),
            static_cast<quint16>(lobbyLinkPort(std::getenv("DRIFTWAKE_LOBBY_LINK_PORT"))));
        break;
    case LaunchMode::Unconnected:
        status(QStringLiteral("Loading Multi-player Game.. Please Wait."));
        break;
    case LaunchMode::Headless:
    case LaunchMode::FindGames:
    case LaunchMode::OpenPort:
    case LaunchMode::Fetch:
    case LaunchMode::Help:
        break;
    }
}

void MainWindow::startHosting() {
    QString error;
    if (!startHosting(&error))
        fatal(error);
}

bool MainWindow::startHosting(QString* error) {
    // A solo game keeps to this machine, and takes any free port when its
    // own is taken (by another copy, say): nobody else joins it.
    const bool solo = options_.mode == LaunchMode::Solo;
    if (!(solo ? server_->listenPrivately(quint16(options_.port), error)
               : server_->listen(quint16(options_.port), error)))
        return false;
    view_->model().setHosting();
    spylist_->setHosting(true);
    menus_->setHosting(true);
    connection_->connectTo(QStringLiteral("127.0.0.1"), server_->port());
    menus_->setStartGameEnabled(true);
    // A solo game keeps to itself; a hosted one tells the LAN.
    if (options_.mode == LaunchMode::Host && options_.announce)
        startAnnouncing();
    changed();
    return true;
}

void MainWindow::joinFromLaunchLine() {
    // The host may carry its port: "example.org:7790", "[::1]:7790".
    if (const auto where = parseHostPort(options_.hostaddress, options_.port))
        connection_->connectTo(QString::fromStdString(where->host), quint16(where->port));
    else
        connection_->connectTo(QString::fromStdString(options_.hostaddress),
                               quint16(options_.port));
}

void MainWindow::fatal(const QString& text) {
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    QMessageBox::critical(plainParent(this), QStringLiteral("Driftwake"), text);
    QCoreApplication::exit(1);
}

// The commands of the window itself; the board model handles the game's.
void MainWindow::dispatch(std::string_view word, std::string_view payload) {
    using Handler = void (MainWindow::*)(std::string_view);
    struct Entry {
        std::string_view word;
        Handler handler;
    };
    static constexpr std::array<Entry, 4> table{{
        {msg::Full::kWord, &MainWindow::on<msg::Full, &MainWindow::full>},
        {msg::SeatKey::kWord, &MainWindow::on<msg::SeatKey, &MainWindow::keepSeatKey>},
        {msg::HostClosing::kWord, &MainWindow::on<msg::HostClosing, &MainWindow::hostEnding>},
        {msg::Removed::kWord, &MainWindow::on<msg::Removed, &MainWindow::removed>},
    }};
    // The host answered a join from the dialog.
    net_->hostAnswered();
    if (view_->showMessage(word, payload))
        return;
    for (const Entry& e : table) {
        if (e.word == word) {
            (this->*e.handler)(payload);
            return;
        }
    }
    // The game of a connection that is still rejoining is not this
    // client's yet.
    if (connection_->rejoinPlan().rejoining())
        return;
    view_->model().handleCommand(word, payload);
    // A new game hands the keyboard to the board.
    if (word == msg::StartGameAnnounce::kWord && !view_->chat().mychat()->hasFocus())
        view_->board()->setFocus(Qt::OtherFocusReason);
}

template <class M, void (MainWindow::*Handle)(const M&)>
void MainWindow::on(std::string_view payload) {
    if (const std::optional<M> m = M::decode(payload))
        (this->*Handle)(*m);
}

void MainWindow::full(const msg::Full&) {
    if (connection_->fullWhileRejoining())
        return;
    if (net_->joining()) {
        net_->joinFailed(QStringLiteral("Game is full"));
        return;
    }
    showInformation(this, QStringLiteral("Driftwake"), QStringLiteral("Game is full"));
    close();
}

// ---------------------------------------------------------------- board events

void MainWindow::send(const std::string& message) {
    connection_->client()->send(message);
}

void MainWindow::changed() {
    view_->board()->refresh();
    // The host's controls follow the host's rights.
    const bool rights = view_->model().state().ishost;
    if (menus_)
        menus_->setStartGameEnabled(rights);
    if (spylist_)
        spylist_->setHosting(rights);
    if (menus_)
        menus_->checkJustWatch(view_->model().view().justWatchChecked);
    updateNetworkMenu();
}

void MainWindow::status(const QString& text) {
    view_->status(text);
}

void MainWindow::hostNotice(const QString& text) {
    // One notice window collects the latest host notices, so a burst of
    // refused plays never piles up dialogs.
    constexpr int kNoticeLines = 6;
    noticeLines_.append(text);
    while (noticeLines_.size() > kNoticeLines)
        noticeLines_.removeFirst();
    if (!notice_) {
        notice_ = new QMessageBox(QMessageBox::Information, QStringLiteral("Driftwake"), QString(),
                                  QMessageBox::Ok, plainParent(this));
        notice_->setTextFormat(Qt::PlainText);
        notice_->setModal(false);
        notice_->setAttribute(Qt::WA_DeleteOnClose);
        connect(notice_, &QMessageBox::finished, this, [this] { noticeLines_.clear(); });
    }
    notice_->setText(noticeLines_.join(QLatin1Char('\n')));
    notice_->show();
}

} // namespace dw
