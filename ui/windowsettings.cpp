#include "ui/windowsettings.h"

#include "store/datadir.h"
#include "store/inifile.h"
#include "ui/messagebox.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <QtGlobal>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dw {

namespace {

QString tallyPath(const QString& dataDir) {
    return QDir(dataDir).filePath(QString::fromStdString(tallyFileName()));
}

} // namespace

WindowSettings::WindowSettings(QWidget* window, Hooks hooks)
    : QObject(window), window_(window), hooks_(std::move(hooks)), dataDir_(dw::dataDirectory()) {}

std::string WindowSettings::iniPath() const {
    return settingsFilePath(dataDir_.toStdString()).string();
}

QString WindowSettings::lobbyUrl() const {
    const QString fromEnv = qEnvironmentVariable("DRIFTWAKE_LOBBY_URL");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QString::fromStdString(
        IniFile::load(iniPath()).read(kSettingsSection, "Lobbyurl").value_or(""));
}

Settings WindowSettings::load() {
    const Settings s = loadSettingsFile(iniPath());
    storedGeometry_ = s.geometry;
    applyGeometry(s.geometry);
    return s;
}

void WindowSettings::save() {
    // Before the settings were read at login, saving would only replace the
    // user's stored choices with the built-in defaults.
    if (storedGeometry_)
        saveWith([this] { return saveSettingsFile(iniPath(), hooks_.current()); });
}

WindowGeometry WindowSettings::windowGeometry() const {
    const QRect f = window_->frameGeometry();
    return {f.top(), f.left(), f.width(), f.height()};
}

void WindowSettings::applyGeometry(const WindowGeometry& g) {
    const QSize frame = window_->frameGeometry().size() - window_->size();
    window_->move(g.left, g.top);
    window_->resize(g.width - frame.width(), g.height - frame.height());
}

std::optional<QString> WindowSettings::loadTally() {
    const QString path = tallyPath(dataDir_);
    const auto error = tally_.load(path.toStdString());
    if (!error)
        return std::nullopt;
    // The tally starts afresh; the file that could not be read is kept
    // aside rather than overwritten at the end of the run.
    QString text = QString::fromStdString(*error);
    const QString kept = path + QStringLiteral(".damaged");
    QFile::remove(kept);
    if (QFile::rename(path, kept))
        text += QStringLiteral("\nThe unreadable tally was kept as ") + kept;
    return text;
}

void WindowSettings::saveOnEnd(bool tellUser) {
    Size work{};
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        work = {screen->availableGeometry().width(), screen->availableGeometry().height()};
    if (const auto g = geometryToSaveOnClose(windowGeometry(), storedGeometry_, work)) {
        storedGeometry_ = *g;
        Settings s = hooks_.current();
        s.geometry = *g;
        saveWith([this, &s] { return saveSettingsFile(iniPath(), s); }, tellUser);
    }
    saveTally(tellUser);
}

void WindowSettings::saveWith(const std::function<bool()>& save, bool tellUser) {
    errno = 0;
    if (save())
        return;
    const int error = errno;
    const QString why = error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                   : QStringLiteral("the file could not be read or written");
    const QString text =
        QStringLiteral("Your options could not be saved in %1: %2. Options changed now are lost "
                       "when Driftwake ends.")
            .arg(QDir::toNativeSeparators(QString::fromStdString(iniPath())), why);
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    if (!tellUser)
        return;
    if (!hooks_.closing()) {
        hooks_.notice(text);
        return;
    }
    // The window is closing: the box waits for the user to read it.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Driftwake"), text, QMessageBox::Ok,
                    plainParent(window_));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void WindowSettings::saveTally(bool tellUser) {
    if (tallySaved_)
        return;
    tallySaved_ = true;
    const auto error = tally_.save(tallyPath(dataDir_).toStdString());
    if (!error)
        return;
    const QString text = QString::fromStdString(*error) +
                         QStringLiteral("\nThe tally of this session could not be saved.");
    std::fprintf(stderr, "driftwake: %s\n", text.toLocal8Bit().constData());
    if (tellUser)
        QMessageBox::warning(plainParent(window_), QStringLiteral("Driftwake"), text);
}

} // namespace dw
