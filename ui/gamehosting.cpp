#include "ui/gamehosting.h"

#include "engine/random.h"
#include "host/hostserver.h"
#include "host/lan.h"
#include "host/portmapper.h"

namespace dw {

GameHosting::GameHosting(double timerScale, Hooks hooks, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)), timerScale_(timerScale) {
    renew();
    portmap_ = new PortMapper(this);
    connect(portmap_, &PortMapper::finished, this,
            [this](bool ok, const QString& sentence) { hooks_.routerAnswered(ok, sentence); });
    announcer_ =
        new LanAnnouncer([this] { return server_->announcement(announceId_, hostName_); }, this);
}

void GameHosting::renew() {
    if (server_) {
        server_->disconnect(this);
        // At once, so that its port is free for the next host server.
        delete server_;
    }
    server_ = new HostServer([this] { return hooks_.botDelay(); }, clockSeed(), this);
    server_->setTimerScale(timerScale_);
    connect(server_, &HostServer::diagnosticRaised, this,
            [this](const QString& text) { hooks_.notice(text); });
    server_->core().engine().setPilotLevel(hooks_.pilotLevel());
}

bool GameHosting::listen(int port, bool privately, QString* error) {
    return privately ? server_->listenPrivately(quint16(port), error)
                     : server_->listen(quint16(port), error);
}

bool GameHosting::listening() const {
    return server_->isListening();
}

bool GameHosting::gameRunning() const {
    return server_->isListening() && server_->core().engine().gameInProgress;
}

void GameHosting::announce(const std::string& name) {
    hostName_ = name;
    if (announceId_.empty())
        announceId_ = LanAnnouncer::newId();
    announcer_->start();
}

void GameHosting::openRouterPort(int port) {
    portmap_->start(port);
}

void GameHosting::stop() {
    announcer_->stop();
    portmap_->stop();
}

void GameHosting::shutdown() {
    // The router helper removes the mapping once its input closes.
    if (server_->isListening())
        server_->shutdown();
    portmap_->stop();
    announcer_->stop();
}

void GameHosting::setPilotLevel(PilotLevel level) {
    server_->core().engine().setPilotLevel(level);
}

} // namespace dw
