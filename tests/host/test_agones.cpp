// The headless host under Agones, against a fake SDK sidecar on loopback:
// ready once the host listens (and again until the sidecar takes it),
// health pings, the label of pilots seated, allocation by the first pilot,
// the shutdown once the table has done its work (never while a dropped
// pilot's seat is kept), a stranger who can neither run nor end the table,
// and a host that plays on without a sidecar.
#include "host/agones.h"
#include "tests/support/fakesidecar.h"
#include "tests/support/processes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <map>
#include <vector>

using namespace dw;
using namespace dw::testing;

namespace {

// Fast pacing for the in-process tests.
constexpr AgonesSdk::Timing kFast{50, 50, 2000};

} // namespace

class Agones : public QObject {
    Q_OBJECT

private slots:
    void readyWaitsForTheSidecarAndHealthTicks() {
        const quint16 port = freePort();
        AgonesSdk sdk([] { return TableState{}; }, port, kFast);
        QStringList notices;
        connect(&sdk, &AgonesSdk::notice, [&](const QString& t) { notices << t; });
        sdk.start();
        // No sidecar yet: the host waits, and says so once, not every try.
        QTest::qWait(400);
        QVERIFY(!sdk.isReady());
        QCOMPARE(notices.size(), 1);

        // The sidecar comes up but refuses the first two calls.
        FakeSidecar sidecar;
        sidecar.refuse("/ready", 2);
        QVERIFY(sidecar.listen(port));
        QTRY_VERIFY_WITH_TIMEOUT(sdk.isReady(), 5000);
        QCOMPARE(sidecar.count("/ready"), 3);
        QTRY_VERIFY_WITH_TIMEOUT(sidecar.count("/health") >= 5, 5000);
        // Ready once taken is not said again; the label tells the empty table.
        QCOMPARE(sidecar.count("/ready"), 3);
        QTRY_COMPARE(sidecar.labels(), QStringList{"0"});
        for (const auto& r : sidecar.requests) {
            QCOMPARE(r.method, r.path == "/metadata/label" ? QByteArray("PUT") : "POST");
            QVERIFY2(QJsonDocument::fromJson(r.body).isObject(), r.body.constData());
        }
        QCOMPARE(sidecar.count("/shutdown"), 0);
    }

    void shutdownOnlyOnceAGameHasEndedAndNobodyIsLeft() {
        const quint16 port = freePort();
        FakeSidecar sidecar;
        QVERIFY(sidecar.listen(port));
        TableState table;
        AgonesSdk sdk([&] { return table; }, port, kFast);
        sdk.start();
        QTRY_VERIFY(sdk.isReady());

        // A pilot sits down: the label follows, and the table is in use from
        // the first pilot on (said once, asked again when refused).
        QTest::qWait(200);
        QCOMPARE(sidecar.count("/allocate"), 0);
        sidecar.refuse("/allocate", 1);
        table.seated = 2;
        sdk.update();
        QTRY_COMPARE(sidecar.lastLabel(), QString("2"));
        QTRY_COMPARE(sidecar.count("/allocate"), 2);

        // A game in which every pilot leaves: the computer plays it to the
        // end, and the table stays while it runs.
        table = {1, true, false, 0, true};
        QTRY_COMPARE(sidecar.lastLabel(), QString("1"));
        table = {0, true, false, 1, true};
        QTRY_COMPARE(sidecar.lastLabel(), QString("0"));
        table = {0, true, false, 0, true};
        QTest::qWait(200);
        QCOMPARE(sidecar.count("/shutdown"), 0);
        QCOMPARE(sidecar.count("/allocate"), 2);
        // The game ends while a dropped pilot's seat is kept: no shutdown
        // before the seat is given up.
        table = {0, false, true, 1, true};
        QTest::qWait(200);
        QCOMPARE(sidecar.count("/shutdown"), 0);
        // Then one shutdown, and silence.
        table = {0, false, true, 0, true};
        QTRY_COMPARE(sidecar.count("/shutdown"), 1);
        // The sidecar has the request before the host has its answer.
        QTRY_VERIFY(sdk.shutdownSent());
        const auto seen = sidecar.requests.size();
        QTest::qWait(300);
        QCOMPARE(sidecar.requests.size(), seen);
    }

