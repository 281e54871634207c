// Faults around the real program: players who vanish at awkward moments, a
// host process that is killed, a data directory that cannot be written,
// and damaged settings and tally files.
#include "host/quitsignals.h"
#include "store/settings.h"
#include "store/tallytable.h"
#include "tests/support/processes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <random>
#include <vector>

using namespace dw;
using namespace dw::testing;

namespace {

QString tallyPath(const ProgramCopy& copy) {
    return QDir(copy.dir()).filePath(QString::fromStdString(tallyFileName()));
}

QString iniPath(const ProgramCopy& copy) {
    return QDir(copy.dir()).filePath(QStringLiteral("korvellobby.ini"));
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class Faults : public QObject {
    Q_OBJECT

    // A headless host on a fresh port, with fast timers.
    std::unique_ptr<Running> startHost(ProgramCopy& copy, quint16& port) {
        port = freePort();
        auto host = std::make_unique<Running>(
            copy,
            QStringList{"--headless", "--port", QString::number(port), "--timer-scale", "0.002"});
        if (!host->waitForOutput("listening", 20000))
            return nullptr;
        return host;
    }

private slots:
    // Players vanish at awkward moments of a headless game: seat 1 (nobody's
    // own there) during its turn, another during the scoring. The computer
    // plays their seats and the game goes on to its winner.
    void playersWhoLeaveMidTurnOrDuringScoringArePlayedByTheComputer() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        quint16 port = 0;
        auto host = startHost(copy, port);
        QVERIFY(host);
        RawClient first, ann, me;
        QCOMPARE(first.login(port, "First"), 1);
        QCOMPARE(ann.login(port, "Ann"), 2);
        QCOMPARE(me.login(port, "Watcher"), 3);
        // A game long enough for more than one round.
        first.send(msg::StartGameRequest{"First", "10000", "50", false, false});
        ann.send(msg::JustWatch{2, true});
        me.send(msg::JustWatch{3, true});

        QVERIFY(first.waitFor<msg::NextPlayer>(seatIs(1), 30000));
        first.socket().abort();
        QVERIFY(me.waitFor(msg::PlayerDisconnected{1, "First"}, 10000));
        QVERIFY2(ann.waitFor<msg::PostScores>(60000), qPrintable(host->output()));
        ann.socket().abort();
        QVERIFY(me.waitFor(msg::PlayerDisconnected{2, "Ann"}, 10000));
        QVERIFY2(me.waitFor<msg::Winner>(180000), qPrintable(host->output()));
        QCOMPARE(host->terminate(), 0);
    }

    void aDroppedPlayerTakesItsSeatBackWithItsKey() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        quint16 port = 0;
        auto host = startHost(copy, port);
        QVERIFY(host);
        RawClient me, ann;
        QCOMPARE(me.login(port, "Watcher"), 1);
        QCOMPARE(ann.login(port, "Ann"), 2);
        const auto key = ann.waitFor<msg::SeatKey>(5000);
        QVERIFY(key);
        QCOMPARE(key->seat, 2);
        // A game long enough to outlast the test.
        me.send(msg::StartGameRequest{"Watcher", "10000", "100", false, false});
        me.send(msg::JustWatch{1, true});

        // Ann's turn comes; her link drops before she plays.
        QVERIFY(ann.waitFor<msg::NextPlayer>(seatIs(2), 30000));
        ann.socket().abort();
        QVERIFY(me.waitFor(msg::PlayerDisconnected{2, "Ann"}, 10000));

        // She comes back in whatever entry is free, and asks for her seat.
        RawClient back;
        QVERIFY(back.connectTo(port));
        const auto entry = back.waitFor<msg::SendLoginInfo>(5000);
        QVERIFY(entry);
        back.send(msg::Reclaim{entry->seat, 2, key->key});
        QVERIFY2(back.waitFor(msg::SendLoginInfo{2}, 5000), qPrintable(host->output()));
        back.send(msg::LoginInfo{2, std::string(kVersion), "Ann"});
        QVERIFY(back.waitFor<msg::NewStats>(seatIs(2), 5000));
        const auto hand = back.waitFor<msg::MyCards>(seatIs(2), 5000);
        QVERIFY(hand);
        QCOMPARE(hand->cards.size(), std::size_t(7));
        const auto fresh = back.waitFor<msg::SeatKey>(5000);
        QVERIFY(fresh);
        QVERIFY(fresh->key != key->key);
        QVERIFY(me.waitFor(msg::NewPlayerInfo{2, "Ann"}, 5000));

        // She plays her own turns again: her discard reaches the others.
        const auto turn = back.waitFor<msg::NextPlayer>(seatIs(2), 60000);
        QVERIFY2(turn, qPrintable(host->output()));
        back.send(msg::Discard{2, turn->slot});
        QVERIFY2(me.waitFor<msg::HeDiscard>(seatIs(2), 10000), qPrintable(host->output()));
        // The old key is spent.
        RawClient thief;
        QVERIFY(thief.connectTo(port));
        const auto thiefEntry = thief.waitFor<msg::SendLoginInfo>(5000);
        QVERIFY(thiefEntry);
        thief.send(msg::Reclaim{thiefEntry->seat, 2, key->key});
        QVERIFY(thief.waitFor(msg::ReclaimRefused{thiefEntry->seat}, 5000));

        QCOMPARE(host->terminate(), 0);
        // Keys never reach the log.
        const QString log = host->output();
        QVERIFY(log.contains("taken back"));
        QVERIFY(!log.contains(QString::fromStdString(key->key)));
        QVERIFY(!log.contains(QString::fromStdString(fresh->key)));
    }

