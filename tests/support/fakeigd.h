// A small internet gateway device on 127.0.0.1 for tests: serves a device
// description and answers the SOAP actions AddPortMapping,
// DeletePortMapping and GetExternalIPAddress, recording each request and
// keeping its mappings with their leases. It can also misbehave as a
// hostile or broken device does: answer one byte a second, send a
// description without end, give an external address that is none.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>

namespace dw::testing {

class FakeIgd : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kExternalAddress = "203.0.113.7";

    FakeIgd();
    bool ok() const { return server_.isListening(); }
    // The device description URL, for DRIFTWAKE_IGD_URL.
    QString url() const;
    // When set, AddPortMapping is answered with UPnP error 718.
    void setRefusing(bool refusing) { refusing_ = refusing; }
    // When set, AddPortMapping with a lease other than 0 is answered with
    // UPnP error 725 (OnlyPermanentLeasesSupported).
    void setPermanentOnly(bool only) { permanentOnly_ = only; }
    // When set, every answer goes out one byte a second.
    void setSlow(bool slow) { slow_ = slow; }
    // When set, the device description never ends.
    void setEndless(bool endless) { endless_ = endless; }
    // The text given as NewExternalIPAddress, as it is (kExternalAddress
    // unless set).
    void setExternalAddress(const QByteArray& text) { external_ = text; }
    // Mappings whose lease has not ended (a lease of 0 never ends).
    int activeMappings() const;

    // Each SOAP request: the action name and its body.
    struct Call {
        QString action;
        QByteArray body;
    };
    const QList<Call>& calls() const { return calls_; }
    int count(const QString& action) const;
    // The text of <Name> in the last request of `action`.
    QString argument(const QString& action, const QString& name) const;
    // The same for every request of `action`, in order.
    QStringList arguments(const QString& action, const QString& name) const;

private:
    void serve(class QTcpSocket* socket);
    void reply(class QTcpSocket* socket, const QByteArray& status, const QByteArray& body);
    void sendEndless(class QTcpSocket* socket);

    QTcpServer server_;
    QHash<class QTcpSocket*, QByteArray> pending_;
    QList<Call> calls_;
    bool refusing_ = false;
    bool permanentOnly_ = false;
    bool slow_ = false;
    bool endless_ = false;
    QByteArray external_ = kExternalAddress;
    QMap<QString, QDeadlineTimer> mappings_; // by external port
};

} // namespace dw::testing
