// The tally window: what it shows of the table, ticking and unticking
// players, the questions and their answers, "Reset Tally" and the panel of
// the selected player.
#include "ui/tallywindow.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

using namespace dw;

namespace {

const std::vector<std::string> kOthers = {"Ann", "Bob", "<Waiting>"};

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QList<bool> ticks(const QListWidget* list) {
    QList<bool> out;
    for (int i = 0; i < list->count(); ++i)
        out << (list->item(i)->checkState() == Qt::Checked);
    return out;
}

QStringList cells(const TallyWindow& w) {
    QStringList out;
    for (int n = 1; n <= TallyWindow::kCounterCells; ++n)
        out << w.label(n)->text();
    return out;
}

// A table with own totals and the tallied players Ann and Bob, who played
// one game with the user, which Ann won.
void fill(TallyTable& t) {
    t.setOwnTallyCell(TallyTable::OwnLightyears, "12500");
    t.refillCurrentPlayers(kOthers);
    t.setCurrentTicked(0, true);
    t.setCurrentTicked(1, true);
    t.addGame("Ann", kOthers);
}

// Clicks a tick box the way the user does: the list reports the change and
// the window handles it from the event loop.
void click(QListWidget* list, int row, bool ticked) {
    list->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    QCoreApplication::processEvents();
}

} // namespace

class TallyWindowTest : public QObject {
    Q_OBJECT

    TallyTable table_;
    std::unique_ptr<TallyWindow> w_;
    QStringList asked_;
    QList<bool> answers_;

    // Every question is recorded and answered from answers_ (No when empty).
    void answerWith(QList<bool> answers) {
        answers_ = std::move(answers);
        asked_.clear();
        w_->setAsk([this](const QString& q) {
            asked_ << q;
            return !answers_.isEmpty() && answers_.takeFirst();
        });
    }

private slots:
    void init() {
        table_ = TallyTable();
        fill(table_);
        w_ = std::make_unique<TallyWindow>(table_);
        answerWith({});
    }
    void cleanup() { w_.reset(); }

    void showsTheTable() {
        QCOMPARE(w_->mylabel(1)->text(), QStringLiteral("1"));
        QCOMPARE(w_->mylabel(2)->text(), QStringLiteral("0"));
        QCOMPARE(w_->mylabel(3)->text(), QStringLiteral("12500"));
        QCOMPARE(texts(w_->checklist()), QStringList({"Ann", "Bob"}));
        QCOMPARE(ticks(w_->checklist()), QList<bool>({true, true}));
        QCOMPARE(texts(w_->listbox_tally()), QStringList({"Ann", "Bob"}));
        QCOMPARE(ticks(w_->listbox_tally()), QList<bool>({true, true}));
        // Nobody selected yet: a neutral panel.
        QCOMPARE(w_->panel_player()->title(), QStringLiteral("Player's Tally"));
        QCOMPARE(cells(*w_), QStringList(8, QStringLiteral("0")));
    }

    void opensCentredFixedAndDark() {
        QWidget main;
        main.setGeometry(100, 100, 900, 700);
        main.show();
        TallyWindow w(table_, &main);
        // Ann left, Cid arrived: the current list follows the seats.
        w.openTally({"<Waiting>", "Cid", "Bob"});
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.isVisible());
        QVERIFY(main.isEnabled());
        QCOMPARE(texts(w.checklist()), QStringList({"Cid", "Bob"}));
        QCOMPARE(ticks(w.checklist()), QList<bool>({false, true}));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY((w.frameGeometry().center() - main.frameGeometry().center()).manhattanLength() <
                40);

        const QImage shot = w.grab().toImage();
        if (const QString out = qEnvironmentVariable("DRIFTWAKE_TALLY_SHOT"); !out.isEmpty())
            shot.save(out);
        QCOMPARE(shot.pixelColor(2, 2), QColor(Qt::black));
        // The own totals are written in yellow.
        const QImage cell = w.mylabel(1)->grab().toImage();
        bool yellow = false;
        for (int y = 0; y < cell.height() && !yellow; ++y)
            for (int x = 0; x < cell.width() && !yellow; ++x)
                yellow = cell.pixelColor(x, y) == QColor(255, 255, 0);
        QVERIFY(yellow);

