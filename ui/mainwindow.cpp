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
#include "ui/gameoptionsdialog.h"
#include "ui/helpwindow.h"
#include "ui/messagebox.h"
#include "ui/netdialogs.h"
#include "ui/phraseswindow.h"
#include "ui/scaling.h"
#include "ui/showwindow.h"
#include "ui/sounds.h"
#include "ui/spectatorlist.h"
#include "ui/tallywindow.h"
#include "ui/website.h"

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

Q_LOGGING_CATEGORY(lcStatus, "driftwake.status", QtWarningMsg)

namespace dw {

namespace {

// How long a join from the join dialog waits for the host's answer.
constexpr int kJoinTimeoutMs = 10000;

QString qtext(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

MainWindow::MainWindow(const LaunchOptions& options, QWidget* parent)
    : QMainWindow(parent), options_(options), dataDir_(dw::dataDirectory()) {
    buildWindow();
    createWindows();
}

MainWindow::~MainWindow() {
    // Hidden first: a board that loses the keyboard while its children are
    // destroyed would read the model, which is gone by then.
    hide();
    // Ended without closing the window (by a signal): nobody is left to see
    // a message box, so a failure only goes to standard error.
    saveTally(false);
}

void MainWindow::buildWindow() {
    setWindowTitle(QStringLiteral("Driftwake"));
    model_ = std::make_unique<BoardModel>(static_cast<BoardEvents&>(*this));

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("panel_board"));
    central->setAutoFillBackground(true);
    QPalette pal = central->palette();
    pal.setColor(QPalette::Window, Qt::black);
    central->setPalette(pal);
    central->setMinimumSize(kMinClientWidth, kMinClientHeight);
    setCentralWidget(central);

    board_ = new BoardWidget(*model_, central);
    board_->move(0, 0);
    central->installEventFilter(this);
    sounds_ = new SoundPlayer(this);
    ChatPane::Hooks hooks;
    hooks.send = [this](const std::string& m) { send(m); };
    hooks.myseat = [this] { return model_->state().myseat; };
    hooks.loggedin = [this] { return model_->state().loggedin; };
    hooks.seatName = [this](int seat) -> std::optional<QString> {
        if (seat < 1 || seat > kPlayingSeats)
            return std::nullopt;
        return QString::fromStdString(model_->view().seats[std::size_t(seat)].name);
    };
    chat_ = new ChatPane(board_, std::move(hooks), sounds_, this);

    makeConnection();
    setupRejoining();
    choices_ = loadNetworkChoicesFile(iniPath());
    joinTimer_.setSingleShot(true);
    joinTimer_.setInterval(kJoinTimeoutMs);
    connect(&joinTimer_, &QTimer::timeout, this, [this] {
        joinFailed(
            QStringLiteral("%1 did not answer within 10 seconds. Check the address, and "
                           "ask your friend whether the game is still open and the port "
                           "reachable.")
                .arg(QString::fromStdString(formatHostPort(joinTarget_.host, joinTarget_.port))));
    });

    board_->driveModel(*model_);
    // Escape in the chat input gives the keyboard back to the board.
    connect(chat_->mychat(), &ChatInput::escapePressed, board_,
            [this] { board_->setFocus(Qt::OtherFocusReason); });
    connect(board_, &BoardWidget::startClicked, this, &MainWindow::openGameOptions);
    connect(board_, &BoardWidget::nameLabelContextMenu, this, &MainWindow::nameLabelMenu);
    connect(board_, &BoardWidget::logoClicked, this, &MainWindow::openWebsite);

    buildMenus();
    // The default geometry, also what "Reset Screen Location" restores.
    applyGeometry(kDefaultGeometry);

    const QString tallyPath = QDir(dataDir_).filePath(QString::fromStdString(tallyFileName()));
    if (auto error = tally_.load(tallyPath.toStdString())) {
        // The tally starts afresh; the file that could not be read is kept
        // aside rather than overwritten at the end of the run.
        QString text = QString::fromStdString(*error);
        const QString kept = tallyPath + QStringLiteral(".damaged");
        QFile::remove(kept);
        if (QFile::rename(tallyPath, kept))
            text += QStringLiteral("\nThe unreadable tally was kept as ") + kept;
        QTimer::singleShot(0, this, [this, text] { hostNotice(text); });
    }
    model_->setOwnLightyears(tally_.ownLightyears());
    changed();
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    StartGame1 = file->addAction(QStringLiteral("Start Game"), this, &MainWindow::openGameOptions);
    StartGame1->setObjectName(QStringLiteral("StartGame1"));
    StartGame1->setEnabled(false);
    file->addSeparator();
    HostGame1 =
        file->addAction(QStringLiteral("Host a Network Game…"), this, &MainWindow::hostGame);
    HostGame1->setObjectName(QStringLiteral("HostGame1"));
    JoinGame1 =
        file->addAction(QStringLiteral("Join a Network Game…"), this, &MainWindow::joinGame);
    JoinGame1->setObjectName(QStringLiteral("JoinGame1"));
    file->addAction(QStringLiteral("Find Players Online…"), this, &MainWindow::findPlayersOnline)
        ->setObjectName(QStringLiteral("FindPlayers1"));
    file->addSeparator();
    file->addAction(QStringLiteral("Exit"), this, &QWidget::close)
        ->setObjectName(QStringLiteral("Exit1"));

    QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
    PlaySounds1 = options->addAction(QStringLiteral("Play Sounds"));
    PlayerPhraseSounds1 = options->addAction(QStringLiteral("Player Phrase Sounds"));
    PlaySounds1->setObjectName(QStringLiteral("PlaySounds1"));
    PlayerPhraseSounds1->setObjectName(QStringLiteral("PlayerPhraseSounds1"));
    for (QAction* a : {PlaySounds1, PlayerPhraseSounds1}) {
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::triggered, this, [this] {
            chat_->setPlayerPhraseSounds(PlayerPhraseSounds1->isChecked());
            saveinifile();
        });
    }
    QMenu* botSpeed = options->addMenu(QStringLiteral("Bot Speed"));
    auto* botGroup = new QActionGroup(this);
    const std::array<const char*, 3> botCaptions{"Slow", "Normal", "Fast"};
    for (std::size_t i = 0; i < kBotSpeeds.size(); ++i) {
        QAction* a = botSpeed->addAction(QString::fromLatin1(botCaptions[i]));
        a->setObjectName(QString::fromLatin1(botCaptions[i]) + QLatin1Char('1'));
        a->setCheckable(true);
        botGroup->addAction(a);
        botSpeedItems_[i] = a;
        connect(a, &QAction::triggered, this, [this, i] {
            setBotSpeed(kBotSpeeds[i]);
            saveinifile();
        });
    }
    botSpeedItems_[1]->setChecked(true);
    ComputerPilots1 = options->addMenu(QStringLiteral("Computer Pilots"));
    ComputerPilots1->setObjectName(QStringLiteral("ComputerPilots1"));
    ComputerPilots1->setEnabled(false);
    auto* pilotGroup = new QActionGroup(this);
    for (std::size_t i = 0; i < kPilotLevels.size(); ++i) {
        const PilotLevel level = kPilotLevels[i];
        QAction* a = ComputerPilots1->addAction(
            level == PilotLevel::Expert ? QStringLiteral("Expert") : QStringLiteral("Classic"));
        a->setObjectName(a->text() + QLatin1Char('1'));
        a->setCheckable(true);
        pilotGroup->addAction(a);
        pilotLevelItems_[i] = a;
        connect(a, &QAction::triggered, this, [this, level] {
            setPilotLevel(level);
            saveinifile();
        });
    }
    pilotLevelItems_[0]->setChecked(true);
    options->addSeparator();
    options->addAction(QStringLiteral("Text Color"), this, &MainWindow::chooseTextColour)
        ->setObjectName(QStringLiteral("TextColor1"));
    QMenu* textSize = options->addMenu(QStringLiteral("Text Size"));
    for (std::size_t i = 0; i < kTextSizes.size(); ++i) {
        QAction* a = textSize->addAction(QString::number(kTextSizes[i]));
        a->setObjectName(QStringLiteral("N%1").arg(kTextSizes[i]));
        a->setCheckable(true);
        textSizeItems_[i] = a;
        connect(a, &QAction::triggered, this, [this, i] {
            setTextSize(kTextSizes[i]);
            saveinifile();
        });
    }
    options->addAction(chat_->mainchat()->scrollChatOffAction());
    options->addAction(chat_->mainchat()->clearMainChatAction());
    options
        ->addAction(QStringLiteral("Reset Screen Location"), this, &MainWindow::resetScreenLocation)
        ->setObjectName(QStringLiteral("ResetScreenLocation1"));
    options->addSeparator();
    justWatchAction =
        options->addAction(QStringLiteral("Just Watch"), this, &MainWindow::justWatch);
    justWatchAction->setObjectName(QStringLiteral("justWatchAction"));
    justWatchAction->setCheckable(true);

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    view->addAction(QStringLiteral("View Tally"), this,
                    [this] { tallylist_->openTally(otherSeatNames()); })
        ->setObjectName(QStringLiteral("ViewTally1"));
    view->addAction(QStringLiteral("Spy List"), this, [this] { spylist_->openSpyList(); })
        ->setObjectName(QStringLiteral("SpyList1"));
    view->addAction(QStringLiteral("Phrase List"), this, [this] { phrases_->openPhrases(); })
        ->setObjectName(QStringLiteral("PrhaseList1"));
    view->addSeparator();
    fullScreen_ = view->addAction(QStringLiteral("Full Screen"), this, [this](bool on) {
        if (on)
            showFullScreen();
        else
            showNormal();
    });
    fullScreen_->setObjectName(QStringLiteral("FullScreen1"));
    fullScreen_->setCheckable(true);
    fullScreen_->setShortcut(QKeySequence(Qt::Key_F11));
    QAction* actual = view->addAction(QStringLiteral("Actual Size"), this, &MainWindow::actualSize);
    actual->setObjectName(QStringLiteral("ActualSize1"));
    actual->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    QAction* content =
        help->addAction(QStringLiteral("Content"), this, [this] { help_->openHelp(); });
    content->setObjectName(QStringLiteral("Help2"));
    content->setShortcut(QKeySequence(Qt::Key_F1));
    QAction* quick = help->addAction(QStringLiteral("Quick Instructions"), board_,
                                     &BoardWidget::showQuickInstructions);
    quick->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    help->addSeparator();
    help->addAction(QStringLiteral("About"), this, [this] { about_->openAbout(); })
        ->setObjectName(QStringLiteral("About1"));

