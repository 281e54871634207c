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
    void gameRecordingsHaveTheirFormat_data();
    void gameRecordingsHaveTheirFormat();
    void chatterRecordingsAreShortMono8Bit_data();
    void chatterRecordingsAreShortMono8Bit();
    void recordingSetIsExactlyTheSoundTable();
    void lookupIgnoresLetterCase();
    void nameWithoutRecordingSoundsTheAlert();
    void playReturnsWithoutRunningTheEventLoop();
    void newSoundCutsOffThePlayingOne();
};

void SoundsTest::gameRecordingsHaveTheirFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("seconds");
    const struct {
        const char* name;
        int rate;
        int bits;
        double seconds;
    } table[] = {
        {"entered", 11025, 8, 0.79},     {"gamestart", 16000, 16, 1.93},
        {"turn", 16000, 16, 1.47},       {"turn1", 16000, 16, 1.47},
        {"turn2", 16000, 16, 1.24},      {"clickcard", 11025, 8, 0.14},
        {"move", 16000, 16, 0.81},       {"undock", 16000, 16, 1.64},
        {"dock", 16000, 16, 1.54},       {"damage", 16000, 16, 1.28},
        {"protection", 16000, 16, 0.70}, {"repair", 16000, 16, 1.30},
        {"discard", 44100, 16, 0.22},    {"invalid", 16000, 16, 1.32},
        {"roundover", 16000, 16, 1.54},  {"gameover", 22050, 16, 2.79},
    };
    for (const auto& row : table) {
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << row.rate << row.bits
                                << row.seconds;
    }
}

void SoundsTest::gameRecordingsHaveTheirFormat() {
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(double, seconds);
    const WaveInfo info = readRecording(name);
    QVERIFY2(info.valid, qPrintable(info.problem));
    QCOMPARE(info.format, kPcm);
    QCOMPARE(info.channels, quint16(1));
    QCOMPARE(int(info.rate), rate);
    QCOMPARE(int(info.bits), bits);
    QVERIFY2(qAbs(info.seconds() - seconds) <= 0.02,
             qPrintable(QStringLiteral("lasts %1 s").arg(info.seconds())));
}

void SoundsTest::chatterRecordingsAreShortMono8Bit_data() {
    QTest::addColumn<QString>("name");
    for (const QString& name : chatterNames()) {
        QTest::newRow(qPrintable(name)) << name;
    }
}

void SoundsTest::chatterRecordingsAreShortMono8Bit() {
    QFETCH(QString, name);
    const WaveInfo info = readRecording(name);
    QVERIFY2(info.valid, qPrintable(info.problem));
    QCOMPARE(info.format, kPcm);
    QCOMPARE(info.channels, quint16(1));
    QCOMPARE(info.bits, quint16(8));
    QVERIFY2(info.rate >= 8000 && info.rate <= 22050, qPrintable(QString::number(info.rate)));
    QVERIFY2(info.seconds() >= 0.3 && info.seconds() <= 5.0,
             qPrintable(QStringLiteral("lasts %1 s").arg(info.seconds())));
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
