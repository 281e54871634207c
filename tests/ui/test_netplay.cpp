// Network play from the window, offscreen, two main windows in one process
// with their own data directories: the start window, hosting and joining
// from the dialogs, the LAN list, every way a dialog join can fail, and
// "Find Players Online…" with the real lobby.
#include "host/hostserver.h"
#include "host/lan.h"
#include "host/portmapper.h"
#include "host/quitsignals.h"
#include "protocol/messages.h"
#include "store/inifile.h"
#include "store/netchoices.h"
#include "tests/support/fakeigd.h"
#include "tests/support/processes.h"
#include "ui/downloadwindow.h"
#include "ui/gameoptionsdialog.h"
#include "ui/mainwindow.h"
#include "ui/netdialogs.h"
#include "ui/networkdialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTreeWidget>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace dw;
using dw::testing::freePort;
using dw::testing::soloLaunch;

namespace {

// A main window started without parameters, with a data directory of its own.
struct Window {
    QTemporaryDir data;
    std::unique_ptr<MainWindow> mainWindow;

    Window() {
        qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());
        mainWindow = std::make_unique<MainWindow>(soloLaunch());
        mainWindow->show();
    }
    QString ini() const { return data.filePath(QStringLiteral("korvellobby.ini")); }
};

// The process running `program` with `dataDir` as its DRIFTWAKE_DATA_DIR;
// 0 when there is none.
pid_t runningWith(const QString& program, const QString& dataDir) {
    const QString wanted = QFileInfo(program).canonicalFilePath();
    const QByteArray env = "DRIFTWAKE_DATA_DIR=" + dataDir.toUtf8();
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        bool number = false;
        const pid_t id = pid.toInt(&number);
        if (!number || QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() != wanted)
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
        if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(env))
            return id;
    }
    return 0;
}

QMessageBox* failureBox(MainWindow& w) {
    return w.findChild<QMessageBox*>(QStringLiteral("joinFailedBox"));
}

} // namespace

class NetPlay : public QObject {
    Q_OBJECT

private slots:
    void init() { qunsetenv("DRIFTWAKE_LOBBY_URL"); }
    void cleanup() { qputenv("PATH", path_); }

