// One window of the game per user, install and data directory: a second
// copy creates no window and brings the first one forward instead. Copies
// with separate data directories (DRIFTWAKE_DATA_DIR) run side by side.
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
    // `dataDirectory` holds the settings and tally files this copy uses.
    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another copy runs; it has then been asked to come forward.
    // Otherwise this copy holds the lock until it ends.
    bool anotherRunning();
    // The window to bring forward when a later copy starts.
    void setWindow(QWidget* window) { window_ = window; }

    // True when a copy of the game installed in `programDirectory` runs with
    // `dataDirectory`, for a program that starts games (the lobby). The
    // copy is asked nothing and does not come forward.
    static bool running(const QString& dataDirectory, const QString& programDirectory);

private:
    void bringForward();

    QString key_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    QPointer<QWidget> window_;
};

} // namespace dw
