// The spectator window: the list follows arrivals and departures, and only
// the hosting copy removes the spectator the menu was opened on.
#include "ui/watcherlist.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

using dw::WatcherList;

class WatcherListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WatcherList> win_;
    std::vector<int> kicked_;

    // Centre of the row that shows `item`, in list viewport coordinates.
    QPoint rowOf(const QString& item) const {
        const auto found = win_->listbox_spys->findItems(item, Qt::MatchExactly);
        Q_ASSERT(found.size() == 1);
        return win_->listbox_spys->visualItemRect(found.first()).center();
    }

    // Opens the menu at `pos` and chooses "Remove From Game" on it.
    void kickAt(const QPoint& pos) {
        QMenu* menu = win_->contextPopup(pos);
        win_->popup_kickhim->trigger();
        menu->hide();
    }

private slots:
    void init() {
        kicked_.clear();
        win_ = std::make_unique<WatcherList>();
        win_->setKick([this](int seat) { kicked_.push_back(seat); });
        win_->addSpy(QStringLiteral("5: Ann"));
        win_->addSpy(QStringLiteral("6: Eve"));
        win_->addSpy(QStringLiteral("7: Bob"));
        win_->openSpyList();
        QVERIFY(QTest::qWaitForWindowExposed(win_.get()));
    }
    void cleanup() { win_.reset(); }

    void windowAndList() {
        QCOMPARE(win_->spies(), (QStringList{"5: Ann", "6: Eve", "7: Bob"}));

        // Departures take exactly the named item, whatever its place.
        QVERIFY(win_->removeSpy(QStringLiteral("6: Eve")));
        QVERIFY(!win_->removeSpy(QStringLiteral("6: Eve")));
        QVERIFY(!win_->removeSpy(QStringLiteral("6")));
        QCOMPARE(win_->spies(), (QStringList{"5: Ann", "7: Bob"}));
        win_->addSpy(QStringLiteral("6: Eve"));
        QCOMPARE(win_->spies(), (QStringList{"5: Ann", "7: Bob", "6: Eve"}));

        win_->button_done->click();
        QVERIFY(!win_->isVisible());
    }

    void seatOfItem() {
        QCOMPARE(WatcherList::seatOfItem(QStringLiteral("6: Eve")).value_or(-1), 6);
        QCOMPARE(WatcherList::seatOfItem(QStringLiteral("9:Max: the second")).value_or(-1), 9);
        QVERIFY(!WatcherList::seatOfItem(QStringLiteral("Eve: 6")));
        QVERIFY(!WatcherList::seatOfItem(QStringLiteral("Eve")));
        QVERIFY(!WatcherList::seatOfItem(QStringLiteral(": Eve")));
    }

    void removalOnlyWhenHosting() {
        QMenu* menu = win_->contextPopup(rowOf(QStringLiteral("6: Eve")));
        QVERIFY(!win_->popup_kickhim->isEnabled());
        win_->popup_kickhim->trigger();
        win_->onRemovePlayer(); // even called directly
        menu->hide();
        QVERIFY(kicked_.empty());

        win_->setHosting(true);
        kickAt(rowOf(QStringLiteral("6: Eve")));
        QCOMPARE(kicked_, std::vector<int>{6});

        win_->setHosting(false);
        kickAt(rowOf(QStringLiteral("7: Bob")));
        QCOMPARE(kicked_, std::vector<int>{6});
    }

    void rightClickTakesTheItemUnderThePointer() {
        win_->setHosting(true);
        QWidget* viewport = win_->listbox_spys->viewport();
        const QPoint pos = rowOf(QStringLiteral("7: Bob"));
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
        QApplication::sendEvent(viewport, &event);
        QVERIFY(win_->popup_kick->isVisible());
        QCOMPARE(win_->menuItem(), QStringLiteral("7: Bob"));
        QVERIFY(win_->popup_kickhim->isEnabled());
        win_->popup_kickhim->trigger();
        win_->popup_kick->hide();
        QCOMPARE(kicked_, std::vector<int>{7});
    }

    void listChangingUnderAnOpenMenu() {
        win_->setHosting(true);

        // Bob's row moves up when Eve leaves; Bob is still the one removed.
        QMenu* menu = win_->contextPopup(rowOf(QStringLiteral("7: Bob")));
        win_->removeSpy(QStringLiteral("6: Eve"));
        win_->popup_kickhim->trigger();
        menu->hide();
        QCOMPARE(kicked_, std::vector<int>{7});

        // The spectator left before the choice: nobody else is removed.
        menu = win_->contextPopup(rowOf(QStringLiteral("5: Ann")));
        win_->removeSpy(QStringLiteral("5: Ann"));
        win_->addSpy(QStringLiteral("8: Cy"));
        win_->popup_kickhim->trigger();
        menu->hide();
        QCOMPARE(kicked_, std::vector<int>{7});

        // Below the last item: nothing to remove.
        const QPoint empty(5, win_->listbox_spys->viewport()->height() - 3);
        QVERIFY(win_->listbox_spys->itemAt(empty) == nullptr);
        menu = win_->contextPopup(empty);
        QVERIFY(!win_->popup_kickhim->isEnabled());
        win_->onRemovePlayer();
        menu->hide();
        QCOMPARE(kicked_, std::vector<int>{7});
    }

    void itemWithoutSeatNumber() {
        win_->setHosting(true);
        win_->addSpy(QStringLiteral("watcher: Zed"));
        kickAt(rowOf(QStringLiteral("watcher: Zed")));
        QVERIFY(kicked_.empty());
    }

    void namesAreShownWithoutFormatCharacters() {
        // A right-to-left override would make "Ann" + "evil.exe" read as
        // "Annexe.live".
        const QString item = QStringLiteral("8: Ann\u202Eevil.exe");
        win_->addSpy(item);
        QCOMPARE(win_->spies().last(), QStringLiteral("8: Annevil.exe"));
        // The departure names the item as the host sent it.
        QVERIFY(win_->removeSpy(item));
        QCOMPARE(win_->spies(), (QStringList{"5: Ann", "6: Eve", "7: Bob"}));
    }
};

QTEST_MAIN(WatcherListTest)
#include "test_watcherlist.moc"
