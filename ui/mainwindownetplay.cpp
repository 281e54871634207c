// Network play from the main window: the start window, the host and join
// dialogs, hosting with LAN announcements and the router's port, joining,
// and leaving a game for another.
#include "ui/mainwindow.h"

#include "client/clientconn.h"
#include "host/hostserver.h"
#include "host/lan.h"
#include "host/portmapper.h"
#include "ui/gameconnection.h"
#include "ui/gameoptionsdialog.h"
#include "ui/gameview.h"
#include "ui/lobbystart.h"
#include "ui/mainmenus.h"
#include "ui/messagebox.h"
#include "ui/netdialogs.h"
#include "ui/networkdialogs.h"
#include "ui/showwindow.h"
#include "ui/watcherlist.h"
#include "ui/windowsettings.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtGlobal>

namespace dw {

QString MainWindow::lobbyUrl() const {
    const QString fromEnv = qEnvironmentVariable("DRIFTWAKE_LOBBY_URL");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QString::fromStdString(
        IniFile::load(prefs_->iniPath()).read(kSettingsSection, "Lobbyurl").value_or(""));
}

void MainWindow::updateNetworkMenu() {
    if (!menus_)
        return;
    // A network game that runs is never left from the menu; a solo game is,
    // after a question.
    bool networkGame = false;
    if (server_ && server_->isListening())
        networkGame = options_.mode != LaunchMode::Solo && server_->core().engine().gameinprogress;
    else if (view_->model().state().loggedin)
        for (int seat = 1; seat <= kPlayingSeats; ++seat)
            networkGame = networkGame || view_->model().state().ingame[std::size_t(seat)];
    menus_->setNetworkGame(networkGame);
}

bool MainWindow::mayLeaveGame() {
    QString question;
    if (options_.mode == LaunchMode::Solo && server_->isListening()) {
        if (server_->core().engine().gameinprogress)
            question = QStringLiteral("Leave the solo game that is running?");
    } else if (server_->isListening()) {
        question = QStringLiteral("Stop hosting? Every pilot connected to your game will be "
                                  "disconnected.");
    } else if (connection_->client()->isConnected()) {
        question = QStringLiteral("Leave the game you joined?");
    }
    return question.isEmpty() ||
           QMessageBox::question(plainParent(this), QStringLiteral("Driftwake"), question) ==
               QMessageBox::Yes;
}

void MainWindow::hostGame() {
    if (mayLeaveGame())
        net_->openHostDialog();
}

bool MainWindow::findPlayersOnline() {
    if (!mayLeaveGame())
        return false;
    QString error;
    if (!startLobby(error)) {
        hostNotice(error);
        return false;
    }
    quitting_ = true; // asked above: the close asks nothing more
    close();
    return true;
}

void MainWindow::joinGame() {
    if (mayLeaveGame())
        net_->openJoinDialog();
}

void MainWindow::stopNetwork() {
    if (net_)
        net_->stop();
    announcer_->stop();
    portmap_->stop();
    connection_->stopRejoining(endTimer_.isActive());
    connection_->rejoinPlan() = RejoinPlan{};
    // What follows is begun from the window, and its end leads back here.
    windowGame_ = true;
    ended_ = false;
    // The connection first, so that the old host server's going is heard
    // by nobody.
    connection_->renew();
    makeServer();
    view_->model().reset();
    const QStringList spies = spylist_->spies();
    for (const QString& spy : spies)
        spylist_->removeSpy(spy);
    spylist_->setHosting(false);
    gamestart_->hide();
    menus_->setStartGameEnabled(false);
    changed();
}

void MainWindow::startAnnouncing() {
    if (announceId_.empty())
        announceId_ = LanAnnouncer::newId();
    announcer_->start();
}

void MainWindow::playSolo() {
    if (options_.mode == LaunchMode::Solo && server_->isListening())
        return; // the solo game already runs
    stopNetwork();
    options_.mode = LaunchMode::Solo;
    options_.playername = "You";
    options_.port = kDefaultPort;
    view_->model().state().playername = options_.playername;
    status(QStringLiteral("Loading Solo Game..Please wait."));
    startHosting();
}

void MainWindow::hostFromDialog(const QString& name, int port, bool internet) {
    stopNetwork();
    options_.mode = LaunchMode::Host;
    options_.playername = name.toStdString();
    options_.port = port;
    view_->model().state().playername = options_.playername;
    NetworkChoices& choices = net_->choices();
    choices.pilotName = options_.playername;
    choices.hostPort = port;
    choices.internet = internet;
    net_->saveChoices();
    QString error;
    if (!startHosting(&error)) {
        net_->hostDialog()->failed(
            error + QStringLiteral("\nAnother program may be using this port: try another one."));
        return;
    }
    status(QStringLiteral("Hosting a network game on port %1.").arg(port));
    if (internet) {
        net_->hostDialog()->hosted(lanAddresses(port),
                                   QStringLiteral("Asking your router to open port %1…").arg(port));
        portmap_->start(port);
    } else {
        net_->hostDialog()->hosted(lanAddresses(port), QString());
    }
}

void MainWindow::joinFromDialog(const QString& name, const HostPort& where) {
    stopNetwork();
    options_.mode = LaunchMode::Join;
    options_.playername = name.toStdString();
    options_.hostaddress = where.host;
    options_.port = where.port;
    view_->model().state().playername = options_.playername;
    net_->choices().pilotName = options_.playername;
    net_->saveChoices();
    status(QStringLiteral("Joining: %1 ..")
               .arg(QString::fromStdString(formatHostPort(where.host, where.port))));
    net_->beginJoin(where);
    connection_->connectTo(QString::fromStdString(where.host), quint16(where.port));
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
    server_->core().engine().setPilotLevel(prefs_->settings().pilotLevel);
}

void MainWindow::connectionClosed() {
    if (const auto target = net_->joining(); target && !view_->model().state().loggedin) {
        net_->joinFailed(
            QStringLiteral("%1 closed the connection before letting you in.")
                .arg(QString::fromStdString(formatHostPort(target->host, target->port))));
        return;
    }
    if (quitting_ || ended_)
        return; // the end is already on its way
    connection_->connectionLost();
}

void MainWindow::connectionFailed(const QString& why, bool notFound, bool refused) {
    if (const auto target = net_->joining()) {
        const QString where = QString::fromStdString(formatHostPort(target->host, target->port));
        const QString host = QString::fromStdString(target->host);
        if (notFound)
            net_->joinFailed(QStringLiteral("No computer called \"%1\" was found. Check the "
                                            "spelling of the address.")
                                 .arg(host));
        else if (refused)
            net_->joinFailed(QStringLiteral("%1 refused the connection: no game is open on port "
                                            "%2 there.")
                                 .arg(host)
                                 .arg(target->port));
        else
            net_->joinFailed(QStringLiteral("Cannot connect to %1: %2.").arg(where, why));
        return;
    }
    if (notFound)
        fatal(QStringLiteral("Cannot find the host \"%1\": %2")
                  .arg(QString::fromStdString(options_.hostaddress), why));
    else
        status(QStringLiteral("Cannot connect to the host: ") + why);
}

} // namespace dw
