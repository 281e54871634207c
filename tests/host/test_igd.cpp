// Opening the router port through UPnP, against a fake router on loopback
// reached through DRIFTWAKE_IGD_URL: the mapping is made with a lease,
// reported, renewed, and removed when hosting ends (standard input closed
// or a signal); a router that refuses or is not there gets a plain
// sentence; a device that is slow, sends without end or gives an address
// that is none is given up within seconds; and the window's wait for the
// helper is bounded.
#include "host/portmapper.h"
#include "host/quitsignals.h"
#include "tests/support/fakeigd.h"
#include "tests/support/processes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace dw::testing;
using dw::PortMapper;

namespace {

QStringList openPort(quint16 port) {
    return {QStringLiteral("--open-port"), QString::number(port)};
}

// The helper's environment with a lease of `seconds`.
QProcessEnvironment withLease(const ProgramCopy& copy, int seconds) {
    QProcessEnvironment env = Running::environment(copy, false);
    env.insert(QStringLiteral("DRIFTWAKE_IGD_LEASE"), QString::number(seconds));
    return env;
}

// Runs the helper to its end; its exit code, or -1 when it ran past
// `withinMs`. `elapsedMs` tells how long it ran.
int runToEnd(Running& helper, int withinMs, qint64* elapsedMs) {
    QElapsedTimer clock;
    clock.start();
    const bool ended =
        QTest::qWaitFor([&] { return helper.process().state() == QProcess::NotRunning; }, withinMs);
    *elapsedMs = clock.elapsed();
    return ended ? helper.process().exitCode() : -1;
}

} // namespace

class Igd : public QObject {
    Q_OBJECT
    FakeIgd router;

private slots:
    void initTestCase() {
        QVERIFY(router.ok());
        qputenv("DRIFTWAKE_IGD_URL", router.url().toUtf8());
    }

