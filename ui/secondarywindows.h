// The main window's other windows, made at the start in this order: about,
// the watchers' list, help, game options, phrases, tally and the lobby
// download; and the notice window that collects the host's notices.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class QMessageBox;
class QWidget;

namespace dw {

class AboutWindow;
class DownloadWindow;
class GameOptionsDialog;
class GameView;
class HelpWindow;
class PhrasesWindow;
class TallyWindow;
class WatcherList;
class WindowSettings;

class SecondaryWindows : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The game options' Start: `message` goes to the host.
        std::function<void(const std::string& message)> startGame;
        // The download window ends the game.
        std::function<void()> endGame;
    };

    // The windows belong to `window`.
    SecondaryWindows(QWidget* window, GameView& view, WindowSettings& files, const Hooks& hooks);

    AboutWindow* about() const { return about_; }
    WatcherList* watchers() const { return watchers_; }
    HelpWindow* help() const { return help_; }
    GameOptionsDialog* gameOptions() const { return gameOptions_; }
    PhrasesWindow* phrases() const { return phrases_; }
    TallyWindow* tally() const { return tally_; }
    DownloadWindow* download() const { return download_; }

    // File > Start Game, and the board's start button: the host's game
    // options, once connected.
    void openGameOptions();
    // Nobody watches any more: a new connection's game.
    void clearWatchers();
    // One notice window collects the latest of the host's notices, so that a
    // burst of refused plays never piles up windows.
    void notice(const QString& text);

private:
    QWidget* window_;
    GameView& view_;
    AboutWindow* about_ = nullptr;
    WatcherList* watchers_ = nullptr;
    HelpWindow* help_ = nullptr;
    GameOptionsDialog* gameOptions_ = nullptr;
    PhrasesWindow* phrases_ = nullptr;
    TallyWindow* tally_ = nullptr;
    DownloadWindow* download_ = nullptr;
    QPointer<QMessageBox> notice_;
    QStringList noticeLines_;
};

} // namespace dw
