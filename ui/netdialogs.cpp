#include "ui/netdialogs.h"

#include "host/lan.h"
#include "protocol/protocol.h"
#include "text/plaintextqt.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <pwd.h>
#include <unistd.h>

namespace dw {

namespace {

constexpr int kMaxPilotName = 24;

QLabel* errorLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QStringLiteral("label_error"));
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->hide();
    return l;
}

void showError(QLabel* label, const QString& text) {
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

QLineEdit* nameEdit(QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QStringLiteral("edit_name"));
    e->setMaxLength(kMaxPilotName);
    return e;
}

} // namespace

QString darkDialogStyle() {
    // Green on black as the phrases and help windows; light grey for the
    // explaining texts; a clear red for errors.
    return QStringLiteral(
        "QDialog { background: black; }"
        "QLabel { color: #c8c8c8; }"
        "QLabel#label_error { color: #ff6060; }"
        "QLabel#label_intro, QLabel#label_connecting { color: #00ff00; }"
        "QCheckBox { color: #c8c8c8; }"
        "QCheckBox::indicator { width: 13px; height: 13px; border: 1px solid #2e8b2e;"
        " background: #0c0c0c; }"
        "QCheckBox::indicator:checked { background: #00c000; }"
        "QLineEdit, QSpinBox, QComboBox, QPlainTextEdit { background: #0c0c0c; color: #00ff00;"
        " border: 1px solid #2e8b2e; padding: 2px; selection-background-color: #2e8b2e;"
        " selection-color: black; }"
        "QLineEdit:disabled, QSpinBox:disabled, QCheckBox:disabled { color: #6a8a6a; }"
        "QComboBox QAbstractItemView { background: #0c0c0c; color: #00ff00;"
        " selection-background-color: #2e8b2e; selection-color: black; }"
        "QTreeWidget { background: #0c0c0c; color: #00ff00; border: 1px solid #2e8b2e;"
        " selection-background-color: #2e8b2e; selection-color: black; }"
        "QHeaderView::section { background: #1c1c1c; color: #c8c8c8; border: none;"
        " border-right: 1px solid #2e8b2e; border-bottom: 1px solid #2e8b2e; padding: 2px 4px; }"
        "QPushButton { background: #1c1c1c; color: #00ff00; border: 1px solid #2e8b2e;"
        " padding: 4px 14px; }"
        "QPushButton:default { border: 2px solid #00c000; }"
        "QPushButton:hover { background: #263826; }"
        "QPushButton:pressed { background: #0c3c0c; }"
        "QPushButton:disabled { color: #4a6a4a; border-color: #2a4a2a; }"
        "QToolTip { background: #1c1c1c; color: #c8c8c8; border: 1px solid #2e8b2e; }");
}

QString defaultPilotName() {
    QString name;
    if (const passwd* pw = ::getpwuid(::getuid())) {
        // The full name is the first comma-separated part of the GECOS field.
        if (pw->pw_gecos)
            name = QString::fromLocal8Bit(pw->pw_gecos).section(QLatin1Char(','), 0, 0);
        if (!validPilotName(name) && pw->pw_name)
            name = QString::fromLocal8Bit(pw->pw_name);
    }
    if (!validPilotName(name))
        name = qEnvironmentVariable("USER");
    if (const auto ok = validPilotName(name.left(kMaxPilotName));
        ok && *ok != QStringLiteral("You"))
        return *ok;
    return QStringLiteral("Pilot");
}

std::optional<QString> validPilotName(const QString& typed) {
    const QString name = typed.trimmed();
    if (name.isEmpty())
        return std::nullopt;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
    return name;
}

