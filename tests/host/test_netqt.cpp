// The host server and the client connection over real loopback sockets.
#include "client/clientconn.h"
#include "host/hostserver.h"
#include "protocol/deadlink.h"
#include "protocol/messages.h"
#include "tests/support/processes.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace dw;

namespace {

// A message as a connection hands it over: without its terminator.
template <class M> std::string text(const M& m) {
    std::string s = m.encode();
    while (!s.empty() && s.back() == kTerminator)
        s.pop_back();
    return s;
}

// A client that logs in as its name when given a seat and records the rest.
struct Peer {
    std::unique_ptr<ClientConnection> conn = std::make_unique<ClientConnection>();
    std::vector<std::string> got;
    int seat = 0;
    bool closed = false;

    Peer(const std::string& name, quint16 port) {
        conn->setHandler([this, name](std::string_view m) {
            if (const auto hello = msg::decodeMessage<msg::SendLoginInfo>(m)) {
                seat = hello->seat;
                conn->send(msg::LoginInfo{seat, std::string(kVersion), name}.encode());
            }
            got.emplace_back(m);
        });
        QObject::connect(conn.get(), &ClientConnection::closed, [this] { closed = true; });
        conn->connectToHost(QStringLiteral("127.0.0.1"), port);
    }
    template <class M> bool has(const M& m) const {
        return std::find(got.begin(), got.end(), text(m)) != got.end();
    }
    // Where the first message M for which `wanted` holds was received; -1 if none.
    template <class M, class Pred> int at(Pred wanted) const {
        for (std::size_t i = 0; i < got.size(); ++i)
            if (const auto m = msg::decodeMessage<M>(got[i]); m && wanted(*m))
                return int(i);
        return -1;
    }
};

bool seatIs3(const msg::SeatKey& k) {
    return k.seat == 3;
}

} // namespace

class NetQt : public QObject {
    Q_OBJECT
    std::unique_ptr<HostServer> server;
    quint16 port = 0;

private slots:
    void init() {
        server = std::make_unique<HostServer>([] { return 750; }, 1);
        QString error;
        QVERIFY2(server->listen(0, &error), qPrintable(error));
        port = server->port();
    }
    void cleanup() { server.reset(); }

    void loginsAreSeenByEveryone() {
        Peer host("Host", port);
        QTRY_VERIFY(host.has(msg::NewPlayerInfo{1, "Host"}));
        Peer ann("A+nn", port);
        QTRY_VERIFY(ann.has(msg::ExistingPlayers{1, "Host"}));
        QVERIFY(ann.has(msg::NewPlayerInfo{2, "A+nn"}));
        QTRY_VERIFY(host.has(msg::NewPlayerInfo{2, "A+nn"}));

        ann.conn->send(msg::Chat{2, "hi|clRed"}.encode());
        QTRY_VERIFY(host.has(msg::Chat{2, "A+nn chats: hi|clRed"}));

        ann.conn.reset(); // Ann's program ends
        QTRY_VERIFY(host.has(msg::PlayerDisconnected{2, "A+nn"}));
    }

