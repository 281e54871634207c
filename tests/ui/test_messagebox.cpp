// Every window of the game that opens a message box opens it in the
// desktop's own look: no style sheet of a dark window reaches the box.
#include "store/tallytable.h"
#include "ui/aboutwindow.h"
#include "ui/chatview.h"
#include "ui/downloadwindow.h"
#include "ui/messagebox.h"
#include "ui/tallywindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>

using namespace dw;

namespace {

struct BoxSeen {
    bool opened = false;
    bool plain = false; // no style sheet on the box or above it
    QString text;
};

// Runs `open`, which opens a modal message box, and closes the box again.
BoxSeen watchBox(const std::function<void()>& open) {
    BoxSeen seen;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.opened = true;
        seen.text = box->text();
        seen.plain = qApp->styleSheet().isEmpty();
        for (QWidget* w = box; w; w = w->parentWidget())
            if (!w->styleSheet().isEmpty())
                seen.plain = false;
        box->reject();
    });
    poll.start();
    open();
    poll.stop();
    return seen;
}

} // namespace

class MessageBoxTest : public QObject {
    Q_OBJECT

private slots:
    void plainParentSkipsEveryStyledWindow() {
        QWidget main;
        auto* styled = new QWidget(&main, Qt::Dialog);
        styled->setStyleSheet(QStringLiteral("QWidget { background: black; color: #111; }"));
        auto* inner = new QWidget(styled);
        QCOMPARE(plainParent(inner), &main);
        QCOMPARE(plainParent(styled), &main);
        QCOMPARE(plainParent(&main), &main);
        QWidget alone;
        alone.setStyleSheet(QStringLiteral("QLabel { color: black; }"));
        QCOMPARE(plainParent(&alone), nullptr);
    }

    void noMessageBoxInheritsAStyleSheet() {
        QWidget main; // the main window has no style sheet

        AboutWindow about(&main);
        about.setOpenUrl([](const QUrl&) { return false; });
        BoxSeen seen = watchBox([&] { about.openWebsite(); });
        QVERIFY(seen.opened);
        QVERIFY(seen.plain);
        QCOMPARE(seen.text, QStringLiteral("Cannot open Webpage"));

        DownloadWindow download(&main);
        download.setDownloadUrl(QUrl(QStringLiteral("http://127.0.0.1/")));
        seen = watchBox([&] { download.onDownload(); });
        QVERIFY(seen.opened);
        QVERIFY(seen.plain);

        TallyTable table;
        TallyWindow tally(table, &main);
        QPushButton* reset = nullptr;
        for (QPushButton* b : tally.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Reset Tally"))
                reset = b;
        QVERIFY(reset);
        seen = watchBox([&] { reset->click(); });
        QVERIFY(seen.opened);
        QVERIFY(seen.plain);

        ChatView chat(&main);
        seen = watchBox([&] { chat.mainchatJump(3); });
        QVERIFY(seen.opened);
        QVERIFY(seen.plain);
        QCOMPARE(seen.text, QStringLiteral("Cannot open Webpage"));
    }
};

QTEST_MAIN(MessageBoxTest)
#include "test_messagebox.moc"
