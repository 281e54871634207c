#include "host/lan.h"

#include "text/plaintext.h"

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>

#include <cstdio>

namespace dw {

namespace {

const QHostAddress kLoopbackBroadcast(QStringLiteral("127.255.255.255"));

bool loopbackOnly() {
    return qEnvironmentVariable("DRIFTWAKE_LAN_SCOPE") == QStringLiteral("loopback");
}

// An IPv4 address heard through the dual-stack socket comes as ::ffff:a.b.c.d.
QString plainAddress(const QHostAddress& a) {
    bool ok = false;
    const quint32 v4 = a.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : a.toString();
}

} // namespace

QString FoundGame::joinText() const {
    return QString::fromStdString(formatHostPort(address.toStdString(), announcement.port));
}

LanAnnouncer::LanAnnouncer(std::function<Announcement()> what, QObject* parent)
    : QObject(parent), what_(std::move(what)) {
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &LanAnnouncer::announceNow);
}

void LanAnnouncer::start() {
    if (!timer_.isActive()) {
        timer_.start();
        announceNow();
    }
}

void LanAnnouncer::stop() {
    timer_.stop();
}

std::string LanAnnouncer::newId() {
    return QString::number(QRandomGenerator::system()->generate64(), 16).toStdString();
}

QList<QHostAddress> LanAnnouncer::targets() {
    QList<QHostAddress> out{kLoopbackBroadcast};
    if (loopbackOnly())
        return out;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack) || !(flags & QNetworkInterface::CanBroadcast))
            continue;
        const auto entries = i.addressEntries();
        for (const QNetworkAddressEntry& e : entries)
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol && !e.broadcast().isNull() &&
                !out.contains(e.broadcast()))
                out.append(e.broadcast());
    }
    return out;
}

void LanAnnouncer::announceNow() {
    const std::string datagram = encodeAnnouncement(what_());
    const QByteArray bytes(datagram.data(), qsizetype(datagram.size()));
    const auto addresses = targets();
    for (const QHostAddress& to : addresses)
        socket_.writeDatagram(bytes, to, quint16(kDiscoveryPort));
}

LanBrowser::LanBrowser(QObject* parent) : QObject(parent) {
    connect(&socket_, &QUdpSocket::readyRead, this, &LanBrowser::readPending);
    forget_.setInterval(kForgetMs / 4);
    connect(&forget_, &QTimer::timeout, this, &LanBrowser::forgetOld);
    clock_.start();
}

bool LanBrowser::start(QString* error) {
    if (socket_.state() == QAbstractSocket::BoundState)
        return true;
    // Address sharing lets every copy on this machine hear the broadcasts.
    if (!socket_.bind(QHostAddress::AnyIPv4, quint16(kDiscoveryPort),
                      QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        if (error)
            *error = QStringLiteral("Cannot listen for games on UDP port %1: %2")
                         .arg(kDiscoveryPort)
                         .arg(socket_.errorString());
        return false;
    }
    forget_.start();
    return true;
}

void LanBrowser::stop() {
    forget_.stop();
    socket_.close();
    if (!games_.isEmpty()) {
        games_.clear();
        emit gamesChanged();
    }
}

void LanBrowser::readPending() {
    bool changed = false;
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_.receiveDatagram(qint64(kMaxAnnouncement) + 1);
        const QByteArray data = d.data();
        auto a = decodeAnnouncement(std::string_view(data.constData(), std::size_t(data.size())));
        if (!a)
            continue;
        const QString from = plainAddress(d.senderAddress());
        const bool fromLoopback = d.senderAddress().isLoopback();
        auto it = std::find_if(games_.begin(), games_.end(),
                               [&](const FoundGame& g) { return g.announcement.id == a->id; });
        if (it == games_.end()) {
            if (games_.size() >= kMaxGames)
                continue;
            games_.append({*a, from, clock_.elapsed()});
            changed = true;
            continue;
        }
        // A host on this machine is heard on loopback and on the LAN; the
        // LAN address is the one a friend can use too.
        const bool better = !fromLoopback || QHostAddress(it->address).isLoopback();
        if (!(it->announcement == *a) || (better && it->address != from))
            changed = true;
        it->announcement = *a;
        if (better)
            it->address = from;
        it->lastHeardMs = clock_.elapsed();
    }
    if (changed)
        emit gamesChanged();
}

void LanBrowser::forgetOld() {
    const qint64 now = clock_.elapsed();
    const auto removed =
        games_.removeIf([now](const FoundGame& g) { return now - g.lastHeardMs > kForgetMs; });
    if (removed > 0)
        emit gamesChanged();
}

int runFindGames(double seconds) {
    LanBrowser browser;
    QString error;
    if (!browser.start(&error)) {
        std::fprintf(stderr, "driftwake: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    QTimer::singleShot(int(seconds * 1000), qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const auto& games = browser.games();
    if (games.isEmpty()) {
        std::printf("no games found\n");
        return 1;
    }
    for (const FoundGame& g : games)
        std::printf("%s seated %d/4 %s %s\n", g.joinText().toUtf8().constData(),
                    g.announcement.seated, g.announcement.playing ? "playing" : "waiting",
                    logText(g.announcement.name).c_str());
    std::fflush(stdout);
    return 0;
}

} // namespace dw
