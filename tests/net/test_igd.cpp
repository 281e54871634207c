// Opening the router port through UPnP, against a fake router on loopback
// reached through DRIFTWAKE_IGD_URL: the mapping is made, reported, and
// removed when hosting ends (standard input closed or a signal), and a
// router that refuses or is not there gets a plain sentence.
#include "net/quitsignals.h"
#include "tests/support/fakeigd.h"
#include "tests/support/processes.h"

#include <QTest>

#include <csignal>

using namespace dw::testing;

namespace {

QStringList openPort(quint16 port) {
    return {QStringLiteral("--open-port"), QString::number(port)};
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
};

QTEST_GUILESS_MAIN(Igd)
#include "test_igd.moc"