    void theMappingIsMadeAndRemovedWhenInputEndsOrASignalArrives() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        for (const bool bySignal : {false, true}) {
            const quint16 port = freePort();
            const int deletesBefore = router.count(QStringLiteral("DeletePortMapping"));
            Running helper(copy, openPort(port));
            QTRY_VERIFY_WITH_TIMEOUT(helper.output().contains(QStringLiteral("mapped ")), 15000);
            QCOMPARE(helper.output().trimmed(),
                     QStringLiteral("mapped %1 %2").arg(FakeIgd::kExternalAddress).arg(port));
            QCOMPARE(router.argument("AddPortMapping", "NewExternalPort"), QString::number(port));
            QCOMPARE(router.argument("AddPortMapping", "NewInternalPort"), QString::number(port));
            QCOMPARE(router.argument("AddPortMapping", "NewProtocol"), QStringLiteral("TCP"));
            QCOMPARE(router.argument("AddPortMapping", "NewInternalClient"),
                     QStringLiteral("127.0.0.1"));
            QCOMPARE(router.argument("AddPortMapping", "NewLeaseDuration"), QStringLiteral("3600"));
            QCOMPARE(router.count(QStringLiteral("DeletePortMapping")), deletesBefore);

            if (bySignal)
                ::kill(pid_t(helper.process().processId()), SIGTERM);
            else
                helper.process().closeWriteChannel();
            QTRY_VERIFY_WITH_TIMEOUT(helper.process().state() == QProcess::NotRunning, 15000);
            QCOMPARE(helper.process().exitCode(), 0);
            // A signal is named on standard error, once.
            QCOMPARE(helper.output().count(QString::fromStdString(dw::signalEndingLine(SIGTERM))),
                     bySignal ? 1 : 0);
            QCOMPARE(router.count(QStringLiteral("DeletePortMapping")), deletesBefore + 1);
            QCOMPARE(router.argument("DeletePortMapping", "NewExternalPort"),
                     QString::number(port));
        }
    }

    void aRefusingOrMissingRouterGetsAPlainSentence() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        router.setRefusing(true);
        {
            Running helper(copy, openPort(freePort()));
            QTRY_VERIFY_WITH_TIMEOUT(helper.process().state() == QProcess::NotRunning, 15000);
            QCOMPARE(helper.process().exitCode(), 1);
            QVERIFY2(helper.output().contains(QStringLiteral("failed The router refused")),
                     qPrintable(helper.output()));
        }
        router.setRefusing(false);

        // Nothing answers at the address.
        qputenv("DRIFTWAKE_IGD_URL",
                QStringLiteral("http://127.0.0.1:%1/rootDesc.xml").arg(freePort()).toUtf8());
        {
            Running helper(copy, openPort(freePort()));
            QTRY_VERIFY_WITH_TIMEOUT(helper.process().state() == QProcess::NotRunning, 15000);
            QCOMPARE(helper.process().exitCode(), 1);
            QVERIFY2(helper.output().contains(QStringLiteral("failed No router")),
                     qPrintable(helper.output()));
        }
        // No address and the search kept to this machine: no SSDP at all.
        qunsetenv("DRIFTWAKE_IGD_URL");
        {
            Running helper(copy, openPort(freePort()));
            QTRY_VERIFY_WITH_TIMEOUT(helper.process().state() == QProcess::NotRunning, 15000);
            QVERIFY2(helper.output().contains(QStringLiteral("failed No router")),
                     qPrintable(helper.output()));
        }
        qputenv("DRIFTWAKE_IGD_URL", router.url().toUtf8());
    }

    // The lease runs out unless renewed: a helper killed with -9 leaves a
    // mapping behind only until its lease ends.
    void theLeaseIsRenewedAndEndsWhenTheHelperDies() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        const int addsBefore = router.count(QStringLiteral("AddPortMapping"));
        Running helper(copy, openPort(port), withLease(copy, 2));
        QTRY_VERIFY_WITH_TIMEOUT(helper.output().contains(QStringLiteral("mapped ")), 15000);
        // Renewed at half time, so it never lapses while the helper runs.
        QTRY_VERIFY_WITH_TIMEOUT(router.count(QStringLiteral("AddPortMapping")) >= addsBefore + 4,
                                 8000);
        QCOMPARE(router.activeMappings(), 1);
        for (const QString& lease :
             router.arguments("AddPortMapping", "NewLeaseDuration").mid(addsBefore))
            QCOMPARE(lease, QStringLiteral("2"));
        helper.process().kill();
        QVERIFY(helper.process().waitForFinished(5000));
        QTRY_COMPARE_WITH_TIMEOUT(router.activeMappings(), 0, 5000);
    }

    // A router that takes only permanent mappings (UPnP error 725) gets one,
    // and no renewals.
    void aRouterWithoutLeasesGetsAPermanentMapping() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        router.setPermanentOnly(true);
        const quint16 port = freePort();
        const int addsBefore = router.count(QStringLiteral("AddPortMapping"));
        {
            Running helper(copy, openPort(port), withLease(copy, 2));
            QTRY_VERIFY_WITH_TIMEOUT(helper.output().contains(QStringLiteral("mapped ")), 15000);
            QCOMPARE(router.arguments("AddPortMapping", "NewLeaseDuration").mid(addsBefore),
                     QStringList({"2", "0"}));
            QTest::qWait(3000);
            QCOMPARE(router.count(QStringLiteral("AddPortMapping")), addsBefore + 2);
            helper.process().closeWriteChannel();
            QTRY_VERIFY_WITH_TIMEOUT(helper.process().state() == QProcess::NotRunning, 15000);
            QCOMPARE(helper.process().exitCode(), 0);
        }
        router.setPermanentOnly(false);
        QCOMPARE(router.activeMappings(), 0);
    }

    // A device that answers one byte a second, or whose description never
    // ends, is given up within seconds, with a plain sentence.
    void aSlowOrEndlessDeviceIsGivenUpWithinSeconds() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        for (const bool endless : {false, true}) {
            router.setSlow(!endless);
            router.setEndless(endless);
            Running helper(copy, openPort(freePort()));
            qint64 ran = 0;
            const int code = runToEnd(helper, 15000, &ran);
            router.setSlow(false);
            router.setEndless(false);
            QCOMPARE(code, 1);
            QVERIFY2(ran < 10000, qPrintable(QString::number(ran)));
            QVERIFY2(helper.output().contains(QStringLiteral("failed No router")),
                     qPrintable(helper.output()));
        }
    }

    // An external address that is no IP address is never reported: the
    // mapping is removed again and the helper says why.
    void anExternalAddressThatIsNoAddressOpensNothing() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        for (const QByteArray& text : {QByteArray("203.0.113.7 x"), QByteArray("<h1>HI</h1>"),
                                       QByteArray("&lt;h1&gt;HI&lt;/h1&gt;"), QByteArray(),
                                       QByteArray("0.0.0.0"), QByteArray("203.0.113")}) {
            router.setExternalAddress(text);
            Running helper(copy, openPort(freePort()));
            qint64 ran = 0;
            const int code = runToEnd(helper, 15000, &ran);
            router.setExternalAddress(FakeIgd::kExternalAddress);
            QCOMPARE(code, 1);
            QVERIFY2(helper.output().contains(
                         QStringLiteral("failed The router did not give a valid public address")),
                     qPrintable(helper.output()));
            QVERIFY2(!helper.output().contains(QStringLiteral("mapped")),
                     qPrintable(helper.output()));
            QCOMPARE(router.activeMappings(), 0);
        }
    }

    // The window's side: a helper that never answers, or answers what is
    // no address, ends the wait with a sentence.
    void theWindowsWaitForTheHelperIsBounded() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto script = [&dir](const QString& name, const QByteArray& body) {
            const QString path = dir.filePath(name);
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write("#!/bin/sh\n" + body);
            file.close();
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ExeOwner);
            return path;
        };
        struct Case {
            QString helper;
            int withinMs;
        };
        const QList<Case> cases = {
            {script("silent", "exec cat >/dev/null\n"), 6000},
            {script("spaced", "echo 'mapped 203.0.113.7 x 7772'\nexec cat >/dev/null\n"), 1500},
            {script("markup", "echo 'mapped <h1>HI</h1> 7772'\nexec cat >/dev/null\n"), 1500},
        };
        for (const Case& c : cases) {
            PortMapper::setHelperProgram(c.helper, 3000);
            PortMapper mapper;
            QSignalSpy answered(&mapper, &PortMapper::finished);
            mapper.start(7772);
            QVERIFY2(answered.wait(c.withinMs), qPrintable(c.helper));
            QCOMPARE(answered.count(), 1);
            QCOMPARE(answered.first().at(0).toBool(), false);
            QVERIFY(!mapper.isMapped());
            QVERIFY(mapper.externalAddress().isEmpty());
        }
        PortMapper::setHelperProgram(QString());
    }
};

QTEST_GUILESS_MAIN(Igd)
#include "test_igd.moc"
