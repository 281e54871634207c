// The main window's files: the settings file, read at login and written on
// each change, the window's geometry in it, and the tally file, read at the
// start and written once at the end. A write that fails is told, never
// silent.
#pragma once

#include "store/settings.h"
#include "store/tallytable.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace dw {

class WindowSettings : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The window's choices as they are now, to be written.
        std::function<Settings()> current;
        // A failure told while the window stays.
        std::function<void(const QString& text)> notice;
        // The window is closing: a failure waits in a box for the user.
        std::function<bool()> closing;
    };

    // `window` is the main window, whose geometry is kept.
    WindowSettings(QWidget* window, Hooks hooks);

    QString dataDirectory() const { return dataDir_; }
    std::string iniPath() const;
    // The lobby download address when one is configured
    // (DRIFTWAKE_LOBBY_URL, else the key "Lobbyurl"), or empty: a solo start
    // shows the download window only when there is one, and the start
    // window otherwise.
    QString lobbyUrl() const;
    // The choices that are not shown anywhere else (text size, bot speed,
    // pilot level).
    Settings& settings() { return settings_; }
    TallyTable& tally() { return tally_; }

    // Reads the settings file and places the window where it says.
    Settings load();
    // Writes the window's choices; nothing before the first load(), which
    // would only replace the stored choices with the defaults.
    void save();
    // Runs `save` (a write of the settings file); a failure is told when
    // `tellUser`, and always on standard error.
    void saveWith(const std::function<bool()>& save, bool tellUser = true);
    // Reads the tally file; an unreadable one is kept aside, and the text
    // returned says so.
    std::optional<QString> loadTally();
    // What the window saves at its end: the geometry when it changed, and
    // the tally; failures in message boxes when `tellUser`.
    void saveOnEnd(bool tellUser);
    // Writes the tally file once.
    void saveTally(bool tellUser);
    WindowGeometry windowGeometry() const;
    void applyGeometry(const WindowGeometry& g);

private:
    QWidget* window_;
    Hooks hooks_;
    QString dataDir_;
    Settings settings_;
    // The geometry last read from or written to the settings file; empty
    // until the settings are first loaded at login.
    std::optional<WindowGeometry> storedGeometry_;
    TallyTable tally_;
    bool tallySaved_ = false;
};

} // namespace dw
