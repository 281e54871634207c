#include "net/headless.h"

#include "chat/datadir.h"
#include "chat/settings.h"
#include "net/lan.h"
#include "net/quitsignals.h"
#include "net/tserver.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <cstdio>

namespace dw {

namespace {

void say(FILE* to, const QString& line) {
    std::fprintf(to, "%s\n", line.toLocal8Bit().constData());
    std::fflush(to);
}

} // namespace

int runHeadless(const LaunchOptions& options) {
    const auto ini = settingsFilePath(dataDirectory().toStdString());
    const Settings settings = loadSettingsFile(ini);
    const int botSpeed = botDelayMs(settings.botSpeed);
    const PilotLevel level = options.pilotLevel.value_or(settings.pilotLevel);

    TServer server([botSpeed] { return botSpeed; }, clockSeed());
    server.setTimerScale(options.timerScale);
    server.setHeadless(true);
    server.core().engine().setPilotLevel(level);
    QObject::connect(&server, &TServer::diagnosticRaised, [](const QString& text) {
        say(stdout, QStringLiteral("host notice: ") + text);
    });
    QObject::connect(&server, &TServer::eventRaised,
                     [](const QString& text) { say(stdout, text); });

    QString error;
    if (!server.listen(quint16(options.port), &error)) {
        say(stderr, QStringLiteral("driftwake: ") + error);
        return 1;
    }
    // The headless host has no pilot of its own: it goes by the machine's name.
    LanAnnouncer announcer([&server, id = LanAnnouncer::newId()] {
        return server.announcement(id, QSysInfo::machineHostName().toStdString());
    });
    if (options.announce)
        announcer.start();
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
