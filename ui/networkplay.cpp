#include "ui/networkplay.h"

#include "client/clientconn.h"
#include "host/hostserver.h"
#include "store/netchoices.h"
#include "ui/downloadwindow.h"
#include "ui/gameconnection.h"
#include "ui/gamehosting.h"
#include "ui/gameoptionsdialog.h"
#include "ui/gameview.h"
#include "ui/lobbystart.h"
#include "ui/mainmenus.h"
#include "ui/messagebox.h"
#include "ui/netdialogs.h"
#include "ui/networkdialogs.h"
#include "ui/secondarywindows.h"
#include "ui/watcherlist.h"
#include "ui/windowsettings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace dw {

namespace {

// A launch line's game that cannot start ends the program.
void fatal(QWidget* window, const QString& text) {
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    QMessageBox::critical(plainParent(window), QStringLiteral("Driftwake"), text);
    QCoreApplication::exit(1);
}

} // namespace

NetworkPlay::NetworkPlay(const LaunchOptions& options, Parts parts, Hooks hooks, QWidget* window)
    : QObject(window), options_(options), parts_(parts), hooks_(std::move(hooks)), window_(window) {
    GameHosting::Hooks host;
    host.botDelay = [this] { return botDelayMs(parts_.files.settings().botSpeed); };
    host.pilotLevel = [this] { return parts_.files.settings().pilotLevel; };
    host.notice = [this](const QString& text) { parts_.windows.notice(text); };
    host.routerAnswered = [this](bool ok, const QString& sentence) {
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
        parts_.view.status(QStringLiteral("Router: ") + line);
        dialogs_->hostDialog()->hosted(addresses, line);
    };
    hosting_ = new GameHosting(options_.timerScale, std::move(host), this);

    NetworkDialogs::Hooks choices;
    choices.solo = [this] { playSolo(); };
    choices.lobby = [this] {
        if (!findPlayersOnline())
            dialogs_->openStartWindow();
    };
    choices.host = [this](const QString& name, int port, bool internet) {
        hostFromDialog(name, port, internet);
    };
    choices.join = [this](const QString& name, const HostPort& where) {
        joinFromDialog(name, where);
    };
    choices.idle = [this] {
        return !hosting_->listening() && !parts_.connection.client()->isConnected();
    };
    choices.stopNetwork = [this] { stopNetwork(); };
    choices.status = [this](const QString& text) { parts_.view.status(text); };
    choices.save = [this](const NetworkChoices& c) {
        parts_.files.saveWith(
            [this, &c] { return saveNetworkChoicesFile(parts_.files.iniPath(), c); });
    };
    dialogs_ = new NetworkDialogs(loadNetworkChoicesFile(parts_.files.iniPath()),
                                  std::move(choices), window);
    window->installEventFilter(this);
}

bool NetworkPlay::eventFilter(QObject* watched, QEvent* event) {
    // The launch line's game starts once the window shows.
    if (watched == window_ && event->type() == QEvent::Show) {
        window_->removeEventFilter(this);
        QTimer::singleShot(0, this, &NetworkPlay::startFromLaunchLine);
    }
    return QObject::eventFilter(watched, event);
}

void NetworkPlay::startFromLaunchLine() {
    parts_.menus.setStartGameEnabled(false);
    parts_.view.model().state().playerName = options_.playerName;
    QString error;
    switch (options_.mode) {
    case LaunchMode::Solo:
        parts_.view.status(QStringLiteral("Loading Solo Game..Please wait."));
        if (const QString url = parts_.files.lobbyUrl(); !url.isEmpty()) {
            parts_.windows.download()->setDownloadUrl(QUrl(url));
            parts_.windows.download()->openDownload();
        } else
            dialogs_->openStartWindow();
        if (!startHosting(&error))
            fatal(window_, error);
        break;
    case LaunchMode::Host:
    case LaunchMode::Join:
        parts_.view.status(QStringLiteral("Loading Multi-player Game.. Please Wait."));
        if (options_.mode == LaunchMode::Host) {
            if (!startHosting(&error))
                fatal(window_, error);
        } else if (const auto where = parseHostPort(options_.hostAddress, options_.port)) {
            // The host may carry its port: "example.org:7790", "[::1]:7790".
            parts_.connection.connectTo(QString::fromStdString(where->host), quint16(where->port));
        } else {
            parts_.connection.connectTo(QString::fromStdString(options_.hostAddress),
                                        quint16(options_.port));
        }
        // The lobby that started this game says where it listens; the link
        // is opened, never written.
        (new QTcpSocket(this))
            ->connectToHost(
                QStringLiteral("127.0.0.1"),
                static_cast<quint16>(lobbyLinkPort(std::getenv("DRIFTWAKE_LOBBY_LINK_PORT"))));
        break;
    case LaunchMode::Unconnected:
        parts_.view.status(QStringLiteral("Loading Multi-player Game.. Please Wait."));
        break;
    case LaunchMode::Headless:
    case LaunchMode::FindGames:
    case LaunchMode::OpenPort:
    case LaunchMode::Fetch:
    case LaunchMode::Help:
        break;
    }
}

