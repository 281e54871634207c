// The host server and the client connection over real loopback sockets.
#include "net/clientconn.h"
#include "net/tserver.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <deque>
#include <memory>
#include <vector>

using namespace dw;

namespace {

const std::string T(1, kTerminator);

// A client that logs in as its name when given a seat and records the rest.
struct Peer {
    std::unique_ptr<ClientConnection> conn = std::make_unique<ClientConnection>();
    std::vector<std::string> got;
    int seat = 0;
    bool closed = false;

    Peer(const std::string& name, quint16 port) {
        conn->setHandler([this, name](std::string_view m) {
            const Command c = splitCommand(m);
            if (c.word == "CMD_sendlogininfo") {
                seat = *FieldReader(c.payload, LastField::MayEnd).number();
                conn->send(buildMessage("CMD_logininfo", {seat, "1.0.1", name + T}));
            }
            got.emplace_back(m);
        });
        QObject::connect(conn.get(), &ClientConnection::closed, [this] { closed = true; });
        conn->connectToHost(QStringLiteral("127.0.0.1"), port);
    }
    bool has(const std::string& m) const {
        return std::find(got.begin(), got.end(), m) != got.end();
    }
};

} // namespace

class NetQt : public QObject {
    Q_OBJECT
    std::unique_ptr<TServer> server;
    quint16 port = 0;

private slots:
    void init() {
        server = std::make_unique<TServer>([] { return 750; }, 1);
        QString error;
        QVERIFY2(server->listen(0, &error), qPrintable(error));
        port = server->port();
    }
    void cleanup() { server.reset(); }

    void loginsAreSeenByEveryone() {
        Peer host("Host", port);
        QTRY_VERIFY(host.has("CMD_newplayerinfo+1+Host"));
        Peer ann("A+nn", port);
        QTRY_VERIFY(ann.has("CMD_existingplayers+1+Host"));
        QVERIFY(ann.has("CMD_newplayerinfo+2+A+nn"));
        QTRY_VERIFY(host.has("CMD_newplayerinfo+2+A+nn"));

        ann.conn->send(buildMessage("CMD_chat", {2, "hi|clRed"}));
        QTRY_VERIFY(host.has("CMD_chat+2+A+nn chats: hi|clRed"));

        ann.conn.reset(); // Ann's program ends
        QTRY_VERIFY(host.has("CMD_playerdisconnected+2+A+nn"));
    }

