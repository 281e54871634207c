// The help window's pages, the about window, and the background they share
// with the game options dialog.
#include "engine/cards.h"
#include "ui/aboutwindow.h"
#include "ui/artwork.h"
#include "ui/gameoptionsdialog.h"
#include "ui/helpwindow.h"
#include "ui/website.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

using dw::AboutWindow;
using dw::HelpWindow;

namespace {

QString plainPage(const HelpWindow& help, int n) {
    return help.memo(n)->toPlainText();
}

// What a window paints itself, under its controls.
QImage backgroundOf(QWidget& w) {
    for (QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->hide();
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class HelpAboutTest : public QObject {
    Q_OBJECT

private slots:
    void helpPagesFollowTheirButtons() {
        HelpWindow help;
        QCOMPARE(help.currentPage(), 1);
        QCOMPARE(help.label_caption->text(), QStringLiteral("Overview"));

        const QStringList captions{"Overview",      "Connecting", "Game Play", "Scoring",
                                   "Documentation", "License",    "Options",   "The Lobby"};
        // Backwards, so that every click really moves to another page.
        for (int n = HelpWindow::kPageCount; n >= 1; --n) {
            QPushButton* button = help.pageButton(n);
            QCOMPARE(button->text(), captions[n - 1]);
            button->click();
            QCOMPARE(help.currentPage(), n);
            QCOMPARE(help.label_caption->text(), captions[n - 1]);
            QVERIFY(help.memo(n)->isVisibleTo(&help));
            QVERIFY(help.memo(n)->isReadOnly());
            for (int other = 1; other <= HelpWindow::kPageCount; ++other) {
                QCOMPARE(help.pageButton(other)->isChecked(), other == n);
            }
        }
        // The documentation page is the version history.
        QVERIFY(plainPage(help, 5).startsWith(QStringLiteral("History")));
        help.showPage(0);
        help.showPage(9);
        QCOMPARE(help.currentPage(), 1);
        QCOMPARE(help.label_caption->text(), QStringLiteral("Overview"));
    }

    void helpButtonsAndYear() {
        HelpWindow help;
        help.openHelp();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QCOMPARE(help.label_year->text(), QString::number(QDate::currentDate().year()));
        QSignalSpy about(&help, &HelpWindow::aboutRequested);
        help.button_about->click();
        QCOMPARE(about.size(), 1);
        QVERIFY(help.isVisible());
        help.button_done->click();
        QVERIFY(!help.isVisible());
    }

    // The pages teach what a new player needs; the facts below are the ones
    // most easily lost when the game changes.
    void pagesCoverTheGame() {
        HelpWindow help;
        const QString connecting = plainPage(help, 2);
        for (const char* word : {"START GAME", "firewall", "7772", "--port", "--headless",
                                 "--timer-scale", "true", "join"}) {
            QVERIFY2(connecting.contains(QLatin1String(word)), word);
        }

        // Every card of the card table, with its number in the deck.
        const QString play = plainPage(help, 3);
        QVERIFY(play.contains(QStringLiteral("7 cards")));
        QVERIFY(play.contains(QStringLiteral("discard pile")));
        for (int code = 1; code < dw::kNumCardCodes; ++code) {
            const dw::CardInfo& card = dw::cardInfo(code);
            const QString face =
                QString::fromLatin1(card.face.data(), static_cast<qsizetype>(card.face.size()));
            const QString row = face + QStringLiteral("\n") + QString::number(card.copies);
            QVERIFY2(play.contains(row), qPrintable(row));
        }

        const QString scoring = plainPage(help, 4);
        for (const char* amount : {"divided by 100", "400", "300", "500", "100 for each", "1100",
                                   "20000", "amount to earn", "2000"}) {
            QVERIFY2(scoring.contains(QLatin1String(amount)), amount);
        }
        QVERIFY(plainPage(help, 5).contains(QStringLiteral("1.0.1")));
        QVERIFY(plainPage(help, 6).contains(QStringLiteral("MIT licence")));
        const QString options = plainPage(help, 7);
        for (const char* option : {"Just Watch", "Bot Speed", "Computer Pilots", "Expert", "Sounds",
                                   "Chat/Action Text", "/me", "Screen Location", "Phrase Buttons",
                                   "Tally List", "Spy List", "Phrase List"}) {
            QVERIFY2(options.contains(QLatin1String(option)), option);
        }
        QVERIFY(plainPage(help, 8).contains(QStringLiteral("Korvel Lobby")));
    }

    void aboutWindow() {
        QStringList opened;
        QStringList messages;
        bool openWorks = true;
        AboutWindow about;
        about.setOpenUrl([&](const QUrl& url) {
            opened << url.toString();
            return openWorks;
        });
        about.setMessage([&](const QString& text) { messages << text; });
        about.openAbout();
        QVERIFY(QTest::qWaitForWindowExposed(&about));

        // The version the protocol compares, then a separate ".1" right after it.
        QCOMPARE(about.label_version->text(), QStringLiteral("1.0.1"));
        QCOMPARE(about.label_version2->text(), QStringLiteral(".1"));
        QCOMPARE(about.label_version2->geometry().top(), about.label_version->geometry().top());
        QVERIFY(about.label_version2->x() > about.label_version->x());
        QVERIFY(about.label_version2->x() - about.label_version->geometry().right() <= 2);
        QVERIFY(about.label_version->sizeHint().width() <= about.label_version->width());
        QCOMPARE(about.label_year->text(), QString::number(QDate::currentDate().year()));
        // The licence the help's license page names (pagesCoverTheGame).
        QVERIFY(about.label_license->text().contains(QStringLiteral("MIT licence")));

        // The logo and the link open the one web address.
        const QString site = QString::fromLatin1(dw::kMakerWebAddress);
        QTest::mouseClick(about.image_logo, Qt::LeftButton);
        QCOMPARE(opened, QStringList{site});
        emit about.label_link->linkActivated(site);
        QCOMPARE(opened, (QStringList{site, site}));
        QVERIFY(messages.isEmpty());
        openWorks = false;
        about.openWebsite();
        QCOMPARE(messages, QStringList{QStringLiteral("Cannot open Webpage")});

        about.button_done->click();
        QVERIFY(!about.isVisible());
    }

    // Help, about and the game options dialog are all drawn on the board's
    // surface, without the board's frames and headings ("PROTECTIONS" once
    // showed through behind "Amount to Earn").
    void windowsWearTheBoardsSurface() {
        AboutWindow about;
        HelpWindow help;
        dw::GameOptionsDialog options;
        for (QWidget* w : std::initializer_list<QWidget*>{&about, &help, &options}) {
            const QImage surface = dw::art::windowBackground(w->size()).toImage().convertToFormat(
                QImage::Format_RGB32);
            QCOMPARE(backgroundOf(*w), surface);
        }
    }
};

QTEST_MAIN(HelpAboutTest)
#include "test_helpabout.moc"
