// Finding games on the LAN over UDP: a hosting copy announces itself once a
// second; browsers listen and keep a list of the games heard lately.
//
// Announcements go to the loopback broadcast address 127.255.255.255 (every
// listener on this machine hears it, no daemon needed) and to the IPv4
// broadcast address of every other interface that is up. With
// DRIFTWAKE_LAN_SCOPE=loopback only the loopback address is used, which
// keeps tests on this machine. Browsers bind the discovery port with address
// sharing, so several copies on one machine all hear every announcement.
#pragma once

#include "protocol/lanwire.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUdpSocket>

#include <functional>

namespace dw {

// A game heard on the LAN.
struct FoundGame {
    Announcement announcement;
    // The address the announcement came from, the one to join.
    QString address;
    qint64 lastHeardMs = 0;
    // "192.168.1.5:7772" or "[fe80::1]:7772".
    QString joinText() const;
};

class LanAnnouncer : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 1000;

    // `what` is asked for the current state before every announcement.
    explicit LanAnnouncer(std::function<Announcement()> what, QObject* parent = nullptr);
    void start();
    void stop();
    bool isRunning() const { return timer_.isActive(); }
    void announceNow();
    // A random id for a host's announcements.
    static std::string newId();

    // The addresses announcements go to.
    static QList<QHostAddress> targets();

private:
    std::function<Announcement()> what_;
    QUdpSocket socket_;
    QTimer timer_;
};

class LanBrowser : public QObject {
    Q_OBJECT
public:
    // A game unheard for this long is taken off the list.
    static constexpr int kForgetMs = 4000;
    // The list holds at most this many games; announcements of further
    // games are ignored until listed ones are forgotten.
    static constexpr int kMaxGames = 64;

    explicit LanBrowser(QObject* parent = nullptr);
    // Starts listening; false with a reason when the port cannot be bound.
    bool start(QString* error = nullptr);
    // Closes the port and forgets every game.
    void stop();
    // The games heard, in the order first heard.
    const QList<FoundGame>& games() const { return games_; }

signals:
    void gamesChanged();

private:
    void readPending();
    void forgetOld();

    QUdpSocket socket_;
    QTimer forget_;
    QElapsedTimer clock_;
    QList<FoundGame> games_;
};

// --find-games SECONDS: listens that long and prints one line per game
// ("ADDRESS:PORT seated N/4 waiting|playing NAME"); 0 when any game was
// found, else "no games found" and 1. Needs a QCoreApplication.
int runFindGames(double seconds);

} // namespace dw
