// The main window's connection to the host: one client connection at a
// time, and rejoining with the seat key after it drops, with the banner that
// tells how it goes.
#pragma once

#include "client/rejoin.h"
#include "protocol/launch.h"
#include "protocol/messages.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <string_view>

class QWidget;

namespace dw {

class Banner;
class ClientConnection;

class GameConnection : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // Every command that is not a step of rejoining, in order.
        std::function<void(std::string_view word, std::string_view payload)> message;
        // The connection closed (not while an attempt to rejoin runs).
        std::function<void()> closed;
        // Connecting failed (not while rejoining).
        std::function<void(const QString& why, bool notFound, bool refused)> failed;
        // The seat (or another entry) is back: the board starts afresh with
        // `entry`, and `text` tells the user.
        std::function<void(const msg::SendLoginInfo& entry, const QString& text)> rejoined;
        // The connection dropped for good: see MainWindow::gameEnded.
        std::function<void(const QString& text, ExitStatus code, bool notice)> ended;
        // The connection dropped and rejoining starts: `text` tells the user.
        std::function<void(const QString& text)> lost;
        // The banner's "Try Again" after the game ended.
        std::function<void()> retryClicked;
    };

    // The banner lies over `area`; `board` is disabled while the seat is away.
    GameConnection(Hooks hooks, QWidget* area, QWidget* board, QObject* parent);

    ClientConnection* client() const { return conn_; }
    RejoinPlan& rejoinPlan() { return rejoin_; }
    Banner* banner() const { return banner_; }

    void connectTo(const QString& host, quint16 port);
    // Ends the connection there is (at once) and makes a fresh one.
    void renew();
    // The connection closed while the game runs: rejoining starts if the
    // seat has a key, else the game ends.
    void connectionLost();
    // The host is full: true when an attempt to rejoin took it (and waits
    // for the next).
    bool fullWhileRejoining();
    // "Try Again": rejoining starts afresh with the same key; false when it
    // may not.
    bool tryAgain();
    // No more attempts; the banner stays when `keepBanner`.
    void stopRejoining(bool keepBanner = false);
    // The game ended: no attempt runs any more, the banner is left as is.
    void halt();

private:
    void dispatch(std::string_view message);
    // The steps of rejoining; true when the message belongs to them.
    bool rejoinMessage(const Command& c);
    void rejoinTick();
    void armRejoin();
    void showRejoinBanner();

    Hooks hooks_;
    ClientConnection* conn_ = nullptr;
    QString host_;
    quint16 port_ = 0;
    RejoinPlan rejoin_;
    QTimer rejoinTimer_;
    bool reclaimSent_ = false;
    Banner* banner_ = nullptr;
    QWidget* board_ = nullptr;
};

} // namespace dw
