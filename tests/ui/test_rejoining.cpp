// The real main window against a host played by the test, through a relay
// that cuts the TCP connection: rejoining the own seat, a refused reclaim,
// giving up, no rejoining without a key, the host's notices before the end,
// a game joined from the window ending on the start window ("Try Again"),
// the host's controls following the host's rights, and the question before a
// hosting window ends a running game.
#include "host/hostserver.h"
#include "protocol/messages.h"
#include "protocol/protocol.h"
#include "tests/support/processes.h"
#include "tests/support/tcpproxy.h"
#include "ui/banner.h"
#include "ui/chatpane.h"
#include "ui/gameconnection.h"
#include "ui/mainwindow.h"
#include "ui/netdialogs.h"
#include "ui/networkdialogs.h"
#include "ui/watcherlist.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <memory>

using namespace dw;
using dw::testing::freePort;
using dw::testing::TcpProxy;

namespace {

const std::string kKey = "0123456789abcdef0123456789abcdef";
// Longer than a launch line's copy shows the host's notice before it ends.
constexpr int kNoticeWaitMs = 4000;

// One connection to the fake host.
struct Peer {
    QTcpSocket* sock = nullptr;
    Framer framer;
    std::deque<std::string> got;
    bool closed = false;
};

// A host played by the test: it accepts connections and lets the test send
// and expect messages on each.
class FakeHost : public QObject {
public:
    FakeHost() {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                auto peer = std::make_unique<Peer>();
                peer->sock = s;
                Peer* p = peer.get();
                connect(s, &QTcpSocket::readyRead, this, [p] {
                    const QByteArray data = p->sock->readAll();
                    p->framer.feed(std::string_view(data.constData(), std::size_t(data.size())),
                                   p->got);
                });
                connect(s, &QTcpSocket::disconnected, this, [p] { p->closed = true; });
                peers.push_back(std::move(peer));
            }
        });
    }
    ~FakeHost() override {
        for (const auto& p : peers)
            p->sock->disconnect(this);
    }
    quint16 port() const { return server.serverPort(); }

    // The n-th connection (0-based), once it came.
    Peer* peer(std::size_t n, int timeoutMs = 10000) {
        QElapsedTimer t;
        t.start();
        while (peers.size() <= n && t.elapsed() < timeoutMs)
            QTest::qWait(10);
        return peers.size() > n ? peers[n].get() : nullptr;
    }
    template <class M> void send(Peer* p, const M& m) {
        const std::string bytes = m.encode();
        p->sock->write(bytes.data(), qint64(bytes.size()));
    }
    // The next message M on `p`, skipping others.
    template <class M> std::optional<M> expect(Peer* p, int timeoutMs = 10000) {
        QElapsedTimer t;
        t.start();
        for (;;) {
            while (!p->got.empty()) {
                const std::string m = p->got.front();
                p->got.pop_front();
                if (auto decoded = msg::decodeMessage<M>(m))
                    return decoded;
            }
            if (t.elapsed() > timeoutMs)
                return std::nullopt;
            QTest::qWait(5);
        }
    }

    // Seats a new connection as `seat` in a game that runs, with a key, as
    // the host does at a login, and deals `hand`.
    void seat(Peer* p, int seat, const std::vector<std::pair<int, int>>& hand) {
        send(p, msg::SendLoginInfo{seat});
        QVERIFY(expect<msg::LoginInfo>(p).has_value());
        send(p, msg::NewPlayerInfo{seat, "Ann"});
        send(p, msg::ExistingPlayers{1, "Hal"});
        send(p, msg::SeatKey{seat, kKey});
        send(p, msg::HostRights{1});
        send(p, tableSnapshot(seat));
        send(p, msg::MyCards{seat, hand});
    }
    static msg::NewStats tableSnapshot(int seat) {
        msg::NewStats m{.seat = seat,
                        .turn = 1,
                        .waiting = false,
                        .amount = 5000,
                        .taken = 30,
                        .distance = 70,
                        .seats = {}};
        for (int s = 1; s <= 4; ++s)
            m.seats.push_back({s, 100 * s, true, s == 2, false, 5000 * s, 0, {}});
        return m;
    }

    QTcpServer server;
    std::vector<std::unique_ptr<Peer>> peers;
};

