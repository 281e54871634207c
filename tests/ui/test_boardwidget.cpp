// The board panel driven by a board model that is fed host commands: what
// its controls show, where they stand, and the signals its clicks raise.
#include "client/boardmodel.h"
#include "protocol/messages.h"
#include "protocol/protocol.h"
#include "ui/boardwidget.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>

#include <cmath>
#include <string>
#include <vector>

namespace {

namespace msg = dw::msg;

// UNDOCK, 7500, DAMAGE, Skyjacking protection, 2500, TELEPORT
const msg::MyCards kHand{2, {{1, 6}, {2, 3}, {3, 12}, {4, 16}, {5, 1}, {6, 10}}};

// What a board sent: one message, terminator included.
template <class M> std::vector<std::string> sent(const M& m) {
    return {m.encode()};
}

struct Events : dw::BoardEvents {
    dw::BoardWidget* widget = nullptr;
    std::vector<std::string> sent;
    void log(const std::string& line) override {
        if (widget)
            widget->appendLog(QString::fromStdString(line));
    }
    void notice(const std::string&) override {}
    void sound(const std::string&) override {}
    void send(const std::string& message) override { sent.push_back(message); }
    void setOwnTallyCell(int, const std::string&) override {}
    void addGame(const std::string&) override {}
    void spyAdded(const std::string&) override {}
    void spyRemoved(const std::string&) override {}
    void loadSettings() override {}
    void changed() override {
        if (widget)
            widget->refresh();
    }
};

// A model and its board, wired the way the main window wires them.
struct Board {
    Events events;
    dw::BoardModel model{events, [](int) { return 0; }};
    dw::BoardWidget widget{model};

    Board() {
        events.widget = &widget;
        widget.driveModel(model);
        widget.show();
    }

    // Feeds host messages through their encoding, as the dispatcher would.
    template <class... M> void feed(const M&... messages) {
        (handle(messages.encode()), ...);
        widget.refresh();
    }
    void handle(std::string message) {
        message.pop_back(); // the terminator
        const dw::Command c = dw::splitCommand(message);
        QVERIFY2(model.handleCommand(c.word, c.payload), message.c_str());
    }
    // Bob on seat 2 with Ann hosting on seat 1; a game and a dealt round.
    void startGame(const msg::StartGameAnnounce& start = {"Ann", 5000, 70000, true, true}) {
        model.state().playerName = "Bob";
        feed(msg::SendLoginInfo{2}, msg::NewPlayerInfo{2, "Bob"}, msg::ExistingPlayers{1, "Ann"},
             start, msg::StartingRound{}, kHand);
        events.sent.clear(); // the login answer
    }

