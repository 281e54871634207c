#include "lobby/reconnector.h"

#include <algorithm>

namespace dw::lobby {

Reconnector::Reconnector(XmppClient& client, QObject* parent) : QObject(parent), client_(client) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { client_.reconnect(); });
    connect(&client_, &XmppClient::disconnected, this, [this](Failure f) {
        if (f == Failure::None)
            return; // signed out on purpose
        active_ = true;
        waitMs_ = kFirstWaitMs;
        schedule();
    });
    connect(&client_, &XmppClient::failed, this, [this](Failure f) {
        if (!active_)
            return; // the sign-in window's own attempt
        if (f == Failure::ServerDown || f == Failure::TimedOut || f == Failure::Lost) {
            schedule();
            return;
        }
        active_ = false;
        emit gaveUp(f);
    });
    connect(&client_, &XmppClient::signedIn, this, [this] {
        timer_.stop();
        if (!active_)
            return;
        active_ = false;
        emit reconnected();
    });
}

void Reconnector::schedule() {
    timer_.start(waitMs_);
    waitMs_ = std::min(waitMs_ * 2, kMaxWaitMs);
}

} // namespace dw::lobby
