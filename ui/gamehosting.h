// The host server this copy runs, its announcements on the LAN and the port
// the router is asked to open for it: what hosting a game needs besides the
// window's own connection to it.
#pragma once

#include "store/settings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

namespace dw {

class HostServer;
class LanAnnouncer;
class PortMapper;

class GameHosting : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The computer pilots' delay, in milliseconds, and their level.
        std::function<int()> botDelay;
        std::function<PilotLevel()> pilotLevel;
        // A host server's notice for the user.
        std::function<void(const QString& text)> notice;
        // The router's answer to openRouterPort(): `sentence` is the address
        // friends on the internet use, or why there is none.
        std::function<void(bool ok, const QString& sentence)> routerAnswered;
    };

    // `timerScale` speeds up the game's timers (tests).
    GameHosting(double timerScale, Hooks hooks, QObject* parent);

    HostServer* server() const { return server_; }
    LanAnnouncer* announcer() const { return announcer_; }
    PortMapper* portMapper() const { return portmap_; }

    // A fresh host server in place of the old one, which closes at once (its
    // port is free for the next).
    void renew();
    // Starts the host server on `port`; a private one keeps to this machine
    // and takes any free port when `port` is taken.
    bool listen(int port, bool privately, QString* error);
    bool listening() const;
    // A game runs on the host server.
    bool gameRunning() const;
    // The LAN hears of the game, hosted by `name`.
    void announce(const std::string& name);
    void openRouterPort(int port);
    // No more announcements, and the router's port is closed.
    void stop();
    // The program ends at once: every peer hears that the host ends.
    void shutdown();
    // The level of every seat the host server's computer plays.
    void setPilotLevel(PilotLevel level);

private:
    Hooks hooks_;
    double timerScale_;
    HostServer* server_ = nullptr;
    PortMapper* portmap_ = nullptr;
    LanAnnouncer* announcer_ = nullptr;
    std::string announceId_;
    std::string hostName_;
};

} // namespace dw