    // A peer with a small receive buffer that reads nothing, while strangers
    // with 4,000-byte names come and go (each announced to everybody): the
    // host closes it at its cap of unsent bytes (or as a dead link), as a
    // dropped link, and the game plays on.
    void aPeerThatNeverReadsIsClosedAtTheCap() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        quint16 port = 0;
        auto host = startHost(copy, port);
        QVERIFY(host);
        RawClient me;
        QCOMPARE(me.login(port, "Watcher"), 1);
        me.send(msg::StartGameRequest{"Watcher", "10000", "100", false, false});
        me.send(msg::JustWatch{1, true});

        const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(silent >= 0);
        const int small = 4096;
        ::setsockopt(silent, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QVERIFY(::connect(silent, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0);
        // It logs in as seat 2 without reading its seat, and again and again.
        const std::string longName(4000, 'n');
        const auto loginAs = [&](int seat) {
            const std::string m = msg::LoginInfo{seat, std::string(kVersion), longName}.encode();
            return ::send(silent, m.data(), m.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        };
        QVERIFY(loginAs(2) > 0);
        QVERIFY(me.waitFor<msg::NewPlayerInfo>(seatIs(2), 5000));
        for (int i = 0; i < 20; ++i)
            loginAs(2);
        // A talker fills its backlog with chat up to where the host stops
        // relaying to it, so that the rest of the flood reaches the cap soon.
        RawClient talker;
        const int talkerSeat = talker.login(port, "Talker");
        QVERIFY(talkerSeat > 0);
        const std::string longLine(4000, 't');
        for (int i = 0; i < 64; ++i)
            talker.send(msg::Chat{talkerSeat, longLine + "|clRed"});
        bool closed = false;
        QElapsedTimer flooding;
        flooding.start();
        while (!closed && flooding.elapsed() < 60000) {
            RawClient stranger;
            const int seat = stranger.login(port, longName);
            QVERIFY2(seat != 0, qPrintable(host->output()));
            loginAs(2);
            stranger.socket().abort();
            // Whichever comes first: the cap, or the TCP user time-out that
            // finds a peer whose window stays shut for 10 s dead.
            closed = host->output().contains("seat 2: more than 256 KiB not taken by the peer") ||
                     host->output().contains("seat 2 left");
        }
        QVERIFY2(closed, qPrintable(host->output().right(2000)));
        // The others hear it leave as any dropped player.
        QVERIFY(me.waitForMatch(
            [](const std::string& m) {
                const auto left = msg::decodeMessage<msg::PlayerDisconnected>(m);
                return left && left->seat == 2;
            },
            10000));
        // The repeated logins were never announced again.
        QCOMPARE(host->output().count("seat 2 logged in as"), 1);
        // Its socket is closed: reading on finds the end (or a reset).
        char buffer[65536];
        ssize_t got = 1;
        QElapsedTimer clock;
        clock.start();
        while (got > 0 && clock.elapsed() < 10000)
            got = ::recv(silent, buffer, sizeof buffer, 0);
        QVERIFY(got <= 0);
        ::close(silent);
        // The game goes on to its winner.
        QVERIFY2(me.waitFor<msg::Winner>(180000), qPrintable(host->output().right(2000)));
        QCOMPARE(host->terminate(), 0);
    }

    // Silent connections that never log in: the computer plays the seat one
    // landed in, and a real player gets in once they are past the login
    // deadline.
    void silentConnectionsNeitherFreezeTheGameNorLockPlayersOut() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        quint16 port = 0;
        auto host = startHost(copy, port);
        QVERIFY(host);
        RawClient me;
        QCOMPARE(me.login(port, "Watcher"), 1);
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < 8; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(idle.back()->waitForConnected(5000));
        }
        QVERIFY(host->waitForOutput("connection accepted into seat 9", 5000));
        // The table is full for now: the tenth hears so, and is closed.
        {
            RawClient full;
            QVERIFY(full.connectTo(port));
            QVERIFY(full.waitFor(msg::Full{}, 5000));
            if (full.socket().state() == QAbstractSocket::ConnectedState)
                QVERIFY(full.socket().waitForDisconnected(5000));
        }
        me.send(msg::StartGameRequest{"Watcher", "10000", "100", true, true});
        me.send(msg::JustWatch{1, true});
        // The computer plays the seats the silent ones sit in.
        for (int seat = 2; seat <= 4; ++seat)
            QVERIFY2(me.waitForMatch(
                         [seat](const std::string& m) {
                             const auto d = msg::decodeMessage<msg::HeDiscard>(m);
                             const auto t = msg::decodeMessage<msg::Traveling>(m);
                             const auto g = msg::decodeMessage<msg::PlacingGo>(m);
                             const auto p = msg::decodeMessage<msg::PlaySafe>(m);
                             return (d && d->seat == seat) || (t && t->seat == seat) ||
                                    (g && g->seat == seat) || (p && p->seat == seat);
                         },
                         30000),
                     qPrintable(host->output().right(2000)));
        // A real player keeps trying and gets in.
        int seat = 0;
        QElapsedTimer clock;
        clock.start();
        while (seat == 0 && clock.elapsed() < 30000) {
            RawClient real;
            seat = real.login(port, "Real");
            if (seat == 0)
                QTest::qWait(500);
        }
        QVERIFY2(seat >= 2, qPrintable(host->output().right(2000)));
        QVERIFY(host->waitForOutput("no login within 10 s; closed", 5000));
        QCOMPARE(host->terminate(), 0);
    }

