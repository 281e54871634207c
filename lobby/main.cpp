// driftwake-lobby: where pilots meet. Without a window so far: --list-tables
// and --advertise (lobby/cli.h).
#include "lobby/cli.h"
#include "net/quitsignals.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("driftwake-lobby"));
    dw::lobby::CliOptions options;
    bool windowless = false;
    QString error;
    if (!dw::lobby::parseCli(QCoreApplication::arguments(), options, windowless, error)) {
        std::fprintf(stderr, "driftwake-lobby: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    if (!windowless) {
        std::fprintf(stderr,
                     "driftwake-lobby: the lobby's window is not built yet; use --list-tables "
                     "SECONDS or --advertise HOST:PORT with --server, --jid and "
                     "--password-file.\n");
        return 2;
    }
    dw::quitOnSignals();
    return dw::lobby::runCli(options);
}
