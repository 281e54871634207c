// "Find Players Online…" from the start window and the File menu, and the
// download window's "Play with Others", with the real driftwake-lobby: the
// lobby runs with the game's data directory and the game closes; with no
// lobby to be found a notice says so and the game stays.
#include "board/tchat.h"
#include "net/netdialogs.h"
#include "net/tdownload.h"
#include "tests/support/processes.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <memory>
#include <sys/types.h>

using namespace dw;
using dw::testing::soloLaunch;

namespace {

// A solo main window with a data directory of its own.
struct Window {
    QTemporaryDir data;
    std::unique_ptr<Tchat> tchat;
    Window() {
        qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());
        tchat = std::make_unique<Tchat>(soloLaunch());
        tchat->show();
    }
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

} // namespace

class FindPlayers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(QFileInfo(lobbyBin_).isExecutable());
        // The test program's own directory holds no lobby: the PATH decides.
        QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/driftwake-lobby"));
        QVERIFY(QFile::link(lobbyBin_, withLobby_.filePath(QStringLiteral("driftwake-lobby"))));
        path_ = qgetenv("PATH");
        qunsetenv("DRIFTWAKE_LOBBY_URL");
    }
    void cleanup() { qputenv("PATH", path_); }

    void theLobbyStartsAndTheGameCloses_data() {
        QTest::addColumn<int>("from");
        QTest::newRow("start window") << 0;
        QTest::newRow("File menu") << 1;
        QTest::newRow("Play with Others") << 2;
    }
    void theLobbyStartsAndTheGameCloses() {
        QFETCH(int, from);
        qputenv("PATH", withLobby_.path().toUtf8());
        Window w;
        QTRY_VERIFY(w.tchat->startWindow()->isVisible());
        QVERIFY(!runningWith(lobbyBin_, w.data.path()));
        if (from == 0) {
            QCOMPARE(w.tchat->startWindow()->button_lobby->text(),
                     QStringLiteral("Find Players Online…"));
            QTest::mouseClick(w.tchat->startWindow()->button_lobby, Qt::LeftButton);
        } else if (from == 1) {
            auto* action = w.tchat->findChild<QAction*>(QStringLiteral("FindPlayers1"));
            QVERIFY(action);
            QCOMPARE(action->text(), QStringLiteral("Find Players Online…"));
            action->trigger();
        } else {
            // No lobby at the path the window names: driftwake-lobby serves.
            auto* download = w.tchat->findChild<Tdownload*>();
            QVERIFY(!QFileInfo::exists(download->lobbyPath()));
            download->Button2->click();
        }
        pid_t lobby = 0;
        QTRY_VERIFY_WITH_TIMEOUT((lobby = runningWith(lobbyBin_, w.data.path())) != 0, 10000);
        QVERIFY(!w.tchat->isVisible());
        // It is the lobby's window that runs, not a program that ended at once.
        QTest::qWait(500);
        QCOMPARE(runningWith(lobbyBin_, w.data.path()), lobby);
        ::kill(lobby, SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!runningWith(lobbyBin_, w.data.path()), 10000);
    }

    void withoutTheLobbyTheGameStays() {
        qputenv("PATH", empty_.path().toUtf8());
        Window w;
        QTRY_VERIFY(w.tchat->startWindow()->isVisible());
        QTest::mouseClick(w.tchat->startWindow()->button_lobby, Qt::LeftButton);
        const QString said = QStringLiteral("The lobby could not be started: driftwake-lobby was "
                                            "found neither beside the game nor on the PATH.");
        const auto notice = [&] {
            for (auto* box : w.tchat->findChildren<QMessageBox*>())
                if (box->isVisible() && box->text().contains(said))
                    return box;
            return static_cast<QMessageBox*>(nullptr);
        };
        QTRY_VERIFY(notice());
        QVERIFY(w.tchat->isVisible());
        // The choices are offered again.
        QVERIFY(w.tchat->startWindow()->isVisible());
        notice()->close();

        w.tchat->findChild<QAction*>(QStringLiteral("FindPlayers1"))->trigger();
        QTRY_VERIFY(notice());
        QVERIFY(w.tchat->isVisible());
        QVERIFY(!runningWith(lobbyBin_, w.data.path()));
    }

private:
    const QString lobbyBin_ = qEnvironmentVariable("DRIFTWAKE_LOBBY_BIN");
    QTemporaryDir withLobby_;
    QTemporaryDir empty_;
    QByteArray path_;
};

QTEST_MAIN(FindPlayers)
#include "test_findplayers.moc"