bool NetworkPlay::startHosting(QString* error) {
    // A solo game keeps to this machine, and takes any free port when its
    // own is taken (by another copy, say): nobody else joins it.
    if (!hosting_->listen(options_.port, options_.mode == LaunchMode::Solo, error))
        return false;
    parts_.view.model().setHosting();
    parts_.windows.watchers()->setHosting(true);
    parts_.menus.setHosting(true);
    parts_.connection.connectTo(QStringLiteral("127.0.0.1"), hosting_->server()->port());
    parts_.menus.setStartGameEnabled(true);
    // A solo game keeps to itself; a hosted one tells the LAN.
    if (options_.mode == LaunchMode::Host && options_.announce)
        hosting_->announce(options_.playerName);
    hooks_.changed();
    return true;
}

bool NetworkPlay::networkGame() const {
    // A network game that runs is never left from the menu; a solo game is,
    // after a question.
    if (hosting_->listening())
        return options_.mode != LaunchMode::Solo && hosting_->gameRunning();
    const ClientState& s = parts_.view.model().state();
    bool running = false;
    if (s.loggedIn)
        for (int seat = 1; seat <= kPlayingSeats; ++seat)
            running = running || s.inGame[std::size_t(seat)];
    return running;
}

bool NetworkPlay::hostingGame() const {
    return options_.mode != LaunchMode::Solo && hosting_->gameRunning();
}

bool NetworkPlay::mayLeaveGame() {
    QString question;
    if (options_.mode == LaunchMode::Solo && hosting_->listening()) {
        if (hosting_->gameRunning())
            question = QStringLiteral("Leave the solo game that is running?");
    } else if (hosting_->listening()) {
        question = QStringLiteral("Stop hosting? Every pilot connected to your game will be "
                                  "disconnected.");
    } else if (parts_.connection.client()->isConnected()) {
        question = QStringLiteral("Leave the game you joined?");
    }
    return question.isEmpty() ||
           QMessageBox::question(plainParent(window_), QStringLiteral("Driftwake"), question) ==
               QMessageBox::Yes;
}

bool NetworkPlay::findPlayersOnline() {
    if (!mayLeaveGame())
        return false;
    QString error;
    if (!startLobby(error)) {
        parts_.windows.notice(error);
        return false;
    }
    hooks_.closeWindow(); // asked above: the close asks nothing more
    return true;
}

void NetworkPlay::stopNetwork() {
    dialogs_->stop();
    hosting_->stop();
    hooks_.restart();
    parts_.connection.rejoinPlan() = RejoinPlan{};
    // The connection first, so that the old host server's going is heard
    // by nobody.
    parts_.connection.renew();
    hosting_->renew();
    parts_.view.model().reset();
    parts_.windows.clearWatchers();
    parts_.windows.watchers()->setHosting(false);
    parts_.windows.gameOptions()->hide();
    parts_.menus.setStartGameEnabled(false);
    hooks_.changed();
}

void NetworkPlay::playSolo() {
    if (options_.mode == LaunchMode::Solo && hosting_->listening())
        return; // the solo game already runs
    stopNetwork();
    options_.mode = LaunchMode::Solo;
    options_.playerName = "You";
    options_.port = kDefaultPort;
    parts_.view.model().state().playerName = options_.playerName;
    parts_.view.status(QStringLiteral("Loading Solo Game..Please wait."));
    QString error;
    if (!startHosting(&error))
        fatal(window_, error);
}

void NetworkPlay::hostFromDialog(const QString& name, int port, bool internet) {
    stopNetwork();
    options_.mode = LaunchMode::Host;
    options_.playerName = name.toStdString();
    options_.port = port;
    parts_.view.model().state().playerName = options_.playerName;
    NetworkChoices& choices = dialogs_->choices();
    choices.pilotName = options_.playerName;
    choices.hostPort = port;
    choices.internet = internet;
    dialogs_->saveChoices();
    QString error;
    if (!startHosting(&error)) {
        dialogs_->hostDialog()->failed(
            error + QStringLiteral("\nAnother program may be using this port: try another one."));
        return;
    }
    parts_.view.status(QStringLiteral("Hosting a network game on port %1.").arg(port));
    if (internet) {
        dialogs_->hostDialog()->hosted(
            lanAddresses(port), QStringLiteral("Asking your router to open port %1…").arg(port));
        hosting_->openRouterPort(port);
    } else {
        dialogs_->hostDialog()->hosted(lanAddresses(port), QString());
    }
}

void NetworkPlay::joinFromDialog(const QString& name, const HostPort& where) {
    stopNetwork();
    options_.mode = LaunchMode::Join;
    options_.playerName = name.toStdString();
    options_.hostAddress = where.host;
    options_.port = where.port;
    parts_.view.model().state().playerName = options_.playerName;
    dialogs_->choices().pilotName = options_.playerName;
    dialogs_->saveChoices();
    parts_.view.status(QStringLiteral("Joining: %1 ..")
                           .arg(QString::fromStdString(formatHostPort(where.host, where.port))));
    dialogs_->beginJoin(where);
    parts_.connection.connectTo(QString::fromStdString(where.host), quint16(where.port));
}

void NetworkPlay::connectionFailed(const QString& why, bool notFound, bool refused) {
    if (dialogs_->joinNotConnected(why, notFound, refused))
        return;
    if (notFound)
        fatal(window_, QStringLiteral("Cannot find the host \"%1\": %2")
                           .arg(QString::fromStdString(options_.hostAddress), why));
    else
        parts_.view.status(QStringLiteral("Cannot connect to the host: ") + why);
}

} // namespace dw
