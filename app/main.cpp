// Program entry: the game's window (one per user and data directory), or one
// of the modes that run without a window.
#include "app/fetch.h"
#include "app/headless.h"
#include "client/singleinstance.h"
#include "host/igd.h"
#include "host/lan.h"
#include "host/quitsignals.h"
#include "protocol/launch.h"
#include "store/datadir.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

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

int printUsage(const dw::LaunchOptions&) {
    std::fputs(dw::usageText().c_str(), stdout);
    return 0;
}

// The modes that open no window and so run without a display, each with
// what runs it (under a QCoreApplication). Every other mode is the game's
// window.
struct WindowlessMode {
    dw::LaunchMode mode;
    int (*run)(const dw::LaunchOptions&);
};
constexpr WindowlessMode kWindowless[] = {
    {dw::LaunchMode::Help, printUsage},
    {dw::LaunchMode::Headless, dw::runHeadless},
    {dw::LaunchMode::FindGames,
     [](const dw::LaunchOptions& o) { return dw::runFindGames(o.findSeconds); }},
    {dw::LaunchMode::Fetch, [](const dw::LaunchOptions& o) { return dw::runFetch(o.fetchUrl); }},
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const dw::LaunchOptions options = dw::parseCommandLine(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "driftwake: %s\n\n%s", options.error.c_str(), dw::usageText().c_str());
        return 2;
    }
    // The router port helper blocks in the router library and needs no Qt.
    if (options.mode == dw::LaunchMode::OpenPort)
        return dw::runOpenPort(options.port);
    if (options.statusPort != 0 && options.mode != dw::LaunchMode::Headless)
        std::fprintf(stderr, "driftwake: --status-port serves only with --headless; ignored\n");
    QCoreApplication::setApplicationName(QStringLiteral("driftwake"));
    for (const WindowlessMode& m : kWindowless) {
        if (m.mode == options.mode) {
            QCoreApplication app(argc, argv);
            return m.run(options);
        }
    }
    if (!displayAvailable()) {
        std::fprintf(stderr, "driftwake: no display found (DISPLAY and WAYLAND_DISPLAY are unset), "
                             "so the game window cannot open; --headless runs the host without "
                             "one.\n");
        return 1;
    }

    QApplication app(argc, argv);
    // No application display name: the desktop would append it to every
    // window title, which already names the game ("Driftwake - Game Start").
    dw::SingleInstance instance(dw::dataDirectory());
    if (instance.anotherRunning()) {
        std::fprintf(stderr,
                     "driftwake: a copy with the data directory %s is already running; it was "
                     "brought to the front instead.\n",
                     qPrintable(QDir::toNativeSeparators(dw::dataDirectory())));
        return 0;
    }
    dw::MainWindow window(options);
    instance.setWindow(&window);
    window.show();
    dw::quitOnSignals([&window] { window.endOnSignal(); });
    const int status = QApplication::exec();
    // A launch line's game that ended on its own says why in its status.
    return status != 0 ? status : window.exitStatus();
}
