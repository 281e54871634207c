#include "ui/tchat.h"

#include "client/chatline.h"
#include "client/clientconn.h"
#include "host/lan.h"
#include "host/portmapper.h"
#include "host/tserver.h"
#include "store/colours.h"
#include "store/datadir.h"
#include "text/plaintextqt.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/chatview.h"
#include "ui/messagebox.h"
#include "ui/netdialogs.h"
#include "ui/scaling.h"
#include "ui/showwindow.h"
#include "ui/sounds.h"
#include "ui/tabout.h"
#include "ui/tdownload.h"
#include "ui/tgamestart.h"
#include "ui/thelp.h"
#include "ui/tphrases.h"
#include "ui/tspylist.h"
#include "ui/ttallylist.h"
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

Tchat::Tchat(const LaunchOptions& options, QWidget* parent)
    : QMainWindow(parent), options_(options), dataDir_(dw::dataDirectory()) {
    FormCreate();
    createWindows();
}

Tchat::~Tchat() {
    // Hidden first: a board that loses the keyboard while its children are
    // destroyed would read the model, which is gone by then.
    hide();
    // Ended without closing the window (by a signal): nobody is left to see
    // a message box, so a failure only goes to standard error.
    saveTally(false);
}

void Tchat::FormCreate() {
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
    connect(board_, &BoardWidget::startClicked, this, &Tchat::button_startClick);
    connect(board_, &BoardWidget::nameLabelContextMenu, this, &Tchat::nameLabelMenu);
    connect(board_, &BoardWidget::logoClicked, this, &Tchat::openWebsite);

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

void Tchat::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    StartGame1 = file->addAction(QStringLiteral("Start Game"), this, &Tchat::button_startClick);
    StartGame1->setObjectName(QStringLiteral("StartGame1"));
    StartGame1->setEnabled(false);
    file->addSeparator();
    HostGame1 =
        file->addAction(QStringLiteral("Host a Network Game…"), this, &Tchat::HostGame1Click);
    HostGame1->setObjectName(QStringLiteral("HostGame1"));
    JoinGame1 =
        file->addAction(QStringLiteral("Join a Network Game…"), this, &Tchat::JoinGame1Click);
    JoinGame1->setObjectName(QStringLiteral("JoinGame1"));
    file->addAction(QStringLiteral("Find Players Online…"), this, &Tchat::findPlayersOnline)
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
    options->addAction(QStringLiteral("Text Color"), this, &Tchat::TextColor1Click)
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
        ->addAction(QStringLiteral("Reset Screen Location"), this,
                    &Tchat::ResetScreenLocation1Click)
        ->setObjectName(QStringLiteral("ResetScreenLocation1"));
    options->addSeparator();
    JustWatch1 = options->addAction(QStringLiteral("Just Watch"), this, &Tchat::JustWatch1Click);
    JustWatch1->setObjectName(QStringLiteral("JustWatch1"));
    JustWatch1->setCheckable(true);

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
    QAction* actual = view->addAction(QStringLiteral("Actual Size"), this, &Tchat::actualSize);
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
                                            [this] { model_->SettoJustWatch1Click(popupSeat_); });
    UnsetJustWatch1 = popup_kick->addAction(QStringLiteral("Unset Just Watch"), this,
                                            [this] { model_->UnsetJustWatch1Click(popupSeat_); });
}

