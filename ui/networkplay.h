// Which game the main window plays, and how it starts: the launch line's
// (solo, hosting or joining), or solo, hosting and joining chosen in the
// start window and the dialogs, each leaving the game before it; "Find
// Players Online…" hands over to the lobby.
#pragma once

#include "protocol/launch.h"

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace dw {

class GameConnection;
class GameHosting;
class GameView;
class MainMenus;
class NetworkDialogs;
class SecondaryWindows;
class WindowSettings;
struct HostPort;

class NetworkPlay : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The board and the controls follow the model.
        std::function<void()> changed;
        // The game before ends for one begun from the window (see
        // GameEnding::restart).
        std::function<void()> restart;
        // The window closes without asking: the lobby takes over.
        std::function<void()> closeWindow;
    };
    // The parts of the window that a game's start and end touch.
    struct Parts {
        GameView& view;
        GameConnection& connection;
        SecondaryWindows& windows;
        MainMenus& menus;
        WindowSettings& files;
    };

    // The launch line's game starts once `window` is first shown.
    NetworkPlay(const LaunchOptions& options, Parts parts, Hooks hooks, QWidget* window);

    GameHosting& hosting() { return *hosting_; }
    NetworkDialogs& dialogs() { return *dialogs_; }

    // Asks before leaving a game that runs; true when it may be left.
    bool mayLeaveGame();
    // "Find Players Online…": starts driftwake-lobby and closes the window;
    // when the lobby cannot be started a notice says why and the game stays
    // (false).
    bool findPlayersOnline();
    // A network game runs: it is never left from the menu (a solo game is).
    bool networkGame() const;
    // This copy hosts a network game that runs.
    bool hostingGame() const;
    // Connecting failed (not while rejoining).
    void connectionFailed(const QString& why, bool notFound, bool refused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startFromLaunchLine();
    bool startHosting(QString* error);
    // Ends the network side (host server, connection, announcements) and
    // clears the board, so that hosting or joining can start afresh.
    void stopNetwork();
    void playSolo();
    void hostFromDialog(const QString& name, int port, bool internet);
    void joinFromDialog(const QString& name, const HostPort& where);

    LaunchOptions options_;
    Parts parts_;
    Hooks hooks_;
    QWidget* window_;
    NetworkDialogs* dialogs_ = nullptr;
    GameHosting* hosting_ = nullptr;
};

} // namespace dw
