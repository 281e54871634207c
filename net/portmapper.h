// The window's side of opening the router port: runs `driftwake
// --open-port PORT` (net/igd.h) as a helper process, reports its answer,
// and ends it (which removes the mapping) when hosting ends. Should this
// program die without ending it, the helper sees its input close and
// removes the mapping all the same.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

namespace dw {

class PortMapper : public QObject {
    Q_OBJECT
public:
    explicit PortMapper(QObject* parent = nullptr);
    ~PortMapper() override;

    // The program run as the helper: this program unless set (tests).
    static void setHelperProgram(const QString& path);

    void start(int port);
    // Removes the mapping (without waiting for the router).
    void stop();
    bool isMapped() const { return !external_.isEmpty(); }
    // "203.0.113.7:7772" once mapped.
    QString externalAddress() const { return external_; }

signals:
    // The router answered: `ok` with externalAddress(), or a sentence why not.
    void finished(bool ok, const QString& sentence);

private:
    void readLines();

    QProcess* process_ = nullptr;
    QByteArray pending_;
    QString external_;
    bool answered_ = false;
};

} // namespace dw
