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
    const int botSpeed = botDelayMs(loadSettingsFile(ini).botSpeed);

    TServer server([botSpeed] { return botSpeed; }, clockSeed());
    server.setTimerScale(options.timerScale);
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
    say(stdout, QStringLiteral("driftwake headless host listening on port %1 (bot speed %2 ms)")
                    .arg(server.port())
                    .arg(botSpeed));
    // The headless host has no pilot of its own: it goes by the machine's name.
    LanAnnouncer announcer([&server, id = LanAnnouncer::newId()] {
        return server.announcement(id, QSysInfo::machineHostName().toStdString());
    });
    if (options.announce)
        announcer.start();
    quitOnSignals();
    const int rc = QCoreApplication::exec();
    say(stdout, QStringLiteral("driftwake headless host stopped"));
    return rc;
}

} // namespace dw