        w.button_done()->click();
        QVERIFY(!w.isVisible());
    }

    void tickingInTheCurrentGameStartsATally() {
        w_->refillCurrentPlayers({"Ann", "Bob", "Cid"});
        QCOMPARE(ticks(w_->checklist()), QList<bool>({true, true, false}));
        click(w_->checklist(), 2, true);
        QCOMPARE(table_.rowCount(), 4);
        QCOMPARE(table_.cell(0, 3), std::string("Cid"));
        for (int c = 1; c <= 8; ++c)
            QCOMPARE(table_.cell(c, 3), std::string("0"));
        QCOMPARE(texts(w_->listbox_tally()), QStringList({"Ann", "Bob", "Cid"}));
        QCOMPARE(ticks(w_->listbox_tally()), QList<bool>({true, true, true}));

        // Unticking and ticking again in the current game only moves the mark.
        click(w_->checklist(), 0, false);
        QCOMPARE(ticks(w_->checklist()), QList<bool>({false, true, true}));
        click(w_->checklist(), 0, true);
        QCOMPARE(table_.rowCount(), 4);
        QCOMPARE(texts(w_->listbox_tally()), QStringList({"Ann", "Bob", "Cid"}));
        QVERIFY(asked_.isEmpty());
    }

    void untickingAsksAndNoKeepsTheTally() {
        answerWith({false});
        click(w_->listbox_tally(), 0, false);
        QCOMPARE(asked_, QStringList("This will delete Ann's Tally, Are you want to delete it?"));
        QCOMPARE(table_.rowCount(), 3);
        QCOMPARE(texts(w_->listbox_tally()), QStringList({"Ann", "Bob"}));
        QCOMPARE(ticks(w_->listbox_tally()), QList<bool>({true, true}));
        QCOMPARE(table_.tallied()[0].ticked, true);
    }

    void untickingWithYesRemovesTheRowAndTheRowsBelowMoveUp() {
        w_->listbox_tally()->setCurrentRow(1); // Bob shown in the panel
        answerWith({true});
        click(w_->listbox_tally(), 0, false);
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(table_.rowCount(), 2);
        QCOMPARE(table_.cell(0, 1), std::string("Bob"));
        QCOMPARE(texts(w_->listbox_tally()), QStringList({"Bob"}));
        // Bob stays selected and shown although his position changed.
        QCOMPARE(w_->listbox_tally()->currentRow(), 0);
        QCOMPARE(w_->panel_player()->title(), QStringLiteral("Bob's Tally"));
        // The current game still lists Ann; ticking her again starts a new tally.
        QCOMPARE(texts(w_->checklist()), QStringList({"Ann", "Bob"}));
        click(w_->checklist(), 0, false);
        click(w_->checklist(), 0, true);
        QCOMPARE(texts(w_->listbox_tally()), QStringList({"Bob", "Ann"}));
        QCOMPARE(table_.cell(1, 2), std::string("0"));
        answerWith({true});
        click(w_->listbox_tally(), 1, false);

        // Removing the player on show empties the panel.
        answerWith({true});
        click(w_->listbox_tally(), 0, false);
        QCOMPARE(table_.rowCount(), 1);
        QCOMPARE(w_->listbox_tally()->count(), 0);
        QCOMPARE(w_->panel_player()->title(), QStringLiteral("Player's Tally"));
        QCOMPARE(cells(*w_), QStringList(8, QStringLiteral("0")));
    }

    void theAnswerGoesToTheNamedPlayerWhenTheListChangedMeanwhile() {
        // While the question about Bob is open, Ann's tally is deleted
        // elsewhere and a game ends: Yes must delete Bob, not whoever now
        // sits at Bob's old position.
        w_->setAsk([this](const QString&) {
            table_.untickTallied(0, true);
            w_->addGame("Bob", kOthers);
            return true;
        });
        click(w_->listbox_tally(), 1, false);
        QCOMPARE(table_.rowCount(), 1);
        QCOMPARE(w_->listbox_tally()->count(), 0);
        QCOMPARE(table_.number(TallyTable::OwnGames, 0), 2);

        // And No re-ticks the named player.
        table_ = TallyTable();
        fill(table_);
        w_->refresh();
        w_->setAsk([this](const QString&) {
            table_.untickTallied(0, true);
            return false;
        });
        click(w_->listbox_tally(), 1, false);
        QCOMPARE(texts(w_->listbox_tally()), QStringList({"Bob"}));
        QCOMPARE(ticks(w_->listbox_tally()), QList<bool>({true}));
    }

    void resetAsksAndYesClearsTheTally() {
        QSignalSpy resets(w_.get(), &TallyWindow::ownTotalsReset);
        w_->listbox_tally()->setCurrentRow(0);
        answerWith({false});
        w_->button_reset()->click();
        QCOMPARE(asked_, QStringList("Are you sure you want to reset the Tally?"));
        QCOMPARE(resets.count(), 0);
        QCOMPARE(table_.rowCount(), 3);
        QCOMPARE(w_->mylabel(3)->text(), QStringLiteral("12500"));
        QCOMPARE(w_->label(1)->text(), QStringLiteral("1"));

        answerWith({true});
        w_->button_reset()->click();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(table_.rowCount(), 1);
        QCOMPARE(table_.ownLightyears(), 0);
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(w_->mylabel(n)->text(), QStringLiteral("0"));
        QCOMPARE(w_->listbox_tally()->count(), 0);
        QCOMPARE(cells(*w_), QStringList(8, QStringLiteral("0")));
        // The current game keeps its entries and marks.
        QCOMPARE(texts(w_->checklist()), QStringList({"Ann", "Bob"}));
        QCOMPARE(ticks(w_->checklist()), QList<bool>({true, true}));

        // The next move counts from 0.
        w_->setOwnTallyCell(TallyTable::OwnLightyears, "5000");
        QCOMPARE(w_->mylabel(3)->text(), QStringLiteral("5000"));
    }

    void selectingFillsThePanelAndFinishedGamesUpdateIt() {
        w_->listbox_tally()->setCurrentRow(0);
        QCOMPARE(w_->panel_player()->title(), QStringLiteral("Ann's Tally"));
        QCOMPARE(w_->label_wins()->text(), QStringLiteral("Ann Wins:"));
        QCOMPARE(cells(*w_), QStringList({"1", "1", "0", "0", "1", "1", "0", "0"}));

        w_->listbox_tally()->setCurrentRow(1);
        QCOMPARE(w_->panel_player()->title(), QStringLiteral("Bob's Tally"));
        QCOMPARE(w_->label_wins()->text(), QStringLiteral("Bob Wins:"));
        QCOMPARE(cells(*w_), QStringList({"1", "0", "0", "1", "1", "0", "0", "1"}));

        // The user wins the next game: Bob's panel and the own totals follow.
        w_->addGame(TallyTable::kOwnWin, kOthers);
        QCOMPARE(cells(*w_), QStringList({"2", "0", "1", "1", "2", "0", "1", "1"}));
        QCOMPARE(w_->mylabel(1)->text(), QStringLiteral("2"));
        QCOMPARE(w_->mylabel(2)->text(), QStringLiteral("1"));
        QCOMPARE(w_->listbox_tally()->currentRow(), 1);

        // A table changed behind the window's back shows after refresh().
        table_.setOwnTallyCell(TallyTable::OwnLightyears, "20000");
        w_->refresh();
        QCOMPARE(w_->mylabel(3)->text(), QStringLiteral("20000"));
    }
    void namesFromPeersAndFilesAreShownAsPlainText() {
        // A name that reads as markup, and one with a right-to-left override
        // that would show "Annexe.live" as "Ann" + "evil.exe" reversed.
        const std::string markup = "<h2>Ann</h2>";
        const std::string bidi = "Ann\u202Eevil.exe";
        const std::vector<std::string> others = {markup, bidi, "<Waiting>"};
        TallyTable table;
        table.refillCurrentPlayers(others);
        table.setCurrentTicked(0, true);
        table.setCurrentTicked(1, true);
        table.addGame(markup, others);
        TallyWindow w(table);
        asked_.clear();
        answers_.clear();
        w.setAsk([this](const QString& q) {
            asked_ << q;
            return !answers_.isEmpty() && answers_.takeFirst();
        });
        const QString shownBidi = QStringLiteral("Annevil.exe");
        QCOMPARE(texts(w.listbox_tally()), QStringList({"<h2>Ann</h2>", shownBidi}));
        QCOMPARE(texts(w.checklist()), QStringList({"<h2>Ann</h2>", shownBidi}));

        w.listbox_tally()->setCurrentRow(0);
        QCOMPARE(w.label_wins()->text(), QStringLiteral("<h2>Ann</h2> Wins:"));
        QCOMPARE(w.label_wins()->textFormat(), Qt::PlainText);
        for (int n = 1; n <= TallyWindow::kCounterCells; ++n)
            QCOMPARE(w.label(n)->textFormat(), Qt::PlainText);
        for (int n = 1; n <= TallyWindow::kOwnCells; ++n)
            QCOMPARE(w.mylabel(n)->textFormat(), Qt::PlainText);
        w.listbox_tally()->setCurrentRow(1);
        QCOMPARE(w.panel_player()->title(), shownBidi + QStringLiteral("'s Tally"));

        // Unticking the name shown cleaned still finds its row in the table.
        answers_ = {true};
        click(w.listbox_tally(), 1, false);
        QCOMPARE(asked_, QStringList({QStringLiteral("This will delete ") + shownBidi +
                                      QStringLiteral("'s Tally, Are you want to delete it?")}));
        QCOMPARE(table.tallied().size(), std::size_t(1));
        QCOMPARE(table.tallied()[0].name, markup);
        QCOMPARE(texts(w.listbox_tally()), QStringList({"<h2>Ann</h2>"}));
    }
};

QTEST_MAIN(TallyWindowTest)
#include "test_tallywindow.moc"
