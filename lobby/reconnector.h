// Signs in again when a signed-in connection drops: the first attempt after
// a second, then after longer waits up to kMaxWaitMs, each on a Qt timer,
// for as long as the server is down or does not answer. A refused password
// or certificate ends the attempts. An idle lobby whose connection stands
// runs no timer at all.
#pragma once

#include "lobby/xmppclient.h"

#include <QObject>
#include <QTimer>

namespace dw::lobby {

class Reconnector : public QObject {
    Q_OBJECT
public:
    static constexpr int kFirstWaitMs = 1000;
    static constexpr int kMaxWaitMs = 5000;

    explicit Reconnector(XmppClient& client, QObject* parent = nullptr);
    bool isReconnecting() const { return active_; }

signals:
    // Signed in again after a drop.
    void reconnected();
    // The server refused the account or its certificate: no more attempts.
    void gaveUp(dw::lobby::Failure failure);

private:
    void schedule();

    XmppClient& client_;
    QTimer timer_;
    int waitMs_ = kFirstWaitMs;
    bool active_ = false;
};

} // namespace dw::lobby
