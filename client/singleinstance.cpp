#include "client/singleinstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace dw {

namespace {

// The install (the executable's directory) and the data directory, as one
// short name for the lock file and the local server.
QString instanceKey(const QString& dataDirectory,
                    const QString& programDirectory = QCoreApplication::applicationDirPath()) {
    const QString data = QDir(dataDirectory).canonicalPath();
    const QByteArray dirs = (programDirectory + QLatin1Char('\n') +
                             (data.isEmpty() ? QDir::cleanPath(dataDirectory) : data))
                                .toUtf8();
    const QByteArray hash =
        QCryptographicHash::hash(dirs, QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("driftwake-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

constexpr int kForwardWaitMs = 1000;

QString lockPath(const QString& key) {
    return QDir(QDir::tempPath()).filePath(key + ".lock");
}

} // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), key_(instanceKey(dataDirectory)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            bringForward();
        }
    });
}

SingleInstance::~SingleInstance() {
    server_.close();
}

bool SingleInstance::anotherRunning() {
    lock_ = std::make_unique<QLockFile>(lockPath(key_));
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        QLocalServer::removeServer(key_);
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        server_.listen(key_);
        return false;
    }
    lock_.reset();
    QLocalSocket socket;
    socket.connectToServer(key_);
    if (socket.waitForConnected(kForwardWaitMs)) {
        socket.write("raise");
        socket.waitForBytesWritten(kForwardWaitMs);
        socket.disconnectFromServer();
    }
    return true;
}

bool SingleInstance::running(const QString& dataDirectory, const QString& programDirectory) {
    // Only read the lock: taking it, even for a moment, would make a copy
    // starting at that moment believe another one runs, and end.
    QLockFile lock(lockPath(instanceKey(dataDirectory, programDirectory)));
    qint64 pid = 0;
    QString host;
    QString app;
    if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0)
        return false;
    // A lock left by a copy that died counts for nothing (a starting copy
    // takes it over), and neither does one whose copy was killed but not yet
    // reaped: such a process has no program any more.
    if (::kill(static_cast<pid_t>(pid), 0) != 0)
        return false;
    const QByteArray exe = QByteArrayLiteral("/proc/") + QByteArray::number(pid) + "/exe";
    char target[8];
    return ::readlink(exe.constData(), target, sizeof target) > 0 || errno != ENOENT;
}

void SingleInstance::bringForward() {
    if (!window_)
        return;
    if (window_->isMinimized())
        window_->showNormal();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace dw
