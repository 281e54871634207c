#include "ui/lobby/gamelauncher.h"

#include "client/singleinstance.h"
#include "protocol/launch.h"
#include "store/datadir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTcpSocket>

#include <csignal>
#include <memory>

namespace dw::lobby {

QString GameLauncher::gameProgram() {
    if (const QString bin = qEnvironmentVariable("DRIFTWAKE_BIN"); !bin.isEmpty())
        return bin;
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath("driftwake");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStringLiteral("driftwake");
}

namespace {

// True while a game window of this data directory is open: the game
// started would only bring that one forward and end.
bool gameWindowOpen(const QString& program) {
    QString path = program;
    if (!program.contains(QLatin1Char('/')))
        path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return false;
    // The game names its install by the directory of its resolved path.
    return SingleInstance::running(dataDirectory(), QFileInfo(path).canonicalPath());
}

const QString kCannotListen =
    QStringLiteral("The lobby cannot listen for its games on this machine.");

quint16 freeTcpPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::Any, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

GameLauncher::GameLauncher(QObject* parent) : QObject(parent) {
    if (!link_.listen(QHostAddress::LocalHost, kLobbyLinkPort))
        link_.listen(QHostAddress::LocalHost, 0);
    connect(&link_, &QTcpServer::newConnection, this, &GameLauncher::accepted);
}

bool GameLauncher::start(const QStringList& arguments, quint16 linkPort, QString& error) {
    const QString program = gameProgram();
    if (gameWindowOpen(program)) {
        error = QStringLiteral("A Driftwake window is already open for this data directory: "
                               "close it before starting another game.");
        return false;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments +
                         QProcess::splitCommand(qEnvironmentVariable("DRIFTWAKE_LOBBY_GAME_ARGS")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DRIFTWAKE_LOBBY_LINK_PORT"), QString::number(linkPort));
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    if (!process.startDetached(&pid_)) {
        error = QStringLiteral("The game could not be started.");
        return false;
    }
    return true;
}

bool GameLauncher::host(const QString& pilot, QString& error) {
    if (hosting()) {
        error = QStringLiteral("Your table's game is still running.");
        return false;
    }
    if (hostedListener_ && ::kill(static_cast<pid_t>(hostedPid_), 0) == 0) {
        error = QStringLiteral("Your table's game is still starting.");
        return false;
    }
    const quint16 port = freeTcpPort();
    if (port == 0) {
        error = QStringLiteral("No free port was found for the game.");
        return false;
    }
    auto listener = std::make_unique<QTcpServer>(this);
    if (!listener->listen(QHostAddress::LocalHost, 0)) {
        error = kCannotListen;
        return false;
    }
    if (!start({pilot, QStringLiteral("127.0.0.1"), QStringLiteral("true"),
                QStringLiteral("--port"), QString::number(port)},
               listener->serverPort(), error))
        return false;
    // A game hosted before that ended without linking is forgotten with
    // its listener.
    delete hostedListener_;
    hostedListener_ = listener.release();
    connect(hostedListener_, &QTcpServer::newConnection, this, &GameLauncher::hostedLinked);
    hostedPort_ = port;
    hostedPid_ = pid_;
    return true;
}

bool GameLauncher::join(const QString& pilot, const QString& address, QString& error) {
    if (!link_.isListening()) {
        error = kCannotListen;
        return false;
    }
    return start({pilot, address, QStringLiteral("join")}, linkPort(), error);
}

namespace {

// Keeps a game's link open until the game closes it; nothing is said on
// it, and anything heard is dropped.
void keepLink(QTcpSocket* socket) {
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
}

} // namespace

void GameLauncher::accepted() {
    while (QTcpSocket* socket = link_.nextPendingConnection())
        keepLink(socket);
}

void GameLauncher::hostedLinked() {
    QTcpSocket* socket = hostedListener_ ? hostedListener_->nextPendingConnection() : nullptr;
    if (!socket)
        return;
    // The port was the hosted game's alone: it listens no more.
    socket->setParent(this);
    hostedListener_->close();
    hostedListener_->deleteLater();
    hostedListener_ = nullptr;
    keepLink(socket);
    hostedLink_ = socket;
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        hostedLink_ = nullptr;
        emit hostedClosed();
    });
    emit hostedOpened();
}

} // namespace dw::lobby
