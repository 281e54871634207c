#include "ui/sounds.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include <cstring>

namespace dw {
namespace {

// What a RIFF wave header says about its recording.
struct WaveInfo {
    bool valid = false;
    QString problem;
    quint16 format = 0;
    quint16 channels = 0;
    quint32 rate = 0;
    quint16 bits = 0;
    quint32 frames = 0;
    double seconds() const { return rate == 0 ? 0.0 : double(frames) / rate; }
};

quint16 le16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 le32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

WaveInfo readWave(const QByteArray& bytes) {
    WaveInfo info;
    const auto fail = [&info](const char* why) {
        info.problem = QString::fromLatin1(why);
        return info;
    };
    if (bytes.size() < 12 || std::memcmp(bytes.constData(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.constData() + 8, "WAVE", 4) != 0) {
        return fail("not a RIFF WAVE file");
    }
    if (le32(bytes.constData() + 4) != quint32(bytes.size() - 8)) {
        return fail("RIFF size does not match the file size");
    }
    bool haveFormat = false;
    quint16 blockAlign = 0;
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const char* chunk = bytes.constData() + pos;
        const quint32 size = le32(chunk + 4);
        if (size > quint32(bytes.size() - pos - 8)) {
            return fail("chunk runs past the end of the file");
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) {
                return fail("short fmt chunk");
            }
            info.format = le16(chunk + 8);
            info.channels = le16(chunk + 10);
            info.rate = le32(chunk + 12);
            blockAlign = le16(chunk + 20);
            info.bits = le16(chunk + 22);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat || blockAlign == 0) {
                return fail("data before a usable fmt chunk");
            }
            if (blockAlign != info.channels * ((info.bits + 7) / 8)) {
                return fail("block alignment does not fit channels and bits");
            }
            if (size % blockAlign != 0) {
                return fail("data holds a partial frame");
            }
            info.frames = size / blockAlign;
            info.valid = true;
            return info;
        }
        pos += 8 + size + (size & 1);
    }
    return fail("no data chunk");
}

WaveInfo readRecording(const QString& name) {
    const QString path = SoundPlayer::resourcePath(name);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        WaveInfo info;
        info.problem = QStringLiteral("no recording");
        return info;
    }
    return readWave(file.readAll());
}

constexpr quint16 kPcm = 1;

QStringList chatterNames() {
    QStringList result;
    for (int n = 1; n <= 20; ++n) {
        result << QStringLiteral("wave%1").arg(n);
    }
    return result;
}

const QStringList kGameNames = {"entered", "gamestart", "turn",       "turn1",
                                "turn2",   "clickcard", "move",       "undock",
                                "dock",    "damage",    "protection", "repair",
                                "discard", "invalid",   "roundover",  "gameover"};

int playingCount(const SoundPlayer& player) {
    int count = 0;
    for (const QSoundEffect* effect : player.findChildren<QSoundEffect*>()) {
        count += effect->isPlaying() ? 1 : 0;
    }
    return count;
}

} // namespace

class SoundsTest : public QObject {
    Q_OBJECT

private slots:
    void everyRecordingIsShortMonoPcm();
    void recordingSetIsExactlyTheSoundTable();
    void lookupIgnoresLetterCase();
    void nameWithoutRecordingSoundsTheAlert();
    void playReturnsWithoutRunningTheEventLoop();
    void newSoundCutsOffThePlayingOne();
};

// Every recording is a well-formed mono PCM wave the sound output can load;
// the chatter sounds are short 8-bit ones.
void SoundsTest::everyRecordingIsShortMonoPcm() {
    for (const QString& name : SoundPlayer::names()) {
        const WaveInfo info = readRecording(name);
        QVERIFY2(info.valid, qPrintable(name + QStringLiteral(": ") + info.problem));
        QCOMPARE(info.format, kPcm);
        QCOMPARE(info.channels, quint16(1));
        QVERIFY2(info.bits == 8 || info.bits == 16, qPrintable(name));
        QVERIFY2(info.rate >= 8000 && info.rate <= 44100, qPrintable(name));
        QVERIFY2(info.seconds() >= 0.1 && info.seconds() <= 5.0,
                 qPrintable(QStringLiteral("%1 lasts %2 s").arg(name).arg(info.seconds())));
        if (chatterNames().contains(name)) {
            QCOMPARE(info.bits, quint16(8));
            QVERIFY2(info.rate <= 22050 && info.seconds() >= 0.3, qPrintable(name));
        }
    }
}

