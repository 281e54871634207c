#include "lobby/agonesaddress.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace dw::lobby {

namespace {

// A host name or an IP address, as Kubernetes reports a node's.
constexpr qsizetype kMaxAddress = 253;

} // namespace

std::optional<HostPort> gameServerAddress(const QByteArray& json) {
    if (json.size() > kMaxGameServerBytes)
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    const QJsonObject status = doc.object().value(QStringLiteral("status")).toObject();
    const QString address = status.value(QStringLiteral("address")).toString();
    if (address.isEmpty() || address.size() > kMaxAddress)
        return std::nullopt;
    int port = 0;
    for (const QJsonValue& p : status.value(QStringLiteral("ports")).toArray()) {
        const QJsonObject o = p.toObject();
        const int value = o.value(QStringLiteral("port")).toInt();
        if (value < 1 || value > 65535)
            continue;
        if (o.value(QStringLiteral("name")).toString() == QStringLiteral("game")) {
            port = value;
            break;
        }
        if (port == 0)
            port = value;
    }
    if (port == 0)
        return std::nullopt;
    // The address as text, checked like any other: a name or an IP address
    // made of the characters those use.
    for (const QChar c : address)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != '.' && c != '-' && c != ':')
            return std::nullopt;
    return HostPort{address.toStdString(), port};
}

} // namespace dw::lobby
