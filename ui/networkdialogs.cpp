#include "ui/networkdialogs.h"

#include "ui/messagebox.h"
#include "ui/netdialogs.h"
#include "ui/showwindow.h"

#include <QMessageBox>
#include <QPushButton>

namespace dw {

namespace {

// How long a join from the join dialog waits for the host's answer.
constexpr int kJoinTimeoutMs = 10000;

// The address as the user types it: the port only when it is not the
// usual one.
std::string typed(const HostPort& where) {
    return where.port == kDefaultPort ? where.host : formatHostPort(where.host, where.port);
}

} // namespace

NetworkDialogs::NetworkDialogs(NetworkChoices choices, Hooks hooks, QWidget* window)
    : QObject(window), hooks_(std::move(hooks)), choices_(std::move(choices)) {
    joinTimer_.setSingleShot(true);
    joinTimer_.setInterval(kJoinTimeoutMs);
    connect(&joinTimer_, &QTimer::timeout, this, [this] {
        if (!join_)
            return;
        joinFailed(QStringLiteral("%1 did not answer within 10 seconds. Check the address, and "
                                  "ask your friend whether the game is still open and the port "
                                  "reachable.")
                       .arg(QString::fromStdString(formatHostPort(join_->host, join_->port))));
    });

    startWindow_ = new StartWindow(window);
    connect(startWindow_, &StartWindow::soloChosen, this, [this] { hooks_.solo(); });
    connect(startWindow_, &StartWindow::hostChosen, this, &NetworkDialogs::openHostDialog);
    connect(startWindow_, &StartWindow::joinChosen, this, [this] { openJoinDialog(); });
    connect(startWindow_, &StartWindow::lobbyChosen, this, [this] { hooks_.lobby(); });
    hostDialog_ = new HostDialog(window);
    connect(hostDialog_, &HostDialog::hostRequested, this,
            [this](const QString& name, int port, bool internet) {
                hooks_.host(name, port, internet);
            });
    joinDialog_ = new JoinDialog(window);
    connect(joinDialog_, &JoinDialog::joinRequested, this,
            [this](const QString& name, const HostPort& where) { hooks_.join(name, where); });
    connecting_ = new ConnectingWindow(window);
    connect(connecting_, &ConnectingWindow::cancelled, this, &NetworkDialogs::cancelJoin);
    // Backing out of a dialog with the network side stopped offers the
    // choices again rather than leaving an empty board.
    for (QDialog* d : {static_cast<QDialog*>(hostDialog_), static_cast<QDialog*>(joinDialog_)})
        connect(d, &QDialog::rejected, this, [this] {
            if (hooks_.idle() && !join_)
                openStartWindow();
        });
}

void NetworkDialogs::saveChoices() {
    hooks_.save(choices_);
}

void NetworkDialogs::openStartWindow() {
    showCentred(startWindow_);
}

void NetworkDialogs::openHostDialog() {
    hostDialog_->prepare(choices_.pilotName.empty() ? defaultPilotName()
                                                    : QString::fromStdString(choices_.pilotName),
                         choices_.hostPort, choices_.internet);
    showCentred(hostDialog_);
}

void NetworkDialogs::openJoinDialog(const QString& address) {
    joinDialog_->prepare(choices_.pilotName.empty() ? defaultPilotName()
                                                    : QString::fromStdString(choices_.pilotName),
                         choices_.recentHosts, address);
    showCentred(joinDialog_);
}

void NetworkDialogs::beginJoin(const HostPort& where) {
    join_ = where;
    joinTimer_.start();
    connecting_->showFor(QString::fromStdString(formatHostPort(where.host, where.port)));
}

void NetworkDialogs::hostAnswered() {
    if (!joinTimer_.isActive())
        return;
    joinTimer_.stop();
    connecting_->hide();
    if (join_)
        choices_.recentHosts = rememberHost(choices_.recentHosts, typed(*join_));
    saveChoices();
}

void NetworkDialogs::stop() {
    joinTimer_.stop();
    connecting_->hide();
    join_.reset();
}

void NetworkDialogs::cancelJoin() {
    if (!join_ || !joinTimer_.isActive())
        return; // the host has answered, or the attempt has failed already
    const HostPort target = *join_;
    hooks_.stopNetwork();
    hooks_.status(QStringLiteral("Joining cancelled."));
    openJoinDialog(QString::fromStdString(typed(target)));
}

void NetworkDialogs::joinFailed(const QString& text) {
    if (!join_)
        return; // already explained
    const HostPort target = *join_;
    hooks_.stopNetwork();
    hooks_.status(QStringLiteral("Cannot join: ") + text);
    // Not modal: this may run inside a socket's handler.
    QWidget* window = startWindow_->parentWidget();
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Driftwake"), text,
                                QMessageBox::NoButton, plainParent(window));
    box->setObjectName(QStringLiteral("joinFailedBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(QStringLiteral("Would you like to try again?"));
    QPushButton* again = box->addButton(QStringLiteral("Try Again"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(again);
    connect(box, &QMessageBox::finished, this, [this, box, again, target] {
        if (box->clickedButton() == again)
            openJoinDialog(QString::fromStdString(typed(target)));
        else
            openStartWindow();
    });
    box->open();
}

bool NetworkDialogs::joinClosed() {
    if (!join_)
        return false;
    joinFailed(QStringLiteral("%1 closed the connection before letting you in.")
                   .arg(QString::fromStdString(formatHostPort(join_->host, join_->port))));
    return true;
}

bool NetworkDialogs::joinNotConnected(const QString& why, bool notFound, bool refused) {
    if (!join_)
        return false;
    const QString where = QString::fromStdString(formatHostPort(join_->host, join_->port));
    const QString host = QString::fromStdString(join_->host);
    if (notFound)
        joinFailed(QStringLiteral("No computer called \"%1\" was found. Check the spelling of "
                                  "the address.")
                       .arg(host));
    else if (refused)
        joinFailed(QStringLiteral("%1 refused the connection: no game is open on port %2 there.")
                       .arg(host)
                       .arg(join_->port));
    else
        joinFailed(QStringLiteral("Cannot connect to %1: %2.").arg(where, why));
    return true;
}

} // namespace dw