QStringList lanAddresses(int port) {
    QStringList out;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        if (!(i.flags() & QNetworkInterface::IsUp) || (i.flags() & QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = i.addressEntries();
        for (const QNetworkAddressEntry& e : entries) {
            const QHostAddress a = e.ip();
            if (a.isLoopback() || a.isLinkLocal())
                continue;
            out.append(QString::fromStdString(formatHostPort(a.toString().toStdString(), port)));
        }
    }
    return out;
}

// ---------------------------------------------------------------- start window

StartWindow::StartWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("StartWindow"));
    setWindowTitle(QStringLiteral("Driftwake"));
    setStyleSheet(darkDialogStyle());
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("How would you like to play?"), this);
    intro->setObjectName(QStringLiteral("label_intro"));
    QFont big = intro->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    intro->setFont(big);
    layout->addWidget(intro);
    const auto add = [&](const char* name, const QString& caption, const QString& note) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumHeight(40);
        layout->addWidget(b);
        auto* l = new QLabel(note, this);
        l->setWordWrap(true);
        l->setContentsMargins(12, 0, 0, 8);
        layout->addWidget(l);
        return b;
    };
    button_solo = add("button_solo", QStringLiteral("Play Solo"),
                      QStringLiteral("Race against the computer pilots on this machine."));
    button_host = add("button_host", QStringLiteral("Host a Network Game…"),
                      QStringLiteral("Open a game that friends on your network, or on the "
                                     "internet, can join."));
    button_join = add("button_join", QStringLiteral("Join a Network Game…"),
                      QStringLiteral("Pick a game found on your network, or type a friend's "
                                     "address."));
    button_lobby = add("button_lobby", QStringLiteral("Find Players Online…"),
                       QStringLiteral("Meet pilots in an online lobby and pick a table there. The "
                                      "game closes and the lobby opens."));
    button_solo->setDefault(true);
    connect(button_solo, &QPushButton::clicked, this, [this] {
        accept();
        emit soloChosen();
    });
    connect(button_host, &QPushButton::clicked, this, [this] {
        accept();
        emit hostChosen();
    });
    connect(button_join, &QPushButton::clicked, this, [this] {
        accept();
        emit joinChosen();
    });
    connect(button_lobby, &QPushButton::clicked, this, [this] {
        accept();
        emit lobbyChosen();
    });
    setMinimumWidth(420);
}

// ---------------------------------------------------------------- host dialog

HostDialog::HostDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HostDialog"));
    setWindowTitle(QStringLiteral("Host a Network Game"));
    setStyleSheet(darkDialogStyle());
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edit_name = nameEdit(this);
    form->addRow(QStringLiteral("Your pilot name:"), edit_name);
    edit_port = new QSpinBox(this);
    edit_port->setObjectName(QStringLiteral("edit_port"));
    edit_port->setRange(1, 65535);
    edit_port->setValue(kDefaultPort);
    edit_port->setButtonSymbols(QAbstractSpinBox::NoButtons); // a port is typed
    form->addRow(QStringLiteral("Port:"), edit_port);
    layout->addLayout(form);
    check_internet = new QCheckBox(QStringLiteral("Let players from the internet join"), this);
    check_internet->setObjectName(QStringLiteral("check_internet"));
    check_internet->setToolTip(
        QStringLiteral("Asks your router (UPnP) to forward the port to this computer."));
    layout->addWidget(check_internet);
    label_error = errorLabel(this);
    layout->addWidget(label_error);

    auto* friends = new QLabel(QStringLiteral("Friends join at:"), this);
    layout->addWidget(friends);
    memo_addresses = new QPlainTextEdit(this);
    memo_addresses->setObjectName(QStringLiteral("memo_addresses"));
    memo_addresses->setReadOnly(true);
    memo_addresses->setPlaceholderText(
        QStringLiteral("The addresses of this computer show here once the game is hosted."));
    memo_addresses->setMaximumHeight(90);
    layout->addWidget(memo_addresses);
    label_internet = new QLabel(this);
    label_internet->setObjectName(QStringLiteral("label_internet"));
    // It carries the router's answer: shown as sent, never as markup.
    label_internet->setTextFormat(Qt::PlainText);
    label_internet->setWordWrap(true);
    label_internet->hide();
    layout->addWidget(label_internet);

    auto* buttons = new QDialogButtonBox(this);
    button_copy =
        buttons->addButton(QStringLiteral("Copy Addresses"), QDialogButtonBox::ActionRole);
    button_copy->setObjectName(QStringLiteral("button_copy"));
    button_copy->setEnabled(false);
    button_host = buttons->addButton(QStringLiteral("Host"), QDialogButtonBox::AcceptRole);
    button_host->setObjectName(QStringLiteral("button_host"));
    button_host->setDefault(true);
    button_close = buttons->addButton(QDialogButtonBox::Cancel);
    button_close->setObjectName(QStringLiteral("button_close"));
    layout->addWidget(buttons);
    // The Host button does not close the dialog: it shows the addresses.
    disconnect(buttons, &QDialogButtonBox::accepted, this, nullptr);
    connect(button_host, &QPushButton::clicked, this, &HostDialog::onHost);
    connect(button_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(button_copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(addressText()); });
    setMinimumWidth(440);
}

