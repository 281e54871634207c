// Signing in to a real Prosody: an account, a guest, a new account, and
// each way it fails, with the sentence the pilot reads.
#include "lobby/xmppclient.h"
#include "tests/lobby/prosody.h"
#include "tests/support/processes.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace dw::lobby;
using namespace dw::testing;

namespace {

// Signs in and waits for the outcome: Failure::None once signed in.
Failure signInAndWait(XmppClient& client, const SignIn& how) {
    QSignalSpy in(&client, &XmppClient::signedIn);
    QSignalSpy failed(&client, &XmppClient::failed);
    client.signIn(how);
    if (!QTest::qWaitFor([&] { return !in.isEmpty() || !failed.isEmpty(); }, 20000))
        return Failure::TimedOut;
    return failed.isEmpty() ? Failure::None : failed.first().first().value<Failure>();
}

} // namespace

class TestLobbyXmpp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qRegisterMetaType<Failure>();
        QVERIFY2(server_.ok(), qPrintable(server_.error()));
    }

    void accountAndGuest() {
        XmppClient client;
        QCOMPARE(signInAndWait(client, server_.account("alice@localhost", "secret1")),
                 Failure::None);
        QVERIFY(client.isSignedIn());
        QVERIFY(client.boundJid().startsWith("alice@localhost/"));
        QSignalSpy ended(&client, &XmppClient::disconnected);
        client.signOut();
        // The server's end of the stream, or libstrophe's own deadline for
        // it; a loaded machine may take a while for either.
        QVERIFY(QTest::qWaitFor([&] { return !ended.isEmpty(); }, 20000));
        QCOMPARE(ended.first().first().value<Failure>(), Failure::None);

        // A guest: anonymous login on the guest domain.
        SignIn guest = server_.account("guest.localhost", QString());
        guest.mode = SignIn::Mode::Guest;
        QCOMPARE(signInAndWait(client, guest), Failure::None);
        QVERIFY(client.boundJid().contains("@guest.localhost/"));
        // The account domain lets no guests in.
        guest.jid = "localhost";
        QCOMPARE(signInAndWait(client, guest), Failure::GuestsRefused);
    }

    void failures() {
        XmppClient client;
        QCOMPARE(signInAndWait(client, server_.account("alice@localhost", "wrong")),
                 Failure::WrongPassword);
        QCOMPARE(signInAndWait(client, server_.account("nobody@localhost", "secret1")),
                 Failure::WrongPassword);
        QCOMPARE(failureText(Failure::WrongPassword),
                 "The server refused the account name or password.");

        // Without the test's certificate the self-signed one does not verify.
        SignIn untrusted = server_.account("alice@localhost", "secret1");
        untrusted.caFile.clear();
        QCOMPARE(signInAndWait(client, untrusted), Failure::Certificate);
        QVERIFY(!client.isSignedIn());

        // Creating an account checks the certificate as well.
        untrusted.mode = SignIn::Mode::Register;
        QCOMPARE(signInAndWait(client, untrusted), Failure::Certificate);

        // A server that takes the connection and says nothing: the sign-in
        // gives up on Qt's timer, as nothing steps libstrophe then.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        SignIn mute = server_.account("alice@localhost", "secret1");
        mute.port = silent.serverPort();
        client.setSignInTimeout(1500);
        QCOMPARE(signInAndWait(client, mute), Failure::TimedOut);
        client.setSignInTimeout(15000);

        // A server that is down: nothing listens on the port.
        SignIn down = server_.account("alice@localhost", "secret1");
        down.port = freePort();
        QCOMPARE(signInAndWait(client, down), Failure::ServerDown);
    }

    void createAccount() {
        XmppClient client;
        QSignalSpy registered(&client, &XmppClient::registered);
        SignIn fresh = server_.account("carol@localhost", "secret3");
        fresh.mode = SignIn::Mode::Register;
        QCOMPARE(signInAndWait(client, fresh), Failure::None);
        QCOMPARE(registered.size(), 1);
        QVERIFY(client.boundJid().startsWith("carol@localhost/"));
        // The new account signs in as any other.
        XmppClient again;
        QCOMPARE(signInAndWait(again, server_.account("carol@localhost", "secret3")),
                 Failure::None);
        // A name that is taken.
        SignIn taken = server_.account("alice@localhost", "other");
        taken.mode = SignIn::Mode::Register;
        QCOMPARE(signInAndWait(client, taken), Failure::AccountTaken);

        // A server that allows no registration.
        PrivateProsody closed(PrivateProsody::Options{{}, false});
        QVERIFY2(closed.ok(), qPrintable(closed.error()));
        SignIn refused = closed.account("dave@localhost", "secret4");
        refused.mode = SignIn::Mode::Register;
        QCOMPARE(signInAndWait(client, refused), Failure::RegistrationRefused);
        QCOMPARE(failureText(Failure::RegistrationRefused),
                 "The server does not allow creating an account here.");
    }

private:
    PrivateProsody server_{PrivateProsody::Options{{"alice:secret1", "bob:secret2"}, true}};
};

QTEST_GUILESS_MAIN(TestLobbyXmpp)
#include "test_lobbyxmpp.moc"