    template <typename T = QWidget> T* get(const char* name) {
        T* w = widget.findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QString text(const char* name) { return get<QLabel>(name)->text(); }
    bool shown(const char* name) { return get(name)->isVisibleTo(&widget); }
    QColor colour(const char* name) {
        return get<QLabel>(name)->palette().color(QPalette::WindowText);
    }
};

const QColor kYellow(255, 255, 0);
const QColor kLime(0, 255, 0);
const QColor kRed(255, 0, 0);

} // namespace

class BoardWidgetTest : public QObject {
    Q_OBJECT
private slots:
    void freshBoardShowsEmptySeatsAtTheirPlaces();
    void gameStartMarksSeatsAndNamesPilots();
    void turnFrameFollowsTheTurnSeat();
    void selectingAndPlayingACard();
    void rightClickSortsAndDiscardClickDiscards();
    void protectionsPilesAndWatchers();
    void scorePanelsAndWinner();
    void statusLogAppendsAtTheBottom();
    void nameLabelsAndLogoAndStartReportClicks();
    void quickInstructionsHideOnAnyClick();
    void clicksReachTheirControlsAtEverySize();
    void picturesAreDrawnForTheActualSize();
    void aWholeTurnByKeysAlone();
    void longNamesAreCutAndHintedWhole();
    void namesAreShownAsTypedNeverAsMarkup();
    void coveredTextsStayReadable();
};

namespace {

// Clicks the control under `pos` of the board, as the window system would.
void clickAt(dw::BoardWidget& board, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
    QWidget* target = board.childAt(pos);
    QVERIFY2(target, "nothing under the point");
    QTest::mouseClick(target, button, {}, target->mapFrom(&board, pos));
}

QPoint centreOf(const dw::layout::Rect& r, qreal scale) {
    return QPoint(int((r.x + r.width / 2.0) * scale), int((r.y + r.height / 2.0) * scale));
}

} // namespace

void BoardWidgetTest::clicksReachTheirControlsAtEverySize() {
    Board b;
    b.startGame();
    for (const qreal scale : {1.0, 1.5, 2.25}) {
        b.widget.setScale(scale);
        QCOMPARE(b.widget.size(), QSize(qRound(790 * scale), qRound(529 * scale)));
        // Every edge within a pixel of the logical edge times the scale.
        const QRect name = b.get("label_playername3")->geometry();
        const QRectF want(411 * scale, 11 * scale, 128 * scale, 17 * scale);
        QVERIFY(std::abs(name.left() - want.left()) <= 1 && std::abs(name.top() - want.top()) <= 1);
        QVERIFY(std::abs(name.x() + name.width() - want.right()) <= 1);
        QVERIFY(std::abs(name.y() + name.height() - want.bottom()) <= 1);
        b.events.sent.clear();
        b.feed(msg::NextPlayer{2, 0, 0, 30});
        // The Skyjacking protection at the fourth place lights the own marker.
        clickAt(b.widget, centreOf(dw::layout::handRect(4, false), scale));
        QCOMPARE(b.model.state().selectedSlot, 4);
        QVERIFY(b.shown("image_target2"));
        clickAt(b.widget, centreOf(dw::layout::targetRect(2), scale));
        QCOMPARE(b.events.sent, sent(msg::PlaceGo{2, 4, 2}));

        b.feed(msg::NextPlayer{2, 0, 0, 30});
        clickAt(b.widget, centreOf(dw::layout::handRect(5, false), scale));
        QCOMPARE(b.model.state().selectedSlot, 5);
        clickAt(b.widget, centreOf(dw::layout::kDiscard, scale));
        QCOMPARE(b.events.sent.back(), (msg::Discard{2, 5}.encode()));
        // A right click on a card sorts wherever the card stands.
        clickAt(b.widget, centreOf(dw::layout::handRect(1, false), scale), Qt::RightButton);
        QCOMPARE(b.model.state().handOrder[1], 4); // the protection leads
        b.feed(msg::StartingRound{}, kHand);
    }
}

void BoardWidgetTest::picturesAreDrawnForTheActualSize() {
    Board b;
    b.startGame();
    const auto* card = b.get<QLabel>("card1");
    const auto* strip = b.get<QLabel>("image_safes1");
    const QSize cardPixels = card->pixmap().size();
    const QSize stripPixels = strip->pixmap().size();
    b.widget.setScale(2.0);
    QCOMPARE(card->pixmap().size(), cardPixels * 2);
    QCOMPARE(strip->pixmap().size(), stripPixels * 2);
    // Shown one to one: the picture's size on screen is the control's.
    QCOMPARE(card->pixmap().deviceIndependentSize().toSize(), card->size());
    QCOMPARE(card->size(), QSize(88, 124));
    b.widget.setScale(1.0);
    QCOMPARE(card->pixmap().size(), cardPixels);
}

void BoardWidgetTest::aWholeTurnByKeysAlone() {
    Board b;
    b.startGame();
    b.widget.activateWindow();
    b.widget.setFocus();
    // Ann (seat 1) and Klick (seat 3) are under way.
    b.feed(msg::PlacingGo{1, 6, 1, 1}, msg::PlacingGo{3, 6, 1, 3}, msg::NextPlayer{2, 0, 0, 30});

    // Keys 1..7 pick the card at that place; Enter plays on the chosen target.
    QTest::keyClick(&b.widget, Qt::Key_4);
    QCOMPARE(b.model.state().selectedSlot, 4);
    QCOMPARE(b.model.view().chosenTarget, 2);
    QTest::keyClick(&b.widget, Qt::Key_Down); // the only lit target stays chosen
    QCOMPARE(b.model.view().chosenTarget, 2);
    QTest::keyClick(&b.widget, Qt::Key_Return);
    QCOMPARE(b.events.sent, sent(msg::PlaceGo{2, 4, 2}));
    b.feed(msg::PlaySafe{2, 16, 4, 0}, msg::NextPlayer{2, 0, 0, 31});

    // Another key moves the selection instead of exchanging the cards.
    QTest::keyClick(&b.widget, Qt::Key_1);
    QTest::keyClick(&b.widget, Qt::Key_3);
    QCOMPARE(b.model.state().selectedSlot, 3);
    QCOMPARE(b.model.state().handOrder, (std::array<int, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
    QVERIFY(!b.model.view().hand[1].raised);
    // DAMAGE lights both moving opponents; Up and Down cycle them.
    QVERIFY(b.shown("image_target1") && b.shown("image_target3"));
    QCOMPARE(b.model.view().chosenTarget, 1);
    QTest::keyClick(&b.widget, Qt::Key_Down);
    QCOMPARE(b.model.view().chosenTarget, 3);
    QTest::keyClick(&b.widget, Qt::Key_Down);
    QCOMPARE(b.model.view().chosenTarget, 1);
    QTest::keyClick(&b.widget, Qt::Key_Up);
    QCOMPARE(b.model.view().chosenTarget, 3);
    if (QTest::qWaitForWindowActive(&b.widget) && b.widget.hasFocus()) {
        QWidget* mark = b.get("focus_mark");
        QVERIFY(mark->isVisible());
        QVERIFY(mark->geometry().contains(b.get("image_target3")->geometry()));
    }
    QTest::keyClick(&b.widget, Qt::Key_Enter);
    QCOMPARE(b.events.sent.back(), (msg::PlaceGo{2, 3, 3}.encode()));
    b.feed(msg::PlacingGo{2, 12, 3, 3}, msg::NextPlayer{2, 7, 5, 32});

    // Escape puts a card back; Right from nothing starts at the left.
    QTest::keyClick(&b.widget, Qt::Key_6);
    QTest::keyClick(&b.widget, Qt::Key_Escape);
    QCOMPARE(b.model.state().selectedSlot, 0);
    QVERIFY(!b.shown("image_target1"));
    QTest::keyClick(&b.widget, Qt::Key_Right);
    QCOMPARE(b.model.state().selectedSlot, 1);
    QTest::keyClick(&b.widget, Qt::Key_Right);
    QCOMPARE(b.model.state().selectedSlot, 2);
    QTest::keyClick(&b.widget, Qt::Key_Delete);
    QCOMPARE(b.events.sent.back(), (msg::Discard{2, 2}.encode()));
    b.feed(msg::HeDiscard{2, 2, 3});

    // S sorts: UNDOCK, TELEPORT, 20000, 2500, then the empty places.
    QTest::keyClick(&b.widget, Qt::Key_S);
    QCOMPARE(b.model.state().handOrder, (std::array<int, 8>{0, 1, 6, 7, 5, 2, 3, 4}));
    QCOMPARE(b.get("card7")->pos(), QPoint(160, 197)); // third from the left
}

void BoardWidgetTest::longNamesAreCutAndHintedWhole() {
    Board b;
    const std::string longName = "Bartholomew Maximilian Featherstonehaugh";
    b.feed(msg::NewPlayerInfo{3, longName}, msg::NewPlayerInfo{4, "Sue"});
    auto* name = b.get<QLabel>("label_playername3");
    QVERIFY(name->text().endsWith(QChar(0x2026)));
    QVERIFY(name->text().size() < int(longName.size()));
    QVERIFY(QFontMetrics(name->font()).horizontalAdvance(name->text()) <= name->width());
    QCOMPARE(name->toolTip(), QString::fromStdString(longName));
    // A name that fits is shown whole and keeps the computer pilot's hint.
    QCOMPARE(b.text("label_playername4"), QStringLiteral("Sue"));
    QCOMPARE(b.get("label_playername4")->toolTip(), QStringLiteral("Kling"));
    // Twice the size: more of the name fits.
    const QString cut = name->text();
    b.widget.setScale(2.0);
    QVERIFY(name->text().size() >= cut.size());
    QCOMPARE(name->toolTip(), QString::fromStdString(longName));
}

void BoardWidgetTest::coveredTextsStayReadable() {
    Board b;
    b.model.setHosting();
    b.startGame();
    QVERIFY(b.shown("label_playtoscore"));
    b.feed(
        msg::PostScores{2,
                        {{1, 900, 900, 700, 400, 0, 0, 0}, {2, 1500, 1500, 700, 400, 300, 100, 0}}},
        msg::Winner{"Bob", 2});
    // The start control stands where it did and carries the line it covers.
    QVERIFY(b.shown("button_start"));
    QCOMPARE(b.get("button_start")->geometry(), QRect(560, 235, 148, 32));
    QVERIFY(!b.shown("label_playtoscore"));
    QCOMPARE(b.get("button_start")->accessibleDescription(),
             QStringLiteral("Amount to Earn: $5000"));
    // The badge covers none of the score rows.
    QWidget* badge = b.get("image_winner2");
    QVERIFY(badge->isVisible());
    for (const char* row : {"label_smiles2", "label_scompleted2", "label_ssafes2",
                            "label_ssafetrip2", "label_sshutout2", "label_sturn2"})
        QVERIFY2(!badge->geometry().intersects(b.get(row)->geometry()), row);
}

void BoardWidgetTest::freshBoardShowsEmptySeatsAtTheirPlaces() {
    Board b;
    for (const char* seat : {"1", "2", "3", "4"}) {
        const QByteArray n(seat);
        QCOMPARE(b.text("label_playername" + n), QStringLiteral("<Waiting>"));
        QCOMPARE(b.text("label_score" + n), QStringLiteral("$0"));
        QCOMPARE(b.colour("label_playername" + n), kYellow);
        QVERIFY(!b.shown("panel_scores" + n));
        QVERIFY(!b.shown("image_target" + n));
    }
    QVERIFY(!b.shown("image_Turn"));
    QVERIFY(!b.shown("image_notplaying3"));
    QVERIFY(!b.shown("panel_quick"));
    QVERIFY(!b.shown("button_start"));
}

void BoardWidgetTest::gameStartMarksSeatsAndNamesPilots() {
    Board b;
    b.startGame({"Ann", 7500, 60000, false, true});
    QCOMPARE(b.text("label_playername3"), QStringLiteral("<Waiting>"));
    QCOMPARE(b.text("label_playername4"), QStringLiteral("Kling"));
    QVERIFY(b.shown("image_notplaying3"));
    QVERIFY(!b.shown("image_notplaying4"));
    QCOMPARE(b.text("label_distance"), QStringLiteral("Target Distance: 60000"));
    QCOMPARE(b.text("label_playtoscore"), QStringLiteral("Amount to Earn: $7500"));

    // The dealt hand shows its pictures, lowered, in place order.
    for (int place = 1; place <= 6; ++place) {
        auto* card = b.get<QLabel>(("card" + std::to_string(place)).c_str());
        QVERIFY(!card->pixmap().isNull());
        QCOMPARE(card->pos(), QPoint(dw::layout::kHandX[static_cast<std::size_t>(place)], 197));
    }
    QVERIFY(b.get<QLabel>("card7")->pixmap().isNull());
}

void BoardWidgetTest::turnFrameFollowsTheTurnSeat() {
    Board b;
    b.startGame();
    b.feed(msg::NextPlayer{3, 0, 0, 25});
    QVERIFY(b.shown("image_Turn"));
    QCOMPARE(b.get("image_Turn")->geometry(), QRect(406, 33, 184, 148));
    QCOMPARE(b.colour("label_playername3"), kRed); // docked
    QCOMPARE(b.colour("label_playername2"), kYellow);

    // Once the ship moves, its turn shows lime.
    b.feed(msg::PlacingGo{3, 6, 1, 3}, msg::NextPlayer{4, 0, 0, 26}, msg::PlacingGo{4, 7, 1, 3},
           msg::NextPlayer{1, 0, 0, 27}, msg::PlacingGo{1, 6, 1, 1}, msg::NextPlayer{1, 0, 0, 28});
    QCOMPARE(b.get("image_Turn")->x(), 13);
    QCOMPARE(b.colour("label_playername1"), kLime);
    QCOMPARE(b.colour("label_playername3"), kYellow);
    b.feed(msg::HeDiscard{1, 2, 3});
    QVERIFY(!b.shown("image_Turn"));
}

void BoardWidgetTest::selectingAndPlayingACard() {
    Board b;
    b.startGame();
    b.feed(msg::NextPlayer{2, 7, 5, 25});
    QVERIFY(!b.get<QLabel>("card7")->pixmap().isNull());

    QSignalSpy released(&b.widget, &dw::BoardWidget::cardReleased);
    QTest::mouseClick(b.get("card1"), Qt::LeftButton);
    QCOMPARE(released.count(), 1);
    QCOMPARE(released.at(0).at(0).toInt(), 1);
    QCOMPARE(released.at(0).at(1).toBool(), false);
    // UNDOCK raised; only the own ship may take it.
    QCOMPARE(b.get("card1")->y(), 193);
    QCOMPARE(b.get("card2")->y(), 197);
    QVERIFY(b.shown("image_target2"));
    QVERIFY(!b.shown("image_target1"));
    QVERIFY(!b.shown("image_target3"));

    QSignalSpy targets(&b.widget, &dw::BoardWidget::targetClicked);
    QTest::mouseClick(b.get("image_target2"), Qt::LeftButton);
    QCOMPARE(targets.count(), 1);
    QCOMPARE(targets.at(0).at(0).toInt(), 2);
    QCOMPARE(b.events.sent, sent(msg::PlaceGo{2, 1, 2}));

    // The host's answer empties the place and lowers it.
    b.feed(msg::PlacingGo{2, 6, 1, 2});
    QVERIFY(b.get<QLabel>("card1")->pixmap().isNull());
    QCOMPARE(b.get("card1")->y(), 197);
    QVERIFY(!b.shown("image_target2"));
    QVERIFY(b.get<QLabel>("image_go2")->pixmap().cacheKey() != 0);
}

void BoardWidgetTest::rightClickSortsAndDiscardClickDiscards() {
    Board b;
    b.startGame();
    b.feed(msg::NextPlayer{2, 7, 5, 25});
    QSignalSpy released(&b.widget, &dw::BoardWidget::cardReleased);
    QTest::mouseClick(b.get("card5"), Qt::RightButton);
    QCOMPARE(released.count(), 1);
    QCOMPARE(released.at(0).at(1).toBool(), true);
    // Sorted: protection, UNDOCK, attacks, then lightyears from 20000 down.
    QCOMPARE(b.get("card4")->x(), 42);
    QCOMPARE(b.get("card1")->x(), 101);
    QCOMPARE(b.get("card7")->x(), 278);
    QCOMPARE(b.get("card5")->x(), 396);

    // A click on the discard pile without a selection sends nothing.
    QSignalSpy discards(&b.widget, &dw::BoardWidget::discardClicked);
    QTest::mouseClick(b.get("image_discard"), Qt::LeftButton);
    QCOMPARE(discards.count(), 1);
    QVERIFY(b.events.sent.empty());

    QTest::mouseClick(b.get("card2"), Qt::LeftButton);
    QTest::mouseClick(b.get("image_discard"), Qt::LeftButton);
    QCOMPARE(b.events.sent, sent(msg::Discard{2, 2}));
    b.feed(msg::HeDiscard{2, 2, 3});
    QVERIFY(b.get<QLabel>("card2")->pixmap().isNull());
    QVERIFY(!b.get<QLabel>("image_discard")->pixmap().isNull());
}

void BoardWidgetTest::protectionsPilesAndWatchers() {
    Board b;
    b.startGame();
    QVERIFY(!b.shown("image_safe11"));
    b.feed(msg::NextPlayer{1, 0, 0, 25}, msg::PlaySafe{1, 18, 3, 0}, msg::JustWatching{4, true},
           msg::PlacingGo{1, 6, 2, 1}, msg::NextPlayer{1, 0, 0, 26},
           msg::Traveling{1, 20000, 5, 4, 20000});
    QVERIFY(b.shown("image_safe13"));
    QVERIFY(!b.shown("image_safe11"));
    QVERIFY(b.shown("image_eyes4"));
    QVERIFY(!b.shown("image_eyes1"));
    QCOMPARE(b.text("label_miles1"), QStringLiteral("20000 Lyrs"));
    QVERIFY(!b.get<QLabel>("image_mile1")->pixmap().isNull());
    QVERIFY(b.get<QLabel>("image_mile2")->pixmap().isNull());

    // A new round clears piles and protections.
    b.feed(msg::StartingRound{});
    QVERIFY(!b.shown("image_safe13"));
    QVERIFY(b.get<QLabel>("image_mile1")->pixmap().isNull());
}

void BoardWidgetTest::scorePanelsAndWinner() {
    Board b;
    b.model.state().isHost = true;
    b.startGame({"Ann", 5000, 70000, false, true});
    b.feed(msg::PostScores{4,
                           {{1, 425, 425, 325, 0, 0, 100, 0},
                            {2, 300, 300, 300, 0, 0, 0, 0},
                            {4, 1900, 1900, 700, 400, 300, 0, 500}}});
    QVERIFY(b.shown("panel_scores1"));
    QVERIFY(b.shown("panel_scores2"));
    QVERIFY(!b.shown("panel_scores3")); // out of the game
    QVERIFY(b.shown("panel_scores4"));
    QCOMPARE(b.text("label_smiles4"), QStringLiteral("Distance Traveled: $700"));
    QCOMPARE(b.text("label_ssafes1"), QStringLiteral("Protections: $100"));
    QCOMPARE(b.text("label_sturn4"), QStringLiteral("+$1900"));
    QCOMPARE(b.text("label_score4"), QStringLiteral("$1900"));
    QCOMPARE(b.colour("label_sturn4"), kLime);
    QCOMPARE(b.colour("label_playername4"), kLime);
    QCOMPARE(b.colour("label_sturn1"), kYellow);
    QVERIFY(!b.shown("image_winner4"));
    QVERIFY(!b.shown("button_start"));

    b.feed(msg::Winner{"Kling", 4});
    QVERIFY(b.shown("image_winner4"));
    QVERIFY(b.shown("button_start"));
    auto* log = b.get<QPlainTextEdit>("memo_status");
    QVERIFY(log->toPlainText().endsWith(QStringLiteral("Game Over!")));

    // The next round takes the panels down.
    b.feed(msg::StartingRound{});
    QVERIFY(!b.shown("panel_scores1"));
}

void BoardWidgetTest::statusLogAppendsAtTheBottom() {
    Board b;
    auto* log = b.get<QPlainTextEdit>("memo_status");
    for (int i = 0; i < 60; ++i)
        b.widget.appendLog(QStringLiteral("line %1").arg(i));
    b.widget.appendLog(QString());
    QCOMPARE(log->document()->blockCount(), 61);
    QVERIFY(log->verticalScrollBar()->maximum() > 0);
    QCOMPARE(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());

    b.widget.setStatusTextSize(12);
    QCOMPARE(b.widget.statusTextSize(), 12);
    QVERIFY(log->font().bold());
    b.widget.setStatusTextSize(0); // a broken setting still leaves a usable font
    QVERIFY(b.widget.statusTextSize() > 0);
}

void BoardWidgetTest::nameLabelsAndLogoAndStartReportClicks() {
    Board b;
    QSignalSpy menus(&b.widget, &dw::BoardWidget::nameLabelContextMenu);
    QWidget* name3 = b.get("label_playername3");
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            name3->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(name3, &event);
    QCOMPARE(menus.count(), 1);
    QCOMPARE(menus.at(0).at(0).toInt(), 3);
    QCOMPARE(menus.at(0).at(1).toPoint(), name3->mapToGlobal(QPoint(5, 5)));

    QSignalSpy logo(&b.widget, &dw::BoardWidget::logoClicked);
    QTest::mouseClick(b.get("image_logo"), Qt::LeftButton);
    QCOMPARE(logo.count(), 1);

    QSignalSpy start(&b.widget, &dw::BoardWidget::startClicked);
    b.get<QAbstractButton>("button_start")->click();
    QCOMPARE(start.count(), 1);

    // A press on a target marker that is released elsewhere is no click.
    b.startGame();
    b.feed(msg::NextPlayer{2, 7, 5, 25});
    QTest::mouseClick(b.get("card1"), Qt::LeftButton);
    QSignalSpy targets(&b.widget, &dw::BoardWidget::targetClicked);
    QWidget* target = b.get("image_target2");
    QTest::mousePress(target, Qt::LeftButton);
    QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(-20, -20));
    QCOMPARE(targets.count(), 0);
}

void BoardWidgetTest::quickInstructionsHideOnAnyClick() {
    Board b;
    QWidget* quick = b.get("panel_quick");

    b.widget.showQuickInstructions();
    QVERIFY(quick->isVisible());
    // Clicks on its pictures reach the overlay.
    QTest::mouseClick(b.get("image_quick2"), Qt::LeftButton);
    QVERIFY(!quick->isVisible());

    b.widget.showQuickInstructions();
    auto* close = b.get<QAbstractButton>("button_quickclose");
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!quick->isVisible());
}

void BoardWidgetTest::namesAreShownAsTypedNeverAsMarkup() {
    Board b;
    // Seat 3's pilot calls himself what an empty seat shows, in markup;
    // seat 4 is empty; seat 2 hides a right-to-left override in her name.
    b.feed(msg::NewPlayerInfo{2, "Ann\u202Eevil.exe"}, msg::NewPlayerInfo{1, "<h2>Ann</h2>"},
           msg::NewPlayerInfo{3, "<b>&lt;Waiting&gt;</b>"});
    QCOMPARE(b.text("label_playername1"), QStringLiteral("<h2>Ann</h2>"));
    QCOMPARE(b.text("label_playername2"), QStringLiteral("Annevil.exe"));
    QCOMPARE(b.get("label_playername2")->accessibleName(), QStringLiteral("Seat 2: Annevil.exe"));
    for (const char* name : {"label_playername1", "label_playername3", "label_score1",
                             "label_miles1", "label_distance"})
        QCOMPARE(b.get<QLabel>(name)->textFormat(), Qt::PlainText);
    // As drawn, seat 3 does not look like the empty seat 4.
    auto* three = b.get<QLabel>("label_playername3");
    auto* four = b.get<QLabel>("label_playername4");
    QCOMPARE(four->text(), QStringLiteral("<Waiting>"));
    QCOMPARE(three->size(), four->size());
    QCOMPARE(b.colour("label_playername3"), b.colour("label_playername4"));
    QVERIFY(three->grab().toImage() != four->grab().toImage());
    QVERIFY(three->text().startsWith(QStringLiteral("<b>&lt;")));
    // Cut, the name's hint shows it whole and as typed.
    QVERIFY(three->text().endsWith(QChar(0x2026)));
    QCOMPARE(QTextDocumentFragment::fromHtml(three->toolTip()).toPlainText(),
             QStringLiteral("<b>&lt;Waiting&gt;</b>"));
}

QTEST_MAIN(BoardWidgetTest)
#include "test_boardwidget.moc"
