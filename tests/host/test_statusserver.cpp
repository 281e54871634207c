// The status endpoint's HTTP side in this process: routes and methods, and
// the bounds kept around the HTTP library (bad and oversized requests,
// clients that stall, more connections than allowed, one peer holding many
// idle connections).
#include "host/statusserver.h"
#include "tests/support/httpclient.h"

#include <QTest>

#include <memory>
#include <vector>

using namespace dw;
using namespace dw::testing;

namespace {
constexpr int kCap = 4;
constexpr int kIdleMs = 400;

// A loopback address of its own for each peer a test plays.
QHostAddress peer(int n) {
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(n));
}
} // namespace

class StatusServerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StatusServer> server_;
    int asked_ = 0; // pages built: never for a refused request
    quint16 port() const { return server_->port(); }

private slots:
    void init() {
        asked_ = 0;
        const auto page = [this](const char* text) {
            return [this, text] {
                ++asked_;
                return std::string(text);
            };
        };
        server_ = std::make_unique<StatusServer>(page("{\"state\":\"waiting\"}\n"),
                                                 page("driftwake_x 1\n"), kCap, kIdleMs);
        QString error;
        QVERIFY2(server_->listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    }

    void servesBothPagesOnOneConnectionAndRefusesTheRest() {
        HttpConnection c;
        QVERIFY(c.connectTo(port()));
        c.send("GET /status HTTP/1.1\r\nHost: x\r\n\r\n");
        HttpAnswer a = c.answer();
        QCOMPARE(a.status, 200);
        QCOMPARE(a.body, QByteArray("{\"state\":\"waiting\"}\n"));
        QVERIFY2(a.headers.contains("Content-Type: application/json"), a.headers);
        c.send("GET /metrics?x=1 HTTP/1.1\r\nHost: x\r\n\r\n");
        a = c.answer();
        QCOMPARE(a.status, 200);
        QVERIFY2(a.headers.contains("text/plain; version=0.0.4"), a.headers);
        QCOMPARE(a.body, QByteArray("driftwake_x 1\n"));

        for (const QByteArray method : {"POST", "PUT", "DELETE", "OPTIONS"}) {
            a = httpRequest(port(), method + " /status HTTP/1.1\r\nContent-Length: 0\r\n\r\n");
            QCOMPARE(a.status, 405);
            QVERIFY(a.headers.contains("Allow: GET"));
        }
        for (const QByteArray path : {"/", "/status/", "/statusx", "/metrics/x"})
            QCOMPARE(httpGet(port(), path).status, 404);
        QCOMPARE(asked_, 2);
    }

    void garbageAndOversizedRequestsAreRefusedOrClosed() {
        const QByteArray huge(64 * 1024, 'a');
        const QList<QByteArray> requests = {
            "garbage\r\n\r\n",
            QByteArray("\x00\x01\x02\xff\r\n\r\n", 8),
            "GET /status HTTP/9.9.9\r\n\r\n",
            "GET /status HTTP/1.1\r\nX-Long: " + huge + "\r\n\r\n",
            "GET /" + huge + " HTTP/1.1\r\n\r\n",
            "POST /status HTTP/1.1\r\nContent-Length: 100000\r\n\r\n" + huge,
        };
        for (const QByteArray& request : requests) {
            const int status = httpRequest(port(), request).status;
            QVERIFY2(status == 0 || (status >= 400 && status < 500), request.left(30));
        }
        QCOMPARE(asked_, 0);
        QCOMPARE(httpGet(port(), "/status").status, 200);
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, 5000);
    }

    void clientsThatStallAreClosedAfterTheTimeout() {
        HttpConnection half, silent, dribble, idle;
        QVERIFY(half.connectTo(port()) && silent.connectTo(port()) && dribble.connectTo(port()) &&
                idle.connectTo(port()));
        half.send("GET /status HTTP/1.1\r\nHo");
        idle.send("GET /status HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(idle.answer().status, 200);
        // Sending a byte now and then does not keep a connection open.
        for (const char byte : QByteArray("GET /status HTTP/1.1\r\nHost: x\r\n")) {
            if (dribble.socket().state() != QAbstractSocket::ConnectedState)
                break;
            dribble.send(QByteArray(1, byte));
            QTest::qWait(kIdleMs / 8);
        }
        for (HttpConnection* c : {&half, &silent, &dribble, &idle})
            QVERIFY(c->waitForClose(kIdleMs * 10));
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, 5000);
        QCOMPARE(asked_, 1);
    }

    void connectionsBeyondTheCapAreRefusedWhileNoneIsIdle() {
        // Every connection is busy with a request not yet complete: nothing
        // may be closed to make room, so a newcomer gets 503.
        std::vector<std::unique_ptr<HttpConnection>> held;
        for (int i = 0; i < kCap; ++i) {
            held.push_back(std::make_unique<HttpConnection>());
            QVERIFY(held.back()->connectTo(port(), peer(1 + i)));
            held.back()->send("GET /status HTTP/1.1\r\n");
        }
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), kCap, 5000);
        QTest::qWait(50); // the partial requests arrive
        for (int i = 0; i < 3; ++i) {
            const int status = httpGet(port(), "/status", peer(10 + i)).status;
            QVERIFY2(status == 503 || status == 0, qPrintable(QString::number(status)));
        }
        QCOMPARE(server_->openConnections(), kCap);
        held.front()->send("Host: x\r\n\r\n");
        QCOMPARE(held.front()->answer().status, 200);
        held.clear();
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, 5000);
        QCOMPARE(httpGet(port(), "/status").status, 200);
        QCOMPARE(asked_, 2);
    }

    // Many idle connections, as many as the whole server allows, from one
    // address: a health check from another address is answered, and so is
    // the same address's next request; the oldest idle connection makes
    // room, and one address never holds more than its share.
    void idleConnectionsOfOnePeerLockNobodyOut() {
        StatusServer real([] { return std::string("ok"); }, [] { return std::string(); });
        QString error;
        QVERIFY2(real.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        std::vector<std::unique_ptr<HttpConnection>> idle;
        for (int i = 0; i < StatusServer::kMaxConnections; ++i) {
            idle.push_back(std::make_unique<HttpConnection>());
            QVERIFY(idle.back()->connectTo(real.port(), peer(1)));
        }
        QTRY_COMPARE_WITH_TIMEOUT(real.openConnections(), StatusServer::kMaxPerAddress, 5000);
        // The oldest went first; the newest are still open.
        QVERIFY(idle.front()->waitForClose(2000));
        QTest::qWait(100);
        QCOMPARE(idle.back()->socket().state(), QAbstractSocket::ConnectedState);
        QCOMPARE(httpGet(real.port(), "/status", peer(2)).status, 200);
        QCOMPARE(httpGet(real.port(), "/status", peer(1)).status, 200);
        // The two that asked have gone, and one of the first address's idle
        // connections made room for its request.
        QTRY_COMPARE_WITH_TIMEOUT(real.openConnections(), StatusServer::kMaxPerAddress - 1, 5000);
        idle.push_back(std::make_unique<HttpConnection>());
        QVERIFY(idle.back()->connectTo(real.port(), peer(1)));

        // Every slot taken by idle connections of four addresses: a fifth
        // address is still answered.
        for (int a = 2; a <= 4; ++a)
            for (int i = 0; i < StatusServer::kMaxPerAddress; ++i) {
                idle.push_back(std::make_unique<HttpConnection>());
                QVERIFY(idle.back()->connectTo(real.port(), peer(a)));
            }
        QTRY_COMPARE_WITH_TIMEOUT(real.openConnections(), StatusServer::kMaxConnections, 5000);
        QCOMPARE(httpGet(real.port(), "/status", peer(5)).status, 200);
        QCOMPARE(httpGet(real.port(), "/metrics", peer(3)).status, 200);
    }
    void aBusyPortOrABadAddressIsReported() {
        StatusServer second([] { return std::string(); }, [] { return std::string(); });
        QString error;
        QVERIFY(!second.listen(QHostAddress::LocalHost, port(), &error));
        QVERIFY2(error.contains(QString::number(port())), qPrintable(error));
        QVERIFY(!second.listen(QHostAddress(QStringLiteral("nowhere")), 0, &error));
        QVERIFY2(error.contains("not an IP address"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(StatusServerTest)
#include "test_statusserver.moc"
