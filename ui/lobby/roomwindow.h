// The lobby's room window: the room's chat, the pilots present and the
// tables they host, all shown as plain text. A taken nickname is answered
// with one sentence and a field to choose another; a kick or a ban reads
// one sentence, and the room is not joined again. The pilot list's context
// menu kicks and bans (for moderators) and ignores a pilot locally. A
// dropped connection is signed in again, the room rejoined and the table
// published again, while a hosted game goes on.
#pragma once

#include "lobby/bytestream.h"
#include "lobby/reconnector.h"
#include "lobby/relayjoin.h"
#include "lobby/room.h"
#include "lobby/tablelist.h"
#include "lobby/tablepublisher.h"
#include "ui/lobby/gamelauncher.h"
#include "ui/lobby/hostedtable.h"

#include <QWidget>

#include <memory>
#include <set>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace dw::lobby {

class RoomWindow : public QWidget {
    Q_OBJECT
public:
    // The columns of the table list.
    enum Column { ColName, ColHost, ColSeats, ColSpectators, ColState, ColAmount, ColAddress };

    RoomWindow(XmppClient& client, Room& room, QWidget* parent = nullptr);
    ~RoomWindow() override;

    // Joins `roomJid` as `nick`.
    void join(const QString& roomJid, const QString& nick);

    const TableList& tables() const { return tables_; }
    GameLauncher& launcher() { return launcher_; }
    const TablePublisher& publisher() const { return publisher_; }
    const HostedTable& hostedTable() const { return hosted_; }
    bool isIgnored(const QString& nick) const { return ignored_.count(nick) > 0; }
    const RelayHost& relayHost() const { return relayHost_; }
    // The relayed join of the last table joined that way, if any.
    const RelayJoin* relayJoin() const { return relayJoin_.get(); }
    // True while this lobby carries a game's connections through the relay.
    bool isRelaying() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void say(const QString& text);
    void addLine(const QString& line);
    void refreshPilots();
    void refreshTables();
    void joinFailed(RoomFailure failure);
    void hostTable();
    void joinTable(const std::string& hostNick);
    void joinRelayed(const std::string& hostNick);
    void publishTable();
    void updateActions();
    QString selectedPilot() const;
    void removedFromRoom(RoomFailure failure);

    XmppClient& client_;
    Room& room_;
    QString roomJid_;
    TableList tables_;
    GameLauncher launcher_;
    TablePublisher publisher_;
    HostedTable hosted_;
    Reconnector reconnector_;
    // Relayed joins: to the game this lobby hosts, and to the table joined.
    RelayHost relayHost_;
    std::unique_ptr<RelayJoin> relayJoin_;
    std::set<QString> ignored_;
    // The room is wanted: rejoined after a dropped connection.
    bool wantRoom_ = false;
    QString lastNick_;
    QCheckBox* showAddress_;
    QAction* kickAction_;
    QAction* banAction_;
    QAction* ignoreAction_;
    QPushButton* hostButton_;
    QLabel* status_;
    QWidget* nickRow_;
    QLineEdit* nickEdit_;
    QPushButton* nickButton_;
    QPlainTextEdit* chat_;
    QLineEdit* input_;
    QPushButton* send_;
    QListWidget* pilots_;
    QTreeWidget* tableView_;
};

} // namespace dw::lobby