// A joining main window with a data directory of its own.
struct Window {
    QTemporaryDir data;
    std::unique_ptr<MainWindow> mainWindow;

    explicit Window(quint16 port, LaunchMode mode = LaunchMode::Join) {
        qputenv("DRIFTWAKE_DATA_DIR", data.path().toUtf8());
        LaunchOptions o;
        o.mode = mode;
        o.playerName = mode == LaunchMode::Join ? "Ann" : "Hal";
        o.hostAddress = "127.0.0.1";
        o.port = port;
        o.announce = false;
        mainWindow = std::make_unique<MainWindow>(o);
        mainWindow->show();
    }
    QString chatText() { return mainWindow->chat().mainchat()->toPlainText(); }
    bool bannerShown() { return mainWindow->connection().banner()->isVisible(); }
    int handCard(int place) { return mainWindow->model().view().hand[std::size_t(place)].card; }
};

// Seats the window that makes the host's n-th connection as `seat` with
// `hand`; returns that connection once the window shows the hand.
Peer* seated(FakeHost& host, Window& w, std::size_t n, int seat,
             const std::vector<std::pair<int, int>>& hand) {
    Peer* p = host.peer(n);
    if (!p)
        return nullptr;
    host.seat(p, seat, hand);
    const auto [place, card] = hand.back();
    return QTest::qWaitFor([&] { return w.handCard(place) == card; }, 10000) ? p : nullptr;
}

// Joins the game at `port` from the join dialog of a window started without
// a launch line, once the window has shown itself.
void joinFromDialog(Window& w, quint16 port) {
    QTRY_VERIFY(w.chatText().contains(QStringLiteral("Loading Multi-player Game")));
    w.mainWindow->dialogs().joinDialog()->prepare(QStringLiteral("Ann"), {},
                                                  QStringLiteral("127.0.0.1:%1").arg(port));
    w.mainWindow->dialogs().joinDialog()->onJoin();
}

// With DRIFTWAKE_SHOT_DIR set, writes what the window shows, for review.
void shot(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("DRIFTWAKE_SHOT_DIR");
    if (dir.isEmpty())
        return;
    QTest::qWait(100);
    w->grab().save(dir + QLatin1Char('/') + QLatin1String(name));
}

} // namespace

class Rejoining : public QObject {
    Q_OBJECT

private slots:
    void init() { QApplication::setQuitOnLastWindowClosed(false); }