    popup_kick = new QMenu(this);
    RemoveFromGame1 = popup_kick->addAction(QStringLiteral("Remove From Game"), this,
                                            [this] { kicking(popupSeat_); });
    SettoJustWatch1 = popup_kick->addAction(QStringLiteral("Set to Just Watch"), this,
                                            [this] { model_->setToJustWatch(popupSeat_); });
    UnsetJustWatch1 = popup_kick->addAction(QStringLiteral("Unset Just Watch"), this,
                                            [this] { model_->unsetJustWatch(popupSeat_); });
}

void MainWindow::createWindows() {
    // Start-up order after the main window: about, spectator list, help,
    // game options, phrases, tally list, host server, download.
    about_ = new AboutWindow(this);
    spylist_ = new SpectatorList(this);
    spylist_->setKick([this](int seat) { kicking(seat); });
    help_ = new HelpWindow(this);
    connect(help_, &HelpWindow::aboutRequested, about_, &AboutWindow::openAbout);
    gamestart_ = new GameOptionsDialog(this);
    connect(gamestart_, &GameOptionsDialog::startRequested, this,
            [this](const std::string& message) {
                conn_->send(message);
                saveinifile();
            });
    phrases_ = new PhrasesWindow(
        *chat_,
        [this](const PhraseTexts& texts) {
            saveSettings([this, &texts] { return savePhrasesFile(iniPath(), texts); });
        },
        this);
    tallylist_ = new TallyWindow(tally_, this);
    connect(tallylist_, &TallyWindow::ownTotalsReset, this,
            [this] { model_->setOwnLightyears(tally_.ownLightyears()); });
    makeServer();
    download_ = new DownloadWindow(this);
    download_->setEndGame([this] { close(); });

    startWindow_ = new StartWindow(this);
    connect(startWindow_, &StartWindow::soloChosen, this, &MainWindow::playSolo);
    connect(startWindow_, &StartWindow::hostChosen, this, &MainWindow::openHostDialog);
    connect(startWindow_, &StartWindow::joinChosen, this, [this] { openJoinDialog(); });
    connect(startWindow_, &StartWindow::lobbyChosen, this, [this] {
        if (!findPlayersOnline())
            openStartWindow();
    });
    hostDialog_ = new HostDialog(this);
    connect(hostDialog_, &HostDialog::hostRequested, this, &MainWindow::hostFromDialog);
    joinDialog_ = new JoinDialog(this);
    connect(joinDialog_, &JoinDialog::joinRequested, this, &MainWindow::joinFromDialog);
    connecting_ = new ConnectingWindow(this);
    connect(connecting_, &ConnectingWindow::cancelled, this, &MainWindow::cancelJoin);
    // Backing out of a dialog with the network side stopped offers the
    // choices again rather than leaving an empty board.
    for (QDialog* d : {static_cast<QDialog*>(hostDialog_), static_cast<QDialog*>(joinDialog_)})
        connect(d, &QDialog::rejected, this, [this] {
            if (!server_->isListening() && !conn_->isConnected() && !dialogJoin_)
                openStartWindow();
        });
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
        hostDialog_->hosted(addresses, line);
    });
    announcer_ = new LanAnnouncer(
        [this] { return server_->announcement(announceId_, options_.playername); }, this);
}

