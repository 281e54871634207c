// A game through the relay, with the real programs: a headless host listed
// by driftwake-lobby --advertise, and driftwake-lobby --connect from another
// account, through which a protocol client logs in and watches the computer
// pilots play to the winner. The stream is cut mid-game, and a second
// --connect lets the client reclaim its seat with its key. Offers from
// outside the room, and a repeated one, are refused with an XMPP error.
#include "lobby/bytestream.h"
#include "lobby/room.h"
#include "lobby/xmppclient.h"
#include "protocol/messages.h"
#include "tests/lobby/prosody.h"
#include "tests/support/processes.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <strophe.h>

#include <memory>

using namespace dw;
using namespace dw::lobby;
using namespace dw::testing;

namespace {

class TestLobbyRelayCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
        QVERIFY(!lobbyProgram().isEmpty());
        aliceFile_ = writePasswordFile(dir_, "alice", "secret1");
        bobFile_ = writePasswordFile(dir_, "bob", "secret2");
    }

    void aGameThroughTheRelayWithACutAndARejoin() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        const quint16 statusPort = freePort();
        Running host(copy, {"--headless", "--no-announce", "--port", QString::number(port),
                            "--status-port", QString::number(statusPort), "--timer-scale", "0.2"});
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));
        QProcess advertiser;
        advertiser.setProcessEnvironment(server_.lobbyEnvironment());
        advertiser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        advertiser.start(
            lobbyProgram(),
            server_.signInArgs("alice", aliceFile_) +
                QStringList{"--advertise", QStringLiteral("203.0.113.7:%1").arg(port),
                            "--table-name", "Night run", "--status-url",
                            QStringLiteral("http://127.0.0.1:%1/status").arg(statusPort)});
        QVERIFY(advertiser.waitForStarted());

        // The first stream; tried again until the table is listed and live.
        const quint16 first = freePort();
        auto connect1 = connectTo(first);
        QVERIFY(connect1);
        RawClient ann;
        QCOMPARE(ann.login(first, "Ann"), 1);
        const auto key = ann.waitFor<msg::SeatKey>(10000);
        QVERIFY(key);

        // Offers the table refuses: from outside the room, and a second
        // one with a stream id used before.
        {
            XmppClient outsider;
            QVERIFY(signIn(outsider, server_, "carol@localhost", "secret3"));
            ProxyFinder finder(outsider);
            QSignalSpy found(&finder, &ProxyFinder::finished);
            finder.find();
            QTRY_VERIFY_WITH_TIMEOUT(!found.isEmpty(), 15000);
            QVERIFY(finder.proxy());
            const QString table = server_.room() + "/Night run";
            QVERIFY(sendOffer(outsider, table, "outside1", *finder.proxy()) != "");
            Room room(outsider);
            QSignalSpy joined(&room, &Room::joined);
            room.join(server_.room(), "Cy");
            QTRY_VERIFY_WITH_TIMEOUT(!joined.isEmpty(), 10000);
            // Accepted (nobody completes it), then the same again.
            QCOMPARE(sendOffer(outsider, table, "again1", *finder.proxy()), QString(""));
            QCOMPARE(sendOffer(outsider, table, "again1", *finder.proxy()),
                     QString("not-acceptable"));
            room.leave();
        }

        // Ann starts a game and lets a computer pilot play her seat.
        ann.send(msg::StartGameRequest{"Ann", "1000", "50", false, false});
        ann.send(msg::JustWatch{1, true});
        QVERIFY2(ann.waitFor<msg::NextPlayer>(30000), qPrintable(host.output()));

        // The stream is cut: her connection drops.
        connect1->kill();
        QVERIFY(connect1->waitForFinished(5000));
        QTRY_COMPARE_WITH_TIMEOUT(ann.socket().state(), QAbstractSocket::UnconnectedState, 20000);

        // A new stream: she reclaims her seat with its key, and her hand.
        const quint16 second = freePort();
        auto connect2 = connectTo(second);
        QVERIFY(connect2);
        RawClient back;
        QVERIFY(back.connectTo(second));
        const auto entry = back.waitFor<msg::SendLoginInfo>(10000);
        QVERIFY(entry);
        back.send(msg::Reclaim{entry->seat, 1, key->key});
        QVERIFY2(back.waitFor(msg::SendLoginInfo{1}, 10000), qPrintable(host.output()));
        back.send(msg::LoginInfo{1, std::string(kVersion), "Ann"});
        const auto hand = back.waitFor<msg::MyCards>(seatIs(1), 10000);
        QVERIFY(hand);
        QCOMPARE(hand->cards.size(), std::size_t(7));
        back.send(msg::JustWatch{1, true});
        QVERIFY2(back.waitFor<msg::Winner>(180000), qPrintable(host.output()));

        // She leaves: the stream ends and --connect with it.
        back.socket().disconnectFromHost();
        QVERIFY(connect2->waitForFinished(20000));
        QCOMPARE(connect2->exitCode(), 0);
        advertiser.terminate();
        QVERIFY(advertiser.waitForFinished(10000));
    }

    void connectNeedsATableAndAPort() {
        QProcess p;
        p.setProcessEnvironment(server_.lobbyEnvironment());
        p.start(lobbyProgram(),
                server_.signInArgs("bob", bobFile_) + QStringList{"--connect", "Nobody"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("--local-port"));
        p.start(lobbyProgram(), server_.signInArgs("bob", bobFile_) +
                                    QStringList{"--connect", "Nobody", "--local-port",
                                                QString::number(freePort())});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("No table Nobody"));
    }

private:
    // driftwake-lobby --connect "Night run", tried until it listens on
    // `port` (at most 60 s); null when it never did.
    std::unique_ptr<QProcess> connectTo(quint16 port) {
        const QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired()) {
            auto p = std::make_unique<QProcess>();
            p->setProcessEnvironment(server_.lobbyEnvironment());
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->start(lobbyProgram(), server_.signInArgs("bob", bobFile_) +
                                         QStringList{"--connect", "Night run", "--local-port",
                                                     QString::number(port)});
            QByteArray out;
            while (p->state() != QProcess::NotRunning && !out.contains("listening") &&
                   !deadline.hasExpired()) {
                p->waitForReadyRead(200);
                out += p->readAllStandardOutput();
            }
            if (out.contains("listening"))
                return p;
            p->waitForFinished(5000);
            QTest::qWait(1000);
        }
        return nullptr;
    }

    PrivateProsody server_{
        PrivateProsody::Options{{"alice:secret1", "bob:secret2", "carol:secret3"}, true}};
    QTemporaryDir dir_;
    QString aliceFile_;
    QString bobFile_;
};

} // namespace

QTEST_GUILESS_MAIN(TestLobbyRelayCli)
#include "test_lobbyrelaycli.moc"
