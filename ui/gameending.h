// How the main window's game ends without the user: the host ends it,
// removes this pilot, is full, or the link to it cannot be made again. A
// game begun from the window leads back to the start window (with "Try
// Again" when the seat may still be taken back); a launch line's copy tells
// why and ends with its exit status. Also the host's word on the own seat:
// the key that takes it back after a dropped link.
#pragma once

#include "protocol/launch.h"
#include "protocol/messages.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <string_view>

class QWidget;

namespace dw {

class GameConnection;
class GameView;
class NetworkDialogs;
class SecondaryWindows;

class GameEnding : public QObject {
    Q_OBJECT
public:
    // `mode` is the launch line's: its game ends with the program.
    GameEnding(LaunchMode mode, QWidget* window, GameView& view, GameConnection& connection,
               NetworkDialogs& dialogs, SecondaryWindows& windows);

    // The host's commands about the own seat and the game's end; false for
    // any other.
    bool handle(std::string_view word, std::string_view payload);
    // The game ended without the user: `text` says why in one sentence. A
    // game started from the window shows it and offers the start window
    // (and "Try Again" when rejoining may start afresh); a launch line's copy
    // puts it on standard error, shows it for a few seconds (or not at all
    // when not `notice`) and ends with `code`.
    void gameEnded(const QString& text, ExitStatus code, bool notice = true);
    // "Try Again": rejoining starts afresh with the same key.
    void tryAgain();
    // A game begun from the window follows: its end leads back to the start
    // window, and no attempt to rejoin the one before runs any more.
    void restart();

    // The window is closing: the end needs nothing more.
    bool closing() const { return quitting_; }
    // The game ended, or the window is closing: the connection's close
    // means nothing more.
    bool over() const { return quitting_ || ended_; }
    // The window closes (the notice of an end may stay on the board).
    void windowClosing();
    // The program ends at once (a signal).
    void endingNow();
    // How the program ends (see ExitStatus); 0 unless the game of a launch
    // line ended on its own.
    int exitStatus() const { return exitStatus_; }

private:
    // Ends the program without asking, with `code`.
    void quit(ExitStatus code);
    void full(const msg::Full& m);
    void keepSeatKey(const msg::SeatKey& m);
    void hostEnding(const msg::HostClosing& m);
    void removed(const msg::Removed& m);

    QWidget* window_;
    GameView& view_;
    GameConnection& connection_;
    NetworkDialogs& dialogs_;
    SecondaryWindows& windows_;
    QTimer endTimer_;
    bool quitting_ = false;
    // The game was started from the window (solo, or a dialog), not from the
    // launch line: its end leads back to the start window.
    bool windowGame_ = false;
    // The game ended (gameEnded).
    bool ended_ = false;
    int exitStatus_ = 0;
};

} // namespace dw
