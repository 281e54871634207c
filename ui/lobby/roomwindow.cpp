#include "ui/lobby/roomwindow.h"

#include "lobby/stanzaelement.h"
#include "protocol/lanwire.h"
#include "protocol/protocol.h"
#include "text/plaintextqt.h"
#include "ui/netdialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace dw::lobby {

namespace {
// How long a shown address may take to answer before the join is relayed.
constexpr int kDirectAnswerMs = 3000;
} // namespace

namespace {

// Lines kept in the chat view.
constexpr int kChatLines = 2000;

QString shown(const QString& text) {
    return displayQText(text);
}

QString shown(const std::string& text) {
    return displayQText(std::string_view(text));
}

} // namespace

RoomWindow::RoomWindow(XmppClient& client, Room& room, QWidget* parent)
    : QWidget(parent), client_(client), room_(room), publisher_(client, room), reconnector_(client),
      relayHost_(client, room) {
    // The router helper is the game program, run as `driftwake --open-port`.
    PortMapper::setHelperProgram(GameLauncher::gameProgram());
    setWindowTitle(QStringLiteral("Driftwake Lobby"));
    setObjectName(QStringLiteral("RoomWindow"));
    setStyleSheet(darkDialogStyle() +
                  QStringLiteral("QWidget#RoomWindow { background: black; }"
                                 "QListWidget { background: #0c0c0c; color: #00ff00;"
                                 " border: 1px solid #2e8b2e; }"));

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("label_status"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setStyleSheet(QStringLiteral("color: #ff6060;"));
    status_->hide();
    nickEdit_ = new QLineEdit;
    nickEdit_->setObjectName(QStringLiteral("edit_nick"));
    nickEdit_->setMaxLength(Room::kMaxNick);
    nickButton_ = new QPushButton(QStringLiteral("Join"));
    nickButton_->setObjectName(QStringLiteral("button_nick"));
    nickRow_ = new QWidget(this);
    auto* nickRow = new QHBoxLayout(nickRow_);
    nickRow->setContentsMargins(0, 0, 0, 0);
    nickRow->addWidget(new QLabel(QStringLiteral("Another name:"), nickRow_));
    nickRow->addWidget(nickEdit_, 1);
    nickRow->addWidget(nickButton_);
    nickRow_->hide();

    tableView_ = new QTreeWidget(this);
    tableView_->setObjectName(QStringLiteral("tree_tables"));
    tableView_->setRootIsDecorated(false);
    tableView_->setHeaderLabels({QStringLiteral("Table"), QStringLiteral("Host"),
                                 QStringLiteral("Seats"), QStringLiteral("Spectators"),
                                 QStringLiteral("State"), QStringLiteral("Amount"),
                                 QStringLiteral("Address")});
    tableView_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tableView_->header()->setStretchLastSection(true);

    chat_ = new QPlainTextEdit(this);
    chat_->setObjectName(QStringLiteral("text_chat"));
    chat_->setReadOnly(true);
    chat_->setMaximumBlockCount(kChatLines);
    input_ = new QLineEdit(this);
    input_->setObjectName(QStringLiteral("edit_chat"));
    input_->setMaxLength(Room::kMaxChat);
    send_ = new QPushButton(QStringLiteral("Send"), this);
    send_->setObjectName(QStringLiteral("button_send"));
    send_->setDefault(true);
    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(input_, 1);
    inputRow->addWidget(send_);

    pilots_ = new QListWidget(this);
    pilots_->setObjectName(QStringLiteral("list_pilots"));
    pilots_->setMaximumWidth(200);
    pilots_->setContextMenuPolicy(Qt::ActionsContextMenu);
    kickAction_ = new QAction(QStringLiteral("Kick"), pilots_);
    kickAction_->setObjectName(QStringLiteral("action_kick"));
    banAction_ = new QAction(QStringLiteral("Ban"), pilots_);
    banAction_->setObjectName(QStringLiteral("action_ban"));
    ignoreAction_ = new QAction(QStringLiteral("Ignore"), pilots_);
    ignoreAction_->setObjectName(QStringLiteral("action_ignore"));
    pilots_->addActions({ignoreAction_, kickAction_, banAction_});

    auto* chatColumn = new QVBoxLayout;
    chatColumn->addWidget(chat_, 1);
    chatColumn->addLayout(inputRow);
    auto* lower = new QHBoxLayout;
    lower->addLayout(chatColumn, 1);
    auto* pilotColumn = new QVBoxLayout;
    pilotColumn->addWidget(new QLabel(QStringLiteral("Pilots here:"), this));
    pilotColumn->addWidget(pilots_, 1);
    lower->addLayout(pilotColumn);

    hostButton_ = new QPushButton(QStringLiteral("Host a Table"), this);
    hostButton_->setObjectName(QStringLiteral("button_host"));
    showAddress_ = new QCheckBox(QStringLiteral("Show my address to the room"), this);
    showAddress_->setObjectName(QStringLiteral("check_address"));
    auto* tablesRow = new QHBoxLayout;
    tablesRow->addWidget(new QLabel(QStringLiteral("Tables (double click to join):"), this), 1);
    tablesRow->addWidget(showAddress_);
    tablesRow->addWidget(hostButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(nickRow_);
    layout->addLayout(tablesRow);
    layout->addWidget(tableView_, 2);
    layout->addLayout(lower, 3);
    resize(760, 540);

    const auto sendLine = [this] {
        if (!room_.isJoined() || input_->text().trimmed().isEmpty())
            return;
        room_.sendChat(input_->text());
        input_->clear();
    };
    connect(send_, &QPushButton::clicked, this, sendLine);
    connect(input_, &QLineEdit::returnPressed, this, sendLine);
    connect(nickButton_, &QPushButton::clicked, this, [this] {
        const QString nick = nickEdit_->text().trimmed();
        if (!nick.isEmpty())
            join(roomJid_, nick);
    });
    connect(nickEdit_, &QLineEdit::returnPressed, nickButton_, &QPushButton::click);

    connect(&room_, &Room::joined, this, [this] {
        say(QString());
        nickRow_->hide();
        lastNick_ = room_.nick();
        refreshPilots();
    });
    connect(&room_, &Room::joinFailed, this, &RoomWindow::joinFailed);
    connect(&room_, &Room::removed, this, &RoomWindow::removedFromRoom);
    connect(&room_, &Room::chat, this, [this](const QString& nick, const QString& text, bool) {
        if (!isIgnored(nick))
            addLine(shown(nick) + QStringLiteral(": ") + shown(text));
    });
    connect(&room_, &Room::moderationRefused, this,
            [this] { addLine(QStringLiteral("The room refused to do that.")); });
    connect(pilots_, &QListWidget::currentItemChanged, this, &RoomWindow::updateActions);
    connect(kickAction_, &QAction::triggered, this, [this] { room_.kick(selectedPilot()); });
    connect(banAction_, &QAction::triggered, this, [this] {
        if (!room_.ban(selectedPilot()))
            addLine(QStringLiteral("The room does not show you that pilot's account."));
    });
    connect(ignoreAction_, &QAction::triggered, this, [this] {
        const QString nick = selectedPilot();
        if (nick.isEmpty() || nick == room_.nick())
            return;
        if (!ignored_.erase(nick))
            ignored_.insert(nick);
        refreshPilots();
    });
    connect(showAddress_, &QCheckBox::toggled, this, [this](bool on) {
        hosted_.setShowAddress(on);
        publishTable();
    });
    connect(&hosted_, &HostedTable::changed, this, &RoomWindow::publishTable);
    connect(&room_, &Room::occupantJoined, this, [this] { refreshPilots(); });
    connect(&room_, &Room::occupantLeft, this, [this](const QString& nick) {
        refreshPilots();
        if (tables_.left(nick.toStdString()))
            refreshTables();
    });
    connect(&room_, &Room::presence, this, [this](const QString& nick, StanzaRef st) {
        if (tables_.heard(nick.toStdString(), tableIn(st.stanza), TableList::Clock::now()))
            refreshTables();
    });
    connect(hostButton_, &QPushButton::clicked, this, &RoomWindow::hostTable);
    connect(tableView_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (!item->isDisabled())
            joinTable(item->data(ColHost, Qt::UserRole).toString().toStdString());
    });
    connect(&launcher_, &GameLauncher::hostedOpened, this, [this] {
        hosted_.start(room_.nick(), launcher_.hostedPort());
        relayHost_.setGamePort(launcher_.hostedPort());
        publishTable();
    });
    connect(&launcher_, &GameLauncher::hostedClosed, this, [this] {
        hosted_.stop();
        relayHost_.setGamePort(0);
        publishTable();
    });
    connect(&relayHost_, &RelayHost::proxyChecked, this, &RoomWindow::refreshTables);
    connect(&client_, &XmppClient::disconnected, this, [this](Failure f) {
        if (f != Failure::None)
            say(failureText(f));
        pilots_->clear();
        tables_ = TableList();
        refreshTables();
        updateActions();
    });
    connect(&reconnector_, &Reconnector::reconnected, this, [this] {
        say(QString());
        if (wantRoom_)
            room_.join(roomJid_, lastNick_);
    });
    connect(&reconnector_, &Reconnector::gaveUp, this, [this](Failure f) { say(failureText(f)); });
    updateActions();
}

RoomWindow::~RoomWindow() {
    // The members go in turn: a hosted game's link that closes as the
    // launcher goes must not reach the table already gone.
    launcher_.disconnect(this);
    hosted_.disconnect(this);
}

void RoomWindow::join(const QString& roomJid, const QString& nick) {
    roomJid_ = roomJid;
    lastNick_ = nick;
    wantRoom_ = true;
    say(QString());
    room_.join(roomJid, nick);
}

void RoomWindow::say(const QString& text) {
    status_->setText(text);
    status_->setVisible(!text.isEmpty());
}

void RoomWindow::addLine(const QString& line) {
    chat_->appendPlainText(line);
}

void RoomWindow::joinFailed(RoomFailure failure) {
    say(roomFailureText(failure));
    const bool another =
        failure == RoomFailure::NicknameTaken || failure == RoomFailure::BadNickname;
    nickRow_->setVisible(another);
    if (another) {
        nickEdit_->setFocus();
        nickEdit_->selectAll();
    }
}

void RoomWindow::removedFromRoom(RoomFailure failure) {
    // Removed by a moderator: said once, here, and the room is not joined
    // again behind the pilot's back.
    wantRoom_ = false;
    say(roomFailureText(failure));
    addLine(roomFailureText(failure));
    pilots_->clear();
    tables_ = TableList();
    refreshTables();
    updateActions();
}

void RoomWindow::refreshPilots() {
    const QString selected = selectedPilot();
    pilots_->clear();
    for (const auto& [nick, occupant] : room_.occupants()) {
        QString line = shown(nick);
        if (occupant.role == QStringLiteral("moderator"))
            line += QStringLiteral(" (moderator)");
        if (isIgnored(nick))
            line += QStringLiteral(" (ignored)");
        // Moderators may see the pilot's real account.
        if (!occupant.jid.isEmpty() && room_.canKick())
            line += QStringLiteral(" ") + shown(occupant.jid.section('/', 0, 0));
        auto* item = new QListWidgetItem(line, pilots_);
        item->setData(Qt::UserRole, nick);
        if (nick == selected)
            pilots_->setCurrentItem(item);
    }
    updateActions();
}

QString RoomWindow::selectedPilot() const {
    const QListWidgetItem* item = pilots_->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void RoomWindow::updateActions() {
    const QString nick = selectedPilot();
    const bool other = !nick.isEmpty() && nick != room_.nick() && room_.isJoined();
    kickAction_->setEnabled(other && room_.canKick());
    banAction_->setEnabled(other && room_.canBan());
    ignoreAction_->setEnabled(other);
    ignoreAction_->setText(isIgnored(nick) ? QStringLiteral("Stop Ignoring")
                                           : QStringLiteral("Ignore"));
}

void RoomWindow::refreshTables() {
    tableView_->clear();
    for (const auto& [nick, t] : tables_.tables()) {
        auto* item = new QTreeWidgetItem(tableView_);
        QStringList addresses;
        for (const HostPort& a : t.addresses)
            addresses << QString::fromStdString(formatHostPort(a.host, a.port));
        item->setText(ColName, shown(t.name));
        item->setText(ColHost, shown(nick));
        item->setData(ColHost, Qt::UserRole, QString::fromStdString(nick));
        item->setText(ColSeats, QStringLiteral("%1 of %2").arg(t.seats).arg(kMaxSeats));
        item->setText(ColSpectators, QString::number(t.spectators));
        item->setText(ColState, t.playing ? QStringLiteral("playing") : QStringLiteral("waiting"));
        // A table whose host has not started a game yet has no amount.
        item->setText(ColAmount, t.amount > 0 ? QString::number(t.amount) : QStringLiteral("-"));
        // Without the server's proxy only a shown address can be joined.
        QString where = addresses.join(QStringLiteral(", "));
        if (relayHost_.proxyMissing())
            where = where.isEmpty() ? QStringLiteral("direct joins only")
                                    : where + QStringLiteral(" (direct joins only)");
        item->setText(ColAddress, where.isEmpty() ? QStringLiteral("not shown") : where);
        if (t.version != kVersion) {
            // Shown, but not for joining: the host speaks another version.
            item->setText(ColState, QStringLiteral("needs version %1").arg(shown(t.version)));
            item->setDisabled(true);
            for (int c = 0; c < tableView_->columnCount(); ++c)
                item->setForeground(c, QColor(0x6a, 0x6a, 0x6a));
        }
    }
}

void RoomWindow::hostTable() {
    if (!room_.isJoined())
        return;
    QString error;
    if (!launcher_.host(room_.nick(), error))
        say(error);
}

void RoomWindow::joinTable(const std::string& hostNick) {
    const auto found = tables_.tables().find(hostNick);
    if (found == tables_.tables().end())
        return;
    const auto& addresses = found->second.addresses;
    if (addresses.empty()) {
        if (relayHost_.proxyKnown())
            joinRelayed(hostNick);
        else
            say(QStringLiteral("This table's host shows no address to join."));
        return;
    }
    // A shown address is joined directly when it answers within 3 s; else
    // the join is relayed.
    firstAnswering(addresses, kDirectAnswerMs, this, [this, hostNick](std::optional<HostPort> a) {
        if (!a) {
            if (relayHost_.proxyKnown())
                joinRelayed(hostNick);
            else
                say(QStringLiteral("This table's address does not answer."));
            return;
        }
        QString error;
        if (!launcher_.join(room_.nick(), QString::fromStdString(formatHostPort(a->host, a->port)),
                            error))
            say(error);
    });
}

void RoomWindow::joinRelayed(const std::string& hostNick) {
    auto join = std::make_unique<RelayJoin>(client_, *relayHost_.proxy(),
                                            room_.roomJid() + QLatin1Char('/') +
                                                QString::fromStdString(hostNick));
    if (!join->listen()) {
        say(QStringLiteral("No loopback port is free for the relayed join."));
        return;
    }
    connect(join.get(), &RelayJoin::failed, this, [this](const QString& why) { say(why); });
    QString error;
    if (!launcher_.join(room_.nick(), QStringLiteral("127.0.0.1:%1").arg(join->port()), error)) {
        say(error);
        return;
    }
    // The last relayed join stays while its game may rejoin through it.
    if (isRelaying() && relayJoin_)
        relayJoin_.release()->setParent(this);
    relayJoin_ = std::move(join);
}

bool RoomWindow::isRelaying() const {
    return relayHost_.streams() > 0 || (relayJoin_ && relayJoin_->connections() > 0);
}

void RoomWindow::closeEvent(QCloseEvent* event) {
    if (isRelaying() &&
        QMessageBox::question(this, QStringLiteral("Quit the lobby?"),
                              QStringLiteral("A game's connection runs through this lobby: "
                                             "quitting drops it. Quit anyway?")) !=
            QMessageBox::Yes) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void RoomWindow::publishTable() {
    publisher_.setTable(hosted_.table());
}

} // namespace dw::lobby
