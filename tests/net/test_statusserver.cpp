// The status endpoint's HTTP side in this process: routes, methods, and the
// bounds kept around the HTTP library (bad and oversized requests, clients
// that stall, more connections than allowed).
#include "net/statusserver.h"
#include "tests/support/httpclient.h"

#include <QTest>

#include <memory>
#include <vector>

using namespace dw;
using namespace dw::testing;

namespace {
constexpr int kCap = 4;
constexpr int kIdleMs = 400;
} // namespace

class StatusServerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<StatusServer> server_;
    int statusAsked_ = 0;
    quint16 port() const { return server_->port(); }

private slots:
    void init() {
        statusAsked_ = 0;
        server_ = std::make_unique<StatusServer>(
            [this] {
                ++statusAsked_;
                return std::string("{\"state\":\"waiting\"}\n");
            },
            [] { return std::string("# TYPE driftwake_x counter\ndriftwake_x 1\n"); }, kCap,
            kIdleMs);
        QString error;
        QVERIFY2(server_->listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    }
    void cleanup() { server_.reset(); }

    void servesBothPagesWithTheirTypesOnOneConnection() {
        HttpConnection c;
        QVERIFY(c.connectTo(port()));
        c.send("GET /status HTTP/1.1\r\nHost: x\r\n\r\n");
        HttpAnswer a = c.answer();
        QCOMPARE(a.status, 200);
        QCOMPARE(a.body, QByteArray("{\"state\":\"waiting\"}\n"));
        QVERIFY2(a.headers.contains("Content-Type: application/json"), a.headers);
        // The same connection asks again, for the other page, with a query.
        c.send("GET /metrics?x=1 HTTP/1.1\r\nHost: x\r\n\r\n");
        a = c.answer();
        QCOMPARE(a.status, 200);
        QVERIFY2(a.headers.contains("text/plain; version=0.0.4"), a.headers);
        QVERIFY(a.body.contains("driftwake_x 1"));
        QCOMPARE(statusAsked_, 1);
    }

    void otherMethodsAndPathsAreRefusedWithoutAskingTheHost() {
        for (const QByteArray method : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS"}) {
            const HttpAnswer a = httpRequest(
                port(), method + " /status HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n");
            QCOMPARE(a.status, 405);
            QVERIFY(a.headers.contains("Allow: GET"));
        }
        QCOMPARE(httpGet(port(), "/").status, 404);
        QCOMPARE(httpGet(port(), "/status/").status, 404);
        QCOMPARE(httpGet(port(), "/statusx").status, 404);
        QCOMPARE(httpGet(port(), "/../status").status, 404);
        QCOMPARE(statusAsked_, 0);
    }

    void garbageAndOversizedRequestsAreAnsweredOrClosed() {
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
            const HttpAnswer a = httpRequest(port(), request);
            // A plain refusal is fine; a close is too. Never a page.
            QVERIFY2(a.closed || (a.status >= 400 && a.status < 500),
                     qPrintable(QByteArray::number(a.status) + " for " + request.left(40)));
        }
        QCOMPARE(statusAsked_, 0);
        // The server still serves.
        QCOMPARE(httpGet(port(), "/status").status, 200);
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, 5000);
    }

    void aClientThatStallsIsClosedAfterTheTimeout() {
        HttpConnection half;
        QVERIFY(half.connectTo(port()));
        half.send("GET /status HTTP/1.1\r\nHo");
        HttpConnection silent;
        QVERIFY(silent.connectTo(port()));
        // Dribbling bytes does not keep a connection open.
        HttpConnection dribble;
        QVERIFY(dribble.connectTo(port()));
        const QByteArray request = "GET /status HTTP/1.1\r\nHost: x\r\n";
        for (const char byte : request) {
            dribble.send(QByteArray(1, byte));
            QTest::qWait(kIdleMs / 8);
            if (dribble.socket().state() != QAbstractSocket::ConnectedState)
                break;
        }
        QVERIFY(half.waitForClose(kIdleMs * 10));
        QVERIFY(silent.waitForClose(kIdleMs * 10));
        QVERIFY(dribble.waitForClose(kIdleMs * 10));
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, 5000);
        QCOMPARE(statusAsked_, 0);
        // An answered connection that stays idle is closed the same way.
        HttpConnection idle;
        QVERIFY(idle.connectTo(port()));
        idle.send("GET /status HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(idle.answer().status, 200);
        QVERIFY(idle.waitForClose(kIdleMs * 10));
    }

    void connectionsBeyondTheCapAreRefusedUntilOnesClose() {
        std::vector<std::unique_ptr<HttpConnection>> held;
        for (int i = 0; i < kCap; ++i) {
            held.push_back(std::make_unique<HttpConnection>());
            QVERIFY(held.back()->connectTo(port()));
        }
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), kCap, 5000);
        for (int i = 0; i < 3; ++i) {
            const HttpAnswer a = httpGet(port(), "/status");
            QVERIFY2(a.status == 503 || (a.status == 0 && a.closed),
                     qPrintable(QString::number(a.status)));
        }
        QCOMPARE(server_->openConnections(), kCap);
        QCOMPARE(statusAsked_, 0);
        // The held ones still get answers.
        held.front()->send("GET /status HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(held.front()->answer().status, 200);
        held.clear();
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, 5000);
        QCOMPARE(httpGet(port(), "/status").status, 200);
    }

    void aBusyOrBadAddressIsReported() {
        StatusServer second([] { return std::string(); }, [] { return std::string(); });
        QString error;
        QVERIFY(!second.listen(QHostAddress::LocalHost, port(), &error));
        QVERIFY2(error.contains(QString::number(port())), qPrintable(error));
        QVERIFY(!second.listen(QHostAddress(QStringLiteral("not-an-address")), 0, &error));
        QVERIFY2(error.contains("not an IP address"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(StatusServerTest)
#include "test_statusserver.moc"