void Tchat::createWindows() {
    // Start-up order after the main window: about, spectator list, help,
    // game options, phrases, tally list, host server, download.
    about_ = new Tabout(this);
    spylist_ = new Tspylist(this);
    spylist_->setKick([this](int seat) { kicking(seat); });
    help_ = new Thelp(this);
    connect(help_, &Thelp::aboutRequested, about_, &Tabout::openAbout);
    gamestart_ = new Tgamestart(this);
    connect(gamestart_, &Tgamestart::startRequested, this, [this](const std::string& message) {
        conn_->send(message);
        saveinifile();
    });
    phrases_ = new Tphrases(
        *chat_,
        [this](const PhraseTexts& texts) {
            saveSettings([this, &texts] { return savePhrasesFile(iniPath(), texts); });
        },
        this);
    tallylist_ = new Ttallylist(tally_, this);
    connect(tallylist_, &Ttallylist::ownTotalsReset, this,
            [this] { model_->setOwnLightyears(tally_.ownLightyears()); });
    makeServer();
    download_ = new Tdownload(this);
    download_->setEndGame([this] { close(); });

    startWindow_ = new TStartWindow(this);
    connect(startWindow_, &TStartWindow::soloChosen, this, &Tchat::playSolo);
    connect(startWindow_, &TStartWindow::hostChosen, this, &Tchat::openHostDialog);
    connect(startWindow_, &TStartWindow::joinChosen, this, [this] { openJoinDialog(); });
    connect(startWindow_, &TStartWindow::lobbyChosen, this, [this] {
        if (!findPlayersOnline())
            openStartWindow();
    });
    hostDialog_ = new THostDialog(this);
    connect(hostDialog_, &THostDialog::hostRequested, this, &Tchat::hostFromDialog);
    joinDialog_ = new TJoinDialog(this);
    connect(joinDialog_, &TJoinDialog::joinRequested, this, &Tchat::joinFromDialog);
    connecting_ = new TConnectingWindow(this);
    connect(connecting_, &TConnectingWindow::cancelled, this, &Tchat::cancelJoin);
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

void Tchat::makeServer() {
    if (server_) {
        server_->disconnect(this);
        // At once, so that its port is free for the next host server.
        delete server_;
    }
    server_ = new TServer([this] { return botDelay(); }, clockSeed(), this);
    server_->setTimerScale(options_.timerScale);
    connect(server_, &TServer::diagnosticRaised, this, &Tchat::hostNotice);
    server_->core().engine().setPilotLevel(settings_.pilotLevel);
}

void Tchat::makeConnection() {
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

void Tchat::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    QTimer::singleShot(0, this, &Tchat::processparams);
}

void Tchat::processparams() {
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
        Sock11.connectToHost(
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

void Tchat::hostpress() {
    QString error;
    if (!hostpress(&error))
        fatal(error);
}

bool Tchat::hostpress(QString* error) {
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

void Tchat::joinpress() {
    // The host may carry its port: "example.org:7790", "[::1]:7790".
    if (const auto where = parseHostPort(options_.hostaddress, options_.port))
        connectClient(QString::fromStdString(where->host), quint16(where->port));
    else
        connectClient(QString::fromStdString(options_.hostaddress), quint16(options_.port));
}

void Tchat::connectClient(const QString& host, quint16 port) {
    connHost_ = host;
    connPort_ = port;
    conn_->connectToHost(host, port);
}

void Tchat::fatal(const QString& text) {
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    QMessageBox::critical(plainParent(this), QStringLiteral("Driftwake"), text);
    QCoreApplication::exit(1);
}

// The commands of the window itself; the board model handles the game's.
void Tchat::dispatch(std::string_view message) {
    using Handler = void (Tchat::*)(std::string_view);
    struct Entry {
        std::string_view word;
        Handler handler;
    };
    static constexpr std::array<Entry, 9> table{{
        {msg::Chat::kWord, &Tchat::on<msg::Chat, &Tchat::chatrecieved>},
        {msg::Action::kWord, &Tchat::on<msg::Action, &Tchat::chatrecieved>},
        {msg::PlayASound::kWord, &Tchat::on<msg::PlayASound, &Tchat::playasound>},
        {msg::HaveWrongVersion::kWord, &Tchat::on<msg::HaveWrongVersion, &Tchat::havewrongversion>},
        {msg::WrongVersion::kWord, &Tchat::on<msg::WrongVersion, &Tchat::wrongversion>},
        {msg::Full::kWord, &Tchat::on<msg::Full, &Tchat::full>},
        {msg::SeatKey::kWord, &Tchat::on<msg::SeatKey, &Tchat::seatkey>},
        {msg::HostClosing::kWord, &Tchat::on<msg::HostClosing, &Tchat::hostclosing>},
        {msg::Removed::kWord, &Tchat::on<msg::Removed, &Tchat::removed>},
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

template <class M, void (Tchat::*Handle)(const M&)> void Tchat::on(std::string_view payload) {
    if (const std::optional<M> m = M::decode(payload))
        (this->*Handle)(*m);
}

void Tchat::chatrecieved(const msg::Chat& m) {
    showLine(chatLine(m));
}

void Tchat::chatrecieved(const msg::Action& m) {
    showLine(chatLine(m));
}

void Tchat::showLine(const ChatLine& line) {
    chat_->mainchat()->addLine(line);
    const ChatLineParts parts = chatLineParts(line);
    qCInfo(lcStatus).noquote() << "chat" << qtext(logText(parts.name + parts.words));
}

void Tchat::playasound(const msg::PlayASound& m) {
    chat_->playasound(m.seat, m.sound);
}

void Tchat::havewrongversion(const msg::HaveWrongVersion& m) {
    status(qtext(m.name) + QStringLiteral(" has a different version of the game then you."));
}

void Tchat::wrongversion(const msg::WrongVersion&) {
    status(QStringLiteral("You have a differnt version of the game then the host."));
}

void Tchat::full(const msg::Full&) {
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

void Tchat::log(const std::string& line) {
    board_->appendLog(displayQText(line));
    qCInfo(lcStatus).noquote() << "log" << QString::fromStdString(line);
}

void Tchat::notice(const std::string& text) {
    showLine({ChatLine::Kind::Notice, 0, {}, text, kStatusColour});
}

void Tchat::sound(const std::string& name) {
    if (PlaySounds1->isChecked())
        sounds_->play(QString::fromStdString(name));
}

void Tchat::send(const std::string& message) {
    conn_->send(message);
}

void Tchat::addtomineset(int column, const std::string& value) {
    tallylist_->addtomineset(column, value);
}

void Tchat::addgame(const std::string& result) {
    tallylist_->addgame(result, otherSeatNames());
}

std::vector<std::string> Tchat::otherSeatNames() const {
    std::vector<std::string> others;
    for (int seat = 1; seat <= kPlayingSeats; ++seat)
        if (seat != model_->state().myseat)
            others.push_back(model_->view().seats[std::size_t(seat)].name);
    return others;
}

void Tchat::spyAdded(const std::string& item) {
    spylist_->addSpy(QString::fromStdString(item));
}

void Tchat::spyRemoved(const std::string& item) {
    spylist_->removeSpy(QString::fromStdString(item));
}

void Tchat::loadSettings() {
    loadinifile();
}

void Tchat::changed() {
    board_->refresh();
    // The host's controls follow the host's rights.
    const bool rights = model_->state().ishost;
    if (StartGame1)
        StartGame1->setEnabled(rights);
    if (spylist_)
        spylist_->setHosting(rights);
    JustWatch1->setChecked(model_->view().justWatchChecked);
    updateNetworkMenu();
}

void Tchat::status(const QString& text) {
    notice(text.toStdString());
}

void Tchat::hostNotice(const QString& text) {
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

void Tchat::button_startClick() {
    if (!model_->state().loggedin) {
        showInformation(this, QStringLiteral("Driftwake"), QStringLiteral("You are not connected"));
        return;
    }
    gamestart_->setPlayerName(model_->state().playername);
    gamestart_->show();
    gamestart_->raise();
}

void Tchat::JustWatch1Click() {
    // The check mark follows the host's answer, not the click.
    JustWatch1->setChecked(model_->view().justWatchChecked);
    model_->JustWatch1Click();
}

void Tchat::TextColor1Click() {
    const Rgb now = colourToRgb(chat_->chatColour());
    const QColor chosen = QColorDialog::getColor(QColor(now.red, now.green, now.blue), this,
                                                 QStringLiteral("Text Color"));
    if (!chosen.isValid())
        return;
    chat_->setChatColour(colourFromRgb(
        {std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue())}));
    saveinifile();
}

void Tchat::ResetScreenLocation1Click() {
    applyGeometry(kDefaultGeometry);
}

void Tchat::nameLabelMenu(int seat, QPoint globalPos) {
    const bool host = model_->state().ishost;
    RemoveFromGame1->setEnabled(host && model_->view().seats[std::size_t(seat)].name != kWaiting);
    SettoJustWatch1->setEnabled(host);
    UnsetJustWatch1->setEnabled(host);
    popupSeat_ = seat;
    popup_kick->popup(globalPos);
}

void Tchat::kicking(int seat) {
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

void Tchat::openWebsite() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerWebAddress)));
}

} // namespace dw
