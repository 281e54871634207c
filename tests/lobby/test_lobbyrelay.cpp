// Relayed streams through the bytestream proxy of a real Prosody, with the
// lobbies in one process: the proxy found by service discovery, a stream
// from a joiner to a host's game (a listening socket here) carrying bytes
// both ways and a large burst whole, the offers a host refuses, and the bridge's limits: closing
// one side closes the other, a reader that stops holds the writer back, and
// a quiet stream gets a lone byte 255 at a message boundary.
#include "lobby/bytestream.h"
#include "lobby/relaybridge.h"
#include "lobby/room.h"
#include "lobby/stanzaelement.h"
#include "lobby/xmppclient.h"
#include "tests/lobby/prosody.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <strophe.h>

#include <memory>

using namespace dw;
using namespace dw::lobby;
using namespace dw::testing;

namespace {

using Lobby = SignedInLobby;

// The next `n` bytes `socket` receives within 10 s (fewer on time-out).
QByteArray take(QTcpSocket* socket, qsizetype n) {
    QByteArray got;
    (void)QTest::qWaitFor(
        [&] {
            got += socket->read(n - got.size());
            return got.size() >= n;
        },
        10000);
    return got;
}

// A connected pair of sockets on loopback.
struct Pair {
    QTcpServer server;
    std::unique_ptr<QTcpSocket> near = std::make_unique<QTcpSocket>();
    QTcpSocket* far = nullptr;
    Pair() {
        server.listen(QHostAddress::LocalHost);
        near->connectToHost(QHostAddress::LocalHost, server.serverPort());
        near->waitForConnected(5000);
        server.waitForNewConnection(5000);
        far = server.nextPendingConnection();
        far->setParent(nullptr);
    }
};

} // namespace

