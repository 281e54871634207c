// The main window: the board, the chat, the menus, the connection to the
// host and, on the hosting copy, the host server itself.
#pragma once

#include "client/boardmodel.h"
#include "client/rejoin.h"
#include "protocol/lanwire.h"
#include "protocol/launch.h"
#include "store/netchoices.h"
#include "store/settings.h"
#include "store/tallytable.h"
#include "ui/gameview.h"

#include <QMainWindow>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QMessageBox;

namespace dw {

class BoardWidget;
class ChatPane;
struct ChatLine;
class ClientConnection;
class GameConnection;
class MainMenus;
class SeatMenu;
class NetworkDialogs;
class WindowSettings;
class LanAnnouncer;
class PortMapper;
class HostDialog;
class ConnectingWindow;
class JoinDialog;
class StartWindow;
class SoundPlayer;
class Banner;
class HostServer;
class AboutWindow;
class DownloadWindow;
class GameOptionsDialog;
class HelpWindow;
class PhrasesWindow;
class WatcherList;
class TallyWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const LaunchOptions& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // For tests and tools.
    BoardModel& model() { return view_->model(); }
    HostServer* server() const { return server_; }
    const TallyTable& tally() const;
    ChatPane& chat() { return view_->chat(); }
    QString dataDirectory() const;

    // The bot delay of the host's own player, in milliseconds.
    int botDelay() const;

    // Network play from the window, for tests and tools.
    NetworkDialogs& dialogs() { return *net_; }
    LanAnnouncer* announcer() const { return announcer_; }
    PortMapper* portMapper() const { return portmap_; }
    // The lobby download address when one is configured
    // (DRIFTWAKE_LOBBY_URL, else the key "Lobbyurl"), or empty: a solo start
    // shows the download window only when there is one, and the start
    // window otherwise.
    QString lobbyUrl() const;
    // The File menu's entries; both ask before leaving a solo game.
    void hostGame();
    void joinGame();
    // "Find Players Online…" (the start window and the File menu): starts
    // driftwake-lobby and closes the game; when the lobby cannot be started
    // a notice says why and the game stays (false).
    bool findPlayersOnline();

    // SIGTERM or SIGINT: ends the program at once, without questions: the
    // host's notice goes out to its peers, the router port is closed, the
    // settings and the tally are saved (failures on standard error only).
    void endOnSignal();

    // The connection to the host, rejoining and its banner.
    GameConnection& connection() { return *connection_; }
    // How the program ends (see ExitStatus); 0 unless the game of a launch
    // line ended on its own.
    int exitStatus() const { return exitStatus_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Start-up.
    void buildWindow();
    void buildMenus();
    void createWindows();
    void startFromLaunchLine();
    void startHosting();
    bool startHosting(QString* error);
    void joinFromLaunchLine();
    void fatal(const QString& text);

    // Network play from the window.
    void makeServer();
    // The connection closed, or connecting failed.
    void connectionClosed();
    void connectionFailed(const QString& why, bool notFound, bool refused);
    // Ends the network side (host server, connection, announcements) and
    // clears the board, so that hosting or joining can start afresh.
    void stopNetwork();
    bool mayLeaveGame();
    void hostFromDialog(const QString& name, int port, bool internet);
    void joinFromDialog(const QString& name, const HostPort& where);
    void playSolo();
    void startAnnouncing();
    void updateNetworkMenu();

    // Receiving.
    void dispatch(std::string_view word, std::string_view payload);
    template <class M, void (MainWindow::*Handle)(const M&)> void on(std::string_view payload);
    void full(const msg::Full& m);

    // The game's end, and the host's rights (mainwindowend.cpp).
    void setupEnding();
    // A board as a new connection finds it, for the seat given back or the
    // new one: nothing of the old connection's game survives.
    void freshBoard();
    void keepSeatKey(const msg::SeatKey& m);
    void hostEnding(const msg::HostClosing& m);
    void removed(const msg::Removed& m);
    // The game ended without the user: `text` says why in one sentence. A
    // game started from the window shows it and offers the start window
    // (and "Try Again" when rejoining may start afresh); a launch line's copy
    // puts it on standard error, shows it for a few seconds (or not at all
    // when not `notice`) and ends with `code`.
    void gameEnded(const QString& text, ExitStatus code, bool notice = true);
    // "Try Again": rejoining starts afresh with the same key.
    void tryAgain();
    // Ends the program without asking, with `code`.
    void quit(ExitStatus code = ExitStatus::GameOver);
    // This copy hosts a network game that runs.
    bool hostingGame() const;

    void send(const std::string& message);
    // The board and the controls follow the model.
    void changed();

    void status(const QString& text);
    void hostNotice(const QString& text);

    // Settings.
    void applyStoredSettings();
    Settings currentSettings() const;
    void setTextSize(int points);
    void setBotSpeed(BotSpeed speed);
    // The level of every seat the host server's computer plays.
    void setPilotLevel(PilotLevel level);

    // Menus and controls.
    void openGameOptions();
    void justWatch();
    void chooseTextColour();
    void resetScreenLocation();
    // The board (and the chat in it) scaled to the client area.
    void fitBoard();
    // View > Actual Size: the window that shows the board at 100%.
    void actualSize();
    void nameLabelMenu(int seat, QPoint globalPos);
    void openWebsite();
    LaunchOptions options_;
    WindowSettings* prefs_ = nullptr;
    bool shown_ = false;

    GameView* view_ = nullptr;
    GameConnection* connection_ = nullptr;
    QTcpSocket lobbyLink; // the lobby link: opened, never written
    QPointer<QMessageBox> notice_;

    // Network play from the window.
    LanAnnouncer* announcer_ = nullptr;
    PortMapper* portmap_ = nullptr;
    std::string announceId_;
    QStringList noticeLines_;

    // The game's end.
    QTimer endTimer_;
    bool quitting_ = false;
    // The game was started from the window (solo, or a dialog), not from the
    // launch line: its end leads back to the start window.
    bool windowGame_ = false;
    // The game ended (gameEnded): the connection's close means nothing more.
    bool ended_ = false;
    int exitStatus_ = 0;

    // Other windows, created after the main window in start-up order.
    AboutWindow* about_ = nullptr;
    WatcherList* spylist_ = nullptr;
    HelpWindow* help_ = nullptr;
    GameOptionsDialog* gamestart_ = nullptr;
    PhrasesWindow* phrases_ = nullptr;
    TallyWindow* tallylist_ = nullptr;
    HostServer* server_ = nullptr;
    DownloadWindow* download_ = nullptr;

    NetworkDialogs* net_ = nullptr;
    MainMenus* menus_ = nullptr;
    SeatMenu* seatMenu_ = nullptr;
};

} // namespace dw
