#include "app/headless.h"

#include "host/agones.h"
#include "host/hostserver.h"
#include "host/lan.h"
#include "host/quitsignals.h"
#include "host/status.h"
#include "host/statusserver.h"
#include "store/datadir.h"
#include "store/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSysInfo>

#include <cstdio>
#include <optional>

namespace dw {

namespace {

void say(FILE* to, const QString& line) {
    std::fprintf(to, "%s\n", line.toLocal8Bit().constData());
    std::fflush(to);
}

} // namespace

int runHeadless(const LaunchOptions& options) {
    QElapsedTimer uptime;
    uptime.start();
    const auto ini = settingsFilePath(dataDirectory().toStdString());
    const Settings settings = loadSettingsFile(ini);
    const int botSpeed = botDelayMs(settings.botSpeed);
    const PilotLevel level = options.pilotLevel.value_or(settings.pilotLevel);

    HostServer server([botSpeed] { return botSpeed; }, clockSeed());
    server.setTimerScale(options.timerScale);
    server.setHeadless(true);
    server.core().engine().setPilotLevel(level);
    QObject::connect(&server, &HostServer::diagnosticRaised, [](const QString& text) {
        say(stdout, QStringLiteral("host notice: ") + text);
    });
    QObject::connect(&server, &HostServer::eventRaised,
                     [](const QString& text) { say(stdout, text); });

    QString error;
    if (!server.listen(quint16(options.port), &error)) {
        say(stderr, QStringLiteral("driftwake: ") + error);
        return 1;
    }
    // The status endpoint, served only with --status-port, reads the host's
    // table and counters and nothing else.
    const auto status = [&server, &uptime] {
        return hostStatus(server.core(), server.port(), double(uptime.elapsed()) / 1000.0);
    };
    std::optional<StatusServer> statusServer;
    if (options.statusPort != 0) {
        // The HTTP server's TLS settings would load Qt's TLS backend and
        // OpenSSL, about 1 MB of private memory per table, for plain HTTP.
        // The headless host uses no Qt plugin at all, so it looks for none,
        // and is not told that TLS is missing.
        QCoreApplication::setLibraryPaths({});
        QLoggingCategory::setFilterRules(QStringLiteral("qt.network.ssl.warning=false"));
        statusServer.emplace([&status] { return statusJson(status()); },
                             [&server, &status] {
                                 return metricsText(server.core().counters(), status(),
                                                    processMemory());
                             });
        const QHostAddress address(QString::fromStdString(options.statusAddress));
        if (!statusServer->listen(address, quint16(options.statusPort), &error)) {
            say(stderr, QStringLiteral("driftwake: ") + error);
            return 1;
        }
        say(stdout, QStringLiteral("status on http://%1:%2/status and /metrics")
                        .arg(address.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                                 : address.toString())
                        .arg(statusServer->port()));
    }
    // The headless host has no pilot of its own: it goes by the machine's name.
    LanAnnouncer announcer([&server, id = LanAnnouncer::newId()] {
        return server.announcement(id, QSysInfo::machineHostName().toStdString());
    });
    if (options.announce)
        announcer.start();
    // Under Agones the table tells the SDK sidecar that it is ready only now
    // that it listens; arrivals and departures update its label at once.
    std::optional<AgonesSdk> agones;
    if (options.agones) {
        agones.emplace(
            [&server] {
                const Announcement a = server.announcement({}, {});
                const Engine& engine = server.core().engine();
                return TableState{
                    a.seated, a.playing, !engine.gameInProgress && engine.winner() != 0,
                    server.core().heldSeats(), server.core().counters().gamesStarted > 0};
            },
            AgonesSdk::portFromEnvironment());
        QObject::connect(&*agones, &AgonesSdk::notice,
                         [](const QString& text) { say(stdout, text); });
        // Queued: the event is told before the seat changes.
        QObject::connect(&server, &HostServer::eventRaised, &*agones, &AgonesSdk::update,
                         Qt::QueuedConnection);
        agones->start();
    }
    // Ready for Ctrl+C and SIGTERM before saying so: whoever waits for the
    // line may stop the host at once.
    quitOnSignals();
    say(stdout, QStringLiteral("driftwake headless host listening on port %1 (bot speed %2 ms, "
                               "%3 pilots)")
                    .arg(server.port())
                    .arg(botSpeed)
                    .arg(QString::fromLatin1(pilotLevelName(level).data(),
                                             static_cast<int>(pilotLevelName(level).size()))));
    const int rc = QCoreApplication::exec();
    // Every player hears that the host ends before its connection closes.
    server.shutdown();
    say(stdout, QStringLiteral("driftwake headless host stopped"));
    return rc;
}

} // namespace dw
