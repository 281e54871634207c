#include "client/singleinstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

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
    // The running copy holds the lock; a lock left by a copy that died is
    // taken over, as a starting copy would.
    QLockFile lock(lockPath(instanceKey(dataDirectory, programDirectory)));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
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
