#include "host/agones.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace dw {

namespace {

// The label the sidecar puts on the GameServer (as
// "agones.dev/sdk-players"): how many pilots sit at the table.
constexpr char kPlayersLabel[] = "players";

bool success(QNetworkReply* reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
}

} // namespace

quint16 AgonesSdk::portFromEnvironment() {
    bool ok = false;
    const uint port = qEnvironmentVariable("AGONES_SDK_HTTP_PORT").toUInt(&ok);
    return ok && port >= 1 && port <= 65535 ? quint16(port) : quint16(9358);
}

AgonesSdk::AgonesSdk(std::function<TableState()> state, quint16 sdkPort, Timing timing,
                     QObject* parent)
    : QObject(parent), state_(std::move(state)), port_(sdkPort), timing_(timing) {
    // The sidecar is in the same pod: never through a proxy.
    manager_.setProxy(QNetworkProxy::NoProxy);
    healthTimer_.setInterval(timing_.healthMs);
    connect(&healthTimer_, &QTimer::timeout, this, [this] {
        sendHealth();
        update();
    });
    retryTimer_.setSingleShot(true);
    retryTimer_.setInterval(timing_.retryMs);
    connect(&retryTimer_, &QTimer::timeout, this, &AgonesSdk::sendReady);
}

void AgonesSdk::start() {
    if (started_)
        return;
    started_ = true;
    sendReady();
    sendHealth();
    healthTimer_.start();
}

void AgonesSdk::call(const QByteArray& verb, const QString& path, const QByteArray& body,
                     std::function<void(bool ok)> done) {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port_);
    url.setPath(path);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(timing_.timeoutMs);
    QNetworkReply* reply = manager_.sendCustomRequest(request, verb, body);
    connect(reply, &QNetworkReply::finished, this, [this, reply, path, done = std::move(done)] {
        reply->deleteLater();
        const bool ok = success(reply);
        if (ok)
            failureReported_ = false;
        else
            failed(path, reply);
        done(ok);
    });
}

void AgonesSdk::failed(const QString& what, QNetworkReply* reply) {
    if (failureReported_)
        return;
    failureReported_ = true;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    emit notice(
        QStringLiteral("agones: %1 failed (%2); trying again")
            .arg(what, status ? QStringLiteral("HTTP %1").arg(status) : reply->errorString()));
}

void AgonesSdk::sendReady() {
    if (ready_)
        return;
    call("POST", QStringLiteral("/ready"), "{}", [this](bool ok) {
        if (!ok) {
            retryTimer_.start();
            return;
        }
        ready_ = true;
        emit notice(QStringLiteral("agones: ready"));
        update();
    });
}

void AgonesSdk::sendHealth() {
    // A ping still on its way is enough: pings do not queue up behind a
    // sidecar that is slow to answer.
    if (healthPending_ || shutdownDone_)
        return;
    healthPending_ = true;
    call("POST", QStringLiteral("/health"), "{}", [this](bool) { healthPending_ = false; });
}

void AgonesSdk::update() {
    if (!ready_ || shutdownDone_)
        return;
    const TableState now = state_();

    if (now.seated != labelSent_ && !labelPending_) {
        labelPending_ = true;
        const int seated = now.seated;
        const QJsonObject label{{QStringLiteral("key"), QLatin1String(kPlayersLabel)},
                                {QStringLiteral("value"), QString::number(seated)}};
        call("PUT", QStringLiteral("/metadata/label"),
             QJsonDocument(label).toJson(QJsonDocument::Compact), [this, seated](bool ok) {
                 labelPending_ = false;
                 if (!ok)
                     return; // sent again at the next tick
                 labelSent_ = seated;
                 // A count that changed meanwhile goes out now.
                 update();
             });
    }

    // A table with a pilot is in use: Allocated, so that a Fleet scaling
    // down never removes it, whoever sent the pilot.
    if (now.seated > 0 && !allocated_ && !allocatePending_) {
        allocatePending_ = true;
        call("POST", QStringLiteral("/allocate"), "{}", [this](bool ok) {
            allocatePending_ = false;
            allocated_ = ok; // or asked again at the next tick
        });
    }

    // A table in use that nobody is at, and where no seat is kept for a
    // player who dropped, has done its work when its game has ended, when
    // no game was started, or when it has stayed so for emptyMs: the
    // orchestrator replaces it with a fresh one. (A game that the computer
    // plays on alone would otherwise keep the table for ever.)
    if (now.seated > 0)
        pilotSeen_ = true;
    const bool empty = now.seated == 0 && now.held == 0;
    if (!empty)
        emptySince_.invalidate();
    else if (!emptySince_.isValid())
        emptySince_.start();
    const bool done =
        empty && (now.finished ||
                  (pilotSeen_ && (!now.started || emptySince_.elapsed() >= timing_.emptyMs)));
    if (done && !shutdownPending_) {
        shutdownPending_ = true;
        call("POST", QStringLiteral("/shutdown"), "{}", [this](bool ok) {
            shutdownPending_ = false;
            if (!ok)
                return; // asked again at the next tick
            shutdownDone_ = true;
            healthTimer_.stop();
            emit notice(QStringLiteral("agones: shutdown requested"));
        });
    }
}

} // namespace dw
