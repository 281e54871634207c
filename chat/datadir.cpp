#include "chat/datadir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace dw {

QString dataDirectory() {
    // A private directory chosen by the user, such as a portable install or
    // one copy of several on one machine.
    const QString chosen = qEnvironmentVariable("DRIFTWAKE_DATA_DIR");
    if (!chosen.isEmpty()) {
        QDir().mkpath(chosen);
        return chosen;
    }
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeDir).isWritable())
        return exeDir;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(user);
    return user;
}

} // namespace dw