    void aConnectionCutInsideAMessageLeavesNothingBehind() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        quint16 port = 0;
        auto host = startHost(copy, port);
        QVERIFY(host);
        RawClient me;
        QCOMPARE(me.login(port, "Watcher"), 1);
        {
            RawClient ann;
            QCOMPARE(ann.login(port, "Ann"), 2);
            // Half a message on purpose: no terminator before the cut.
            ann.send("CMD_chat+2+half a mess");
            ann.socket().waitForBytesWritten(1000);
            ann.socket().abort();
        }
        QVERIFY(me.waitFor(msg::PlayerDisconnected{2, "Ann"}, 10000));
        // The next arrival starts clean (in seat 3: seat 2 is kept for Ann).
        RawClient bob;
        QCOMPARE(bob.login(port, "Bob"), 3);
        bob.send(msg::Chat{3, "whole|clRed"});
        QCOMPARE(me.waitFor<msg::Chat>(10000), (msg::Chat{3, "Bob chats: whole|clRed"}));
        QCOMPARE(host->terminate(), 0);
    }

    void everyClientEndsCleanlyAndKeepsItsTallyWhenTheHostIsKilled() {
        ProgramCopy hostCopy, copyA, copyB;
        QVERIFY(hostCopy.ok() && copyA.ok() && copyB.ok());
        quint16 port = 0;
        auto host = startHost(hostCopy, port);
        QVERIFY(host);
        Running a(copyA, joinArgs("Ann", port), true);
        Running b(copyB, joinArgs("Bob", port), true);
        QVERIFY2(a.waitForOutput("You are Connected.", 30000), qPrintable(a.output()));
        QVERIFY2(b.waitForOutput("You are Connected.", 30000), qPrintable(b.output()));

        host->process().kill(); // SIGKILL: no goodbye from the host
        QVERIFY(host->process().waitForFinished(10000));
        for (Running* client : {&a, &b}) {
            QVERIFY2(client->process().waitForFinished(20000), qPrintable(client->output()));
            QCOMPARE(client->process().exitStatus(), QProcess::NormalExit);
            QCOMPARE(client->process().exitCode(), 4); // the host no longer runs
            QVERIFY(client->output().contains(
                QLatin1String("driftwake: The host no longer runs the game.")));
        }
        for (const ProgramCopy* copy : {&copyA, &copyB}) {
            TallyTable tally;
            QVERIFY(QFile::exists(tallyPath(*copy)));
            QVERIFY(!tally.load(tallyPath(*copy).toStdString()));
        }
    }

    void aDataDirectoryThatCannotBeWrittenIsReportedNotFatal() {
        ProgramCopy hostCopy, copy;
        QVERIFY(hostCopy.ok() && copy.ok());
        quint16 port = 0;
        auto host = startHost(hostCopy, port);
        QVERIFY(host);
        // Running as root ignores permissions, so the directory sits below a
        // plain file, where nothing can be created.
        const QString blocker = QDir(copy.dir()).filePath(QStringLiteral("blocker"));
        QVERIFY(writeFile(blocker, "not a directory"));
        qputenv("DRIFTWAKE_DATA_DIR", (blocker + QStringLiteral("/data")).toLocal8Bit());
        Running client(copy, joinArgs("Ann", port), true);
        qunsetenv("DRIFTWAKE_DATA_DIR");
        QVERIFY2(client.waitForOutput("You are Connected.", 30000), qPrintable(client.output()));

        QCOMPARE(host->terminate(), 0);
        // The files could not be kept: the closing window says so in a
        // message box (and on stderr), and waits for the user to read it.
        QVERIFY2(client.waitForOutput(QStringLiteral("could not be saved"), 20000),
                 qPrintable(client.output()));
        QCOMPARE(client.process().state(), QProcess::Running);
        // A signal ends it without waiting, with the status of its game's end
        // (the host ended it); the tally's failure is on stderr.
        QCOMPARE(client.terminate(), 4);
        QVERIFY2(client.output().contains(QString::fromStdString(tallyFileName())),
                 qPrintable(client.output()));
        // Nothing else was written.
        QCOMPARE(readFile(blocker), QByteArray("not a directory"));
    }

    void aCorruptTallyIsKeptAsideAndAReadableOneWritten() {
        ProgramCopy hostCopy, copy;
        QVERIFY(hostCopy.ok() && copy.ok());
        std::mt19937 random(7);
        QByteArray junk("WRZL\xff\xff\x00\x10", 8);
        for (int i = 0; i < 5000; ++i)
            junk.append(char(random()));
        QVERIFY(writeFile(tallyPath(copy), junk));
        TallyTable probe;
        QVERIFY(probe.load(tallyPath(copy).toStdString())); // unreadable indeed

        quint16 port = 0;
        auto host = startHost(hostCopy, port);
        QVERIFY(host);
        Running client(copy, joinArgs("Ann", port), true);
        QVERIFY2(client.waitForOutput("You are Connected.", 30000), qPrintable(client.output()));
        QCOMPARE(host->terminate(), 0);
        QVERIFY2(client.process().waitForFinished(20000), qPrintable(client.output()));
        QCOMPARE(client.process().exitCode(), 4); // the host ended the game
        TallyTable after;
        QVERIFY(!after.load(tallyPath(copy).toStdString()));
        // The unreadable file was kept aside, byte for byte.
        QFile kept(tallyPath(copy) + QStringLiteral(".damaged"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), junk);
    }

    void aSettingsFileFullOfGarbageAndLongLinesStillRuns() {
        ProgramCopy hostCopy, copy;
        QVERIFY(hostCopy.ok() && copy.ok());
        std::mt19937 random(11);
        QList<QByteArray> foreign{"[Lobby]\r\nName=keep me\r\n"};
        QByteArray ini(foreign.front());
        ini += "[Driftwake]\r\nTextsize=99999999999999999999\r\nTextcolor=$ZZZ\r\n";
        ini += "Top=" + QByteArray(1 << 20, '9') + "\r\nBotspeed=-1\r\n";
        ini += "Phrase1=" + QByteArray(200000, 'p') + "\n";
        for (int line = 0; line < 200; ++line) {
            QByteArray junk;
            for (int i = 0; i < 300; ++i) {
                const char c = char(random());
                junk.append(c == '\n' ? ' ' : c);
            }
            // Lines of other programs (no "=" after a key of ours).
            junk.replace('=', '-');
            foreign.append(junk + "\n");
            ini += junk + "\n";
        }
        foreign.append("[Other]\nLast=line");
        ini += foreign.back();
        QVERIFY(writeFile(iniPath(copy), ini));
        QVERIFY(writeFile(iniPath(hostCopy), ini));

        quint16 port = 0;
        auto host = startHost(hostCopy, port);
        QVERIFY2(host, "the host did not start with the damaged settings file");
        Running client(copy, joinArgs("Ann", port), true);
        QVERIFY2(client.waitForOutput("You are Connected.", 30000), qPrintable(client.output()));
        QCOMPARE(host->terminate(), 0);
        QVERIFY2(client.process().waitForFinished(20000), qPrintable(client.output().left(2000)));
        QCOMPARE(client.process().exitCode(), 4); // the host ended the game
        // Whatever the program wrote back, the other programs' lines are
        // all still there in order, and its own keys read well again.
        const QByteArray after = readFile(iniPath(copy));
        qsizetype at = 0;
        for (const QByteArray& line : foreign) {
            at = after.indexOf(line, at);
            QVERIFY2(at >= 0, line.left(40).constData());
            at += line.size();
        }
        const Settings s = loadSettingsFile(iniPath(copy).toStdString());
        QCOMPARE(s.textSize, 8);
        QCOMPARE(s.textColour, kColourSilver);
    }
    void aSignalEndsEveryModeAtOnceWithOneLine() {
        // The headless host, on either signal during a game: every
        // connection, logged in or not, hears the end before it closes.
        ProgramCopy copy;
        QVERIFY(copy.ok());
        for (const int signal : {SIGTERM, SIGINT}) {
            quint16 port = 0;
            auto host = startHost(copy, port);
            QVERIFY(host);
            RawClient me, ann, fresh;
            QCOMPARE(me.login(port, "Watcher"), 1);
            QCOMPARE(ann.login(port, "Ann"), 2);
            QVERIFY(fresh.connectTo(port));
            QVERIFY(fresh.waitFor<msg::SendLoginInfo>(5000));
            me.send(msg::StartGameRequest{"Watcher", "5000", "70", false, false});
            QVERIFY(ann.waitFor<msg::StartGameAnnounce>(10000));
            ::kill(pid_t(host->process().processId()), signal);
            QVERIFY(host->process().waitForFinished(10000));
            QCOMPARE(host->process().exitCode(), 0);
            const QString line = QString::fromStdString(signalEndingLine(signal));
            QCOMPARE(host->output().count(line), 1);
            for (RawClient* c : {&me, &ann, &fresh}) {
                QVERIFY(c->waitFor<msg::HostClosing>(5000));
                // ... and then the connection closes.
                if (c->socket().state() == QAbstractSocket::ConnectedState)
                    QVERIFY(c->socket().waitForDisconnected(5000));
                QVERIFY(c->received().empty());
            }
        }

        // A hosting window with a joined window and a raw player.
        ProgramCopy hostCopy, guestCopy;
        QVERIFY(hostCopy.ok() && guestCopy.ok());
        const quint16 port = freePort();
        Running host(hostCopy, {"Ann", "127.0.0.1", "true", "--port", QString::number(port)}, true);
        QVERIFY2(host.waitForOutput("You are Connected.", 30000), qPrintable(host.output()));
        Running guest(guestCopy, joinArgs("Bob", port), true);
        QVERIFY2(guest.waitForOutput("You are Connected.", 30000), qPrintable(guest.output()));
        RawClient cy;
        QVERIFY(cy.login(port, "Cy") > 0);

        // The joined window ends on Ctrl+C and keeps its tally.
        ::kill(pid_t(guest.process().processId()), SIGINT);
        QVERIFY2(guest.process().waitForFinished(10000), qPrintable(guest.output()));
        QCOMPARE(guest.process().exitCode(), 0);
        QCOMPARE(guest.output().count(QString::fromStdString(signalEndingLine(SIGINT))), 1);
        QVERIFY(QFile::exists(tallyPath(guestCopy)));

        // The hosting window ends on SIGTERM without asking; its players
        // hear it.
        ::kill(pid_t(host.process().processId()), SIGTERM);
        QVERIFY2(host.process().waitForFinished(10000), qPrintable(host.output()));
        QCOMPARE(host.process().exitCode(), 0);
        QCOMPARE(host.output().count(QString::fromStdString(signalEndingLine(SIGTERM))), 1);
        QVERIFY(cy.waitFor<msg::HostClosing>(5000));
        QVERIFY(QFile::exists(tallyPath(hostCopy)));
    }
};

QTEST_GUILESS_MAIN(Faults)
#include "test_faults.moc"
