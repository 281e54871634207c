// A whole solo game in the real main window, offscreen: the hosting copy
// starts a two-pilot game, its own seat just watches, and the computer
// pilots fly it to the winner.
#include "board/boardwidget.h"
#include "board/tchat.h"
#include "board/tgamestart.h"
#include "chat/chatpane.h"
#include "chat/tallytable.h"
#include "net/tdownload.h"
#include "net/tserver.h"
#include "tests/support/processes.h"

#include <QAbstractButton>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

using namespace dw;
using dw::testing::soloLaunch;

namespace {

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
            Tchat window(options);
            window.show();
            QTRY_COMPARE_WITH_TIMEOUT(window.model().state().myseat, 1, 20000);
            QTRY_COMPARE(window.model().view().seats[1].name, std::string("You"));
            QVERIFY(window.model().view().startVisible);

            // File > Start Game opens the options; its START GAME button starts.
            QAction* start = menuItem(&window, QStringLiteral("Start Game"));
            QVERIFY(start && start->isEnabled());
            start->trigger();
            auto* dialog = window.findChild<Tgamestart*>();
            QVERIFY(dialog && dialog->isVisible());
            auto* go = dialog->findChild<QWidget*>(QStringLiteral("button_start"));
            QVERIFY(go);
            QTest::mouseClick(go, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(window.server()->core().engine().gameinprogress, 10000);
            QTRY_COMPARE(window.model().view().seats[2].name, std::string("Klot"));
            QVERIFY(window.model().view().seats[3].notPlaying);

            // Options > Just Watch hands the own ship to the computer.
            QAction* watch = menuItem(&window, QStringLiteral("Just Watch"));
            QVERIFY(watch);
            watch->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(watch->isChecked(), 10000);
            QVERIFY(window.model().view().seats[1].eyes);

            QTRY_VERIFY_WITH_TIMEOUT(!window.server()->core().engine().gameinprogress, 300000);
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
            Tchat window(options);
            window.show();
            QTRY_COMPARE_WITH_TIMEOUT(window.model().state().myseat, 1, 20000);
            // A solo game opens the download window over the main window.
            for (Tdownload* d : window.findChildren<Tdownload*>())
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
            auto* dialog = window.findChild<Tgamestart*>();
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
};

QTEST_MAIN(SoloGame)
#include "test_sologame.moc"
