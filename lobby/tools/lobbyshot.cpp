// driftwake-lobbyshot --out DIR: the lobby's windows as a pilot first sees
// them, written as PNG files for the README and for review. Needs no server:
// the sign-in window is shown filled in and answering an account that is
// not a name and a domain.
#include "lobby/signinwindow.h"
#include "lobby/xmppclient.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("out"), QStringLiteral("Directory for the PNG files."),
                      QStringLiteral("DIR"), QStringLiteral(".")});
    parser.process(app);
    const QDir out(parser.value(QStringLiteral("out")));
    QTemporaryDir data;

    dw::lobby::XmppClient client;
    dw::lobby::SignInWindow signIn(client, (data.path() + "/korvellobby.ini").toStdString());
    signIn.findChild<QLineEdit*>(QStringLiteral("edit_pilot"))->setText(QStringLiteral("Ann"));
    signIn.findChild<QLineEdit*>(QStringLiteral("edit_server"))
        ->setText(QStringLiteral("lobby.example.org"));
    signIn.findChild<QLineEdit*>(QStringLiteral("edit_account"))->setText(QStringLiteral("ann"));
    signIn.findChild<QLineEdit*>(QStringLiteral("edit_password"))->setText(QStringLiteral("pw"));
    signIn.show();
    signIn.findChild<QPushButton*>(QStringLiteral("button_signin"))->click();
    QApplication::processEvents();
    const QString file = out.filePath(QStringLiteral("lobby-signin.png"));
    if (!signIn.grab().save(file)) {
        std::fprintf(stderr, "driftwake-lobbyshot: cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s\n", qPrintable(file));
    return 0;
}