void MainWindow::makeServer() {
    if (server_) {
        server_->disconnect(this);
        // At once, so that its port is free for the next host server.
        delete server_;
    }
    server_ = new HostServer([this] { return botDelay(); }, clockSeed(), this);
    server_->setTimerScale(options_.timerScale);
    connect(server_, &HostServer::diagnosticRaised, this, &MainWindow::hostNotice);
    server_->core().engine().setPilotLevel(settings_.pilotLevel);
}

void MainWindow::makeConnection() {
    if (conn_) {
        conn_->disconnect(this);
        conn_->setHandler({});
        // Closed now, not when the object goes: the next connection never
        // runs beside it.
        conn_->abort();
        conn_->deleteLater();
    }
    conn_ = new ClientConnection(this);
    conn_->setHandler([this](std::string_view m) { dispatch(m); });
    connect(conn_, &ClientConnection::closed, this, [this] {
        if (dialogJoin_ && !model_->state().loggedin) {
            joinFailed(QStringLiteral("%1 closed the connection before letting you in.")
                           .arg(QString::fromStdString(
                               formatHostPort(joinTarget_.host, joinTarget_.port))));
            return;
        }
        connectionClosed();
    });
    connect(conn_, &ClientConnection::failed, this, [this](const QString& why, bool notFound) {
        if (rejoin_.rejoining()) {
            rejoin_.attemptFailed(conn_->lastError() == QAbstractSocket::ConnectionRefusedError);
            armRejoin();
            return;
        }
        if (dialogJoin_) {
            const QString where =
                QString::fromStdString(formatHostPort(joinTarget_.host, joinTarget_.port));
            const QString host = QString::fromStdString(joinTarget_.host);
            if (notFound)
                joinFailed(QStringLiteral("No computer called \"%1\" was found. Check the "
                                          "spelling of the address.")
                               .arg(host));
            else if (conn_->lastError() == QAbstractSocket::ConnectionRefusedError)
                joinFailed(QStringLiteral("%1 refused the connection: no game is open on port "
                                          "%2 there.")
                               .arg(host)
                               .arg(joinTarget_.port));
            else
                joinFailed(QStringLiteral("Cannot connect to %1: %2.").arg(where, why));
            return;
        }
        if (notFound)
            fatal(QStringLiteral("Cannot find the host \"%1\": %2")
                      .arg(QString::fromStdString(options_.hostaddress), why));
        else
            status(QStringLiteral("Cannot connect to the host: ") + why);
    });
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    QTimer::singleShot(0, this, &MainWindow::processparams);
}

