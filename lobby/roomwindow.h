// The lobby's room window: the room's chat, the pilots present and the
// tables they host, all shown as plain text. A taken nickname is answered
// with one sentence and a field to choose another; a kick or a ban reads
// one sentence.
#pragma once

#include "lobby/gamelauncher.h"
#include "lobby/room.h"
#include "lobby/tablelist.h"

#include <QWidget>

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

    // Joins `roomJid` as `nick`.
    void join(const QString& roomJid, const QString& nick);

    const TableList& tables() const { return tables_; }
    GameLauncher& launcher() { return launcher_; }

private:
    void say(const QString& text);
    void addLine(const QString& line);
    void refreshPilots();
    void refreshTables();
    void joinFailed(RoomFailure failure);
    void hostTable();
    void joinTable(const std::string& hostNick);
    void publishTable(bool listed);

    XmppClient& client_;
    Room& room_;
    QString roomJid_;
    TableList tables_;
    GameLauncher launcher_;
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
