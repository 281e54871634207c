// Starts games through their launch line and listens for their lobby link.
// "Host a Table" starts `driftwake NAME 127.0.0.1 true --port P` (P a free
// port), a table's double click `driftwake NAME ADDRESS join`, each as its
// own process, with DRIFTWAKE_LOBBY_LINK_PORT set to the port this lobby
// listens on for that game's link. DRIFTWAKE_LOBBY_GAME_ARGS adds options to
// every game started. The link is never read or written: a hosted game's
// link open is its table listed, closed is it withdrawn.
//
// Joined games link to one port (9001 when free). A hosted game links to a
// port of its own, opened for it alone and closed once it has linked: a game
// started by hand links to 9001, and must not be taken for the table's.
// While a game window of this data directory is open no game is started:
// the new one would only bring that window forward and end.
#pragma once

#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

namespace dw::lobby {

class GameLauncher : public QObject {
    Q_OBJECT
public:
    explicit GameLauncher(QObject* parent = nullptr);

    // The game program: DRIFTWAKE_BIN when set, else the one beside this
    // program, else the one on the PATH.
    static QString gameProgram();

    // The port joined games' links are heard on; 0 when none could be opened.
    quint16 linkPort() const { return link_.isListening() ? link_.serverPort() : 0; }
    // Starts a hosted game for `pilot`; false (with `error`) when it could
    // not start, or one still runs or starts. The game's port is
    // hostedPort() after.
    bool host(const QString& pilot, QString& error);
    // Starts a game joining `address` (HOST:PORT) as `pilot`.
    bool join(const QString& pilot, const QString& address, QString& error);
    quint16 hostedPort() const { return hostedPort_; }
    // The process id of the last game started.
    qint64 lastPid() const { return pid_; }
    bool hosting() const { return hostedLink_ != nullptr; }

signals:
    // The hosted game's link opened (its table is listed) or closed.
    void hostedOpened();
    void hostedClosed();

private:
    bool start(const QStringList& arguments, quint16 linkPort, QString& error);
    void accepted();
    void hostedLinked();

    QTcpServer link_;
    // Listens for the hosted game's link until it comes.
    QTcpServer* hostedListener_ = nullptr;
    QTcpSocket* hostedLink_ = nullptr;
    quint16 hostedPort_ = 0;
    qint64 hostedPid_ = 0;
    qint64 pid_ = 0;
};

} // namespace dw::lobby
