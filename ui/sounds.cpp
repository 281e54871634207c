#include "ui/sounds.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace dw {

namespace {

const QString kSoundDir = QStringLiteral(":/sounds");

// Lower-case recording name -> resource path, read once from the embedded files.
const QHash<QString, QString>& recordingIndex() {
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> result;
        const QDir dir(kSoundDir);
        const QStringList files =
            dir.entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QString& file : files) {
            result.insert(QFileInfo(file).completeBaseName().toLower(), dir.filePath(file));
        }
        return result;
    }();
    return index;
}

void soundAlert() {
    // The alert needs the widget application; without one there is nothing to sound.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        QApplication::beep();
    }
}

} // namespace

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

SoundPlayer::~SoundPlayer() {
    stop();
}

void SoundPlayer::play(const QString& name) {
    const QString key = name.toLower();
    const QString path = recordingIndex().value(key);
    stop();
    if (path.isEmpty()) {
        soundAlert();
        emit alertSounded(name);
        return;
    }
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        return; // nowhere to play it: stay quiet
    }
    current_ = effectFor(key, path);
    // Starts at once when loaded, otherwise as soon as loading completes; an effect whose
    // recording failed to load or has no output device stays quiet.
    current_->play();
}

bool SoundPlayer::has(const QString& name) const {
    return recordingIndex().contains(name.toLower());
}

void SoundPlayer::stop() {
    if (current_ != nullptr) {
        current_->stop();
        current_ = nullptr;
    }
}

QString SoundPlayer::resourcePath(const QString& name) {
    return recordingIndex().value(name.toLower());
}

QStringList SoundPlayer::names() {
    QStringList result = recordingIndex().keys();
    result.sort();
    return result;
}

QSoundEffect* SoundPlayer::effectFor(const QString& key, const QString& path) {
    QSoundEffect*& effect = effects_[key];
    if (effect == nullptr) {
        effect = new QSoundEffect(this);
        effect->setSource(QUrl(QStringLiteral("qrc") + path));
    }
    return effect;
}

} // namespace dw
