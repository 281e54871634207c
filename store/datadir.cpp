#include "store/datadir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace dw {

namespace {

bool isSystemDirectory(const QString& dir) {
    for (const char* prefix : {"/usr/", "/bin", "/sbin", "/opt/", "/snap/"})
        if (dir.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

} // namespace

QString dataDirectory() {
    // A private directory chosen by the user, such as a portable install or
    // one copy of several on one machine.
    const QString chosen = qEnvironmentVariable("DRIFTWAKE_DATA_DIR");
    if (!chosen.isEmpty()) {
        QDir().mkpath(chosen);
        return chosen;
    }
    // An unpacked copy keeps its files beside the executable, as the lobby
    // expects; an installed one never writes into the system's directories,
    // even when run by a user who could.
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeDir).isWritable() && !isSystemDirectory(exeDir))
        return exeDir;
    // Named for the game, not for the program asking: the lobby beside it
    // reads and writes the same files.
    const QString user =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/driftwake";
    QDir().mkpath(user);
    return user;
}

} // namespace dw
