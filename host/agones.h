// The headless host as an Agones game server: it tells the Agones SDK
// sidecar of its pod, over the sidecar's local HTTP API, that the table is
// ready, that it is alive, how many pilots sit at it, that it is in use
// (allocated) once a pilot sits down, and that it may be shut down once it
// has done its work: a game has ended, or every pilot left before one
// started, or nobody has sat at it for a long while; never while a seat is
// kept for a player who dropped.
#pragma once

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QNetworkReply;

namespace dw {

// What the sidecar is told about the table.
struct TableState {
    // Playing seats (1 to 4) with a pilot logged in.
    int seated = 0;
    // A game runs.
    bool playing = false;
    // A game has ended (with its winner) and no other has started since.
    bool finished = false;
    // Playing seats kept for a player who dropped and may come back with
    // the seat's key.
    int held = 0;
    // A game has been started at this table.
    bool started = false;
};

class AgonesSdk : public QObject {
    Q_OBJECT
public:
    // The sidecar's HTTP port: AGONES_SDK_HTTP_PORT, or 9358 when that is
    // unset or not a port.
    static quint16 portFromEnvironment();

    struct Timing {
        // A health ping every this many milliseconds.
        int healthMs = 2000;
        // A refused or unanswered "ready" is asked again after this long.
        int retryMs = 1000;
        // A call the sidecar does not answer within this long has failed.
        int timeoutMs = 5000;
        // A table in use that has had no pilot (and no kept seat) this long
        // is shut down, whatever its game.
        int emptyMs = 5 * 60 * 1000;
    };

    // `state` is asked for the table's state whenever the sidecar may need
    // to hear of a change.
    AgonesSdk(std::function<TableState()> state, quint16 sdkPort, Timing timing,
              QObject* parent = nullptr);
    AgonesSdk(std::function<TableState()> state, quint16 sdkPort, QObject* parent = nullptr)
        : AgonesSdk(std::move(state), sdkPort, Timing{}, parent) {}

    // The host listens: says "ready" (until the sidecar takes it) and starts
    // the health pings.
    void start();
    // The table's state may have changed (a pilot came or went): the label
    // follows at once, and the shutdown when it is due.
    void update();

    bool isReady() const { return ready_; }
    bool shutdownSent() const { return shutdownDone_; }

signals:
    // A line for the host's log: calls taken and failed.
    void notice(const QString& text);

private:
    // Sends one call; `done` hears whether the sidecar answered 2xx.
    void call(const QByteArray& verb, const QString& path, const QByteArray& body,
              std::function<void(bool ok)> done);
    void sendReady();
    void sendHealth();
    void failed(const QString& what, QNetworkReply* reply);

    std::function<TableState()> state_;
    quint16 port_;
    Timing timing_;
    QNetworkAccessManager manager_;
    QTimer healthTimer_;
    QTimer retryTimer_;
    bool started_ = false;
    bool ready_ = false;
    bool healthPending_ = false;
    // The seated count the sidecar holds as its label, -1 for none yet, and
    // whether a label call is on its way.
    int labelSent_ = -1;
    bool labelPending_ = false;
    bool allocated_ = false;
    // A pilot has sat at the table; since when it has had none (invalid
    // while it has one, or a kept seat).
    bool pilotSeen_ = false;
    QElapsedTimer emptySince_;
    bool allocatePending_ = false;
    bool shutdownPending_ = false;
    bool shutdownDone_ = false;
    // The sidecar's last failure was already reported (a sidecar that is
    // not there would otherwise fill the log every tick).
    bool failureReported_ = false;
};

} // namespace dw