    void aSoloStartOffersTheChoicesUnlessALobbyAddressIsSet() {
        {
            Window w;
            QTRY_VERIFY(w.mainWindow->dialogs().startWindow()->isVisible());
            QVERIFY(!w.mainWindow->findChild<DownloadWindow*>()->isVisible());
            // The solo game runs behind the choices.
            QTRY_COMPARE_WITH_TIMEOUT(w.mainWindow->model().state().mySeat, 1, 10000);
            QVERIFY(!w.mainWindow->announcer()->isRunning());
            QTest::mouseClick(w.mainWindow->dialogs().startWindow()->button_solo, Qt::LeftButton);
            QVERIFY(!w.mainWindow->dialogs().startWindow()->isVisible());
            QCOMPARE(w.mainWindow->model().state().mySeat, 1);
        }
        {
            qputenv("DRIFTWAKE_LOBBY_URL", "http://127.0.0.1:1/lobby/kvlsetup.exe");
            Window w;
            QTRY_VERIFY(w.mainWindow->findChild<DownloadWindow*>()->isVisible());
            QVERIFY(!w.mainWindow->dialogs().startWindow()->isVisible());
            qunsetenv("DRIFTWAKE_LOBBY_URL");
        }
        {
            QTemporaryDir data;
            IniFile ini =
                IniFile::load(data.filePath(QStringLiteral("korvellobby.ini")).toStdString());
            ini.write("Driftwake", "Lobbyurl", "http://127.0.0.1:1/lobby/kvlsetup.exe");
            QVERIFY(ini.save());
            qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());
            LaunchOptions o;
            o.port = freePort();
            MainWindow t(o);
            t.show();
            QCOMPARE(t.lobbyUrl(), QStringLiteral("http://127.0.0.1:1/lobby/kvlsetup.exe"));
            auto* download = t.findChild<DownloadWindow*>();
            QTRY_VERIFY(download->isVisible());
            QCOMPARE(download->downloadUrl(), QUrl(t.lobbyUrl()));
            QVERIFY(!t.dialogs().startWindow()->isVisible());
        }
    }

    void theDialogsCheckWhatIsTyped() {
        HostDialog host;
        QSignalSpy hostSpy(&host, &HostDialog::hostRequested);
        host.prepare(QStringLiteral("  "), 7790, true);
        host.show();
        QTest::mouseClick(host.button_host, Qt::LeftButton);
        QCOMPARE(hostSpy.count(), 0);
        QVERIFY(host.label_error->isVisible());
        host.edit_name->setText(QStringLiteral(" Ann "));
        QTest::mouseClick(host.button_host, Qt::LeftButton);
        QCOMPARE(hostSpy.count(), 1);
        QCOMPARE(hostSpy[0][0].toString(), QStringLiteral("Ann"));
        QCOMPARE(hostSpy[0][1].toInt(), 7790);
        QCOMPARE(hostSpy[0][2].toBool(), true);
        host.hosted({QStringLiteral("192.168.1.5:7790"), QStringLiteral("[fd00::5]:7790")},
                    QString());
        QCOMPARE(host.addressText(), QStringLiteral("192.168.1.5:7790\n[fd00::5]:7790"));
        QVERIFY(host.button_copy->isEnabled());
        QVERIFY(!host.edit_port->isEnabled());

        JoinDialog join;
        QSignalSpy joinSpy(&join, &JoinDialog::joinRequested);
        join.prepare(QStringLiteral("Bob"), {"example.org", "[::1]:7790"});
        join.show();
        QCOMPARE(join.combo_address->count(), 2);
        QCOMPARE(join.combo_address->currentText(), QStringLiteral("example.org"));
        for (const char* bad : {"", "host:0", "[::1", "two words"}) {
            join.combo_address->setEditText(QString::fromLatin1(bad));
            join.onJoin();
            QVERIFY2(join.label_error->isVisible(), bad);
        }
        QCOMPARE(joinSpy.count(), 0);
        join.combo_address->setEditText(QStringLiteral("[::1]:7790"));
        join.onJoin();
        QCOMPARE(joinSpy.count(), 1);
        QCOMPARE(joinSpy[0][1].value<HostPort>(), (HostPort{"::1", 7790}));

        const QString name = defaultPilotName();
        QVERIFY(!name.isEmpty());
        QVERIFY(name != QStringLiteral("You"));
        QVERIFY(!validPilotName(QStringLiteral("a\tb")));
    }

    void aFriendJoinsByPickingTheGameFromTheLanList() {
        Window host, guest;
        QTRY_COMPARE_WITH_TIMEOUT(host.mainWindow->model().state().mySeat, 1, 10000);

        // The host picks "Host a Network Game…" in the start window.
        QTest::mouseClick(host.mainWindow->dialogs().startWindow()->button_host, Qt::LeftButton);
        HostDialog* hd = host.mainWindow->dialogs().hostDialog();
        QVERIFY(hd->isVisible());
        QVERIFY(!hd->edit_name->text().isEmpty());
        const quint16 port = freePort();
        hd->edit_name->setText(QStringLiteral("Ann"));
        hd->edit_port->setValue(port);
        QTest::mouseClick(hd->button_host, Qt::LeftButton);
        QVERIFY(host.mainWindow->server()->isListening());
        QCOMPARE(host.mainWindow->server()->port(), port);
        QVERIFY(host.mainWindow->announcer()->isRunning());
        QVERIFY(!hd->button_host->isVisible());
        QVERIFY(!hd->addressText().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(host.mainWindow->model().view().seats[1].name, std::string("Ann"),
                                  10000);
        QCOMPARE(loadNetworkChoicesFile(host.ini().toStdString()).pilotName, std::string("Ann"));

        // The guest opens the join dialog; the game shows within 3 seconds.
        guest.mainWindow->joinGame();
        JoinDialog* jd = guest.mainWindow->dialogs().joinDialog();
        QVERIFY(jd->isVisible());
        QTreeWidgetItem* game = nullptr;
        const QString address = QStringLiteral("127.0.0.1:%1").arg(port);
        QTRY_VERIFY_WITH_TIMEOUT((game = [&]() -> QTreeWidgetItem* {
                                     const auto found = jd->list_games->findItems(
                                         address, Qt::MatchExactly, JoinDialog::ColAddress);
                                     return found.isEmpty() ? nullptr : found.first();
                                 }()) != nullptr,
                                 3000);
        QCOMPARE(game->text(JoinDialog::ColHost), QStringLiteral("Ann"));
        QCOMPARE(game->text(JoinDialog::ColPilots), QStringLiteral("1 of 4"));
        QCOMPARE(game->text(JoinDialog::ColState), QStringLiteral("waiting"));
        jd->edit_name->setText(QStringLiteral("Bob"));
        emit jd->list_games->itemDoubleClicked(game, 0);
        QVERIFY(!jd->isVisible());

        QTRY_COMPARE_WITH_TIMEOUT(guest.mainWindow->model().state().mySeat, 2, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(host.mainWindow->model().view().seats[2].name, std::string("Bob"),
                                  10000);
        QCOMPARE(guest.mainWindow->model().view().seats[1].name, std::string("Ann"));
        // The guest's own solo host is gone; the recent hosts remember Ann's.
        QVERIFY(!guest.mainWindow->server()->isListening());
        const NetworkChoices saved = loadNetworkChoicesFile(guest.ini().toStdString());
        QCOMPARE(saved.pilotName, std::string("Bob"));
        QCOMPARE(saved.recentHosts, std::vector<std::string>{address.toStdString()});
    }

    void theInternetOptionOpensTheRouterPortWhileHosting() {
        testing::FakeIgd router;
        QVERIFY(router.ok());
        qputenv("DRIFTWAKE_IGD_URL", router.url().toUtf8());
        PortMapper::setHelperProgram(qEnvironmentVariable("DRIFTWAKE_BIN"));
        const quint16 port = freePort();
        {
            Window w;
            QTRY_COMPARE_WITH_TIMEOUT(w.mainWindow->model().state().mySeat, 1, 10000);
            w.mainWindow->hostGame();
            HostDialog* hd = w.mainWindow->dialogs().hostDialog();
            hd->edit_port->setValue(port);
            hd->check_internet->setChecked(true);
            QTest::mouseClick(hd->button_host, Qt::LeftButton);
            const QString external =
                QStringLiteral("%1:%2").arg(testing::FakeIgd::kExternalAddress).arg(port);
            QTRY_VERIFY_WITH_TIMEOUT(hd->label_internet->text().contains(external), 15000);
            QVERIFY(hd->addressText().contains(external));
            QCOMPARE(router.argument("AddPortMapping", "NewExternalPort"), QString::number(port));
            QVERIFY(loadNetworkChoicesFile(w.ini().toStdString()).internet);
            QCOMPARE(router.count(QStringLiteral("DeletePortMapping")), 0);
        }
        // The window closed: the mapping is gone.
        QTRY_COMPARE_WITH_TIMEOUT(router.count(QStringLiteral("DeletePortMapping")), 1, 5000);

        // A router that refuses: a sentence, and hosting goes on for the LAN.
        router.setRefusing(true);
        Window w;
        QTRY_COMPARE_WITH_TIMEOUT(w.mainWindow->model().state().mySeat, 1, 10000);
        w.mainWindow->hostGame();
        HostDialog* hd = w.mainWindow->dialogs().hostDialog();
        hd->edit_port->setValue(freePort());
        hd->check_internet->setChecked(true);
        QTest::mouseClick(hd->button_host, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(hd->label_internet->text().contains(QStringLiteral("refused")),
                                 15000);
        QVERIFY(hd->label_internet->text().contains(QStringLiteral("network can still join")));
        QVERIFY(w.mainWindow->server()->isListening());

        // A router whose public address is markup: nothing of it is shown or
        // offered, and the forwarding it made is removed again.
        router.setRefusing(false);
        router.setExternalAddress("<h1>HI</h1>");
        Window rogue;
        QTRY_COMPARE_WITH_TIMEOUT(rogue.mainWindow->model().state().mySeat, 1, 10000);
        rogue.mainWindow->hostGame();
        hd = rogue.mainWindow->dialogs().hostDialog();
        hd->edit_port->setValue(freePort());
        hd->check_internet->setChecked(true);
        QTest::mouseClick(hd->button_host, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(hd->label_internet->text().contains(
                                     QStringLiteral("did not give a valid public address")),
                                 15000);
        QVERIFY(!hd->label_internet->text().contains(QStringLiteral("HI")));
        QVERIFY(!hd->addressText().contains(QStringLiteral("HI")));
        QTRY_COMPARE_WITH_TIMEOUT(router.activeMappings(), 0, 5000);
        QVERIFY(rogue.mainWindow->server()->isListening());
        qunsetenv("DRIFTWAKE_IGD_URL");
    }

    void everyJoinFailureIsExplainedAndMayBeTriedAgain() {
        Window w;
        QTRY_COMPARE_WITH_TIMEOUT(w.mainWindow->model().state().mySeat, 1, 10000);
        const auto joinAt = [&](quint16 port) {
            w.mainWindow->dialogs().joinDialog()->prepare(QStringLiteral("Bob"), {},
                                                          QStringLiteral("127.0.0.1:%1").arg(port));
            w.mainWindow->dialogs().joinDialog()->onJoin();
        };
        const auto expectFailure = [&](const QString& words, int timeoutMs) {
            QTRY_VERIFY_WITH_TIMEOUT(
                failureBox(*w.mainWindow) && failureBox(*w.mainWindow)->isVisible(), timeoutMs);
            QMessageBox* box = failureBox(*w.mainWindow);
            QVERIFY2(box->text().contains(words), qPrintable(box->text()));
            // The program carries on, unconnected.
            QVERIFY(w.mainWindow->isVisible());
            QVERIFY(!w.mainWindow->server()->isListening());
        };

        // Refused: nothing listens there.
        const quint16 closedPort = freePort();
        joinAt(closedPort);
        expectFailure(QStringLiteral("refused"), 10000);
        // Try Again opens the join dialog on the same address.
        QAbstractButton* again = nullptr;
        for (QAbstractButton* b : failureBox(*w.mainWindow)->buttons())
            if (b->text() == QStringLiteral("Try Again"))
                again = b;
        QVERIFY(again);
        QTest::mouseClick(again, Qt::LeftButton);
        QTRY_VERIFY(w.mainWindow->dialogs().joinDialog()->isVisible());
        QCOMPARE(w.mainWindow->dialogs().joinDialog()->combo_address->currentText(),
                 QStringLiteral("127.0.0.1:%1").arg(closedPort));
        QTRY_VERIFY(!failureBox(*w.mainWindow));

        // Full: the host sends its refusal and closes.
        QTcpServer fake;
        QVERIFY(fake.listen(QHostAddress::LocalHost, 0));
        enum class Mode { Full, Hangup, Silent } mode = Mode::Full;
        QList<QTcpSocket*> held;
        connect(&fake, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* s = fake.nextPendingConnection()) {
                if (mode == Mode::Full) {
                    s->write(dw::msg::Full{}.encode().c_str());
                    s->disconnectFromHost();
                } else if (mode == Mode::Hangup) {
                    s->abort();
                } else {
                    held.append(s); // accepted, never answered
                }
            }
        });
        joinAt(fake.serverPort());
        expectFailure(QStringLiteral("Game is full"), 10000);
        failureBox(*w.mainWindow)->reject();
        // Cancel goes back to the start window.
        QTRY_VERIFY(w.mainWindow->dialogs().startWindow()->isVisible());
        QTRY_VERIFY(!failureBox(*w.mainWindow));

        mode = Mode::Hangup;
        joinAt(fake.serverPort());
        expectFailure(QStringLiteral("closed the connection"), 10000);
        failureBox(*w.mainWindow)->reject();
        QTRY_VERIFY(!failureBox(*w.mainWindow));

        // No answer within 10 seconds.
        mode = Mode::Silent;
        QElapsedTimer clock;
        clock.start();
        joinAt(fake.serverPort());
        expectFailure(QStringLiteral("did not answer within 10 seconds"), 20000);
        QVERIFY(clock.elapsed() >= 9000);
        QVERIFY(!held.isEmpty());
    }
    void theRoutersAnswerIsShownAsPlainText() {
        HostDialog dialog;
        dialog.hosted({QStringLiteral("192.168.1.5:7772")},
                      QStringLiteral("Your router forwards port 7772 to this computer: friends on "
                                     "the internet join at <h1>HI</h1>."));
        QCOMPARE(dialog.label_internet->textFormat(), Qt::PlainText);
        QVERIFY(dialog.label_internet->text().endsWith(QStringLiteral("<h1>HI</h1>.")));
    }

    // Last: it leaves the application's event loop.
    void aSignalEndsAHostingWindowDuringAGameWithoutQuestions() {
        testing::FakeIgd router;
        QVERIFY(router.ok());
        qputenv("DRIFTWAKE_IGD_URL", router.url().toUtf8());
        PortMapper::setHelperProgram(qEnvironmentVariable("DRIFTWAKE_BIN"));
        const quint16 port = freePort();
        Window w;
        QTRY_COMPARE_WITH_TIMEOUT(w.mainWindow->model().state().mySeat, 1, 10000);
        w.mainWindow->hostGame();
        HostDialog* hd = w.mainWindow->dialogs().hostDialog();
        hd->edit_name->setText(QStringLiteral("Ann"));
        hd->edit_port->setValue(port);
        hd->check_internet->setChecked(true);
        QTest::mouseClick(hd->button_host, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(hd->label_internet->text().contains(
                                     QString::fromLatin1(testing::FakeIgd::kExternalAddress)),
                                 15000);
        hd->close();
        QTRY_COMPARE_WITH_TIMEOUT(w.mainWindow->model().state().mySeat, 1, 10000);
        testing::RawClient bob;
        QCOMPARE(bob.login(port, "Bob"), 2);
        // A game runs: closing the window would ask "Close anyway?".
        auto* options = w.mainWindow->findChild<GameOptionsDialog*>();
        QVERIFY(options);
        emit options->startRequested(
            msg::StartGameRequest{"Ann", "5000", "70", true, true}.encode());
        QVERIFY(bob.waitFor<msg::StartGameAnnounce>(10000));
        QTRY_VERIFY_WITH_TIMEOUT(w.mainWindow->server()->core().engine().gameInProgress, 5000);

        // Standard error goes to a file meanwhile.
        QTemporaryFile err;
        QVERIFY(err.open());
        std::fflush(stderr);
        const int savedErr = ::dup(2);
        ::dup2(err.handle(), 2);
        quitOnSignals([&w] { w.mainWindow->endOnSignal(); });
        QElapsedTimer clock;
        clock.start();
        ::kill(::getpid(), SIGTERM);
        const int rc = QCoreApplication::exec();
        const qint64 took = clock.elapsed();
        std::fflush(stderr);
        ::dup2(savedErr, 2);
        ::close(savedErr);
        QCOMPARE(rc, 0);
        QVERIFY2(took < 5000, qPrintable(QString::number(took)));
        err.seek(0);
        const QString said = QString::fromLocal8Bit(err.readAll());
        QCOMPARE(said.count(QStringLiteral("driftwake: ending on SIGTERM")), 1);
        QVERIFY(!QApplication::activeModalWidget());
        // Bob hears the host's end, and the router's mapping is removed.
        QVERIFY(bob.waitFor<msg::HostClosing>(5000));
        QTRY_COMPARE_WITH_TIMEOUT(router.count(QStringLiteral("DeletePortMapping")), 1, 10000);
        qunsetenv("DRIFTWAKE_IGD_URL");
    }

    // "Find Players Online…" and "Play with Others" start the real
    // driftwake-lobby; the test program's own directory holds none, so the
    // PATH decides.
    void theLobbyStartsAndTheGameCloses_data() {
        QTest::addColumn<int>("from");
        QTest::newRow("start window") << 0;
        QTest::newRow("File menu") << 1;
        QTest::newRow("Play with Others") << 2;
    }
    void theLobbyStartsAndTheGameCloses() {
        QFETCH(int, from);
        QVERIFY(QFileInfo(lobbyBin()).isExecutable());
        QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/driftwake-lobby"));
        qputenv("PATH", lobbyDir().path().toUtf8());
        Window w;
        QTRY_VERIFY(w.mainWindow->dialogs().startWindow()->isVisible());
        QVERIFY(!runningWith(lobbyBin(), w.data.path()));
        if (from == 0) {
            QCOMPARE(w.mainWindow->dialogs().startWindow()->button_lobby->text(),
                     QStringLiteral("Find Players Online…"));
            QTest::mouseClick(w.mainWindow->dialogs().startWindow()->button_lobby, Qt::LeftButton);
        } else if (from == 1) {
            auto* action = w.mainWindow->findChild<QAction*>(QStringLiteral("FindPlayers1"));
            QVERIFY(action);
            QCOMPARE(action->text(), QStringLiteral("Find Players Online…"));
            action->trigger();
        } else {
            // No lobby at the path the window names: driftwake-lobby serves.
            auto* download = w.mainWindow->findChild<DownloadWindow*>();
            QVERIFY(!QFileInfo::exists(download->lobbyPath()));
            download->Button2->click();
        }
        pid_t lobby = 0;
        QTRY_VERIFY_WITH_TIMEOUT((lobby = runningWith(lobbyBin(), w.data.path())) != 0, 10000);
        QVERIFY(!w.mainWindow->isVisible());
        // It is the lobby's window that runs, not a program that ended at once.
        QTest::qWait(500);
        QCOMPARE(runningWith(lobbyBin(), w.data.path()), lobby);
        ::kill(lobby, SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!runningWith(lobbyBin(), w.data.path()), 10000);
    }

    void withoutTheLobbyTheGameStays() {
        qputenv("PATH", emptyDir_.path().toUtf8());
        Window w;
        QTRY_VERIFY(w.mainWindow->dialogs().startWindow()->isVisible());
        QTest::mouseClick(w.mainWindow->dialogs().startWindow()->button_lobby, Qt::LeftButton);
        const QString said = QStringLiteral("The lobby could not be started: driftwake-lobby was "
                                            "found neither beside the game nor on the PATH.");
        const auto notice = [&] {
            for (auto* box : w.mainWindow->findChildren<QMessageBox*>())
                if (box->isVisible() && box->text().contains(said))
                    return box;
            return static_cast<QMessageBox*>(nullptr);
        };
        QTRY_VERIFY(notice());
        QVERIFY(w.mainWindow->isVisible());
        // The choices are offered again.
        QVERIFY(w.mainWindow->dialogs().startWindow()->isVisible());
        notice()->close();

        w.mainWindow->findChild<QAction*>(QStringLiteral("FindPlayers1"))->trigger();
        QTRY_VERIFY(notice());
        QVERIFY(w.mainWindow->isVisible());
        QVERIFY(!runningWith(lobbyBin(), w.data.path()));
    }

private:
    static QString lobbyBin() { return qEnvironmentVariable("DRIFTWAKE_LOBBY_BIN"); }
    // A directory holding the lobby, for the PATH.
    const QTemporaryDir& lobbyDir() {
        if (!lobbyDir_) {
            lobbyDir_ = std::make_unique<QTemporaryDir>();
            QFile::link(lobbyBin(), lobbyDir_->filePath(QStringLiteral("driftwake-lobby")));
        }
        return *lobbyDir_;
    }
    std::unique_ptr<QTemporaryDir> lobbyDir_;
    QTemporaryDir emptyDir_;
    const QByteArray path_ = qgetenv("PATH");
};

QTEST_MAIN(NetPlay)
#include "test_netplay.moc"
