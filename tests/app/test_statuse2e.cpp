// The headless host's status endpoint as an operator meets it: a real host
// on loopback with raw protocol clients, and --fetch, the program's own HTTP
// client for health checks.
#include "tests/support/httpclient.h"
#include "tests/support/processes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTest>

using namespace dw;
using namespace dw::testing;

namespace {

QJsonObject statusOf(quint16 port) {
    const HttpAnswer a = httpGet(port, "/status");
    if (a.status != 200)
        return {};
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(a.body, &error);
    return error.error == QJsonParseError::NoError ? doc.object() : QJsonObject{};
}

QJsonObject seat(const QJsonObject& status, int n) {
    return status.value("seats").toArray().at(n - 1).toObject();
}

// The value of a sample in the Prometheus text; -1 when missing.
double metricOf(quint16 port, const QByteArray& name) {
    const HttpAnswer a = httpGet(port, "/metrics");
    for (const QByteArray& line : a.body.split('\n'))
        if (line.startsWith(name + ' '))
            return line.mid(name.size() + 1).toDouble();
    return -1;
}

// Runs driftwake --fetch URL to its end; the exit code, -1 when it hung.
int fetch(const ProgramCopy& copy, const QString& url, QString* output) {
    Running run(copy, {"--fetch", url});
    const bool ended = run.process().waitForFinished(20000);
    *output = run.output();
    return ended && run.process().exitStatus() == QProcess::NormalExit ? run.process().exitCode()
                                                                       : -1;
}

} // namespace

class StatusEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void statusAndMetricsOfARealHostAndItsHealthCheck() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        const quint16 statusPort = freePort();
        Running host(copy,
                     {"--headless", "--no-announce", "--port", QString::number(port),
                      "--status-port", QString::number(statusPort), "--timer-scale", "0.002"});
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));
        QVERIFY2(
            host.output().contains(QStringLiteral("http://127.0.0.1:%1/status").arg(statusPort)),
            qPrintable(host.output()));

        QJsonObject s = statusOf(statusPort);
        QCOMPARE(s.value("state").toString(), QStringLiteral("waiting"));
        QCOMPARE(s.value("port").toInt(), int(port));
        QCOMPARE(s.value("version").toString(), QStringLiteral("1.0.1"));
        QCOMPARE(s.value("seats").toArray().size(), 4);

        // Ann never plays, so the game waits for her turn.
        RawClient watcher, ann;
        QCOMPARE(watcher.login(port, "Watcher"), 1);
        QCOMPARE(ann.login(port, "Ann \"A\" \xE9"), 2);
        watcher.send(msg::StartGameRequest{"Watcher", "1000", "50", true, true});
        QVERIFY(watcher.waitFor<msg::StartGameAnnounce>(5000));
        watcher.send(msg::JustWatch{1, true});
        QVERIFY(watcher.waitFor(msg::JustWatching{1, true}, 5000));
        s = statusOf(statusPort);
        QCOMPARE(s.value("state").toString(), QStringLiteral("playing"));
        QCOMPARE(s.value("distance").toInt(), 50000);
        QCOMPARE(seat(s, 2).value("name").toString(), QStringLiteral("Ann \"A\" \u00E9"));
        QVERIFY(seat(s, 1).value("computer").toBool() && !seat(s, 2).value("computer").toBool());
        QCOMPARE(metricOf(statusPort, "driftwake_game_in_progress"), 1.0);
        QCOMPARE(metricOf(statusPort, "driftwake_logins_total"), 2.0);

        // Ann leaves; the computer plays her seat on to the winner.
        ann.socket().disconnectFromHost();
        QVERIFY2(watcher.waitFor<msg::Winner>(120000), qPrintable(host.output()));
        s = statusOf(statusPort);
        QCOMPARE(s.value("state").toString(), QStringLiteral("waiting"));
        QVERIFY(seat(s, 2).value("name").isNull());
        QVERIFY(s.value("winner").toInt() >= 1);
        QCOMPARE(metricOf(statusPort, "driftwake_games_finished_total"), 1.0);
        QCOMPARE(metricOf(statusPort, "driftwake_connections"), 1.0);
        QVERIFY(metricOf(statusPort, "driftwake_sent_bytes_total") > 1000);
        QVERIFY(metricOf(statusPort, "driftwake_private_memory_bytes") > 0);

        // --fetch answers a health check without any display.
        QString out;
        QCOMPARE(fetch(copy, QStringLiteral("http://127.0.0.1:%1/status").arg(statusPort), &out),
                 0);
        QVERIFY2(out.contains("\"state\":\"waiting\""), qPrintable(out));
        QCOMPARE(fetch(copy, QStringLiteral("http://127.0.0.1:%1/nothing").arg(statusPort), &out),
                 1);
        QVERIFY2(out.contains("404"), qPrintable(out));

        // A second host cannot take the same status port: it says so and ends.
        Running second(copy, {"--headless", "--no-announce", "--port", QString::number(freePort()),
                              "--status-port", QString::number(statusPort)});
        QVERIFY(second.process().waitForFinished(20000));
        QCOMPARE(second.process().exitCode(), 1);
        QVERIFY2(second.output().contains("Cannot serve the status"), qPrintable(second.output()));

        QCOMPARE(host.terminate(), 0);
        QVERIFY2(!host.output().contains("qt."), qPrintable(host.output())); // no Qt warnings
    }

    void fetchFailsWithOneLineWhereNothingAnswers() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        QString out;
        // Nobody listens.
        const QString dead = QStringLiteral("http://127.0.0.1:%1/status").arg(freePort());
        QCOMPARE(fetch(copy, dead, &out), 1);
        QCOMPARE(out.count('\n'), 1);
        QVERIFY2(out.contains(dead), qPrintable(out));
        // Somebody listens and never answers: the limit ends the wait.
        QTcpServer mute;
        QVERIFY(mute.listen(QHostAddress::LocalHost, 0));
        QCOMPARE(fetch(copy, QStringLiteral("http://127.0.0.1:%1/").arg(mute.serverPort()), &out),
                 1);
        QCOMPARE(out.count('\n'), 1);
        QVERIFY2(out.contains("no answer"), qPrintable(out));
        // Not an http:// address: a usage error.
        QCOMPARE(fetch(copy, QStringLiteral("ftp://127.0.0.1/"), &out), 2);
        QCOMPARE(fetch(copy, QStringLiteral("http://"), &out), 1);
    }

    void theStatusPortIsIgnoredOutsideTheHeadlessHost() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        Running help(copy, {"--help", "--status-port", "7000"});
        QVERIFY(help.process().waitForFinished(20000));
        QCOMPARE(help.process().exitCode(), 0);
        QVERIFY2(help.output().contains("--status-port serves only with --headless"),
                 qPrintable(help.output()));
        Running bad(copy, {"--headless", "--status-port", "70000"});
        QVERIFY(bad.process().waitForFinished(20000));
        QCOMPARE(bad.process().exitCode(), 2);
        // "0" is no address to serve on (the socket layer would read it as
        // every address): refused before anything listens.
        Running zero(copy, {"--headless", "--port", QString::number(freePort()), "--status-port",
                            QString::number(freePort()), "--status-address", "0"});
        QVERIFY(zero.process().waitForFinished(20000));
        QCOMPARE(zero.process().exitCode(), 2);
        QVERIFY2(zero.output().startsWith("driftwake: --status-address needs an IP address"),
                 qPrintable(zero.output()));
        QVERIFY2(!zero.output().contains("listening"), qPrintable(zero.output()));
    }
};

QTEST_GUILESS_MAIN(StatusEndToEnd)
#include "test_statuse2e.moc"
