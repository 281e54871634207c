#include "app/fetch.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace dw {

namespace {
constexpr int kFetchLimitMs = 5000;

int fail(const std::string& url, const QString& why) {
    std::fprintf(stderr, "driftwake: %s: %s\n", url.c_str(), why.toLocal8Bit().constData());
    return 1;
}
} // namespace

int runFetch(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    if (!address.isValid() || address.scheme() != QLatin1String("http") || address.host().isEmpty())
        return fail(url, QStringLiteral("not an http:// address"));

    QNetworkAccessManager manager;
    // A health check asks the address itself, whatever proxy the
    // environment names.
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(address);
    request.setTransferTimeout(kFetchLimitMs);
    QNetworkReply* reply = manager.get(request);
    bool timedOut = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, reply, [&timedOut, reply] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, qApp, &QCoreApplication::quit);
    limit.start(kFetchLimitMs);
    if (!reply->isFinished())
        QCoreApplication::exec();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString error = reply->errorString();
    const bool transportFailed = reply->error() != QNetworkReply::NoError && status == 0;
    // An aborted reply has nothing to read.
    const QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray();
    delete reply;
    if (timedOut)
        return fail(url, QStringLiteral("no answer within %1 seconds").arg(kFetchLimitMs / 1000));
    if (transportFailed)
        return fail(url, error);
    if (status < 200 || status > 299)
        return fail(url, QStringLiteral("HTTP status %1").arg(status));
    std::fwrite(body.constData(), 1, std::size_t(body.size()), stdout);
    std::fflush(stdout);
    return 0;
}

} // namespace dw
