// The real program, run as separate processes on loopback.
#include "tests/support/processes.h"

#include <QTemporaryDir>
#include <QTest>

using namespace dw;
using namespace dw::testing;

class EndToEnd : public QObject {
    Q_OBJECT

private slots:
    void aGuiClientJoinsAHeadlessHost() {
        ProgramCopy hostCopy, clientCopy;
        QVERIFY(hostCopy.ok() && clientCopy.ok());
        const quint16 port = freePort();
        Running host(hostCopy, {"--headless", "--port", QString::number(port)});
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));

        Running client(clientCopy, joinArgs("Bob", port), true);
        QVERIFY2(host.waitForOutput("seat 1 logged in as Bob", 30000), qPrintable(host.output()));
        QVERIFY2(client.waitForOutput("You are Connected.", 30000), qPrintable(client.output()));

        // A second player arrives, chats, and leaves; the GUI client sees it all.
        RawClient ann;
        QVERIFY(ann.connectTo(port));
        QCOMPARE(ann.waitFor<msg::SendLoginInfo>(5000), (msg::SendLoginInfo{2}));
        ann.send(msg::LoginInfo{2, "1.0.1", "Ann"});
        QVERIFY(ann.waitFor(msg::ExistingPlayers{1, "Bob"}, 5000));
        ann.send(msg::Chat{2, "hello there|clRed"});
        QVERIFY2(client.waitForOutput("Ann chats: hello there", 10000),
                 qPrintable(client.output()));
        ann.socket().disconnectFromHost();
        QVERIFY2(client.waitForOutput("Ann disconnected.", 10000), qPrintable(client.output()));
    }

    void aHeadlessGameRunsToItsWinner() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        // Expert pilots play the whole game over the network.
        Running host(copy, {"--headless", "--port", QString::number(port), "--timer-scale", "0.002",
                            "--pilot-level", "expert"});
        QVERIFY2(host.waitForOutput("expert pilots", 20000), qPrintable(host.output()));

        RawClient me;
        QCOMPARE(me.login(port, "Watcher"), 1);
        me.send(msg::StartGameRequest{"Watcher", "1000", "50", false, false});
        QCOMPARE(me.waitFor<msg::StartGameAnnounce>(5000),
                 (msg::StartGameAnnounce{"Watcher", 1000, 50000, false, false}));
        me.send(msg::JustWatch{1, true});
        QVERIFY(me.waitFor(msg::JustWatching{1, true}, 5000));
        QVERIFY2(me.waitFor<msg::Winner>(120000), qPrintable(host.output()));
        QVERIFY2(!host.output().contains("host notice"), qPrintable(host.output())); // no refusal
        QCOMPARE(host.terminate(), 0);
    }

    void textTravelsAsSingleBytes() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        Running gui(
            copy,
            {QStringLiteral("Zo\u00EB"), "127.0.0.1", "true", "--port", QString::number(port)},
            true);
        QVERIFY2(gui.waitForOutput("You are Connected.", 30000), qPrintable(gui.output()));

        // The window's name goes out in Windows-1252, and a peer's bytes are
        // read that way too, also where they are not UTF-8.
        RawClient jose;
        QCOMPARE(jose.login(port, "Jos\xE9"), 2);
        QCOMPARE(jose.waitFor<msg::ExistingPlayers>(5000), (msg::ExistingPlayers{1, "Zo\xEB"}));
        QVERIFY2(gui.waitForOutput(QStringLiteral("Jos\u00E9 is Connected."), 10000),
                 qPrintable(gui.output()));
        jose.send(msg::Chat{2, "\x80"
                               "5, tr\xE8s bien|clRed"});
        QVERIFY2(
            gui.waitForOutput(QStringLiteral("Jos\u00E9 chats: \u20AC5, tr\u00E8s bien"), 10000),
            qPrintable(gui.output()));
        QCOMPARE(gui.terminate(), 0);
    }

    void windowModesNeedADisplay() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        QProcessEnvironment env = Running::environment(copy, false);
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        // Joining (and a name that looks like an option) is not turned into
        // a headless host: it says why and fails.
        for (const QStringList& args : {QStringList{"Bob", "10.0.0.5", "join"}, QStringList{},
                                        QStringList{"--Bob", "127.0.0.1", "true"}}) {
            Running window(copy, args, env);
            QVERIFY(window.process().waitForFinished(20000));
            QVERIFY2(window.process().exitCode() != 0, qPrintable(args.join(' ')));
            QVERIFY2(window.output().contains(QStringLiteral("no display found")),
                     qPrintable(window.output()));
        }
        Running help(copy, {"--help"}, env);
        QVERIFY(help.process().waitForFinished(20000));
        QCOMPARE(help.process().exitCode(), 0);
        QVERIFY(help.output().startsWith(QStringLiteral("Usage: driftwake")));
        const quint16 port = freePort();
        Running host(copy, {"--headless", "--port", QString::number(port)}, env);
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));
        QCOMPARE(host.terminate(), 0);
    }

    void oneWindowPerDataDirectory() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        QTemporaryDir first, second;
        QProcessEnvironment env = Running::environment(copy, true);
        env.insert(QStringLiteral("DRIFTWAKE_DATA_DIR"), first.path());
        Running one(copy, {"Ann"}, env); // one parameter: the window connects nowhere
        QVERIFY2(one.waitForOutput("Loading Multi-player Game", 30000), qPrintable(one.output()));

        // Another data directory: a second window runs beside the first.
        env.insert(QStringLiteral("DRIFTWAKE_DATA_DIR"), second.path());
        Running two(copy, {"Bob"}, env);
        QVERIFY2(two.waitForOutput("Loading Multi-player Game", 30000), qPrintable(two.output()));

        // The same one again: no window; it says so and ends with status 0.
        env.insert(QStringLiteral("DRIFTWAKE_DATA_DIR"), first.path());
        Running three(copy, {"Cy"}, env);
        QVERIFY(three.process().waitForFinished(20000));
        QCOMPARE(three.process().exitCode(), 0);
        QVERIFY2(three.output().contains(QStringLiteral("already running")),
                 qPrintable(three.output()));
        QVERIFY(!three.output().contains(QStringLiteral("Loading")));
        QCOMPARE(one.process().state(), QProcess::Running);
        QCOMPARE(two.process().state(), QProcess::Running);
    }

    void aPortInUseIsAClearError() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        Running first(copy, {"--headless", "--port", QString::number(port)});
        QVERIFY(first.waitForOutput("listening", 20000));
        Running second(copy, {"--headless", "--port", QString::number(port)});
        QVERIFY(second.process().waitForFinished(20000));
        QVERIFY(second.process().exitCode() != 0);
        QVERIFY2(second.output().contains(QString::number(port)), qPrintable(second.output()));
        QCOMPARE(first.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(EndToEnd)
#include "test_e2e.moc"