void MainWindow::processparams() {
    StartGame1->setEnabled(false);
    model_->state().playername = options_.playername;
    switch (options_.mode) {
    case LaunchMode::Solo:
        status(QStringLiteral("Loading Solo Game..Please wait."));
        if (const QString url = lobbyUrl(); !url.isEmpty()) {
            download_->setDownloadUrl(QUrl(url));
            download_->openDownload();
        } else
            openStartWindow();
        hostpress();
        break;
    case LaunchMode::Host:
    case LaunchMode::Join:
        status(QStringLiteral("Loading Multi-player Game.. Please Wait."));
        if (options_.mode == LaunchMode::Host)
            hostpress();
        else
            joinpress();
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

void MainWindow::hostpress() {
    QString error;
    if (!hostpress(&error))
        fatal(error);
}

bool MainWindow::hostpress(QString* error) {
    // A solo game keeps to this machine, and takes any free port when its
    // own is taken (by another copy, say): nobody else joins it.
    const bool solo = options_.mode == LaunchMode::Solo;
    if (!(solo ? server_->listenPrivately(quint16(options_.port), error)
               : server_->listen(quint16(options_.port), error)))
        return false;
    model_->setHosting();
    spylist_->setHosting(true);
    ComputerPilots1->setEnabled(true);
    connectClient(QStringLiteral("127.0.0.1"), server_->port());
    StartGame1->setEnabled(true);
    // A solo game keeps to itself; a hosted one tells the LAN.
    if (options_.mode == LaunchMode::Host && options_.announce)
        startAnnouncing();
    changed();
    return true;
}

void MainWindow::joinpress() {
    // The host may carry its port: "example.org:7790", "[::1]:7790".
    if (const auto where = parseHostPort(options_.hostaddress, options_.port))
        connectClient(QString::fromStdString(where->host), quint16(where->port));
    else
        connectClient(QString::fromStdString(options_.hostaddress), quint16(options_.port));
}

void MainWindow::connectClient(const QString& host, quint16 port) {
    connHost_ = host;
    connPort_ = port;
    conn_->connectToHost(host, port);
}

void MainWindow::fatal(const QString& text) {
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    QMessageBox::critical(plainParent(this), QStringLiteral("Driftwake"), text);
    QCoreApplication::exit(1);
}

// The commands of the window itself; the board model handles the game's.
void MainWindow::dispatch(std::string_view message) {
    using Handler = void (MainWindow::*)(std::string_view);
    struct Entry {
        std::string_view word;
        Handler handler;
    };
    static constexpr std::array<Entry, 9> table{{
        {msg::Chat::kWord, &MainWindow::on<msg::Chat, &MainWindow::chatReceived>},
        {msg::Action::kWord, &MainWindow::on<msg::Action, &MainWindow::chatReceived>},
        {msg::PlayASound::kWord, &MainWindow::on<msg::PlayASound, &MainWindow::playasound>},
        {msg::HaveWrongVersion::kWord,
         &MainWindow::on<msg::HaveWrongVersion, &MainWindow::havewrongversion>},
        {msg::WrongVersion::kWord, &MainWindow::on<msg::WrongVersion, &MainWindow::wrongversion>},
        {msg::Full::kWord, &MainWindow::on<msg::Full, &MainWindow::full>},
        {msg::SeatKey::kWord, &MainWindow::on<msg::SeatKey, &MainWindow::seatkey>},
        {msg::HostClosing::kWord, &MainWindow::on<msg::HostClosing, &MainWindow::hostclosing>},
        {msg::Removed::kWord, &MainWindow::on<msg::Removed, &MainWindow::removed>},
    }};
    const Command c = splitCommand(message);
    if (c.word.empty() || rejoinMessage(c))
        return;
    if (joinTimer_.isActive()) {
        // The host answered: it goes first in the recent hosts.
        joinTimer_.stop();
        connecting_->hide();
        const std::string typed = joinTarget_.port == kDefaultPort
                                      ? joinTarget_.host
                                      : formatHostPort(joinTarget_.host, joinTarget_.port);
        choices_.recentHosts = rememberHost(choices_.recentHosts, typed);
        saveChoices();
    }
    for (const Entry& e : table) {
        if (e.word == c.word) {
            (this->*e.handler)(c.payload);
            return;
        }
    }
    // The game of a connection that is still rejoining is not this
    // client's yet.
    if (rejoin_.rejoining())
        return;
    model_->handleCommand(c.word, c.payload);
    // A new game hands the keyboard to the board.
    if (c.word == msg::StartGameAnnounce::kWord && !chat_->mychat()->hasFocus())
        board_->setFocus(Qt::OtherFocusReason);
}

template <class M, void (MainWindow::*Handle)(const M&)>
void MainWindow::on(std::string_view payload) {
    if (const std::optional<M> m = M::decode(payload))
        (this->*Handle)(*m);
}

void MainWindow::chatReceived(const msg::Chat& m) {
    showLine(chatLine(m));
}

void MainWindow::chatReceived(const msg::Action& m) {
    showLine(chatLine(m));
}

void MainWindow::showLine(const ChatLine& line) {
    chat_->mainchat()->addLine(line);
    const ChatLineParts parts = chatLineParts(line);
    qCInfo(lcStatus).noquote() << "chat" << qtext(logText(parts.name + parts.words));
}

void MainWindow::playasound(const msg::PlayASound& m) {
    chat_->playasound(m.seat, m.sound);
}

void MainWindow::havewrongversion(const msg::HaveWrongVersion& m) {
    status(qtext(m.name) + QStringLiteral(" has a different version of the game then you."));
}

void MainWindow::wrongversion(const msg::WrongVersion&) {
    status(QStringLiteral("You have a differnt version of the game then the host."));
}

void MainWindow::full(const msg::Full&) {
    if (rejoin_.rejoining()) {
        // Entries may free up before the time for rejoining is over.
        rejoin_.attemptFailed();
        makeConnection();
        armRejoin();
        return;
    }
    if (dialogJoin_) {
        joinFailed(QStringLiteral("Game is full"));
        return;
    }
    showInformation(this, QStringLiteral("Driftwake"), QStringLiteral("Game is full"));
    close();
}

// ---------------------------------------------------------------- board events

void MainWindow::log(const std::string& line) {
    board_->appendLog(displayQText(line));
    qCInfo(lcStatus).noquote() << "log" << QString::fromStdString(line);
}

void MainWindow::notice(const std::string& text) {
    showLine({ChatLine::Kind::Notice, 0, {}, text, kStatusColour});
}

void MainWindow::sound(const std::string& name) {
    if (PlaySounds1->isChecked())
        sounds_->play(QString::fromStdString(name));
}

void MainWindow::send(const std::string& message) {
    conn_->send(message);
}

void MainWindow::setOwnTallyCell(int column, const std::string& value) {
    tallylist_->setOwnTallyCell(column, value);
}

void MainWindow::addgame(const std::string& result) {
    tallylist_->addgame(result, otherSeatNames());
}

std::vector<std::string> MainWindow::otherSeatNames() const {
    std::vector<std::string> others;
    for (int seat = 1; seat <= kPlayingSeats; ++seat)
        if (seat != model_->state().myseat)
            others.push_back(model_->view().seats[std::size_t(seat)].name);
    return others;
}

void MainWindow::spyAdded(const std::string& item) {
    spylist_->addSpy(QString::fromStdString(item));
}

void MainWindow::spyRemoved(const std::string& item) {
    spylist_->removeSpy(QString::fromStdString(item));
}

void MainWindow::loadSettings() {
    loadinifile();
}

void MainWindow::changed() {
    board_->refresh();
    // The host's controls follow the host's rights.
    const bool rights = model_->state().ishost;
    if (StartGame1)
        StartGame1->setEnabled(rights);
    if (spylist_)
        spylist_->setHosting(rights);
    justWatchAction->setChecked(model_->view().justWatchChecked);
    updateNetworkMenu();
}

void MainWindow::status(const QString& text) {
    notice(text.toStdString());
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

// ---------------------------------------------------------------- menus and controls

void MainWindow::openGameOptions() {
    if (!model_->state().loggedin) {
        showInformation(this, QStringLiteral("Driftwake"), QStringLiteral("You are not connected"));
        return;
    }
    gamestart_->setPlayerName(model_->state().playername);
    gamestart_->show();
    gamestart_->raise();
}

void MainWindow::justWatch() {
    // The check mark follows the host's answer, not the click.
    justWatchAction->setChecked(model_->view().justWatchChecked);
    model_->justWatch();
}

void MainWindow::chooseTextColour() {
    const Rgb now = colourToRgb(chat_->chatColour());
    const QColor chosen = QColorDialog::getColor(QColor(now.red, now.green, now.blue), this,
                                                 QStringLiteral("Text Color"));
    if (!chosen.isValid())
        return;
    chat_->setChatColour(colourFromRgb(
        {std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue())}));
    saveinifile();
}

void MainWindow::resetScreenLocation() {
    applyGeometry(kDefaultGeometry);
}

void MainWindow::nameLabelMenu(int seat, QPoint globalPos) {
    const bool host = model_->state().ishost;
    RemoveFromGame1->setEnabled(host && model_->view().seats[std::size_t(seat)].name != kWaiting);
    SettoJustWatch1->setEnabled(host);
    UnsetJustWatch1->setEnabled(host);
    popupSeat_ = seat;
    popup_kick->popup(globalPos);
}

void MainWindow::kicking(int seat) {
    const ClientState& s = model_->state();
    if (!s.ishost || !s.loggedin)
        return;
    // The name the board or the spectator list shows for the seat.
    QString name = QStringLiteral("the pilot of seat %1").arg(seat);
    if (seat >= 1 && seat <= kPlayingSeats) {
        name = qtext(displayText(model_->view().seats[std::size_t(seat)].name));
    } else {
        const std::string prefix = std::to_string(seat) + ": ";
        for (const std::string& spy : model_->spies())
            if (spy.rfind(prefix, 0) == 0)
                name = qtext(displayText(std::string_view(spy).substr(prefix.size())));
    }
    QMessageBox ask(QMessageBox::Question, QStringLiteral("Driftwake"),
                    QStringLiteral("Remove %1 from the game?").arg(name),
                    QMessageBox::Yes | QMessageBox::No, plainParent(this));
    ask.setObjectName(QStringLiteral("removeQuestion"));
    ask.setTextFormat(Qt::PlainText); // a name is never markup
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes)
        return;
    // The host may have changed hands while the question was open.
    if (model_->state().ishost && model_->state().loggedin)
        send(msg::KickHim{model_->state().myseat, seat}.encode());
}

void MainWindow::openWebsite() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerWebAddress)));
}

} // namespace dw