    // Pilots who leave before any game, and a table nobody comes back to.
    void aTableLeftBeforeAGameOrEmptyTooLongShutsDown() {
        const quint16 port = freePort();
        FakeSidecar sidecar;
        QVERIFY(sidecar.listen(port));
        {
            // Nobody ever sat: the table waits in the fleet as it is.
            TableState table;
            AgonesSdk sdk([&] { return table; }, port, kFast);
            sdk.start();
            QTRY_VERIFY(sdk.isReady());
            QTest::qWait(300);
            QCOMPARE(sidecar.count("/shutdown"), 0);
            // A login and a departure before any game: the table is in use,
            // and done once the pilot's seat is no longer kept.
            table.seated = 1;
            QTRY_COMPARE(sidecar.count("/allocate"), 1);
            table = {0, false, false, 1, false};
            QTRY_COMPARE(sidecar.lastLabel(), QString("0"));
            QTest::qWait(200);
            QCOMPARE(sidecar.count("/shutdown"), 0);
            table.held = 0;
            QTRY_COMPARE(sidecar.count("/shutdown"), 1);
        }
        sidecar.requests.clear();
        {
            // A game the computer plays on with nobody there: shut down once
            // the table has been empty for emptyMs.
            AgonesSdk::Timing timing = kFast;
            timing.emptyMs = 500;
            TableState table{2, true, false, 0, true};
            AgonesSdk sdk([&] { return table; }, port, timing);
            sdk.start();
            QTRY_COMPARE(sidecar.count("/allocate"), 1);
            table.seated = 0;
            sdk.update();
            QCOMPARE(sidecar.count("/shutdown"), 0);
            QTRY_COMPARE(sidecar.count("/shutdown"), 1);
        }
    }

    void aGameThatEndsWithPilotsSeatedWaitsForThemToLeave() {
        const quint16 port = freePort();
        FakeSidecar sidecar;
        QVERIFY(sidecar.listen(port));
        TableState table{3, true, false, 0, true};
        AgonesSdk sdk([&] { return table; }, port, kFast);
        sdk.start();
        QTRY_COMPARE(sidecar.labels(), QStringList{"3"});
        table = {3, false, true, 0, true};
        QTest::qWait(200);
        QCOMPARE(sidecar.count("/shutdown"), 0);
        // A shutdown the sidecar refuses is asked again.
        sidecar.refuse("/shutdown", 1, 500);
        table = {0, false, true, 0, true};
        QTRY_COMPARE(sidecar.count("/shutdown"), 2);
        QTRY_VERIFY(sdk.shutdownSent());
    }

    void theSidecarGoingAwayAndComingBack() {
        const quint16 port = freePort();
        auto sidecar = std::make_unique<FakeSidecar>();
        QVERIFY(sidecar->listen(port));
        TableState table;
        AgonesSdk sdk([&] { return table; }, port, kFast);
        sdk.start();
        QTRY_COMPARE(sidecar->labels(), QStringList{"0"});
        sidecar->close();
        sidecar.reset();
        // Label changes while it is away are not lost.
        table.seated = 4;
        QTest::qWait(300);
        sidecar = std::make_unique<FakeSidecar>();
        QVERIFY(sidecar->listen(port));
        QTRY_VERIFY(sidecar->count("/health") >= 2);
        QTRY_COMPARE(sidecar->labels(), QStringList{"4"});
        QCOMPARE(sidecar->count("/ready"), 0);
    }

    void theSidecarPortComesFromTheEnvironment() {
        qputenv("AGONES_SDK_HTTP_PORT", "12345");
        QCOMPARE(AgonesSdk::portFromEnvironment(), quint16(12345));
        for (const char* bad : {"", "0", "70000", "http"}) {
            qputenv("AGONES_SDK_HTTP_PORT", bad);
            QCOMPARE(AgonesSdk::portFromEnvironment(), quint16(9358));
        }
        qunsetenv("AGONES_SDK_HTTP_PORT");
        QCOMPARE(AgonesSdk::portFromEnvironment(), quint16(9358));
    }

    // The real program: ready only once its game port takes connections,
    // the label as pilots arrive, and the shutdown after the winner and the
    // last departure.
    void theHeadlessHostUnderAgones() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 sdkPort = freePort();
        FakeSidecar sidecar;
        QVERIFY(sidecar.listen(sdkPort));
        // Whether the game port takes a connection at the moment "ready" comes.
        const quint16 port = freePort();
        bool listeningAtReady = false;
        sidecar.onRequest = [&](const FakeSidecar::Request& r) {
            if (r.path != "/ready")
                return;
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            listeningAtReady = probe.waitForConnected(2000);
        };
        QProcessEnvironment env = Running::environment(copy, false);
        env.insert("AGONES_SDK_HTTP_PORT", QString::number(sdkPort));
        Running host(copy,
                     {"--headless", "--no-announce", "--agones", "--port", QString::number(port),
                      "--timer-scale", "0.002"},
                     env);
        QTRY_VERIFY_WITH_TIMEOUT(sidecar.count("/ready") == 1, 20000);
        QVERIFY(listeningAtReady);
        QVERIFY(host.waitForOutput("agones: ready", 5000));

