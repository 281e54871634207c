#include "ui/gameconnection.h"

#include "client/boardmodel.h"
#include "client/clientconn.h"
#include "ui/banner.h"

#include <QWidget>

#include <algorithm>
#include <chrono>

namespace dw {

namespace {

RejoinPlan::Ms now() {
    return std::chrono::duration_cast<RejoinPlan::Ms>(
        std::chrono::steady_clock::now().time_since_epoch());
}

// "2 minutes", "30 seconds".
QString duration(RejoinPlan::Ms ms) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(ms).count();
    if (seconds % 60 == 0)
        return seconds == 60 ? QStringLiteral("1 minute")
                             : QStringLiteral("%1 minutes").arg(seconds / 60);
    return seconds == 1 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(seconds);
}

} // namespace

GameConnection::GameConnection(Hooks hooks, QWidget* area, QWidget* board, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)), board_(board) {
    banner_ = new Banner(area);
    connect(banner_, &Banner::buttonClicked, this, [this] {
        if (rejoin_.rejoining()) {
            rejoin_.giveUp();
            hooks_.ended(QStringLiteral("You gave up rejoining the game."),
                         ExitStatus::RejoinGaveUp, false);
        } else {
            hooks_.retryClicked();
        }
    });
    rejoinTimer_.setSingleShot(true);
    connect(&rejoinTimer_, &QTimer::timeout, this, &GameConnection::rejoinTick);
    renew();
}

void GameConnection::renew() {
    if (conn_) {
        conn_->disconnect(this);
        conn_->setHandler({});
        // Closed now, not when the object goes: the next connection never
        // runs beside it.
        conn_->abort();
        conn_->deleteLater();
    }
    conn_ = new ClientConnection(this);
    conn_->setHandler([this](std::string_view m) { dispatch(m); });
    connect(conn_, &ClientConnection::closed, this, [this] { hooks_.closed(); });
    connect(conn_, &ClientConnection::failed, this, [this](const QString& why, bool notFound) {
        const bool refused = conn_->lastError() == QAbstractSocket::ConnectionRefusedError;
        if (rejoin_.rejoining()) {
            rejoin_.attemptFailed(refused);
            armRejoin();
            return;
        }
        hooks_.failed(why, notFound, refused);
    });
}

void GameConnection::connectTo(const QString& host, quint16 port) {
    host_ = host;
    port_ = port;
    conn_->connectToHost(host, port);
}

void GameConnection::dispatch(std::string_view message) {
    const Command c = splitCommand(message);
    if (c.word.empty() || rejoinMessage(c))
        return;
    hooks_.message(c.word, c.payload);
}

void GameConnection::connectionLost() {
    if (rejoin_.rejoining()) {
        // An attempt's connection closed before the host answered it.
        rejoin_.attemptFailed();
        armRejoin();
        return;
    }
    if (!rejoin_.connectionLost(now())) {
        // No key to come back with (an older host), or the host ended.
        hooks_.ended(QStringLiteral("The host closed the connection."), ExitStatus::HostEnded,
                     false);
        return;
    }
    // The window stays: nothing may be played or sent until the seat is back.
    board_->setEnabled(false);
    hooks_.lost(QStringLiteral("The connection to the host was lost. Reconnecting…"));
    showRejoinBanner();
    armRejoin();
}

bool GameConnection::fullWhileRejoining() {
    if (!rejoin_.rejoining())
        return false;
    // Entries may free up before the time for rejoining is over.
    rejoin_.attemptFailed();
    renew();
    armRejoin();
    return true;
}

void GameConnection::armRejoin() {
    if (!rejoin_.rejoining()) {
        rejoinTimer_.stop();
        return;
    }
    const auto wait = rejoin_.wakeAt() - now();
    rejoinTimer_.start(int(std::max<std::int64_t>(0, wait.count())));
}

void GameConnection::rejoinTick() {
    switch (rejoin_.step(now())) {
    case RejoinPlan::Step::Nothing:
        break;
    case RejoinPlan::Step::GiveUp:
        hooks_.ended(QStringLiteral("The host could not be reached for %1.")
                         .arg(duration(rejoin_.giveUpAfter())),
                     ExitStatus::RejoinGaveUp, true);
        return;
    case RejoinPlan::Step::HostGone:
        hooks_.ended(QStringLiteral("The host no longer runs the game."), ExitStatus::HostEnded,
                     true);
        return;
    case RejoinPlan::Step::Attempt:
        reclaimSent_ = false;
        // The attempt before, if it still runs, ends before this one starts:
        // never more than one connection at a time.
        renew();
        conn_->connectToHost(host_, port_);
        showRejoinBanner();
        break;
    }
    armRejoin();
}

void GameConnection::showRejoinBanner() {
    const int n = rejoin_.attempts();
    banner_->showMessage(n == 0
                             ? QStringLiteral("Connection lost: reconnecting…")
                             : QStringLiteral("Connection lost: reconnecting… (attempt %1)").arg(n),
                         QStringLiteral("Your seat and your cards are kept for you. Trying for "
                                        "up to %1.")
                             .arg(duration(rejoin_.giveUpAfter())),
                         QStringLiteral("Give up"));
}

void GameConnection::stopRejoining(bool keepBanner) {
    rejoinTimer_.stop();
    reclaimSent_ = false;
    if (!keepBanner)
        banner_->hide();
    board_->setEnabled(true);
}

void GameConnection::halt() {
    rejoinTimer_.stop();
    reclaimSent_ = false;
}

bool GameConnection::tryAgain() {
    if (!rejoin_.retry(now()))
        return false;
    showRejoinBanner();
    armRejoin();
    return true;
}

bool GameConnection::rejoinMessage(const Command& c) {
    if (rejoin_.phase() != RejoinPlan::Phase::Trying)
        return false;
    if (c.word == msg::SendLoginInfo::kWord && !reclaimSent_) {
        // The host offers an entry: ask for the own seat instead.
        const auto offer = msg::SendLoginInfo::decode(c.payload);
        const auto reclaim = offer ? rejoin_.reclaimFor(offer->seat) : std::nullopt;
        if (!reclaim)
            return true;
        reclaimSent_ = true;
        conn_->send(reclaim->encode());
        return true;
    }
    if (c.word == msg::SendLoginInfo::kWord) {
        const auto answer = msg::SendLoginInfo::decode(c.payload);
        if (!answer)
            return true;
        const int seat = rejoin_.seat();
        rejoin_.reclaimed();
        stopRejoining();
        hooks_.rejoined(*answer, answer->seat == seat
                                     ? QStringLiteral("Reconnected: you are back in your seat.")
                                     : QStringLiteral("Reconnected in seat %1.").arg(answer->seat));
        return true;
    }
    if (c.word == msg::ReclaimRefused::kWord && reclaimSent_) {
        const auto refusal = msg::ReclaimRefused::decode(c.payload);
        if (!refusal)
            return true;
        rejoin_.refused();
        stopRejoining();
        hooks_.rejoined(
            msg::SendLoginInfo{refusal->entry},
            refusal->entry <= kPlayingSeats
                ? QStringLiteral("Reconnected, but the host did not give your seat back: you "
                                 "joined again as a new pilot in seat %1.")
                      .arg(refusal->entry)
                : QStringLiteral("Reconnected, but the host did not give your seat back: you "
                                 "joined again as a spectator."));
        return true;
    }
    return false;
}

} // namespace dw
