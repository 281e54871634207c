// The window's side of opening the router port: runs `driftwake
// --open-port PORT` (host/igd.h) as a helper process, reports its answer,
// and ends it (which removes the mapping) when hosting ends. Should this
// program die without ending it, the helper sees its input close and
// removes the mapping all the same.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

namespace dw {

class PortMapper : public QObject {
    Q_OBJECT
public:
    explicit PortMapper(QObject* parent = nullptr);
    ~PortMapper() override;

    // How long the window waits for the helper's answer. The helper gives
    // up on a router well before; this bounds a helper that hangs.
    static constexpr int kAnswerMs = 20000;

    // The program run as the helper: this program unless set (tests), and
    // the wait for its answer (0: kAnswerMs).
    static void setHelperProgram(const QString& path, int answerMs = 0);

    void start(int port);
    // Removes the mapping (without waiting for the router).
    void stop();
    bool isMapped() const { return !external_.isEmpty(); }
    // "203.0.113.7:7772" once mapped.
    QString externalAddress() const { return external_; }

signals:
    // The router answered: `ok` with externalAddress(), or a sentence why
    // not. Comes once for each start(), within the answer time.
    void finished(bool ok, const QString& sentence);

private:
    void readLines();
    // The one answer of this start; a failure also ends the helper.
    void answer(bool ok, const QString& sentence);

    QProcess* process_ = nullptr;
    QByteArray pending_;
    QString external_;
    bool answered_ = false;
    QTimer answerTimer_;
};

} // namespace dw
