// A whole solo game in the real main window, offscreen: the hosting copy
// starts a two-pilot game, its own seat just watches, and the computer
// pilots fly it to the winner. And solo games of the real program keep to
// this machine: copies side by side never need port 7772.
#include "host/hostserver.h"
#include "store/tallytable.h"
#include "tests/support/processes.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/downloadwindow.h"
#include "ui/gameoptionsdialog.h"
#include "ui/mainwindow.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>
#include <utility>

using namespace dw;
using dw::testing::freePort;
using dw::testing::ProgramCopy;
using dw::testing::Running;
using dw::testing::soloLaunch;

namespace {

// The addresses and ports process `pid` listens on for TCP, read from
// /proc: its sockets' inodes, looked up in the kernel's TCP tables.
QList<std::pair<QHostAddress, quint16>> listeningOf(qint64 pid) {
    QSet<QByteArray> inodes;
    const QByteArray fds = "/proc/" + QByteArray::number(pid) + "/fd/";
    for (const QString& fd : QDir(QString::fromLatin1(fds)).entryList(QDir::System)) {
        char target[128] = {};
        if (::readlink((fds + fd.toLatin1()).constData(), target, sizeof target - 1) > 0 &&
            QByteArray(target).startsWith("socket:["))
            inodes.insert(QByteArray(target).mid(8).chopped(1));
    }
    QList<std::pair<QHostAddress, quint16>> found;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine(); // the heading
        while (!file.atEnd()) {
            const QList<QByteArray> f = file.readLine().simplified().split(' ');
            if (f.size() < 10 || f[3] != "0A" || !inodes.contains(f[9]))
                continue; // not listening, or not this process's
            const QList<QByteArray> local = f[1].split(':');
            const QByteArray hex = QByteArray::fromHex(local[0]);
            QHostAddress address;
            if (hex.size() == 4) {
                // One 32-bit word, printed in the machine's (little-endian) order.
                address =
                    QHostAddress(quint32(quint8(hex[3])) << 24 | quint32(quint8(hex[2])) << 16 |
                                 quint32(quint8(hex[1])) << 8 | quint32(quint8(hex[0])));
            } else if (hex.size() == 16) {
                // Four 32-bit words, each in the machine's order.
                Q_IPV6ADDR v6;
                for (int w = 0; w < 4; ++w)
                    for (int b = 0; b < 4; ++b)
                        v6[w * 4 + b] = quint8(hex[w * 4 + 3 - b]);
                address = QHostAddress(v6);
            }
            found.append({address, quint16(local[1].toUInt(nullptr, 16))});
        }
    }
    return found;
}

// An address of this machine that other machines could reach, if it has one.
QHostAddress outwardAddress() {
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (!a.isLoopback() && !a.isLinkLocal() && a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
    return {};
}

QAction* menuItem(QWidget* window, const QString& caption) {
    for (QAction* a : window->findChildren<QAction*>())
        if (a->text() == caption)
            return a;
    return nullptr;
}

} // namespace

class SoloGame : public QObject {
    Q_OBJECT
private slots:
    void aSoloGameRunsToItsWinnerAndIsTallied() {
        QTemporaryDir data;
        QVERIFY(data.isValid());
        qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());

        LaunchOptions options = soloLaunch();
        options.timerScale = 0.002;
        {
            MainWindow window(options);
            window.show();
            QTRY_COMPARE_WITH_TIMEOUT(window.model().state().mySeat, 1, 20000);
            QTRY_COMPARE(window.model().view().seats[1].name, std::string("You"));
            QVERIFY(window.model().view().startVisible);

            // File > Start Game opens the options; its START GAME button starts.
            QAction* start = menuItem(&window, QStringLiteral("Start Game"));
            QVERIFY(start && start->isEnabled());
            start->trigger();
            auto* dialog = window.findChild<GameOptionsDialog*>();
            QVERIFY(dialog && dialog->isVisible());
            auto* go = dialog->findChild<QWidget*>(QStringLiteral("button_start"));
            QVERIFY(go);
            QTest::mouseClick(go, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(window.server()->core().engine().gameInProgress, 10000);
            QTRY_COMPARE(window.model().view().seats[2].name, std::string("Klot"));
            QVERIFY(window.model().view().seats[3].notPlaying);

            // Options > Just Watch hands the own ship to the computer.
            QAction* watch = menuItem(&window, QStringLiteral("Just Watch"));
            QVERIFY(watch);
            watch->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(watch->isChecked(), 10000);
            QVERIFY(window.model().view().seats[1].eyes);

            QTRY_VERIFY_WITH_TIMEOUT(!window.server()->core().engine().gameInProgress, 300000);
            const int winner = window.server()->core().engine().winner();
            QVERIFY(winner == 1 || winner == 2);
            QTRY_VERIFY_WITH_TIMEOUT(window.model().view().seats[std::size_t(winner)].winner,
                                     10000);
            QCOMPARE(window.tally().number(1, 0), 1LL);
            QCOMPARE(window.tally().number(2, 0), winner == 1 ? 1LL : 0LL);
            QVERIFY(window.model().view().startVisible);
            window.close();
        }
        // The tally was written when the window closed.
        TallyTable saved;
        QVERIFY(!saved.load(QDir(data.path()).filePath("Driftwaketally.tld").toStdString()));
        QCOMPARE(saved.number(1, 0), 1LL);
        qunsetenv("DRIFTWAKE_DATA_DIR");
    }

