// One window of the game per user and install: a second copy creates no
// window and brings the first one forward instead.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace dw {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another copy runs; it has then been asked to come forward.
    // Otherwise this copy holds the lock until it ends.
    bool anotherRunning();
    // The window to bring forward when a later copy starts.
    void setWindow(QWidget* window) { window_ = window; }

private:
    void bringForward();

    QString key_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    QPointer<QWidget> window_;
};

} // namespace dw