        RawClient me;
        QCOMPARE(me.login(port, "Watcher"), 1);
        QTRY_COMPARE_WITH_TIMEOUT(sidecar.lastLabel(), QString("1"), 5000);
        QTRY_COMPARE(sidecar.count("/allocate"), 1);
        me.send(msg::StartGameRequest{"Watcher", "1000", "50", false, false});
        me.send(msg::JustWatch{1, true});
        QVERIFY2(me.waitFor<msg::Winner>(120000), qPrintable(host.output()));
        // The pilot stays after the winner: the table stays, and keeps pinging.
        QTRY_VERIFY_WITH_TIMEOUT(sidecar.count("/health") >= 3, 10000);
        QCOMPARE(sidecar.count("/shutdown"), 0);
        // She leaves; her seat is kept for her in case her link dropped, so
        // the table is not shut down at once (it is when the seat is given
        // up, see aTableLeftBeforeAGameOrEmptyTooLongShutsDown).
        me.socket().disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(sidecar.lastLabel(), QString("0"), 10000);
        QVERIFY(host.waitForOutput("seat 1 is kept for its player", 5000));
        QTest::qWait(3000);
        QCOMPARE(sidecar.count("/shutdown"), 0);
        QCOMPARE(host.terminate(), 0);
    }

    // A stranger at a fleet table: she joins while seat 1's player has
    // dropped, tries to restart the game to an amount of -1 and to remove
    // the others, and leaves. She gets another seat and no rights, and the
    // table is not shut down while the dropped players' seats are kept.
    void aStrangerCanNeitherRunNorEndAFleetTable() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 sdkPort = freePort();
        FakeSidecar sidecar;
        QVERIFY(sidecar.listen(sdkPort));
        const quint16 port = freePort();
        QProcessEnvironment env = Running::environment(copy, false);
        env.insert("AGONES_SDK_HTTP_PORT", QString::number(sdkPort));
        Running host(copy,
                     {"--headless", "--no-announce", "--agones", "--port", QString::number(port),
                      "--timer-scale", "0.002"},
                     env);
        // The sidecar answers only while this process waits in its event loop.
        QTRY_VERIFY_WITH_TIMEOUT(sidecar.count("/ready") == 1, 20000);
        QVERIFY(host.waitForOutput("agones: ready", 5000));
        RawClient ann, bob;
        QCOMPARE(ann.login(port, "Ann"), 1);
        QCOMPARE(bob.login(port, "Bob"), 2);
        ann.send(msg::StartGameRequest{"Ann", "10000", "100", false, false});
        QVERIFY(bob.waitFor<msg::StartGameAnnounce>(10000));
        ann.socket().abort();
        QVERIFY(bob.waitFor(msg::HostRights{2}, 10000));

        RawClient eve;
        QCOMPARE(eve.login(port, "Eve"), 3);
        eve.send(msg::StartGameRequest{"Eve", "-1", "50", false, false});
        eve.send(msg::KickHim{3, 2});
        eve.send(msg::Chat{3, "done|clRed"});
        bool restarted = false;
        bool removed = false;
        QVERIFY(bob.waitForMatch(
            [&](const std::string& m) {
                restarted = restarted || msg::decodeMessage<msg::StartGameAnnounce>(m);
                removed = removed || msg::decodeMessage<msg::Removed>(m);
                const auto line = msg::decodeMessage<msg::Chat>(m);
                return line && line->seat == 3;
            },
            10000));
        QVERIFY(!restarted);
        QVERIFY(!removed);
        eve.socket().abort();
        bob.socket().abort();
        QTRY_COMPARE_WITH_TIMEOUT(sidecar.lastLabel(), QString("0"), 10000);
        // Ann's and Bob's seats are kept for them: the table stays.
        QTest::qWait(3000);
        QCOMPARE(sidecar.count("/shutdown"), 0);
        QCOMPARE(host.terminate(), 0);
    }

    void theHeadlessHostPlaysOnWithoutASidecar() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        QProcessEnvironment env = Running::environment(copy, false);
        env.insert("AGONES_SDK_HTTP_PORT", QString::number(freePort()));
        const quint16 port = freePort();
        Running host(copy,
                     {"--headless", "--no-announce", "--agones", "--port", QString::number(port)},
                     env);
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));
        QVERIFY(host.waitForOutput("agones: /ready failed", 10000));
        RawClient ann;
        QCOMPARE(ann.login(port, "Ann"), 1);
        ann.send(msg::Chat{1, "still here"});
        QVERIFY(ann.waitForMatch(
            [](const std::string& m) { return m.find("still here") != std::string::npos; }, 5000));
        QCOMPARE(host.process().state(), QProcess::Running);
        QCOMPARE(host.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(Agones)
#include "test_agones.moc"
