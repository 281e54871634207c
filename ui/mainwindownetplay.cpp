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
#include "ui/showwindow.h"
#include "ui/spectatorlist.h"
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
        openHostDialog();
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
        openJoinDialog();
}

void MainWindow::openStartWindow() {
    showCentred(startWindow_);
}

void MainWindow::openHostDialog() {
    hostDialog_->prepare(choices_.pilotName.empty() ? defaultPilotName()
                                                    : QString::fromStdString(choices_.pilotName),
                         choices_.hostPort, choices_.internet);
    showCentred(hostDialog_);
}

void MainWindow::openJoinDialog(const QString& address) {
    joinDialog_->prepare(choices_.pilotName.empty() ? defaultPilotName()
                                                    : QString::fromStdString(choices_.pilotName),
                         choices_.recentHosts, address);
    showCentred(joinDialog_);
}

void MainWindow::stopNetwork() {
    joinTimer_.stop();
    if (connecting_)
        connecting_->hide();
    announcer_->stop();
    portmap_->stop();
    dialogJoin_ = false;
    joinRefusedFull_ = false;
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

void MainWindow::saveChoices() {
    prefs_->saveWith([this] { return saveNetworkChoicesFile(prefs_->iniPath(), choices_); });
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
    hostpress();
}

void MainWindow::hostFromDialog(const QString& name, int port, bool internet) {
    stopNetwork();
    options_.mode = LaunchMode::Host;
    options_.playername = name.toStdString();
    options_.port = port;
    view_->model().state().playername = options_.playername;
    choices_.pilotName = options_.playername;
    choices_.hostPort = port;
    choices_.internet = internet;
    saveChoices();
    QString error;
    if (!hostpress(&error)) {
        hostDialog_->failed(
            error + QStringLiteral("\nAnother program may be using this port: try another one."));
        return;
    }
    status(QStringLiteral("Hosting a network game on port %1.").arg(port));
    if (internet) {
        hostDialog_->hosted(lanAddresses(port),
                            QStringLiteral("Asking your router to open port %1…").arg(port));
        portmap_->start(port);
    } else {
        hostDialog_->hosted(lanAddresses(port), QString());
    }
}

void MainWindow::joinFromDialog(const QString& name, const HostPort& where) {
    stopNetwork();
    options_.mode = LaunchMode::Join;
    options_.playername = name.toStdString();
    options_.hostaddress = where.host;
    options_.port = where.port;
    view_->model().state().playername = options_.playername;
    choices_.pilotName = options_.playername;
    saveChoices();
    dialogJoin_ = true;
    joinTarget_ = where;
    status(QStringLiteral("Joining: %1 ..")
               .arg(QString::fromStdString(formatHostPort(where.host, where.port))));
    joinTimer_.start();
    connecting_->showFor(QString::fromStdString(formatHostPort(where.host, where.port)));
    connection_->connectTo(QString::fromStdString(where.host), quint16(where.port));
}

void MainWindow::cancelJoin() {
    if (!dialogJoin_ || !joinTimer_.isActive())
        return; // the host has answered, or the attempt has failed already
    const HostPort target = joinTarget_;
    stopNetwork();
    status(QStringLiteral("Joining cancelled."));
    openJoinDialog(QString::fromStdString(
        target.port == kDefaultPort ? target.host : formatHostPort(target.host, target.port)));
}

void MainWindow::joinFailed(const QString& text) {
    if (!dialogJoin_)
        return; // already explained
    const HostPort target = joinTarget_;
    stopNetwork();
    status(QStringLiteral("Cannot join: ") + text);
    // Not modal: this may run inside a socket's handler.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Driftwake"), text,
                                QMessageBox::NoButton, plainParent(this));
    box->setObjectName(QStringLiteral("joinFailedBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(QStringLiteral("Would you like to try again?"));
    QPushButton* again = box->addButton(QStringLiteral("Try Again"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(again);
    connect(box, &QMessageBox::finished, this, [this, box, again, target] {
        if (box->clickedButton() == again)
            openJoinDialog(QString::fromStdString(target.port == kDefaultPort
                                                      ? target.host
                                                      : formatHostPort(target.host, target.port)));
        else
            openStartWindow();
    });
    box->open();
}

} // namespace dw
