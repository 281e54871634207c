#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QSoundEffect;

namespace dw {

// Plays the built-in sound recordings by name, one at a time.
//
// Names are looked up without regard to letter case. Starting a sound cuts off the one
// that is playing; playback runs in the background, so play() returns at once. A name
// without a recording sounds the platform's alert instead. When no audio output is
// available, or a recording cannot be started, nothing is heard and nothing is reported.
class SoundPlayer : public QObject {
    Q_OBJECT

public:
    explicit SoundPlayer(QObject* parent = nullptr);
    ~SoundPlayer() override;

    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Starts the recording called name, or the platform's alert if there is none.
    void play(const QString& name);
    // Whether a recording called name exists.
    bool has(const QString& name) const;
    // Cuts off the sound that is playing, if any.
    void stop();

    // The resource path of the recording called name, or an empty string.
    static QString resourcePath(const QString& name);
    // The names of all built-in recordings, in lower case, sorted.
    static QStringList names();

signals:
    // play() had no recording for name and sounded the platform's alert.
    void alertSounded(const QString& name);

private:
    QSoundEffect* effectFor(const QString& key, const QString& path);

    QHash<QString, QSoundEffect*> effects_; // created on first use, by lower-case name
    QSoundEffect* current_ = nullptr;       // the one started last
};

} // namespace dw