void HostDialog::prepare(const QString& pilotName, int port, bool internet) {
    edit_name->setText(pilotName);
    edit_port->setValue(port);
    check_internet->setChecked(internet);
    for (QWidget* w : {static_cast<QWidget*>(edit_name), static_cast<QWidget*>(edit_port),
                       static_cast<QWidget*>(check_internet), static_cast<QWidget*>(button_host)})
        w->setEnabled(true);
    button_host->show();
    button_close->setText(QStringLiteral("Cancel"));
    button_copy->setEnabled(false);
    memo_addresses->clear();
    label_internet->hide();
    showError(label_error, {});
}

QString HostDialog::pilotName() const {
    return validPilotName(edit_name->text()).value_or(QString());
}

int HostDialog::port() const {
    return edit_port->value();
}

bool HostDialog::internet() const {
    return check_internet->isChecked();
}

void HostDialog::onHost() {
    if (pilotName().isEmpty()) {
        showError(label_error, QStringLiteral("Please type your pilot name."));
        edit_name->setFocus();
        return;
    }
    showError(label_error, {});
    emit hostRequested(pilotName(), port(), internet());
}

void HostDialog::hosted(const QStringList& addresses, const QString& internetLine) {
    showError(label_error, {});
    for (QWidget* w : {static_cast<QWidget*>(edit_name), static_cast<QWidget*>(edit_port),
                       static_cast<QWidget*>(check_internet)})
        w->setEnabled(false);
    button_host->hide();
    button_close->setText(QStringLiteral("Close"));
    memo_addresses->setPlainText(
        addresses.isEmpty()
            ? QStringLiteral("No network found: only this computer can join, at 127.0.0.1:%1.")
                  .arg(port())
            : addresses.join(QLatin1Char('\n')));
    button_copy->setEnabled(!addresses.isEmpty());
    label_internet->setText(displayQText(internetLine));
    label_internet->setVisible(!internetLine.isEmpty());
}

void HostDialog::failed(const QString& text) {
    showError(label_error, text);
}

QString HostDialog::addressText() const {
    return memo_addresses->toPlainText();
}

// ---------------------------------------------------------------- join dialog

JoinDialog::JoinDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("JoinDialog"));
    setWindowTitle(QStringLiteral("Join a Network Game"));
    setStyleSheet(darkDialogStyle());
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edit_name = nameEdit(this);
    form->addRow(QStringLiteral("Your pilot name:"), edit_name);
    combo_address = new QComboBox(this);
    combo_address->setObjectName(QStringLiteral("combo_address"));
    combo_address->setEditable(true);
    combo_address->setInsertPolicy(QComboBox::NoInsert);
    combo_address->lineEdit()->setPlaceholderText(
        QStringLiteral("192.168.1.5, example.org:7772 or [::1]:7790"));
    form->addRow(QStringLiteral("Host address:"), combo_address);
    layout->addLayout(form);

    label_lan = new QLabel(QStringLiteral("Games on your network (double-click to join):"), this);
    layout->addWidget(label_lan);
    list_games = new QTreeWidget(this);
    list_games->setObjectName(QStringLiteral("list_games"));
    list_games->setColumnCount(ColCount);
    list_games->setHeaderLabels({QStringLiteral("Host"), QStringLiteral("Pilots"),
                                 QStringLiteral("State"), QStringLiteral("Address")});
    list_games->setRootIsDecorated(false);
    list_games->setMinimumHeight(140);
    list_games->header()->setStretchLastSection(true);
    list_games->setColumnWidth(ColHost, 160);
    list_games->setColumnWidth(ColPilots, 60);
    list_games->setColumnWidth(ColState, 80);
    layout->addWidget(list_games);
    label_error = errorLabel(this);
    layout->addWidget(label_error);

    auto* buttons = new QDialogButtonBox(this);
    button_join = buttons->addButton(QStringLiteral("Join"), QDialogButtonBox::AcceptRole);
    button_join->setObjectName(QStringLiteral("button_join"));
    button_join->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &JoinDialog::onJoin);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_games, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (QTreeWidgetItem* item = list_games->currentItem(); item && item->isSelected())
            combo_address->setEditText(item->text(ColAddress));
    });
    connect(list_games, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        combo_address->setEditText(item->text(ColAddress));
        onJoin();
    });

    browser_ = new LanBrowser(this);
    connect(browser_, &LanBrowser::gamesChanged, this, &JoinDialog::refreshGames);
    // The discovery port is held only while the dialog is open.
    connect(this, &QDialog::finished, browser_, &LanBrowser::stop);
    setMinimumSize(520, 360);
}

