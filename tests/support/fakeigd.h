// A small internet gateway device on 127.0.0.1 for tests: serves a device
// description and answers the SOAP actions AddPortMapping,
// DeletePortMapping and GetExternalIPAddress, recording each request.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
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

    // Each SOAP request: the action name and its body.
    struct Call {
        QString action;
        QByteArray body;
    };
    const QList<Call>& calls() const { return calls_; }
    int count(const QString& action) const;
    // The text of <Name> in the last request of `action`.
    QString argument(const QString& action, const QString& name) const;

private:
    void serve(class QTcpSocket* socket);

    QTcpServer server_;
    QHash<class QTcpSocket*, QByteArray> pending_;
    QList<Call> calls_;
    bool refusing_ = false;
};

} // namespace dw::testing
