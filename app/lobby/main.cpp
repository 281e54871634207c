// driftwake-lobby: where pilots meet. With no mode on the command line it
// opens its sign-in window, then the room window; --list-tables and
// --advertise run without a window (app/lobby/cli.h).
#include "app/lobby/cli.h"
#include "host/quitsignals.h"
#include "lobby/room.h"
#include "lobby/xmppclient.h"
#include "store/datadir.h"
#include "store/settings.h"
#include "ui/lobby/roomwindow.h"
#include "ui/lobby/signinwindow.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    dw::lobby::CliOptions options;
    bool windowless = false;
    QString error;
    if (!dw::lobby::parseCli(arguments, options, windowless, error)) {
        std::fprintf(stderr, "driftwake-lobby: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    if (options.help) {
        std::fputs(dw::lobby::cliUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (windowless) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("driftwake-lobby"));
        dw::quitOnSignals();
        return dw::lobby::runCli(options);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("driftwake-lobby"));
    dw::quitOnSignals();
    dw::lobby::XmppClient client;
    const auto iniPath = dw::settingsFilePath(dw::dataDirectory().toStdString());
    dw::lobby::Room room(client);
    dw::lobby::SignInWindow signIn(client, iniPath);
    dw::lobby::RoomWindow roomWindow(client, room);
    QObject::connect(&signIn, &dw::lobby::SignInWindow::signedIn, &roomWindow, [&] {
        signIn.hide();
        roomWindow.show();
        roomWindow.join(signIn.roomJid(), signIn.nick());
    });
    signIn.show();
    return QApplication::exec();
}
