#include "ui/lobby/signinwindow.h"

#include "lobby/room.h"

#include "protocol/lanwire.h"
#include "ui/netdialogs.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <qt6keychain/keychain.h>

namespace dw::lobby {

namespace {

constexpr int kDefaultXmppPort = 5222;
constexpr int kMaxField = 200;
constexpr int kMaxPilotName = 24;

QLineEdit* field(QWidget* parent, const char* name, int maxLength) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(maxLength);
    return e;
}

QString domainOf(const QString& jid) {
    return jid.section('@', 1).section('/', 0, 0);
}

} // namespace

QString SignInWindow::keychainService() {
    return QStringLiteral("driftwake-lobby");
}

SignInWindow::SignInWindow(XmppClient& client, std::filesystem::path iniPath, QWidget* parent)
    : QDialog(parent), client_(client), iniPath_(std::move(iniPath)) {
    setWindowTitle(QStringLiteral("Driftwake Lobby"));
    setStyleSheet(darkDialogStyle());
    choices_ = loadLobbyChoicesFile(iniPath_);
    const NetworkChoices net = loadNetworkChoicesFile(iniPath_);

    auto* intro = new QLabel(QStringLiteral("Sign in to meet other pilots."), this);
    intro->setObjectName(QStringLiteral("label_intro"));
    pilot_ = field(this, "edit_pilot", kMaxPilotName);
    pilot_->setText(net.pilotName.empty() ? defaultPilotName()
                                          : QString::fromStdString(net.pilotName));
    server_ = field(this, "edit_server", kMaxField);
    server_->setText(QString::fromStdString(choices_.server));
    server_->setPlaceholderText(QStringLiteral("lobby.example.org"));
    account_ = field(this, "edit_account", kMaxField);
    account_->setText(QString::fromStdString(choices_.account));
    account_->setPlaceholderText(QStringLiteral("name@example.org"));
    password_ = field(this, "edit_password", kMaxField);
    password_->setEchoMode(QLineEdit::Password);
    room_ = field(this, "edit_room", kMaxField);
    room_->setText(QString::fromStdString(choices_.room));
    // The room joined when none is typed, for the account's domain.
    const auto showDefaultRoom = [this] {
        const QString domain = domainOf(account_->text().trimmed());
        room_->setPlaceholderText(
            defaultRoomFor(domain.isEmpty() ? QStringLiteral("example.org") : domain));
    };
    showDefaultRoom();
    connect(account_, &QLineEdit::textChanged, this, showDefaultRoom);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Pilot name:"), pilot_);
    form->addRow(QStringLiteral("Server:"), server_);
    form->addRow(QStringLiteral("Account:"), account_);
    form->addRow(QStringLiteral("Password:"), password_);
    form->addRow(QStringLiteral("Room:"), room_);

    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->hide();

    signIn_ = new QPushButton(QStringLiteral("Sign In"), this);
    signIn_->setObjectName(QStringLiteral("button_signin"));
    signIn_->setDefault(true);
    create_ = new QPushButton(QStringLiteral("Create account"), this);
    create_->setObjectName(QStringLiteral("button_create"));
    guest_ = new QPushButton(QStringLiteral("Play as guest"), this);
    guest_->setObjectName(QStringLiteral("button_guest"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(guest_);
    buttons->addStretch();
    buttons->addWidget(create_);
    buttons->addWidget(signIn_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    connect(signIn_, &QPushButton::clicked, this, [this] { start(SignIn::Mode::Account); });
    connect(create_, &QPushButton::clicked, this, [this] { start(SignIn::Mode::Register); });
    connect(guest_, &QPushButton::clicked, this, [this] { start(SignIn::Mode::Guest); });
    connect(&client_, &XmppClient::signedIn, this, [this] {
        if (!signIn_->isEnabled())
            done();
    });
    connect(&client_, &XmppClient::failed, this, [this](Failure f) {
        busy(false);
        say(failureText(f), true);
    });
    readStoredPassword();
}

void SignInWindow::say(const QString& text, bool error) {
    status_->setObjectName(error ? QStringLiteral("label_error")
                                 : QStringLiteral("label_connecting"));
    // The name picks the colour; a new name needs the style applied again.
    status_->setStyleSheet(QString());
    status_->setText(text);
    status_->setVisible(!text.isEmpty());
}

void SignInWindow::busy(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(signIn_), static_cast<QWidget*>(create_),
                       static_cast<QWidget*>(guest_), static_cast<QWidget*>(pilot_),
                       static_cast<QWidget*>(server_), static_cast<QWidget*>(account_),
                       static_cast<QWidget*>(password_), static_cast<QWidget*>(room_)})
        w->setEnabled(!on);
}

void SignInWindow::start(SignIn::Mode mode) {
    const auto pilot = validPilotName(pilot_->text());
    if (!pilot) {
        say(QStringLiteral("Please type a pilot name."), true);
        return;
    }
    const auto server = parseHostPort(server_->text().trimmed().toStdString(), kDefaultXmppPort);
    if (!server || server->port < 1 || server->port > 65535) {
        say(QStringLiteral("Please type the lobby's server, as a name or an address with an "
                           "optional :port."),
            true);
        return;
    }
    const QString account = account_->text().trimmed();
    const bool named = account.count('@') == 1 && !account.startsWith('@') &&
                       !domainOf(account).isEmpty() && !account.contains(' ');
    if (mode != SignIn::Mode::Guest && !named) {
        say(QStringLiteral("Please type the account as a name and a domain, such as "
                           "ann@example.org."),
            true);
        return;
    }
    if (mode != SignIn::Mode::Guest && password_->text().isEmpty()) {
        say(QStringLiteral("Please type the password."), true);
        return;
    }
    const QString domain = named ? domainOf(account) : QString::fromStdString(server->host);
    const QString guestDomain = choices_.guestDomain.empty()
                                    ? QStringLiteral("guest.") + domain
                                    : QString::fromStdString(choices_.guestDomain);
    const QString room = room_->text().trimmed();
    roomJid_ = room.isEmpty() ? defaultRoomFor(domain) : room;
    nick_ = *pilot;

    SignIn how;
    how.mode = mode;
    how.jid = mode == SignIn::Mode::Guest ? guestDomain : account;
    how.password = mode == SignIn::Mode::Guest ? QString() : password_->text();
    how.host = QString::fromStdString(server->host);
    how.port = static_cast<quint16>(server->port);
    how.caFile = qEnvironmentVariable("DRIFTWAKE_LOBBY_CA");
    mode_ = mode;
    busy(true);
    say(mode == SignIn::Mode::Register ? QStringLiteral("Creating the account...")
                                       : QStringLiteral("Signing in..."),
        false);
    client_.signIn(how);
}

void SignInWindow::done() {
    busy(false);
    say(QString(), false);
    choices_.server = server_->text().trimmed().toStdString();
    if (mode_ != SignIn::Mode::Guest)
        choices_.account = account_->text().trimmed().toStdString();
    choices_.room = room_->text().trimmed().toStdString();
    saveLobbyChoicesFile(iniPath_, choices_);
    NetworkChoices net = loadNetworkChoicesFile(iniPath_);
    net.pilotName = nick_.toStdString();
    saveNetworkChoicesFile(iniPath_, net);
    if (mode_ != SignIn::Mode::Guest)
        storePassword();
    emit signedIn();
}

void SignInWindow::readStoredPassword() {
    if (choices_.account.empty())
        return;
    auto* job = new QKeychain::ReadPasswordJob(keychainService(), this);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(QString::fromStdString(choices_.account));
    const QString account = QString::fromStdString(choices_.account);
    connect(job, &QKeychain::Job::finished, this, [this, job, account] {
        // Where no secret store answers, the pilot types the password.
        if (job->error() == QKeychain::NoError && password_->text().isEmpty() &&
            account_->text().trimmed() == account)
            password_->setText(job->textData());
    });
    job->start();
}

void SignInWindow::storePassword() {
    auto* job = new QKeychain::WritePasswordJob(keychainService(), this);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(account_->text().trimmed());
    job->setTextData(password_->text());
    job->start();
}

} // namespace dw::lobby
