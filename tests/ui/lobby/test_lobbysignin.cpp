// The lobby's sign-in window against a real Prosody: what it remembers in
// the settings file (never the password), a wrong password, a guest and a
// new account, and fields that make no sense.
#include "tests/lobby/prosody.h"
#include "tests/ui/lobby/lobbywindow.h"
#include "ui/lobby/signinwindow.h"

#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace dw::lobby;
using namespace dw::testing;

namespace {

const QString kPassword = QStringLiteral("Pw-7f3q-never-on-disk");

QString errorText(SignInWindow& w) {
    const auto* l = w.findChild<QLabel*>(QStringLiteral("label_error"));
    return l && !l->isHidden() ? l->text() : QString();
}

// Every file below `dir` that holds `text`.
QStringList filesHolding(const QString& dir, const QString& text) {
    QStringList found;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(text.toUtf8()))
            found << f.fileName();
    }
    return found;
}

} // namespace

class TestLobbySignIn : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qRegisterMetaType<Failure>();
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
        QVERIFY(home_.isValid());
        // No secret store answers here, and nothing may fall back to a file
        // in the user's configuration.
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (home_.path() + "/data").toUtf8());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        qputenv("DRIFTWAKE_LOBBY_CA", server_.caFile().toUtf8());
        ini_ = home_.path() + "/korvellobby.ini";
        QFile f(ini_);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Korvel]\nServer=theirs\n[Driftwake]\nTextsize=10\n");
    }

    // Signing in remembers the pilot name, server, account and room in the
    // game's section, and the password nowhere on disk.
    void remembersAllButThePassword() {
        {
            XmppClient client;
            SignInWindow w(client, ini_.toStdString());
            QSignalSpy in(&w, &SignInWindow::signedIn);
            child<QLineEdit>(w, "edit_pilot")->setText(" Ann ");
            child<QLineEdit>(w, "edit_server")->setText(server_.serverAddress());
            child<QLineEdit>(w, "edit_account")->setText("alice@localhost");
            // Left empty, the room is the account's domain's own.
            QCOMPARE(child<QLineEdit>(w, "edit_room")->placeholderText(),
                     QStringLiteral("driftwake@conference.localhost"));
            child<QLineEdit>(w, "edit_password")->setText(kPassword);
            QTest::mouseClick(child<QPushButton>(w, "button_signin"), Qt::LeftButton);
            QVERIFY(!child<QPushButton>(w, "button_signin")->isEnabled());
            QVERIFY2(QTest::qWaitFor([&] { return !in.isEmpty(); }, 20000),
                     qPrintable(errorText(w)));
            QVERIFY(client.isSignedIn());
            QCOMPARE(w.roomJid(), QStringLiteral("driftwake@conference.localhost"));
            QCOMPARE(w.nick(), QStringLiteral("Ann"));
            // The secret store's answer (none here) has come and gone.
            QTest::qWait(500);
        }
        QFile f(ini_);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY2(text.startsWith("[Korvel]\nServer=theirs\n[Driftwake]\nTextsize=10\n"),
                 qPrintable(text));
        QVERIFY(text.contains("Lobbyserver=" + server_.serverAddress() + "\n"));
        QVERIFY(text.contains("Lobbyaccount=alice@localhost\n"));
        QVERIFY(text.contains("Pilotname=Ann\n"));
        QCOMPARE(filesHolding(home_.path(), kPassword), QStringList());

        // The next window shows them again; the password is typed anew.
        XmppClient client;
        SignInWindow again(client, ini_.toStdString());
        QTest::qWait(300);
        QCOMPARE(child<QLineEdit>(again, "edit_server")->text(), server_.serverAddress());
        QCOMPARE(child<QLineEdit>(again, "edit_account")->text(),
                 QStringLiteral("alice@localhost"));
        QCOMPARE(child<QLineEdit>(again, "edit_pilot")->text(), QStringLiteral("Ann"));
        QCOMPARE(child<QLineEdit>(again, "edit_password")->text(), QString());
    }

    // A wrong password reads one sentence, and the window can be used again.
    void wrongPassword() {
        XmppClient client;
        SignInWindow w(client, ini_.toStdString());
        child<QLineEdit>(w, "edit_password")->setText("not-it");
        QTest::qWait(300);
        QTest::mouseClick(child<QPushButton>(w, "button_signin"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !errorText(w).isEmpty(); }, 20000));
        QCOMPARE(errorText(w), failureText(Failure::WrongPassword));
        QVERIFY(child<QPushButton>(w, "button_signin")->isEnabled());
        QVERIFY(!client.isSignedIn());
    }

    // "Play as guest" signs in on the guest domain of the account's domain;
    // "Create account" makes the account and remembers it.
    void guestAndNewAccount() {
        {
            XmppClient client;
            SignInWindow w(client, ini_.toStdString());
            QSignalSpy in(&w, &SignInWindow::signedIn);
            QTest::mouseClick(child<QPushButton>(w, "button_guest"), Qt::LeftButton);
            QVERIFY2(QTest::qWaitFor([&] { return !in.isEmpty(); }, 20000),
                     qPrintable(errorText(w)));
            QVERIFY(client.boundJid().contains("@guest.localhost/"));
        }
        XmppClient client;
        SignInWindow w(client, ini_.toStdString());
        QSignalSpy in(&w, &SignInWindow::signedIn);
        child<QLineEdit>(w, "edit_account")->setText("newpilot@localhost");
        child<QLineEdit>(w, "edit_password")->setText(kPassword);
        QTest::mouseClick(child<QPushButton>(w, "button_create"), Qt::LeftButton);
        QVERIFY2(QTest::qWaitFor([&] { return !in.isEmpty(); }, 20000), qPrintable(errorText(w)));
        QCOMPARE(dw::loadLobbyChoicesFile(ini_.toStdString()).account, "newpilot@localhost");
        QCOMPARE(filesHolding(home_.path(), kPassword), QStringList());
    }

    // Fields that cannot work are answered in the window, with no connection.
    void unusableFields() {
        XmppClient client;
        SignInWindow w(client, ini_.toStdString());
        auto* account = child<QLineEdit>(w, "edit_account");
        auto* password = child<QLineEdit>(w, "edit_password");
        auto* server = child<QLineEdit>(w, "edit_server");
        auto* signIn = child<QPushButton>(w, "button_signin");
        password->setText("x");
        server->setText(server_.serverAddress());
        account->setText("alice");
        QTest::mouseClick(signIn, Qt::LeftButton);
        QVERIFY(errorText(w).contains("name and a domain"));
        account->setText("alice@localhost");
        server->setText("host:99999");
        QTest::mouseClick(signIn, Qt::LeftButton);
        QVERIFY(errorText(w).contains("server"));
        server->setText(server_.serverAddress());
        child<QLineEdit>(w, "edit_pilot")->setText("  ");
        QTest::mouseClick(signIn, Qt::LeftButton);
        QVERIFY(errorText(w).contains("pilot name"));
        QVERIFY(signIn->isEnabled());
    }

private:
    PrivateProsody server_{PrivateProsody::Options{{"alice:" + kPassword}, true}};
    QTemporaryDir home_;
    QString ini_;
};

QTEST_MAIN(TestLobbySignIn)
#include "test_lobbysignin.moc"
