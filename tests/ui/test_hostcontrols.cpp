// Two real main windows, offscreen, in one process with data directories of
// their own: the question before the host removes a player and the line the
// others read, and the Connecting window of a join from the dialog with its
// Cancel.
#include "host/hostserver.h"
#include "tests/support/processes.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/chatview.h"
#include "ui/mainwindow.h"
#include "ui/netdialogs.h"
#include "ui/networkdialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace dw;
using dw::testing::freePort;

namespace {

// A main window with a data directory of its own: hosting on `port`, or a
// solo start when `port` is 0.
struct Window {
    QTemporaryDir data;
    std::unique_ptr<MainWindow> mainWindow;

    explicit Window(quint16 port = 0) {
        qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());
        LaunchOptions o = dw::testing::soloLaunch();
        if (port != 0) {
            o.mode = LaunchMode::Host;
            o.playerName = "Ann";
            o.hostAddress = "127.0.0.1";
            o.port = port;
        }
        mainWindow = std::make_unique<MainWindow>(o);
        mainWindow->show();
    }
    QString chat() const { return mainWindow->chat().mainchat()->toPlainText(); }
    // Joins `port` on this machine as Bob from the join dialog.
    void join(quint16 port) {
        mainWindow->dialogs().joinDialog()->prepare(QStringLiteral("Bob"), {},
                                                    QStringLiteral("127.0.0.1:%1").arg(port));
        mainWindow->dialogs().joinDialog()->onJoin();
    }
};

// Chooses "Remove From Game" in the name label menu of `seat`, answering the
// question with `answer`; returns the question asked ("" when none came).
QString removeFromGame(MainWindow& w, int seat, QMessageBox::StandardButton answer) {
    emit w.findChild<BoardWidget*>()->nameLabelContextMenu(seat, QPoint(10, 10));
    QAction* remove = nullptr;
    QMenu* open = nullptr;
    for (QMenu* menu : w.findChildren<QMenu*>())
        if (menu->isVisible())
            for (QAction* a : menu->actions())
                if (a->text() == QStringLiteral("Remove From Game")) {
                    remove = a;
                    open = menu;
                }
    if (!remove || !remove->isEnabled())
        return QStringLiteral("no enabled Remove From Game");
    open->hide();
    QString asked;
    QTimer::singleShot(200, &w, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = box->text();
            box->button(answer)->click();
        }
    });
    remove->trigger();
    return asked;
}

} // namespace

class HostControls : public QObject {
    Q_OBJECT
private slots:
    void removingAPlayerAsksFirstAndTellsTheOthers() {
        const quint16 port = freePort();
        Window host(port);
        QTRY_COMPARE_WITH_TIMEOUT(host.mainWindow->model().state().mySeat, 1, 10000);
        Window guest;
        QTRY_COMPARE_WITH_TIMEOUT(guest.mainWindow->model().state().mySeat, 1, 10000);
        guest.join(port);
        // The Connecting window shows until the host answers.
        QVERIFY(guest.mainWindow->dialogs().connectingWindow()->isVisible());
        QCOMPARE(guest.mainWindow->dialogs().connectingWindow()->label_connecting->text(),
                 QStringLiteral("Connecting to 127.0.0.1:%1…").arg(port));
        QTRY_COMPARE_WITH_TIMEOUT(host.mainWindow->model().view().seats[2].name, std::string("Bob"),
                                  10000);
        QTRY_VERIFY(!guest.mainWindow->dialogs().connectingWindow()->isVisible());

        // No: Bob stays.
        QCOMPARE(removeFromGame(*host.mainWindow, 2, QMessageBox::No),
                 QStringLiteral("Remove Bob from the game?"));
        QTest::qWait(500);
        QCOMPARE(host.mainWindow->model().view().seats[2].name, std::string("Bob"));
        QCOMPARE(guest.mainWindow->model().state().mySeat, 2);
        QVERIFY(!host.chat().contains(QStringLiteral("removed")));

        // Yes: Bob goes, and the others read that he was removed.
        QCOMPARE(removeFromGame(*host.mainWindow, 2, QMessageBox::Yes),
                 QStringLiteral("Remove Bob from the game?"));
        QTRY_VERIFY_WITH_TIMEOUT(
            host.chat().contains(QStringLiteral("Bob was removed from the game.")), 10000);
        QVERIFY(!host.chat().contains(QStringLiteral("Bob disconnected.")));
        QTRY_VERIFY_WITH_TIMEOUT(
            guest.chat().contains(QStringLiteral("The host removed you from the game.")), 10000);
    }

    void cancelInTheConnectingWindowEndsTheJoin() {
        QTcpServer silent; // accepts, never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        QTcpSocket* held = nullptr;
        bool hungUp = false;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            held = silent.nextPendingConnection();
            connect(held, &QTcpSocket::disconnected, this, [&] { hungUp = true; });
        });
        Window w;
        QTRY_COMPARE_WITH_TIMEOUT(w.mainWindow->model().state().mySeat, 1, 10000);
        w.join(silent.serverPort());
        ConnectingWindow* connecting = w.mainWindow->dialogs().connectingWindow();
        QVERIFY(connecting->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(held != nullptr, 10000);
        QTest::mouseClick(connecting->button_cancel, Qt::LeftButton);
        QVERIFY(!connecting->isVisible());
        // The attempt is over: its connection closes, and the join dialog is
        // back with the same address.
        QTRY_VERIFY_WITH_TIMEOUT(hungUp, 5000);
        QVERIFY(w.mainWindow->dialogs().joinDialog()->isVisible());
        QCOMPARE(w.mainWindow->dialogs().joinDialog()->combo_address->currentText(),
                 QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
        QVERIFY(w.chat().contains(QStringLiteral("Joining cancelled.")));
        QVERIFY(!w.mainWindow->server()->isListening());
    }
};

QTEST_MAIN(HostControls)
#include "test_hostcontrols.moc"