JoinDialog::~JoinDialog() = default;

void JoinDialog::prepare(const QString& pilotName, const std::vector<std::string>& recentHosts,
                         const QString& address) {
    edit_name->setText(pilotName);
    combo_address->clear();
    for (const std::string& h : recentHosts)
        combo_address->addItem(QString::fromStdString(h));
    combo_address->setEditText(address.isEmpty() && !recentHosts.empty()
                                   ? QString::fromStdString(recentHosts.front())
                                   : address);
    showError(label_error, {});
    QString error;
    if (!browser_->start(&error))
        label_lan->setText(error);
    refreshGames();
}

QString JoinDialog::pilotName() const {
    return validPilotName(edit_name->text()).value_or(QString());
}

void JoinDialog::onJoin() {
    if (pilotName().isEmpty()) {
        showError(label_error, QStringLiteral("Please type your pilot name."));
        edit_name->setFocus();
        return;
    }
    const auto where = parseHostPort(combo_address->currentText().toStdString(), kDefaultPort);
    if (!where) {
        showError(label_error,
                  combo_address->currentText().trimmed().isEmpty()
                      ? QStringLiteral("Pick a game from the list or type the host's address.")
                      : QStringLiteral("\"%1\" is not an address. Type a name or an address, "
                                       "with :port when it is not 7772, for example "
                                       "192.168.1.5, example.org:7790 or [::1]:7790.")
                            .arg(combo_address->currentText().trimmed()));
        combo_address->setFocus();
        return;
    }
    showError(label_error, {});
    accept();
    emit joinRequested(pilotName(), *where);
}

void JoinDialog::refreshGames() {
    const QString current =
        list_games->currentItem() ? list_games->currentItem()->text(ColAddress) : QString();
    list_games->clear();
    for (const FoundGame& g : browser_->games()) {
        const Announcement& a = g.announcement;
        auto* item = new QTreeWidgetItem(list_games);
        item->setText(ColHost, displayQText(a.name));
        item->setText(ColPilots, QStringLiteral("%1 of 4").arg(a.seated));
        item->setText(ColState,
                      a.playing ? QStringLiteral("in a game") : QStringLiteral("waiting"));
        item->setText(ColAddress, g.joinText());
        if (item->text(ColAddress) == current)
            list_games->setCurrentItem(item);
    }
}

// ---------------------------------------------------------------- connecting

ConnectingWindow::ConnectingWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ConnectingWindow"));
    setWindowTitle(QStringLiteral("Driftwake"));
    setStyleSheet(darkDialogStyle());
    auto* layout = new QVBoxLayout(this);
    label_connecting = new QLabel(this);
    label_connecting->setObjectName(QStringLiteral("label_connecting"));
    label_connecting->setWordWrap(true);
    layout->addWidget(label_connecting);
    auto* note =
        new QLabel(QStringLiteral("Waiting up to 10 seconds for the host to answer."), this);
    layout->addWidget(note);
    auto* buttons = new QDialogButtonBox(this);
    button_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    button_cancel->setObjectName(QStringLiteral("button_cancel"));
    layout->addWidget(buttons);
    // Cancel, Escape and the close box all end the attempt.
    connect(this, &QDialog::rejected, this, &ConnectingWindow::cancelled);
    connect(button_cancel, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(360);
}

void ConnectingWindow::showFor(const QString& where) {
    label_connecting->setText(QStringLiteral("Connecting to %1…").arg(where));
    show();
    raise();
}

} // namespace dw
