#include "ui/lobby/hostedtable.h"

#include "protocol/protocol.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace dw::lobby {

namespace {

// True when `address` belongs to this machine.
bool isOwnAddress(const QString& address) {
    const QHostAddress a(address);
    return a.isLoopback() || QNetworkInterface::allAddresses().contains(a);
}

} // namespace

HostedTable::HostedTable(QObject* parent) : QObject(parent) {
    connect(&browser_, &LanBrowser::gamesChanged, this, &HostedTable::gamesHeard);
    connect(&mapper_, &PortMapper::finished, this, [this](bool ok) { mapped(ok); });
}

void HostedTable::start(const QString& name, quint16 port) {
    stop();
    port_ = port;
    table_ = Table();
    table_.name = name.left(static_cast<qsizetype>(kMaxTableName)).toStdString();
    while (table_.name.size() > kMaxTableName)
        table_.name.pop_back();
    table_.seats = 1; // the host's own pilot
    table_.version = std::string(kVersion);
    // Without the announcement (another program holds its port) the table
    // stays as it started.
    browser_.start();
    if (showAddress_)
        mapper_.start(port_);
    refreshAddresses();
}

void HostedTable::stop() {
    port_ = 0;
    browser_.stop();
    mapper_.stop();
}

void HostedTable::setShowAddress(bool show) {
    if (show == showAddress_)
        return;
    showAddress_ = show;
    if (!isRunning())
        return;
    if (show)
        mapper_.start(port_);
    else
        mapper_.stop();
    refreshAddresses();
}

std::optional<Table> HostedTable::table() const {
    if (!isRunning())
        return std::nullopt;
    return table_;
}

std::vector<HostPort> HostedTable::interfaceAddresses(int port) {
    std::vector<HostPort> global6;
    std::vector<HostPort> lan4;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = i.addressEntries();
        for (const QNetworkAddressEntry& e : entries) {
            const QHostAddress ip = e.ip();
            const std::string text = ip.toString().section('%', 0, 0).toStdString();
            if (!isJoinableAddress(text))
                continue;
            if (ip.protocol() == QAbstractSocket::IPv6Protocol) {
                if (ip.isGlobal() && !ip.isUniqueLocalUnicast())
                    global6.push_back({text, port});
            } else if (ip.protocol() == QAbstractSocket::IPv4Protocol) {
                lan4.push_back({text, port});
            }
        }
    }
    std::vector<HostPort> out = global6.empty() ? lan4 : global6;
    if (out.size() > kMaxAddresses)
        out.resize(kMaxAddresses);
    return out;
}

void HostedTable::refreshAddresses() {
    Table next = table_;
    next.addresses.clear();
    if (showAddress_) {
        if (mapper_.isMapped()) {
            const auto external = parseHostPort(mapper_.externalAddress().toStdString(), 0);
            if (external && isJoinableAddress(external->host))
                next.addresses.push_back(*external);
        }
        if (next.addresses.empty())
            next.addresses = interfaceAddresses(port_);
    }
    update(next);
}

void HostedTable::mapped(bool) {
    if (isRunning())
        refreshAddresses();
}

void HostedTable::gamesHeard() {
    if (!isRunning())
        return;
    for (const FoundGame& g : browser_.games()) {
        const Announcement& a = g.announcement;
        if (a.port != port_ || !isOwnAddress(g.address))
            continue;
        Table next = table_;
        next.seats = std::clamp(a.seated, 0, kMaxSeats);
        next.spectators = std::clamp(a.spectators, 0, kMaxSpectators);
        next.playing = a.playing;
        next.amount = std::clamp(a.amount, 0, kMaxAmount);
        update(next);
        return;
    }
}

void HostedTable::update(const Table& next) {
    if (next == table_)
        return;
    table_ = next;
    emit changed();
}

} // namespace dw::lobby