    void aCutLinkRejoinsTheOwnSeatAndTheHostsPictureReplacesTheOldBoard() {
        FakeHost host;
        TcpProxy proxy(host.port());
        QVERIFY(proxy.listen());
        Window w(proxy.port());
        Peer* first =
            seated(host, w, 0, 2, {{1, 3}, {2, 4}, {3, 5}, {4, 6}, {5, 7}, {6, 8}, {7, 9}});
        QVERIFY(first);
        // Stale state the drop must not leave behind: a selected card, a
        // spectator, a turn.
        host.send(first, msg::NewPlayerInfo{6, "Spy"});
        host.send(first, msg::NextPlayer{2, 7, 9, 31});
        QTRY_COMPARE(w.mainWindow->findChild<WatcherList*>()->spies().size(), 1);
        QTRY_COMPARE(w.mainWindow->model().state().turnSeat, 2);
        w.mainWindow->model().onCardReleased(1, false);
        QCOMPARE(w.mainWindow->model().state().selectedSlot, 1);

        // The link goes down and stays down for the first attempts.
        proxy.setDown(true);
        proxy.cut();
        QTRY_VERIFY(w.bannerShown());
        QVERIFY(w.mainWindow->isVisible());
        QVERIFY(w.mainWindow->connection().banner()->text().startsWith(
            QStringLiteral("Connection lost: reconnecting…")));
        QVERIFY(w.chatText().contains(QStringLiteral("Reconnecting…")));
        QVERIFY(w.mainWindow->connection().banner()->button()->isVisible());
        QCOMPARE(w.mainWindow->connection().banner()->button()->text(), QStringLiteral("Give up"));
        QTRY_VERIFY_WITH_TIMEOUT(proxy.turnedAway() >= 2, 10000);
        QTRY_VERIFY(
            w.mainWindow->connection().banner()->text().contains(QStringLiteral("(attempt 2)")));
        shot(w.mainWindow.get(), "rejoin-banner.png");
        // Nothing can be played meanwhile.
        QVERIFY(!w.mainWindow->centralWidget()->findChild<QWidget*>()->isEnabled());

        proxy.setDown(false);
        Peer* second = host.peer(1, 15000);
        QVERIFY(second);
        host.send(second, msg::SendLoginInfo{5});
        const auto reclaim = host.expect<msg::Reclaim>(second);
        QVERIFY(reclaim);
        QCOMPARE(*reclaim, (msg::Reclaim{5, 2, kKey}));
        // Game messages before the answer belong to no seat of this client.
        host.send(second, msg::NextPlayer{3, 1, 12, 32});
        host.send(second, msg::SendLoginInfo{2});
        const auto login = host.expect<msg::LoginInfo>(second);
        QVERIFY(login);
        QCOMPARE(login->seat, 2);
        QCOMPARE(login->name, std::string("Ann"));
        host.send(second, msg::NewPlayerInfo{2, "Ann"});
        host.send(second, msg::ExistingPlayers{1, "Hal"});
        host.send(second, FakeHost::tableSnapshot(2));
        host.send(second, msg::MyCards{2, {{1, 10}, {2, 11}, {3, 0}, {4, 13}}});
        QTRY_COMPARE(w.handCard(4), 13);

        QVERIFY(!w.bannerShown());
        QVERIFY(w.mainWindow->isVisible());
        QVERIFY(w.chatText().contains(QStringLiteral("you are back in your seat.")));
        const ClientState& s = w.mainWindow->model().state();
        QCOMPARE(s.mySeat, 2);
        QCOMPARE(s.selectedSlot, 0);
        QCOMPARE(s.turnSeat, 1);
        QCOMPARE(w.handCard(1), 10);
        QCOMPARE(w.handCard(3), 0);
        QCOMPARE(w.handCard(7), 0); // the old seventh card is gone
        QCOMPARE(w.mainWindow->model().view().seats[2].score, std::string("200"));
        QCOMPARE(w.mainWindow->model().view().seats[1].name, std::string("Hal"));
        QVERIFY(w.mainWindow->findChild<WatcherList*>()->spies().isEmpty());
        QVERIFY(w.mainWindow->centralWidget()->findChild<QWidget*>()->isEnabled());
        QCOMPARE(w.mainWindow->connection().rejoinPlan().phase(), RejoinPlan::Phase::Connected);
        shot(w.mainWindow.get(), "rejoin-back.png");
    }

    void aRefusedReclaimJoinsAsANewcomerAndSaysSo() {
        FakeHost host;
        TcpProxy proxy(host.port());
        QVERIFY(proxy.listen());
        Window w(proxy.port());
        Peer* first = seated(host, w, 0, 2, {{1, 3}});
        QVERIFY(first);
        proxy.cut();
        Peer* second = host.peer(1, 15000);
        QVERIFY(second);
        host.send(second, msg::SendLoginInfo{3});
        QVERIFY(host.expect<msg::Reclaim>(second));
        host.send(second, msg::ReclaimRefused{3});
        const auto login = host.expect<msg::LoginInfo>(second);
        QVERIFY(login);
        QCOMPARE(login->seat, 3);
        QTRY_VERIFY(!w.bannerShown());
        QVERIFY(w.chatText().contains(QStringLiteral("did not give your seat back")));
        QCOMPARE(w.mainWindow->model().state().mySeat, 3);
        QCOMPARE(w.handCard(1), 0);
        // The old key is spent: a later drop without a new one ends.
        QVERIFY(!w.mainWindow->connection().rejoinPlan().hasKey());
        proxy.cut();
        QTRY_VERIFY(!w.mainWindow->isVisible());
    }