    void messagesSplitAcrossWritesArriveWhole() {
        Peer host("Host", port);
        QTRY_VERIFY(host.has("CMD_newplayerinfo+1+Host"));
        QTcpSocket raw;
        raw.connectToHost(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE(raw.state(), QAbstractSocket::ConnectedState);
        QTRY_VERIFY(raw.bytesAvailable() > 0);
        const std::string login = buildMessage("CMD_logininfo", {2, "1.0.1", "Raw" + T});
        for (char c : login) {
            raw.write(&c, 1);
            raw.flush();
            QTest::qWait(1);
        }
        QTRY_VERIFY(host.has("CMD_newplayerinfo+2+Raw"));
    }

    void theTenthConnectionIsRefused() {
        std::vector<std::unique_ptr<Peer>> peers;
        for (int i = 1; i <= 9; ++i) {
            peers.push_back(std::make_unique<Peer>("P" + std::to_string(i), port));
            QTRY_COMPARE(peers.back()->seat, i);
        }
        Peer tenth("Late", port);
        QTRY_VERIFY(tenth.closed);
        QVERIFY(tenth.has("CMD_full+"));
        QCOMPARE(server->core().engine().numentries, 9);
    }

    void aRemovedPlayerSeesItsConnectionClose() {
        Peer host("Host", port);
        QTRY_VERIFY(host.has("CMD_newplayerinfo+1+Host"));
        Peer eve("Eve", port);
        QTRY_VERIFY(eve.has("CMD_newplayerinfo+2+Eve"));
        host.conn->send(buildMessage("CMD_kickhim", {1, 2}, Trailing::Yes));
        QTRY_VERIFY(eve.closed);
        QTRY_VERIFY(host.has("CMD_playerdisconnected+2+Eve"));
        // The freed seat goes to the next comer.
        Peer next("Next", port);
        QTRY_COMPARE(next.seat, 2);
    }

    void aChatBurstIsRelayedWholeAndInOrder() {
        Peer host("Host", port);
        QTRY_VERIFY(host.has("CMD_newplayerinfo+1+Host"));
        Peer ann("Ann", port);
        QTRY_VERIFY(ann.has("CMD_newplayerinfo+2+Ann"));
        // Far more than a connection's queue holds, in one write, and an
        // ordinary message right behind it.
        const int burst = 2000;
        std::string bytes;
        for (int i = 0; i < burst; ++i)
            bytes += buildMessage("CMD_chat", {2, "b" + std::to_string(i) + "|clRed"});
        bytes += buildMessage("CMD_justwatch", {2, "2"});
        ann.conn->send(bytes);
        for (Peer* p : {&host, &ann}) {
            QTRY_VERIFY_WITH_TIMEOUT(p->has("CMD_justwatching+2+2"), 30000);
            int next = 0;
            for (const std::string& m : p->got)
                if (m.rfind("CMD_chat+2+", 0) == 0)
                    QCOMPARE(m, "CMD_chat+2+Ann chats: b" + std::to_string(next++) + "|clRed");
            QCOMPARE(next, burst);
            QCOMPARE(p->got.back(), std::string("CMD_justwatching+2+2"));
        }
    }

    void aPlayFollowedAtOnceByTheEndOfTheStreamCounts() {
        server->setTimerScale(0.01);
        Peer host("Host", port);
        QTRY_VERIFY(host.has("CMD_newplayerinfo+1+Host"));
        // Ann speaks the protocol by hand, so that she can close right after
        // her play.
        QTcpSocket ann;
        Framer framer;
        std::deque<std::string> in;
        auto waitFor = [&](const std::string& prefix) {
            for (int i = 0; i < 1000; ++i) {
                while (!in.empty()) {
                    std::string m = std::move(in.front());
                    in.pop_front();
                    if (m.rfind(prefix, 0) == 0)
                        return m;
                }
                if (!ann.waitForReadyRead(10))
                    QCoreApplication::processEvents();
                const QByteArray data = ann.readAll();
                framer.feed(std::string_view(data.constData(), std::size_t(data.size())), in);
            }
            return std::string();
        };
        ann.connectToHost(QStringLiteral("127.0.0.1"), port);
        QVERIFY(!waitFor("CMD_sendlogininfo+2").empty());
        const std::string login = buildMessage("CMD_logininfo", {2, "1.0.1", "Ann" + T});
        ann.write(login.data(), qint64(login.size()));
        QVERIFY(!waitFor("CMD_newplayerinfo+2+Ann").empty());

        // The host passes its turns; Ann waits for hers.
        host.conn->setHandler([&host](std::string_view m) {
            host.got.emplace_back(m);
            if (m.rfind("CMD_nextplayer+1+", 0) == 0)
                host.conn->send(buildMessage("CMD_discard", {1, 1}, Trailing::Yes));
        });
        host.conn->send(buildMessage("CMD_startgame", {"Host", 5000, 70, 0, 0}, Trailing::Yes));
        const std::string turn = waitFor("CMD_nextplayer+2+");
        QVERIFY(!turn.empty());
        // Chat ahead of the play keeps the host busy, so that the end of the
        // stream reaches it while the play still waits.
        const int chats = 1000;
        std::string bytes;
        for (int i = 0; i < chats; ++i)
            bytes += buildMessage("CMD_chat", {2, "c" + std::to_string(i) + "|clRed"});
        bytes += buildMessage("CMD_discard", {2, 1}, Trailing::Yes);
        ann.write(bytes.data(), qint64(bytes.size()));
        ann.disconnectFromHost();

        QTRY_VERIFY(host.has("CMD_playerdisconnected+2+Ann"));
        // Ann's discard came first, in her name, not the computer's play.
        auto at = [&host](const std::string& prefix) {
            for (std::size_t i = 0; i < host.got.size(); ++i)
                if (host.got[i].rfind(prefix, 0) == 0)
                    return int(i);
            return -1;
        };
        QVERIFY(at("CMD_hediscard+2+1+") >= 0);
        QVERIFY(at("CMD_hediscard+2+1+") < at("CMD_playerdisconnected+2+Ann"));
        QVERIFY(at("CMD_chat+2+Ann chats: c" + std::to_string(chats - 1) + "|") >= 0);
    }

    void aPortInUseIsReported() {
        TServer second([] { return 750; }, 1);
        QString error;
        QVERIFY(!second.listen(port, &error));
        QVERIFY(error.contains(QString::number(port)));
    }
};

QTEST_GUILESS_MAIN(NetQt)
#include "test_netqt.moc"