    void theKeysGoToTheBoardAndTheBoardScales() {
        QTemporaryDir data;
        QVERIFY(data.isValid());
        qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());
        const LaunchOptions options = soloLaunch();
        {
            MainWindow window(options);
            window.show();
            QTRY_COMPARE_WITH_TIMEOUT(window.model().state().mySeat, 1, 20000);
            // A solo game opens the download window over the main window.
            for (DownloadWindow* d : window.findChildren<DownloadWindow*>())
                d->hide();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            auto* board = window.findChild<BoardWidget*>();
            QVERIFY(board);
            QCOMPARE(board->scale(), 1.0);
            QCOMPARE(board->pos(), QPoint(0, 0));

            // The chat input has the keys while the user types in it.
            ChatInput* input = window.chat().mychat();
            QTest::mouseClick(input, Qt::LeftButton);
            QTRY_VERIFY(input->hasFocus());

            // A new game hands the keys to the board, unless the user is typing.
            input->clearFocus();
            menuItem(&window, QStringLiteral("Start Game"))->trigger();
            auto* dialog = window.findChild<GameOptionsDialog*>();
            QTest::mouseClick(dialog->findChild<QWidget*>(QStringLiteral("button_start")),
                              Qt::LeftButton);
            window.activateWindow();
            QTRY_VERIFY_WITH_TIMEOUT(window.model().view().seats[2].name == "Klot", 10000);
            QTRY_VERIFY(board->hasFocus());

            // Typing: Enter sends and keeps the keys, Escape gives them back.
            QTest::mouseClick(input, Qt::LeftButton);
            QTRY_VERIFY(input->hasFocus());
            QTest::keyClicks(input, QStringLiteral("hi"));
            QTest::keyClick(input, Qt::Key_Return);
            QCOMPARE(input->text(), QString());
            QVERIFY(input->hasFocus());
            QTest::keyClick(input, Qt::Key_Escape);
            QVERIFY(board->hasFocus());
            // So does a click on the board.
            input->setFocus();
            QTest::mouseClick(board, Qt::LeftButton, {}, QPoint(780, 180));
            QVERIFY(board->hasFocus());

            // The board fills a larger window, keeping its proportions.
            const QSize client = window.centralWidget()->size();
            window.resize(window.size() + QSize(client.width(), client.height() / 2));
            QTRY_VERIFY(board->scale() > 1.4);
            QVERIFY(board->scale() < 1.6);
            QCOMPARE(board->height(), qRound(529 * board->scale()));
            QVERIFY(board->x() > 0); // centred in the wider window
            // View > Actual Size brings it back to 100%.
            menuItem(&window, QStringLiteral("Actual Size"))->trigger();
            QTRY_COMPARE(board->scale(), 1.0);
            window.close();
        }
        qunsetenv("DRIFTWAKE_DATA_DIR");
    }

    // Port 7772 held by a third program: two copies with data directories
    // of their own both start their solo games, on free ports of this
    // machine's loopback only, and a copy can still join a network game.
    void soloGamesKeepToThisMachineAndNeverNeedTheirPort() {
        QTcpServer holder; // if this fails, something else holds the port
        holder.listen(QHostAddress::Any, kDefaultPort);
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, kDefaultPort);
        QVERIFY2(probe.waitForConnected(2000), "port 7772 is held");
        probe.abort();

        ProgramCopy hostCopy, copyA, copyB, copyC;
        QVERIFY(hostCopy.ok() && copyA.ok() && copyB.ok() && copyC.ok());
        const auto env = [](const ProgramCopy& copy) {
            QProcessEnvironment e = Running::environment(copy, true);
            e.remove(QStringLiteral("DRIFTWAKE_LOBBY_URL"));
            e.insert(QStringLiteral("DRIFTWAKE_DATA_DIR"), copy.dir());
            return e;
        };
        const quint16 hostPort = freePort();
        Running host(hostCopy, {"--headless", "--port", QString::number(hostPort)});
        QVERIFY2(host.waitForOutput(QStringLiteral("listening"), 30000), qPrintable(host.output()));

        Running a(copyA, {}, env(copyA));
        Running b(copyB, {}, env(copyB));
        for (Running* solo : {&a, &b})
            QVERIFY2(solo->waitForOutput(QStringLiteral("You are Connected."), 60000),
                     qPrintable(solo->output()));
        // And a third joins the network game beside them.
        Running c(copyC, {"Bob", "127.0.0.1", "join", "--port", QString::number(hostPort)},
                  env(copyC));
        QVERIFY2(c.waitForOutput(QStringLiteral("You are Connected."), 60000),
                 qPrintable(c.output()));

        QSet<quint16> ports;
        for (Running* solo : {&a, &b}) {
            QCOMPARE(solo->process().state(), QProcess::Running);
            QVERIFY2(!solo->output().contains(QStringLiteral("Cannot listen")),
                     qPrintable(solo->output()));
            const auto listening = listeningOf(solo->process().processId());
            QVERIFY(!listening.isEmpty());
            bool v4 = false;
            for (const auto& [address, port] : listening) {
                QVERIFY2(address.isLoopback(), qPrintable(address.toString()));
                QVERIFY(port != kDefaultPort);
                v4 = v4 || address == QHostAddress(QHostAddress::LocalHost);
                ports.insert(port);
            }
            QVERIFY(v4);
        }
        QCOMPARE(ports.size(), 2);

        const QHostAddress outward = outwardAddress();
        if (outward.isNull()) {
            qInfo("This machine has no address but loopback: the check that a solo game "
                  "cannot be reached from elsewhere is skipped.");
            return;
        }
        for (const quint16 port : ports) {
            QTcpSocket stranger;
            stranger.connectToHost(outward, port);
            QVERIFY2(!stranger.waitForConnected(2000), qPrintable(outward.toString()));
        }
    }
};

QTEST_MAIN(SoloGame)
#include "test_sologame.moc"
