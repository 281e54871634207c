// The main window: the board, the chat, the menus, the connection to the
// host and, on the hosting copy, the host server itself. It composes the
// parts that do each of these (see README.md) and wires them together.
#pragma once

#include "protocol/launch.h"
#include "store/tallytable.h"
#include "ui/gameview.h"

#include <QMainWindow>

#include <string_view>

namespace dw {

class ChatPane;
class GameConnection;
class GameEnding;
class HostServer;
class LanAnnouncer;
class MainMenus;
class NetworkDialogs;
class NetworkPlay;
class SecondaryWindows;
class WindowChoices;
class WindowSettings;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const LaunchOptions& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // For tests and tools.
    BoardModel& model() { return view_->model(); }
    HostServer* server() const;
    const TallyTable& tally() const;
    ChatPane& chat() { return view_->chat(); }
    // The bot delay of the host's own player, in milliseconds.
    int botDelay() const;
    // Network play from the window, for tests and tools.
    NetworkDialogs& dialogs();
    LanAnnouncer* announcer() const;
    // The lobby download address, or empty (see WindowSettings::lobbyUrl).
    QString lobbyUrl() const;
    // The File menu's entries; both ask before leaving a game.
    void hostGame();
    void joinGame();

    // SIGTERM or SIGINT: ends the program at once, without questions: the
    // host's notice goes out to its peers, the router port is closed, the
    // settings and the tally are saved (failures on standard error only).
    void endOnSignal();

    // The connection to the host, rejoining and its banner.
    GameConnection& connection() { return *connection_; }
    // How the program ends (see ExitStatus); 0 unless the game of a launch
    // line ended on its own.
    int exitStatus() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    // The host's commands, each to the part it concerns.
    void dispatch(std::string_view word, std::string_view payload);
    // The board and the controls follow the model.
    void changed();

    WindowSettings* prefs_ = nullptr;
    GameView* view_ = nullptr;
    GameConnection* connection_ = nullptr;
    MainMenus* menus_ = nullptr;
    SecondaryWindows* windows_ = nullptr;
    NetworkPlay* play_ = nullptr;
    WindowChoices* choices_ = nullptr;
    GameEnding* ending_ = nullptr;
};

} // namespace dw