    void giveUpEndsAndAHostWithoutKeysEndsAtOnce() {
        FakeHost host;
        TcpProxy proxy(host.port());
        QVERIFY(proxy.listen());
        {
            Window w(proxy.port());
            Peer* p = seated(host, w, 0, 2, {{1, 3}});
            QVERIFY(p);
            proxy.setDown(true);
            proxy.cut();
            QTRY_VERIFY(w.bannerShown());
            QTest::mouseClick(w.mainWindow->connection().banner()->button(), Qt::LeftButton);
            QTRY_VERIFY(!w.mainWindow->isVisible());
            const int tried = proxy.turnedAway();
            QTest::qWait(1500);
            QCOMPARE(proxy.turnedAway(), tried); // no attempts after giving up
            proxy.setDown(false);
        }
        {
            // A host that follows the old protocol sends no key.
            Window w(proxy.port());
            Peer* p = host.peer(1);
            QVERIFY(p);
            host.send(p, msg::SendLoginInfo{2});
            QVERIFY(host.expect<msg::LoginInfo>(p));
            host.send(p, msg::NewPlayerInfo{2, "Ann"});
            QTRY_COMPARE(w.mainWindow->model().view().seats[2].name, std::string("Ann"));
            proxy.cut();
            QTRY_VERIFY(!w.mainWindow->isVisible());
            QVERIFY(!w.bannerShown());
            QTest::qWait(1000);
            QCOMPARE(host.peers.size(), std::size_t(2));
        }
        {
            // The host program ends without a word: nothing listens any
            // more, and after a few refusals the window says so and ends.
            Window w(host.port());
            Peer* p = seated(host, w, 2, 2, {{1, 3}});
            QVERIFY(p);
            host.server.close();
            p->sock->abort();
            QTRY_VERIFY_WITH_TIMEOUT(w.mainWindow->connection().banner()->text() ==
                                         QStringLiteral("The host no longer runs the game."),
                                     10000);
            QVERIFY(!w.mainWindow->connection().banner()->button()->isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(!w.mainWindow->isVisible(), 10000);
            QCOMPARE(w.mainWindow->connection().rejoinPlan().attempts(),
                     RejoinPlan::kRefusalsToEnd);
        }
    }

    void theHostsNoticesShowForAFewSecondsAndNeverRejoin_data() {
        QTest::addColumn<bool>("removed");
        QTest::newRow("host ended") << false;
        QTest::newRow("removed") << true;
    }

    void theHostsNoticesShowForAFewSecondsAndNeverRejoin() {
        QFETCH(bool, removed);
        FakeHost host;
        Window w(host.port());
        Peer* p = seated(host, w, 0, 3, {{1, 3}});
        QVERIFY(p);
        // A removal of another seat is not this window's business.
        host.send(p, msg::Removed{2});
        QTest::qWait(200);
        QVERIFY(!w.bannerShown());
        QElapsedTimer clock;
        clock.start();
        if (removed)
            host.send(p, msg::Removed{3});
        else
            host.send(p, msg::HostClosing{});
        p->sock->disconnectFromHost();
        const QString text = removed ? QStringLiteral("The host removed you from the game.")
                                     : QStringLiteral("The host ended the game.");
        QTRY_VERIFY(w.bannerShown());
        QCOMPARE(w.mainWindow->connection().banner()->text(), text);
        QVERIFY(!w.mainWindow->connection().banner()->button()->isVisible()); // nothing to click
        shot(w.mainWindow.get(), removed ? "notice-removed.png" : "notice-hostended.png");
        QVERIFY(w.chatText().contains(text));
        QTRY_VERIFY_WITH_TIMEOUT(!w.mainWindow->isVisible(), 10000);
        QVERIFY2(clock.elapsed() >= 2500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(host.peers.size(), std::size_t(1)); // no attempt to come back
    }

    void aGameJoinedFromTheWindowEndsOnTheStartWindowAndTryAgainTakesTheSeatBack() {
        FakeHost host;
        const quint16 port = host.port();
        // No launch line: the game is joined from the join dialog.
        Window w(port, LaunchMode::Unconnected);
        joinFromDialog(w, port);
        Peer* p = seated(host, w, 0, 2, {{1, 3}, {2, 4}});
        QVERIFY(p);

        // The host program is killed: nothing listens any more.
        host.server.close();
        p->sock->abort();
        QTRY_VERIFY_WITH_TIMEOUT(w.mainWindow->connection().banner()->text() ==
                                     QStringLiteral("The host no longer runs the game."),
                                 15000);
        QTRY_VERIFY(w.mainWindow->dialogs().startWindow()->isVisible());
        QVERIFY(w.bannerShown());
        QCOMPARE(w.mainWindow->connection().banner()->button()->text(),
                 QStringLiteral("Try Again"));
        QVERIFY(w.mainWindow->connection().banner()->button()->isVisible());
        QVERIFY(w.chatText().contains(QStringLiteral("The host no longer runs the game.")));
        shot(w.mainWindow.get(), "gave-up-start-window.png");
        // The window stays, and tries nothing more on its own.
        QTest::qWait(kNoticeWaitMs);
        QVERIFY(w.mainWindow->isVisible());
        QCOMPARE(w.mainWindow->exitStatus(), 0);
        QCOMPARE(host.peers.size(), std::size_t(1));

        // The host is back: Try Again asks for the same seat with the same key.
        QVERIFY(host.server.listen(QHostAddress::LocalHost, port));
        QTest::mouseClick(w.mainWindow->connection().banner()->button(), Qt::LeftButton);
        QTRY_VERIFY(!w.mainWindow->dialogs().startWindow()->isVisible());
        QVERIFY(w.mainWindow->connection().rejoinPlan().rejoining());
        Peer* again = host.peer(1, 15000);
        QVERIFY(again);
        host.send(again, msg::SendLoginInfo{5});
        const auto reclaim = host.expect<msg::Reclaim>(again);
        QVERIFY(reclaim);
        QCOMPARE(*reclaim, (msg::Reclaim{5, 2, kKey}));
        host.send(again, msg::SendLoginInfo{2});
        QVERIFY(host.expect<msg::LoginInfo>(again));
        QTRY_VERIFY(!w.bannerShown());
        QVERIFY(w.chatText().contains(QStringLiteral("you are back in your seat.")));
        QCOMPARE(w.mainWindow->model().state().mySeat, 2);
    }

    void theHostsWordInAGameJoinedFromTheWindowLeadsToTheStartWindow_data() {
        QTest::addColumn<bool>("removed");
        QTest::newRow("host ended") << false;
        QTest::newRow("removed") << true;
    }

    void theHostsWordInAGameJoinedFromTheWindowLeadsToTheStartWindow() {
        QFETCH(bool, removed);
        FakeHost host;
        Window w(host.port(), LaunchMode::Unconnected);
        joinFromDialog(w, host.port());
        Peer* p = seated(host, w, 0, 3, {{1, 3}});
        QVERIFY(p);
        if (removed)
            host.send(p, msg::Removed{3});
        else
            host.send(p, msg::HostClosing{});
        p->sock->disconnectFromHost();
        const QString text = removed ? QStringLiteral("The host removed you from the game.")
                                     : QStringLiteral("The host ended the game.");
        QTRY_VERIFY(w.mainWindow->dialogs().startWindow()->isVisible());
        QCOMPARE(w.mainWindow->connection().banner()->text(), text);
        QVERIFY(
            !w.mainWindow->connection().banner()->button()->isVisible()); // nothing to try again
        QTest::qWait(kNoticeWaitMs);
        QVERIFY(w.mainWindow->isVisible());
        QCOMPARE(host.peers.size(), std::size_t(1));
        // Join from the start window opens the join dialog.
        QTest::mouseClick(w.mainWindow->dialogs().startWindow()->button_join, Qt::LeftButton);
        QTRY_VERIFY(w.mainWindow->dialogs().joinDialog()->isVisible());
    }

    void theHostsControlsFollowTheHostsRights() {
        FakeHost host;
        Window w(host.port());
        Peer* p = host.peer(0);
        QVERIFY(p);
        host.send(p, msg::SendLoginInfo{2});
        QVERIFY(host.expect<msg::LoginInfo>(p));
        host.send(p, msg::NewPlayerInfo{2, "Ann"});
        host.send(p, msg::HostRights{1});
        QTRY_COMPARE(w.mainWindow->model().view().seats[2].name, std::string("Ann"));
        auto* startItem = w.mainWindow->findChild<QAction*>(QStringLiteral("StartGame1"));
        QVERIFY(startItem);
        const BoardView& view = w.mainWindow->model().view();
        QVERIFY(!startItem->isEnabled());
        QVERIFY(!view.startVisible);
        QVERIFY(!w.mainWindow->model().state().isHost);

        host.send(p, msg::HostRights{2});
        QTRY_VERIFY(w.mainWindow->model().state().isHost);
        QVERIFY(view.startVisible);
        QVERIFY(startItem->isEnabled());
        QVERIFY(w.chatText().contains(QStringLiteral("You now hold the host's controls")));
        // Just-watch for others goes out.
        w.mainWindow->model().setToJustWatch(3);
        QCOMPARE(host.expect<msg::JustWatch>(p), (msg::JustWatch{3, true}));

        // A game starts: the start control hides while it runs, and comes
        // back for the holder after the winner.
        host.send(p, msg::StartGameAnnounce{"Ann", 5000, 70, true, true});
        QTRY_VERIFY(!view.startVisible);
        host.send(p, msg::HostRights{1});
        QTRY_VERIFY(!w.mainWindow->model().state().isHost);
        QVERIFY(!startItem->isEnabled());
        host.send(p, msg::HostRights{2});
        QTRY_VERIFY(w.mainWindow->model().state().isHost);
        QVERIFY(!view.startVisible); // the game still runs
        host.send(p, msg::Winner{"Hal", 1});
        QTRY_VERIFY(view.startVisible);
        // Rights that move on take the controls along.
        host.send(p, msg::HostRights{4});
        QTRY_VERIFY(!view.startVisible);
        QVERIFY(!startItem->isEnabled());
    }

    void closingAHostingWindowDuringAGameAsksFirst() {
        Window w(freePort(), LaunchMode::Host);
        QTRY_COMPARE_WITH_TIMEOUT(w.mainWindow->model().state().mySeat, 1, 10000);
        // No game yet: closing asks nothing.
        QVERIFY(!w.mainWindow->server()->core().engine().gameInProgress);
        msg::StartGameRequest start;
        start.starter = "Hal";
        start.amount = "5000";
        start.distance = "70";
        w.mainWindow->server()->core().engine().startGame(gameStart(start));
        QVERIFY(w.mainWindow->server()->core().engine().gameInProgress);

        auto answer = [](QMessageBox::StandardButton b) {
            QTimer::singleShot(200, [b] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                QVERIFY(box->text().contains(QStringLiteral("A game is running")));
                box->button(b)->click();
            });
        };
        answer(QMessageBox::No);
        QVERIFY(!w.mainWindow->close());
        QVERIFY(w.mainWindow->isVisible());
        QVERIFY(w.mainWindow->server()->isListening());
        answer(QMessageBox::Yes);
        QVERIFY(w.mainWindow->close());
        QVERIFY(!w.mainWindow->isVisible());
    }
};

QTEST_MAIN(Rejoining)
#include "test_rejoining.moc"
