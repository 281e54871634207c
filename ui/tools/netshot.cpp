// driftwake-netshot --out DIR: two main windows with data directories of
// their own play the way a new player would: the first hosts from the start
// window, the second finds the game in the join dialog's LAN list and joins
// with a double click. Writes the start window, both dialogs and both main
// windows as PNG files, for the README and for review. Announcements stay on
// this machine (DRIFTWAKE_LAN_SCOPE=loopback).
#include "host/hostserver.h"
#include "ui/mainwindow.h"
#include "ui/netdialogs.h"
#include "ui/networkdialogs.h"
#include "ui/tools/shots.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

using dw::shots::waitUntil;

// Writes the window as a PNG file in `dir`.
void save(QWidget* w, const QString& dir, const char* name) {
    dw::shots::save(*w, dir, name);
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

std::unique_ptr<dw::MainWindow> window(const QTemporaryDir& data, QPoint at) {
    qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());
    dw::LaunchOptions o;
    o.port = freePort();
    auto w = std::make_unique<dw::MainWindow>(o);
    w->move(at);
    w->show();
    return w;
}

int fail(const char* what) {
    std::fprintf(stderr, "driftwake-netshot: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("DRIFTWAKE_LAN_SCOPE", "loopback");
    qunsetenv("DRIFTWAKE_LOBBY_URL");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("out"), QStringLiteral("Directory for the PNG files."),
                      QStringLiteral("DIR")});
    parser.addHelpOption();
    parser.process(app);
    const QString out = parser.value(QStringLiteral("out"));
    if (out.isEmpty() || !QDir().mkpath(out))
        return fail("--out DIR is needed");

    QTemporaryDir hostData, guestData;
    auto host = window(hostData, {0, 0});
    if (!waitUntil([&] { return host->dialogs().startWindow()->isVisible(); }, 10000))
        return fail("no start window");
    save(host->dialogs().startWindow(), out, "net-start.png");

    host->dialogs().startWindow()->button_host->click();
    dw::HostDialog* hd = host->dialogs().hostDialog();
    hd->edit_name->setText(QStringLiteral("Ann"));
    hd->edit_port->setValue(freePort());
    hd->button_host->click();
    if (!waitUntil([&] { return host->model().view().seats[1].name == "Ann"; }, 10000))
        return fail("the host did not log in");
    save(hd, out, "net-host.png");

    auto guest = window(guestData, {820, 0});
    guest->joinGame();
    dw::JoinDialog* jd = guest->dialogs().joinDialog();
    jd->edit_name->setText(QStringLiteral("Bob"));
    if (!waitUntil([&] { return jd->list_games->topLevelItemCount() > 0; }, 3000))
        return fail("the LAN list stayed empty");
    QTreeWidgetItem* game = jd->list_games->topLevelItem(0);
    jd->list_games->setCurrentItem(game);
    save(jd, out, "net-join.png");

    emit jd->list_games->itemDoubleClicked(game, 0);
    // At once, before the host answers and the window goes.
    {
        const QString path = QDir(out).filePath(QStringLiteral("net-connecting.png"));
        if (guest->dialogs().connectingWindow()->isVisible() &&
            guest->dialogs().connectingWindow()->grab().save(path))
            std::printf("%s\n", qPrintable(path));
        else
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
    if (!waitUntil([&] { return host->model().view().seats[2].name == "Bob"; }, 10000))
        return fail("the guest did not join");
    hd->close();
    waitUntil([] { return false; }, 500);
    save(host.get(), out, "net-host-window.png");
    save(guest.get(), out, "net-guest-window.png");
    return 0;
}
