// The game options dialog: its arrows and tick boxes change the options it
// shows, its start button hands the start command on, and its close box
// sends nothing.
#include "protocol/messages.h"
#include "ui/gameoptionsdialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <string>
#include <vector>

namespace {

struct Dialog {
    dw::GameOptionsDialog dialog;
    std::vector<std::string> sent;

    Dialog() {
        QObject::connect(&dialog, &dw::GameOptionsDialog::startRequested, &dialog,
                         [this](const std::string& m) { sent.push_back(m); });
    }
    template <typename T = QWidget> T* get(const QString& name) {
        T* w = dialog.findChild<T*>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    // Presses an arrow of UpDown1 or UpDown2 `times` times.
    void press(const char* updown, const char* arrow, int times = 1) {
        auto* button =
            get(QString::fromLatin1(updown))->findChild<QToolButton*>(QString::fromLatin1(arrow));
        QVERIFY(button);
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(button, Qt::LeftButton);
    }
    QString amount() { return get<QLineEdit>(QStringLiteral("edit_playtoscore"))->text(); }
    QString distance() { return get<QLineEdit>(QStringLiteral("edit_distance"))->text(); }
    QImage box(int n) {
        return get<QLabel>(QStringLiteral("image_bot%1").arg(n))->pixmap().toImage();
    }
    void clickBox(int n) {
        QTest::mouseClick(get(QStringLiteral("image_bot%1").arg(n)), Qt::LeftButton);
    }
};

} // namespace

class GameOptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheStartingValues();
    void arrowsStepAndStopAtTheEnds();
    void tickBoxesToggleAndRestore();
    void startSendsTheShownValuesAndHides();
    void closeBoxSendsNothingAndKeepsValues();
};

void GameOptionsDialogTest::showsTheStartingValues() {
    Dialog d;
    QCOMPARE(d.amount(), QStringLiteral("5000"));
    QCOMPARE(d.distance(), QStringLiteral("70"));
    QVERIFY(d.get<QLineEdit>(QStringLiteral("edit_playtoscore"))->isReadOnly());
    QVERIFY(d.get<QLineEdit>(QStringLiteral("edit_distance"))->isReadOnly());
}

void GameOptionsDialogTest::arrowsStepAndStopAtTheEnds() {
    Dialog d;
    d.press("UpDown1", "up");
    QCOMPARE(d.amount(), QStringLiteral("5500"));
    d.press("UpDown1", "up", 20);
    QCOMPARE(d.amount(), QStringLiteral("10000"));
    d.press("UpDown1", "down", 19);
    QCOMPARE(d.amount(), QStringLiteral("1000"));
    d.press("UpDown1", "down");
    QCOMPARE(d.amount(), QStringLiteral("1000"));
    QCOMPARE(d.dialog.options().amount(), 1000);

    d.press("UpDown2", "down", 3);
    QCOMPARE(d.distance(), QStringLiteral("50"));
    d.press("UpDown2", "up", 8);
    QCOMPARE(d.distance(), QStringLiteral("100"));

    // Restored values are brought within range and shown.
    dw::GameOptions restored;
    restored.setAmount(99999);
    restored.setDistance(65);
    d.dialog.setOptions(restored);
    QCOMPARE(d.amount(), QStringLiteral("10000"));
    QCOMPARE(d.distance(), QStringLiteral("65"));
    d.press("UpDown2", "up");
    QCOMPARE(d.distance(), QStringLiteral("75"));
}

void GameOptionsDialogTest::tickBoxesToggleAndRestore() {
    Dialog d;
    const QImage ticked = d.box(3);
    d.dialog.setComputerBox("image_bot3", 0);
    d.dialog.setComputerBox("image_bot4", 0);
    QCOMPARE(d.dialog.options().bot(3), 0);
    const QImage empty = d.box(3);
    QVERIFY(empty != ticked);
    QCOMPARE(d.box(4), empty);

    d.clickBox(4);
    QCOMPARE(d.dialog.options().bot(4), 1);
    QCOMPARE(d.dialog.options().bot(3), 0);
    QCOMPARE(d.box(4), ticked);
    d.clickBox(4);
    QCOMPARE(d.dialog.options().bot(4), 0);
    QCOMPARE(d.box(4), empty);

    d.dialog.setComputerBox("image_other", 1); // not a box of the dialog
    QCOMPARE(d.dialog.options().bot(3), 0);
    QCOMPARE(d.dialog.options().bot(4), 0);
}

void GameOptionsDialogTest::startSendsTheShownValuesAndHides() {
    Dialog d;
    d.dialog.setPlayerName("Ann");
    d.dialog.setComputerBox("image_bot3", 0);
    d.dialog.setComputerBox("image_bot4", 0);
    d.clickBox(4);
    d.press("UpDown1", "down", 2);
    d.press("UpDown2", "up");
    d.dialog.show();
    QTest::mouseClick(d.get(QStringLiteral("button_start")), Qt::LeftButton);
    const dw::msg::StartGameRequest request{"Ann", "4000", "80", false, true};
    QCOMPARE(d.sent, std::vector<std::string>{request.encode()});
    QVERIFY(!d.dialog.isVisible());
}

void GameOptionsDialogTest::closeBoxSendsNothingAndKeepsValues() {
    Dialog d;
    d.dialog.show();
    d.press("UpDown1", "up");
    d.clickBox(3);
    QVERIFY(d.dialog.close());
    QVERIFY(!d.dialog.isVisible());
    QVERIFY(d.sent.empty());
    d.dialog.show();
    QCOMPARE(d.amount(), QStringLiteral("5500"));
    QCOMPARE(d.dialog.options().bot(3), 0);
}

QTEST_MAIN(GameOptionsDialogTest)
#include "test_gameoptionsdialog.moc"
