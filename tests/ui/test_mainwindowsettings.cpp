// The main window applies the settings file when the host announces its
// seat, writes it back on option changes and at close, and leaves every
// other program's section alone.
#include "engine/expert.h"
#include "host/hostserver.h"
#include "store/inifile.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/processes.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/chatview.h"
#include "ui/gameoptionsdialog.h"
#include "ui/mainwindow.h"
#include "ui/phraseswindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace dw;
using dw::testing::soloLaunch;

namespace {

QAction* item(QWidget* w, const char* name) {
    return w->findChild<QAction*>(QString::fromLatin1(name));
}

// The host has announced the own seat, which is when the settings are read
// (the seat number itself arrives one message earlier).
bool settingsLoaded(MainWindow& w) {
    return w.model().view().seats[1].name == "You";
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

class MainWindowSettings : public QObject {
    Q_OBJECT
    QTemporaryDir data;
    QString ini;

private slots:
    void init() {
        QVERIFY(data.isValid());
        qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());
        ini = data.filePath("korvellobby.ini");
        QFile::remove(ini);
    }

    void appliesTheStoredSettingsAtLogin() {
        writeFile(ini, "; shared with the lobby\r\n[Lobby]\r\nServer=x\r\n[driftwake]\r\n"
                       "TEXTSIZE=12\r\nBotspeed=1000\r\nPlaysounds=false\r\n"
                       "Playerphrasesounds=False\r\nTextcolor=clBlack\r\nPlaytoscore=7777\r\n"
                       "Distance=abc\r\nBot3=1\r\nPhrase2=Onward!\r\n");
        MainWindow w(soloLaunch());
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(settingsLoaded(w), 20000);
        QCOMPARE(w.chat().mainchat()->textSize(), 12);
        QVERIFY(item(&w, "N12")->isChecked());
        QVERIFY(item(&w, "Slow1")->isChecked());
        QCOMPARE(w.botDelay(), 1000);
        QVERIFY(!item(&w, "PlaySounds1")->isChecked());
        QVERIFY(item(&w, "PlayerPhraseSounds1")->isChecked()); // only "false" unchecks
        QCOMPARE(w.chat().chatColour(), 0x00C0C0C0u);          // black chat reads as silver
        const auto* dialog = w.findChild<GameOptionsDialog*>();
        QCOMPARE(dialog->options().amount(), 7777); // within the range: kept as stored
        QCOMPARE(dialog->options().distance(), 70); // not a number: unchanged
        QCOMPARE(dialog->options().bot(3), 1);
        QCOMPARE(dialog->options().bot(4), 0);
        QCOMPARE(w.chat().phrase(2), QStringLiteral("Onward!"));

        // An option change writes the section and keeps the lobby's lines.
        item(&w, "Fast1")->trigger();
        const IniFile after = IniFile::load(ini.toStdString());
        QCOMPARE(after.read("Driftwake", "Botspeed"), std::optional<std::string>("250"));
        QCOMPARE(after.read("Driftwake", "Textcolor"), std::optional<std::string>("clSilver"));
        QCOMPARE(after.read("Lobby", "Server"), std::optional<std::string>("x"));
        QVERIFY(after.text().rfind("; shared with the lobby\r\n[Lobby]\r\nServer=x\r\n", 0) == 0);
        w.close();
    }

    void thePilotLevelReachesTheEngine() {
        writeFile(ini, "[Driftwake]\r\nPilotlevel=expert\r\n");
        MainWindow w(soloLaunch());
        w.show();
        const Engine& engine = w.server()->core().engine();
        QTRY_VERIFY_WITH_TIMEOUT(item(&w, "Expert1")->isChecked(), 20000); // read at login
        QVERIFY(w.findChild<QMenu*>(QStringLiteral("ComputerPilots1"))->isEnabled());
        for (int seat = 1; seat <= kSeats; ++seat) // takeovers of any seat included
            QVERIFY(engine.pilot(seat) == expertPilot);

        item(&w, "Classic1")->trigger();
        QVERIFY(!item(&w, "Expert1")->isChecked());
        for (int seat = 1; seat <= kSeats; ++seat)
            QVERIFY(engine.pilot(seat) == classicPilot);
        QCOMPARE(IniFile::load(ini.toStdString()).read("Driftwake", "Pilotlevel"),
                 std::optional<std::string>("classic"));
        item(&w, "Expert1")->trigger();
        QVERIFY(engine.pilot(3) == expertPilot);
        QCOMPARE(IniFile::load(ini.toStdString()).read("Driftwake", "Pilotlevel"),
                 std::optional<std::string>("expert"));
        w.close();
    }

    void writesTheGeometryAtCloseOnlyWhenItChanged() {
        {
            MainWindow w(soloLaunch());
            w.show();
            QTRY_VERIFY_WITH_TIMEOUT(settingsLoaded(w), 20000);
            w.close(); // the load at login moved the window to the stored place
        }
        const IniFile first = IniFile::load(ini.toStdString());
        QVERIFY(first.read("Driftwake", "Width"));
        const std::string text = first.text();
        {
            MainWindow w(soloLaunch());
            w.show();
            QTRY_VERIFY_WITH_TIMEOUT(settingsLoaded(w), 20000);
            w.close();
        }
        QCOMPARE(IniFile::load(ini.toStdString()).text(), text); // unchanged: nothing written
        {
            MainWindow w(soloLaunch());
            w.show();
            QTRY_VERIFY_WITH_TIMEOUT(settingsLoaded(w), 20000);
            w.move(40, 50);
            QTRY_COMPARE(w.frameGeometry().left(), 40);
            w.close();
        }
        const IniFile moved = IniFile::load(ini.toStdString());
        QCOMPARE(moved.read("Driftwake", "Left"), std::optional<std::string>("40"));
        QCOMPARE(moved.read("Driftwake", "Top"), std::optional<std::string>("50"));
    }

    void nothingIsWrittenBeforeTheSettingsWereRead() {
        LaunchOptions o = soloLaunch();
        o.mode = LaunchMode::Unconnected;
        {
            MainWindow w(o);
            w.show();
            QTest::qWait(100);
            item(&w, "Fast1")->trigger();
            w.move(60, 70);
            w.close();
        }
        QVERIFY2(!QFile::exists(ini), IniFile::load(ini.toStdString()).text().c_str());
    }

    void aStoredSingleBytePhraseSurvivesThePhrasesWindow() {
        // Shared with the lobby, which writes Windows-1252: accents, the
        // undefined bytes, byte 255, and a phrase longer than typing allows.
        const QByteArray longPhrase(60, 'L');
        const QByteArray lines = "Phrase1=Tr\xE8s bien!\r\nPhrase2=" + longPhrase +
                                 "\r\nPhrase3=\x80\x81\x8D\x8F\x90\x9D\xFF\r\n";
        writeFile(ini, "[Driftwake]\r\n" + lines);
        MainWindow w(soloLaunch());
        w.show();
        // The settings are read once the host has announced the own seat.
        QTRY_COMPARE_WITH_TIMEOUT(w.chat().phrase(1), QStringLiteral("Tr\u00E8s bien!"), 20000);

        item(&w, "PrhaseList1")->trigger();
        auto* phrases = w.findChild<PhrasesWindow*>();
        QVERIFY(phrases && phrases->isVisible());
        QCOMPARE(phrases->edit(2)->text().size(), 60);
        phrases->onDone();
        QFile f(ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        QVERIFY2(after.contains(lines), after.toPercentEncoding().constData());

        // Typing stops at 50 characters, and never lengthens a longer phrase.
        item(&w, "PrhaseList1")->trigger();
        phrases->edit(4)->clear();
        QTest::keyClicks(phrases->edit(4), QString(55, QLatin1Char('x')));
        QCOMPARE(phrases->edit(4)->text(), QString(50, QLatin1Char('x')));
        phrases->edit(2)->end(false);
        QTest::keyClick(phrases->edit(2), Qt::Key_Backspace);
        QTest::keyClicks(phrases->edit(2), QStringLiteral("yz"));
        QCOMPARE(phrases->edit(2)->text(), QString(59, QLatin1Char('L')));
        w.close();
    }

    void theWindowKeepsItsMinimumSize() {
        LaunchOptions o = soloLaunch();
        o.mode = LaunchMode::Unconnected;
        MainWindow w(o);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto bigEnough = [&w] {
            const QSize client = w.centralWidget()->size();
            return client.width() >= 797 && client.height() >= 530;
        };
        w.resize(100, 100);
        QTRY_VERIFY(bigEnough());
        QVERIFY(w.width() < 900);
        item(&w, "ResetScreenLocation1")->trigger(); // 772 by 535 is too small
        QTRY_VERIFY(bigEnough());
        w.close();
    }

    void aTallyThatCannotBeSavedIsToldInAMessageBox() {
        LaunchOptions o = soloLaunch();
        o.mode = LaunchMode::Unconnected;
        QStringList told;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&told] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                told << box->text();
                box->accept();
            }
        });
        answer.start(20);
        {
            MainWindow w(o);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            // The disk is full when the window closes.
            dw::testing::FileSizeLimit full;
            w.close();
        }
        answer.stop();
        QVERIFY2(told.join('\n').contains(QStringLiteral("Error writing to output file")),
                 qPrintable(told.join('\n')));
        QVERIFY(told.join('\n').contains(QStringLiteral("could not be saved")));
    }

    void anOptionThatCannotBeSavedIsToldInTheWindow() {
        // The data directory lies below a plain file: nothing can be
        // created in it, for root too.
        const QString blocker = data.filePath(QStringLiteral("blocker"));
        writeFile(blocker, "not a directory");
        qputenv("DRIFTWAKE_DATA_DIR", (blocker + QStringLiteral("/data")).toUtf8());
        {
            MainWindow w(soloLaunch());
            w.show();
            QTRY_VERIFY_WITH_TIMEOUT(settingsLoaded(w), 10000);
            item(&w, "PlaySounds1")->trigger();
            QMessageBox* box = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    const auto widgets = QApplication::allWidgets();
                    for (QWidget* wid : widgets)
                        if (auto* b = qobject_cast<QMessageBox*>(wid);
                            b && b->isVisible() &&
                            b->text().contains(QStringLiteral("Your options could not be saved")))
                            box = b;
                    return box != nullptr;
                }(),
                5000);
            QVERIFY2(box->text().contains(QStringLiteral("Not a directory")),
                     qPrintable(box->text()));
            QVERIFY(box->text().contains(QStringLiteral("korvellobby.ini")));
            box->close();
        }
        qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());
        QFile::remove(blocker);
    }

    void cleanupTestCase() { qunsetenv("DRIFTWAKE_DATA_DIR"); }
};

QTEST_MAIN(MainWindowSettings)
#include "test_mainwindowsettings.moc"
