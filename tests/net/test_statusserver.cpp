// The status endpoint's HTTP side in this process: routes and methods, and
// the bounds kept around the HTTP library (bad and oversized requests,
// clients that stall, more connections than allowed).
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

    void connectionsBeyondTheCapAreRefusedUntilOnesClose() {
        std::vector<std::unique_ptr<HttpConnection>> held;
        for (int i = 0; i < kCap; ++i) {
            held.push_back(std::make_unique<HttpConnection>());
            QVERIFY(held.back()->connectTo(port()));
        }
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), kCap, 5000);
        for (int i = 0; i < 3; ++i) {
            const int status = httpGet(port(), "/status").status;
            QVERIFY2(status == 503 || status == 0, qPrintable(QString::number(status)));
        }
        QCOMPARE(server_->openConnections(), kCap);
        held.front()->send("GET /status HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(held.front()->answer().status, 200);
        held.clear();
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, 5000);
        QCOMPARE(httpGet(port(), "/status").status, 200);
        QCOMPARE(asked_, 2);
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
