#include "ui/lobbystart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace dw {

namespace {

constexpr const char* kLobbyName = "driftwake-lobby";

} // namespace

QString lobbyProgram() {
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kLobbyName));
    if (QFileInfo(beside).isFile() && QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(QString::fromLatin1(kLobbyName));
}

bool startLobby(QString& error, qint64* pid) {
    const QString program = lobbyProgram();
    if (program.isEmpty()) {
        error = QStringLiteral("The lobby could not be started: driftwake-lobby was found "
                               "neither beside the game nor on the PATH.");
        return false;
    }
    if (!QProcess::startDetached(program, {}, QString(), pid)) {
        error = QStringLiteral("The lobby could not be started: %1 did not run.").arg(program);
        return false;
    }
    return true;
}

} // namespace dw
