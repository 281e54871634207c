// Network play begun from the main window: the start window, the host and
// join dialogs, the Connecting window with its time limit, what the dialogs
// remember (name, port, recent hosts), and a join's failures explained with
// the choice to try again.
#pragma once

#include "protocol/lanwire.h"
#include "protocol/protocol.h"
#include "store/netchoices.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class QWidget;

namespace dw {

class ConnectingWindow;
class HostDialog;
class JoinDialog;
class StartWindow;

class NetworkDialogs : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The choices of the start window and the dialogs.
        std::function<void()> solo, lobby;
        std::function<void(const QString& name, int port, bool internet)> host;
        std::function<void(const QString& name, const HostPort& where)> join;
        // Neither hosting nor connected.
        std::function<bool()> idle;
        // Ends the network side (see MainWindow::stopNetwork).
        std::function<void()> stopNetwork;
        std::function<void(const QString& text)> status;
        // Writes the choices with the window's settings.
        std::function<void(const NetworkChoices& choices)> save;
    };

    NetworkDialogs(NetworkChoices choices, Hooks hooks, QWidget* window);

    StartWindow* startWindow() const { return startWindow_; }
    HostDialog* hostDialog() const { return hostDialog_; }
    JoinDialog* joinDialog() const { return joinDialog_; }
    ConnectingWindow* connectingWindow() const { return connecting_; }
    NetworkChoices& choices() { return choices_; }
    void saveChoices();

    void openStartWindow();
    void openHostDialog();
    void openJoinDialog(const QString& address = QString());

    // A join from the join dialog starts: its failures are explained and
    // may be tried again instead of ending the program.
    void beginJoin(const HostPort& where);
    // The host of the join from the dialog, while it runs.
    const std::optional<HostPort>& joining() const { return join_; }
    // The host answered: it goes first in the recent hosts.
    void hostAnswered();
    // No join runs any more.
    void stop();
    // The join failed: `text` says why, and a box offers "Try Again".
    void joinFailed(const QString& text);
    // The connection of a join from the dialog closed before the host let
    // the user in, or connecting failed: the join fails with a sentence that
    // says why. False when no such join runs.
    bool joinClosed();
    bool joinNotConnected(const QString& why, bool notFound, bool refused);

private:
    // Cancel in the Connecting window: the join ends, its dialog comes back.
    void cancelJoin();

    Hooks hooks_;
    NetworkChoices choices_;
    StartWindow* startWindow_ = nullptr;
    HostDialog* hostDialog_ = nullptr;
    JoinDialog* joinDialog_ = nullptr;
    ConnectingWindow* connecting_ = nullptr;
    std::optional<HostPort> join_;
    QTimer joinTimer_;
};

} // namespace dw
