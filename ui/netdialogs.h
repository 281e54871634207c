// The windows that start network play: the start window of a solo start
// (when no lobby download is configured), the host dialog and the join
// dialog with its live list of games on the LAN.
#pragma once

#include "protocol/lanwire.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace dw {

class LanBrowser;

// The pilot name a user gets before choosing one: the full name the system
// knows, else the login name; never "You".
QString defaultPilotName();

// A pilot name as typed: blanks around it removed; nothing when it is empty
// or holds control characters.
std::optional<QString> validPilotName(const QString& typed);

// Every address of this machine on its networks, as a friend would type it
// with `port` ("192.168.1.5:7772", "[2001:db8::5]:7772"); loopback and
// link-local addresses left out.
QStringList lanAddresses(int port);

class StartWindow : public QDialog {
    Q_OBJECT
public:
    explicit StartWindow(QWidget* parent = nullptr);
    QPushButton* button_solo = nullptr;
    QPushButton* button_host = nullptr;
    QPushButton* button_join = nullptr;
    QPushButton* button_lobby = nullptr;

signals:
    void soloChosen();
    void hostChosen();
    void joinChosen();
    // "Find Players Online…": the lobby program.
    void lobbyChosen();
};

class HostDialog : public QDialog {
    Q_OBJECT
public:
    explicit HostDialog(QWidget* parent = nullptr);

    // Fills the form for a new start.
    void prepare(const QString& pilotName, int port, bool internet);
    QString pilotName() const;
    int port() const;
    bool internet() const;

    // Hosting started: show where friends can join, and what the router said.
    void hosted(const QStringList& addresses, const QString& internetLine);
    // Hosting could not start; the form stays for another try.
    void failed(const QString& text);
    // The text the copy button puts on the clipboard.
    QString addressText() const;

    QLineEdit* edit_name = nullptr;
    QSpinBox* edit_port = nullptr;
    QCheckBox* check_internet = nullptr;
    QLabel* label_error = nullptr;
    QPlainTextEdit* memo_addresses = nullptr;
    QLabel* label_internet = nullptr;
    QPushButton* button_copy = nullptr;
    QPushButton* button_host = nullptr;
    QPushButton* button_close = nullptr;

signals:
    void hostRequested(const QString& pilotName, int port, bool internet);

private:
    void onHost();
};

class JoinDialog : public QDialog {
    Q_OBJECT
public:
    // Game list columns.
    enum Column { ColHost, ColPilots, ColState, ColAddress, ColCount };

    explicit JoinDialog(QWidget* parent = nullptr);
    ~JoinDialog() override;

    // Fills the form and starts listening for games on the LAN.
    void prepare(const QString& pilotName, const std::vector<std::string>& recentHosts,
                 const QString& address = QString());
    QString pilotName() const;

    QLineEdit* edit_name = nullptr;
    QComboBox* combo_address = nullptr;
    QTreeWidget* list_games = nullptr;
    QLabel* label_lan = nullptr;
    QLabel* label_error = nullptr;
    QPushButton* button_join = nullptr;

    // Joins the address typed (or the game picked); also the Join button.
    void onJoin();

signals:
    void joinRequested(const QString& pilotName, const dw::HostPort& where);

private:
    void refreshGames();

    LanBrowser* browser_ = nullptr;
};

// Shown while a join from the join dialog waits for the host's answer; its
// Cancel ends the attempt.
class ConnectingWindow : public QDialog {
    Q_OBJECT
public:
    explicit ConnectingWindow(QWidget* parent = nullptr);
    // Shows the window for a join of `where` ("host:port" as typed).
    void showFor(const QString& where);

    QLabel* label_connecting = nullptr;
    QPushButton* button_cancel = nullptr;

signals:
    void cancelled();
};

// The dark look of the network windows, like the game's other windows.
QString darkDialogStyle();

} // namespace dw
