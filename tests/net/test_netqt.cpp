// The host server and the client connection over real loopback sockets.
#include "net/clientconn.h"
#include "net/tserver.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

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

    void aPortInUseIsReported() {
        TServer second([] { return 750; }, 1);
        QString error;
        QVERIFY(!second.listen(port, &error));
        QVERIFY(error.contains(QString::number(port)));
    }
};

QTEST_GUILESS_MAIN(NetQt)
#include "test_netqt.moc"
