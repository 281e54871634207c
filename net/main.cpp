// Program entry: one window of the game per user and install, or the
// headless host.
#include "board/tchat.h"
#include "net/headless.h"
#include "net/igd.h"
#include "net/lan.h"
#include "net/launch.h"
#include "net/quitsignals.h"
#include "net/singleinstance.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool displayAvailable() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    dw::LaunchOptions options = dw::parseCommandLine(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "driftwake: %s\n\n%s", options.error.c_str(), dw::usageText().c_str());
        return 2;
    }
    if (options.mode == dw::LaunchMode::Help) {
        std::fputs(dw::usageText().c_str(), stdout);
        return 0;
    }
    if (options.mode == dw::LaunchMode::OpenPort)
        return dw::runOpenPort(options.port);
    QCoreApplication::setApplicationName(QStringLiteral("driftwake"));
    if (options.mode == dw::LaunchMode::FindGames) {
        QCoreApplication app(argc, argv);
        return dw::runFindGames(options.findSeconds);
    }
    if (options.mode != dw::LaunchMode::Headless && !displayAvailable()) {
        std::fprintf(stderr, "driftwake: no display found (DISPLAY and WAYLAND_DISPLAY are "
                             "unset), so no game window can open.\n"
                             "driftwake: starting the headless host instead.\n");
        options.mode = dw::LaunchMode::Headless;
    }
    if (options.mode == dw::LaunchMode::Headless) {
        QCoreApplication app(argc, argv);
        return dw::runHeadless(options);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Driftwake"));
    dw::SingleInstance instance;
    if (instance.anotherRunning())
        return 0;
    dw::Tchat window(options);
    instance.setWindow(&window);
    window.show();
    dw::quitOnSignals();
    return QApplication::exec();
}