class TestLobbyRelay : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qRegisterMetaType<Failure>();
        qRegisterMetaType<RoomFailure>();
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
    }

    void theProxyIsFoundAndAStreamCarriesAGameConnection() {
        Lobby host(server_, "alice@localhost", "secret1");
        Lobby joiner(server_, "bob@localhost", "secret2");
        QVERIFY(host.client.isSignedIn() && joiner.client.isSignedIn());
        RelayHost relay(host.client, host.room);
        QSignalSpy checked(&relay, &RelayHost::proxyChecked);
        QCOMPARE(host.join(server_.room(), "Ann"), RoomFailure::None);
        QTRY_VERIFY_WITH_TIMEOUT(!checked.isEmpty(), 15000);
        QVERIFY(relay.proxy());
        QCOMPARE(relay.proxy()->jid, std::string("proxy.localhost"));
        QCOMPARE(relay.proxy()->host, std::string("127.0.0.1"));
        QCOMPARE(relay.proxy()->port, int(server_.proxyPort()));

        ProxyFinder finder(joiner.client);
        QSignalSpy found(&finder, &ProxyFinder::finished);
        finder.find();
        QTRY_VERIFY_WITH_TIMEOUT(!found.isEmpty(), 15000);
        QVERIFY(finder.proxy());
        QCOMPARE(joiner.join(server_.room(), "Ben"), RoomFailure::None);
        QTRY_VERIFY(host.room.occupants().count("Ben"));

        // The "game": a listening socket on loopback.
        QTcpServer game;
        QVERIFY(game.listen(QHostAddress::LocalHost));
        relay.setGamePort(game.serverPort());

        RelayRequest request(joiner.client, *finder.proxy(), server_.room() + "/Ann");
        QPointer<QTcpSocket> stream;
        QString why;
        connect(&request, &RelayRequest::ready, this, [&](QTcpSocket* s) { stream = s; });
        connect(&request, &RelayRequest::failed, this, [&](const QString& w) { why = w; });
        request.start();
        QVERIFY2(QTest::qWaitFor([&] { return stream || !why.isEmpty(); }, 30000), "no stream");
        QVERIFY2(stream, qPrintable(why));
        std::unique_ptr<QTcpSocket> owned(stream.data());

        // The host connects to the game once the joiner's first byte (an
        // empty message) arrives; the game greets first.
        QTRY_VERIFY_WITH_TIMEOUT(game.hasPendingConnections(), 10000);
        std::unique_ptr<QTcpSocket> player(game.nextPendingConnection());
        player->setParent(nullptr);
        QCOMPARE(take(player.get(), 1), QByteArray("\xff"));
        player->write("CMD_sendlogininfo+1\xff");
        QCOMPARE(take(owned.get(), 20), QByteArray("CMD_sendlogininfo+1\xff"));
        // The joiner's side bridged as its lobby does it, and a burst of
        // 400 kB written at once: it all arrives, its end included, which
        // Prosody's proxy may keep until more bytes follow.
        Pair local;
        auto* bridge = new RelayBridge(owned.release(), local.far);
        QByteArray big;
        for (int i = 0; i < 2000; ++i)
            big += "CMD_chat+" + QByteArray(190, char('a' + i % 26)) + "\xff";
        local.near->write(big);
        QByteArray got;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         got += player->readAll();
                         return got.size() >= big.size();
                     },
                     20000),
                 qPrintable(QString("%1 of %2").arg(got.size()).arg(big.size())));
        QCOMPARE(got.left(big.size()), big);
        QCOMPARE(got.mid(big.size()), QByteArray(got.size() - big.size(), '\xff'));
        QCOMPARE(relay.streams(), 1);

        // The joiner's stream ending closes the game's connection.
        local.near->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(player->state(), QAbstractSocket::UnconnectedState, 15000);
        QTRY_COMPARE(relay.streams(), 0);
        delete bridge;
    }

    void offersTheHostRefuses() {
        Lobby host(server_, "alice@localhost", "secret1");
        Lobby joiner(server_, "bob@localhost", "secret2");
        Lobby outsider(server_, "carol@localhost", "secret3");
        RelayHost relay(host.client, host.room);
        QSignalSpy checked(&relay, &RelayHost::proxyChecked);
        QCOMPARE(host.join(server_.room(), "Ann"), RoomFailure::None);
        QTRY_VERIFY_WITH_TIMEOUT(!checked.isEmpty(), 15000);
        QCOMPARE(joiner.join(server_.room(), "Ben"), RoomFailure::None);
        QTRY_VERIFY(host.room.occupants().count("Ben"));
        const StreamHost proxy = *relay.proxy();
        const QString occupant = server_.room() + "/Ann";

        // No live table yet.
        QCOMPARE(sendOffer(joiner.client, occupant, "s1", proxy), QString("not-allowed"));
        QTcpServer game;
        QVERIFY(game.listen(QHostAddress::LocalHost));
        relay.setGamePort(game.serverPort());

        // From outside the room: the room turns it away at the occupant
        // address, and the host at its own address.
        QVERIFY(sendOffer(outsider.client, occupant, "s2", proxy) != "");
        QCOMPARE(sendOffer(outsider.client, host.client.boundJid(), "s3", proxy),
                 QString("forbidden"));
        // Another proxy than the host's own.
        StreamHost elsewhere = proxy;
        elsewhere.jid = "proxy.example.org";
        QCOMPARE(sendOffer(joiner.client, occupant, "s4", elsewhere), QString("item-not-found"));
        // Accepted once (nobody connects, so it stays being set up); then a
        // second offer for the same joiner, and the same stream id again.
        QCOMPARE(sendOffer(joiner.client, occupant, "s5", proxy), QString(""));
        QCOMPARE(sendOffer(joiner.client, occupant, "s6", proxy), QString("not-acceptable"));
        QCOMPARE(relay.streams(), 1);
        relay.setGamePort(0);
        QCOMPARE(relay.streams(), 0);
        relay.setGamePort(game.serverPort());
        QCOMPARE(sendOffer(joiner.client, occupant, "s5", proxy), QString("not-acceptable"));
        // A malformed offer.
        QCOMPARE(sendOffer(joiner.client, occupant, "bad sid!", proxy), QString("bad-request"));
    }

    void anOfferBeforeTheHostKnowsItsProxyWaitsForIt() {
        Lobby host(server_, "alice@localhost", "secret1");
        Lobby joiner(server_, "bob@localhost", "secret2");
        ProxyFinder finder(joiner.client);
        finder.find();
        QTRY_VERIFY_WITH_TIMEOUT(finder.hasSearched() && finder.proxy(), 15000);
        QCOMPARE(host.join(server_.room(), "Ann"), RoomFailure::None);
        QCOMPARE(joiner.join(server_.room(), "Ben"), RoomFailure::None);
        QTRY_VERIFY(host.room.occupants().count("Ben"));
        QTcpServer game;
        QVERIFY(game.listen(QHostAddress::LocalHost));
        // The host starts looking for its proxy as it is made; the offer
        // arrives in one trip, before the search's three have ended. (The
        // client may take answers already while it sends, so on a loaded
        // machine a search can end at once: then it is tried again.)
        for (int attempt = 0; attempt < 10; ++attempt) {
            RelayHost relay(host.client, host.room);
            relay.setGamePort(game.serverPort());
            if (relay.proxyKnown())
                continue;
            QCOMPARE(sendOffer(joiner.client, server_.room() + "/Ann", "early", *finder.proxy()),
                     QString(""));
            QCOMPARE(relay.streams(), 1);
            return;
        }
        QFAIL("every proxy search ended before an offer could come");
    }

    void aBridgeClosesBothSidesAndHoldsBackAWriter() {
        // proxy.near <-> [proxy.far | bridge | local.far] <-> local.near
        Pair proxy, local;
        QVERIFY(proxy.far && local.far);
        // Small system buffers, so that few bytes are in flight.
        for (QTcpSocket* s : {local.far, proxy.near.get()})
            s->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 64 * 1024);
        local.near->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 64 * 1024);
        proxy.near->setReadBufferSize(64 * 1024); // the reader's own buffer, too
        auto* bridge = new RelayBridge(proxy.far, local.far);
        QSignalSpy finished(bridge, &RelayBridge::finished);
        local.near->write("CMD_a+1\xff");
        QCOMPARE(take(proxy.near.get(), 8), QByteArray("CMD_a+1\xff"));

        // A reader that stops: 16 MB written on one side stay mostly with
        // the writer, not in the bridge.
        const QByteArray block(1 << 20, 'y');
        for (int i = 0; i < 16; ++i)
            local.near->write(block);
        QTest::qWait(1500);
        QVERIFY2(local.near->bytesToWrite() > 8 * (1 << 20),
                 qPrintable(QString::number(local.near->bytesToWrite())));
        // Reading again drains it all.
        qint64 read = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                read += proxy.near->readAll().size();
                return read == 16 * (1 << 20);
            },
            30000));

        // The proxy side ends: the local side is closed.
        proxy.near->disconnectFromHost();
        QVERIFY(finished.wait(5000));
        QTRY_COMPARE(local.near->state(), QAbstractSocket::UnconnectedState);
        delete bridge;
    }

    void aQuietBridgeSendsALoneEndByteAtABoundary() {
        Pair proxy, local;
        auto* bridge = new RelayBridge(proxy.far, local.far);
        bridge->setIdleInterval(300);
        // Quiet from the start: a lone 255.
        QCOMPARE(take(proxy.near.get(), 1), QByteArray("\xff"));
        // Within a message: nothing until it ends.
        local.near->write("CMD_half");
        QCOMPARE(take(proxy.near.get(), 8), QByteArray("CMD_half"));
        QTest::qWait(1000);
        QCOMPARE(proxy.near->readAll(), QByteArray());
        local.near->write("+2\xff");
        QCOMPARE(take(proxy.near.get(), 3), QByteArray("+2\xff"));
        QCOMPARE(take(proxy.near.get(), 1), QByteArray("\xff"));
        // The local side ends: the proxy side is closed.
        local.near->disconnectFromHost();
        QTRY_COMPARE(proxy.near->state(), QAbstractSocket::UnconnectedState);
        delete bridge;
    }

private:
    PrivateProsody server_{
        PrivateProsody::Options{{"alice:secret1", "bob:secret2", "carol:secret3"}, true}};
};

QTEST_GUILESS_MAIN(TestLobbyRelay)
#include "test_lobbyrelay.moc"