    void messagesSplitAcrossWritesArriveWhole() {
        Peer host("Host", port);
        QTRY_VERIFY(host.has(msg::NewPlayerInfo{1, "Host"}));
        QTcpSocket raw;
        raw.connectToHost(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE(raw.state(), QAbstractSocket::ConnectedState);
        QTRY_VERIFY(raw.bytesAvailable() > 0);
        const std::string login = msg::LoginInfo{2, std::string(kVersion), "Raw"}.encode();
        for (char c : login) {
            raw.write(&c, 1);
            raw.flush();
            QTest::qWait(1);
        }
        QTRY_VERIFY(host.has(msg::NewPlayerInfo{2, "Raw"}));
    }

    void theTenthConnectionIsRefused() {
        std::vector<std::unique_ptr<Peer>> peers;
        for (int i = 1; i <= 9; ++i) {
            peers.push_back(std::make_unique<Peer>("P" + std::to_string(i), port));
            QTRY_COMPARE(peers.back()->seat, i);
        }
        Peer tenth("Late", port);
        QTRY_VERIFY(tenth.closed);
        QVERIFY(tenth.has(msg::Full{}));
        QCOMPARE(server->core().engine().numEntries, 9);
    }

    void aRemovedPlayerSeesItsConnectionClose() {
        Peer host("Host", port);
        QTRY_VERIFY(host.has(msg::NewPlayerInfo{1, "Host"}));
        Peer eve("Eve", port);
        QTRY_VERIFY(eve.has(msg::NewPlayerInfo{2, "Eve"}));
        host.conn->send(msg::KickHim{1, 2}.encode());
        QTRY_VERIFY(eve.closed);
        // The last word before the close says why.
        QVERIFY(!eve.got.empty());
        QCOMPARE(eve.got.back(), text(msg::Removed{2}));
        QTRY_VERIFY(host.has(msg::PlayerDisconnected{2, "Eve"}));
        // The freed seat goes to the next comer.
        Peer next("Next", port);
        QTRY_COMPARE(next.seat, 2);
    }

    void aSeatTakenBackFromAnotherEntryKeepsItsConnection() {
        Peer host("Host", port);
        QTRY_VERIFY(host.has(msg::NewPlayerInfo{1, "Host"}));
        auto ann = std::make_unique<Peer>("Ann", port);
        QTRY_VERIFY(ann->has(msg::NewPlayerInfo{2, "Ann"}));
        auto bob = std::make_unique<Peer>("Bob", port);
        QTRY_VERIFY(bob->at<msg::SeatKey>(seatIs3) >= 0);
        const auto key =
            msg::decodeMessage<msg::SeatKey>(bob->got[std::size_t(bob->at<msg::SeatKey>(seatIs3))]);
        QVERIFY(key);
        ann.reset();
        bob.reset();
        QTRY_VERIFY(host.has(msg::PlayerDisconnected{3, "Bob"}));
        QTRY_VERIFY(host.has(msg::PlayerDisconnected{2, "Ann"}));

        // Bob comes back into entry 4 (seats 2 and 3 are kept for Ann and
        // him) and takes seat 3 back.
        testing::RawClient back;
        QVERIFY(back.connectTo(port));
        QVERIFY(back.waitFor(msg::SendLoginInfo{4}, 5000));
        back.send(msg::Reclaim{4, 3, key->key});
        QVERIFY(back.waitFor(msg::SendLoginInfo{3}, 5000));
        back.send(msg::LoginInfo{3, std::string(kVersion), "Bob"});
        QVERIFY(back.waitFor(msg::NewPlayerInfo{3, "Bob"}, 5000));
        QCOMPARE(server->core().reclaims(), 1);
        // The connection now speaks and leaves as seat 3, and entry 4 is free.
        back.send(msg::Chat{3, "back|clRed"});
        QTRY_VERIFY(host.has(msg::Chat{3, "Bob chats: back|clRed"}));
        QCOMPARE(server->core().freeEntry(), 4);
        back.socket().abort();
        QTRY_COMPARE(
            std::count(host.got.begin(), host.got.end(), text(msg::PlayerDisconnected{3, "Bob"})),
            2);
        QVERIFY(!host.has(msg::PlayerDisconnected{4, ""}));
    }

    void aClosingHostTellsEveryPeerFirst() {
        Peer host("Host", port);
        Peer ann("Ann", port);
        QTRY_VERIFY(ann.has(msg::NewPlayerInfo{2, "Ann"}));
        QTRY_VERIFY(host.has(msg::NewPlayerInfo{2, "Ann"}));
        server.reset(); // the hosting window closes
        QTRY_VERIFY(host.closed);
        QTRY_VERIFY(ann.closed);
        QCOMPARE(host.got.back(), text(msg::HostClosing{}));
        QCOMPARE(ann.got.back(), text(msg::HostClosing{}));
    }

    void aChatBurstIsRelayedWholeAndInOrder() {
        Peer host("Host", port);
        QTRY_VERIFY(host.has(msg::NewPlayerInfo{1, "Host"}));
        Peer ann("Ann", port);
        QTRY_VERIFY(ann.has(msg::NewPlayerInfo{2, "Ann"}));
        // Far more than a connection's queue holds, in one write, and an
        // ordinary message right behind it.
        const int burst = 2000;
        std::string bytes;
        for (int i = 0; i < burst; ++i)
            bytes += msg::Chat{2, "b" + std::to_string(i) + "|clRed"}.encode();
        bytes += msg::JustWatch{2, false}.encode();
        ann.conn->send(bytes);
        const msg::JustWatching playing{2, false};
        for (Peer* p : {&host, &ann}) {
            QTRY_VERIFY_WITH_TIMEOUT(p->has(playing), 30000);
            int next = 0;
            for (const std::string& m : p->got)
                if (const auto chat = msg::decodeMessage<msg::Chat>(m); chat && chat->seat == 2)
                    QCOMPARE(*chat,
                             (msg::Chat{2, "Ann chats: b" + std::to_string(next++) + "|clRed"}));
            QCOMPARE(next, burst);
            QCOMPARE(p->got.back(), text(playing));
        }
    }

    void aPlayFollowedAtOnceByTheEndOfTheStreamCounts() {
        server->setTimerScale(0.01);
        Peer host("Host", port);
        QTRY_VERIFY(host.has(msg::NewPlayerInfo{1, "Host"}));
        // Ann speaks the protocol by hand, so that she can close right after
        // her play.
        testing::RawClient ann;
        QVERIFY(ann.connectTo(port));
        QVERIFY(ann.waitFor(msg::SendLoginInfo{2}, 10000));
        ann.send(msg::LoginInfo{2, std::string(kVersion), "Ann"});
        QVERIFY(ann.waitFor(msg::NewPlayerInfo{2, "Ann"}, 10000));

        // The host passes its turns; Ann waits for hers.
        host.conn->setHandler([&host](std::string_view m) {
            host.got.emplace_back(m);
            if (const auto turn = msg::decodeMessage<msg::NextPlayer>(m); turn && turn->seat == 1)
                host.conn->send(msg::Discard{1, 1}.encode());
        });
        host.conn->send(msg::StartGameRequest{"Host", "5000", "70", false, false}.encode());
        QVERIFY(ann.waitFor<msg::NextPlayer>(testing::seatIs(2), 10000));
        // Chat ahead of the play keeps the host busy, so that the end of the
        // stream reaches it while the play still waits.
        const int chats = 1000;
        std::string bytes;
        for (int i = 0; i < chats; ++i)
            bytes += msg::Chat{2, "c" + std::to_string(i) + "|clRed"}.encode();
        bytes += msg::Discard{2, 1}.encode();
        ann.send(bytes);
        ann.socket().disconnectFromHost();

        QTRY_VERIFY(host.has(msg::PlayerDisconnected{2, "Ann"}));
        // Ann's discard came first, in her name, not the computer's play.
        const int discarded = host.at<msg::HeDiscard>(
            [](const msg::HeDiscard& m) { return m.seat == 2 && m.slot == 1; });
        QVERIFY(discarded >= 0);
        QVERIFY(discarded < host.at<msg::PlayerDisconnected>(testing::seatIs(2)));
        const std::string last = "Ann chats: c" + std::to_string(chats - 1) + "|";
        QVERIFY(host.at<msg::Chat>([&](const msg::Chat& m) {
            return m.seat == 2 && m.line.rfind(last, 0) == 0;
        }) >= 0);
    }

    void bothEndsOfAGameConnectionWatchForADeadLink() {
        // The options themselves, on a socket of its own.
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        QVERIFY(watchForDeadLink(fd));
        const auto option = [fd](int level, int name) {
            int value = -1;
            socklen_t size = sizeof value;
            return getsockopt(fd, level, name, &value, &size) == 0 ? value : -1;
        };
        QCOMPARE(option(SOL_SOCKET, SO_KEEPALIVE), 1);
        QCOMPARE(option(IPPROTO_TCP, TCP_KEEPIDLE), 5);
        QCOMPARE(option(IPPROTO_TCP, TCP_KEEPINTVL), 2);
        QCOMPARE(option(IPPROTO_TCP, TCP_KEEPCNT), 3);
        QCOMPARE(option(IPPROTO_TCP, TCP_USER_TIMEOUT), 10000);
        ::close(fd);
        QVERIFY(!watchForDeadLink(-1));

        // The host's end and the client's end of a real game connection both
        // run a keepalive timer (as the system's socket list shows).
        Peer ann("Ann", port);
        QTRY_VERIFY(ann.has(msg::NewPlayerInfo{1, "Ann"}));
        // A socket with data in flight shows its retransmission timer
        // instead, so the list is read again until both ends are idle.
        const auto keepaliveTimers = [this]() -> int {
            QProcess ss;
            ss.start(QStringLiteral("ss"),
                     {"-H", "-t", "-n", "-o", "state", "established",
                      QStringLiteral("( sport = :%1 or dport = :%1 )").arg(port)});
            if (!ss.waitForFinished(10000) || ss.exitCode() != 0)
                return -1;
            return int(ss.readAll().count("timer:(keepalive"));
        };
        if (keepaliveTimers() < 0)
            QSKIP("ss (iproute2) is not available");
        QTRY_COMPARE_WITH_TIMEOUT(keepaliveTimers(), 2, 5000);
    }

    void aPortInUseIsReported() {
        HostServer second([] { return 750; }, 1);
        QString error;
        QVERIFY(!second.listen(port, &error));
        QVERIFY(error.contains(QString::number(port)));
    }
};

QTEST_GUILESS_MAIN(NetQt)
#include "test_netqt.moc"