void SoundsTest::recordingSetIsExactlyTheSoundTable() {
    QStringList expected = kGameNames + chatterNames();
    expected.sort();
    QCOMPARE(SoundPlayer::names(), expected);

    SoundPlayer player;
    for (const QString& name : expected) {
        QVERIFY2(player.has(name), qPrintable(name));
    }
    // Target clicks use the platform's alert; there is deliberately no recording.
    QVERIFY(!player.has(QStringLiteral("clicktarget")));
    QVERIFY(SoundPlayer::resourcePath(QStringLiteral("clicktarget")).isEmpty());
}

void SoundsTest::lookupIgnoresLetterCase() {
    SoundPlayer player;
    QVERIFY(player.has(QStringLiteral("TURN")));
    QVERIFY(player.has(QStringLiteral("Wave4")));
    QVERIFY(player.has(QStringLiteral("GameOver")));
    QCOMPARE(SoundPlayer::resourcePath(QStringLiteral("GAMEOVER")),
             SoundPlayer::resourcePath(QStringLiteral("gameover")));
    QVERIFY(!SoundPlayer::resourcePath(QStringLiteral("gameover")).isEmpty());

    // Only whole recording names match: no file names, paths, prefixes or empty names.
    for (const char* name : {"", "turn.wav", "turn3", "wave0", "wave21", "wave", "tur",
                             "../sounds/turn", ":/sounds/turn.wav", " turn"}) {
        QVERIFY2(!player.has(QString::fromLatin1(name)), name);
    }
}

void SoundsTest::nameWithoutRecordingSoundsTheAlert() {
    SoundPlayer player;
    QSignalSpy alerts(&player, &SoundPlayer::alertSounded);
    player.play(QStringLiteral("clicktarget"));
    player.play(QStringLiteral("no such sound"));
    player.play(QString());
    QCOMPARE(alerts.count(), 3);
    QCOMPARE(alerts.at(0).at(0).toString(), QStringLiteral("clicktarget"));

    player.play(QStringLiteral("Turn"));
    player.play(QStringLiteral("wave20"));
    QCOMPARE(alerts.count(), 3);
}

void SoundsTest::playReturnsWithoutRunningTheEventLoop() {
    // A nested event loop inside play() would deliver this zero-time timer.
    bool loopRan = false;
    QTimer::singleShot(0, this, [&loopRan] { loopRan = true; });
    {
        SoundPlayer player;
        for (const QString& name : SoundPlayer::names()) {
            player.play(name);
        }
        player.play(QStringLiteral("clicktarget"));
        QVERIFY(!loopRan);
        // Let loading and (missing) output devices report back, then tear down mid-play.
        player.play(QStringLiteral("gameover"));
        QTest::qWait(50);
    }
    QVERIFY(loopRan);
}

void SoundsTest::newSoundCutsOffThePlayingOne() {
    SoundPlayer player;
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        // Without an output device nothing is loaded or started, and nothing complains.
        QSignalSpy alerts(&player, &SoundPlayer::alertSounded);
        player.play(QStringLiteral("gameover"));
        player.play(QStringLiteral("gamestart"));
        QVERIFY(player.findChildren<QSoundEffect*>().isEmpty());
        QCOMPARE(alerts.count(), 0);
        player.stop();
        return;
    }
    player.play(QStringLiteral("gameover"));
    QTest::qWait(20);
    player.play(QStringLiteral("gamestart"));
    player.play(QStringLiteral("gamestart")); // a repeat restarts rather than stacks
    QVERIFY(playingCount(player) <= 1);
    QTest::qWait(20);
    QVERIFY(playingCount(player) <= 1);
    for (const QSoundEffect* effect : player.findChildren<QSoundEffect*>()) {
        if (effect->source().path().endsWith(QStringLiteral("gameover.wav"))) {
            QVERIFY(!effect->isPlaying());
        }
    }
    QCOMPARE(player.findChildren<QSoundEffect*>().size(), 2); // one cached effect per name

    player.stop();
    QCOMPARE(playingCount(player), 0);
}

} // namespace dw

QTEST_MAIN(dw::SoundsTest)
#include "test_sounds.moc"
