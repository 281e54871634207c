#include "net/portmapper.h"

#include "net/lanwire.h"

#include <QCoreApplication>

#include <unistd.h>

namespace dw {

namespace {
QString& helperProgram() {
    static QString path;
    return path;
}
} // namespace

PortMapper::PortMapper(QObject* parent) : QObject(parent) {}

PortMapper::~PortMapper() {
    stop();
}

void PortMapper::setHelperProgram(const QString& path) {
    helperProgram() = path;
}

void PortMapper::start(int port) {
    stop();
    answered_ = false;
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A group of its own: Ctrl+C in the terminal reaches only this program,
    // which ends the helper through its input (and so names the signal once).
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(process_, &QProcess::readyReadStandardOutput, this, &PortMapper::readLines);
    connect(process_, &QProcess::finished, this, [this] {
        readLines();
        if (!answered_) {
            answered_ = true;
            emit finished(false, QStringLiteral("The router could not be asked."));
        }
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart && !answered_) {
            answered_ = true;
            emit finished(false, QStringLiteral("The router could not be asked."));
        }
    });
    const QString program =
        helperProgram().isEmpty() ? QCoreApplication::applicationFilePath() : helperProgram();
    process_->start(program, {QStringLiteral("--open-port"), QString::number(port)});
}

void PortMapper::readLines() {
    if (!process_)
        return;
    pending_ += process_->readAllStandardOutput();
    qsizetype nl;
    while ((nl = pending_.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(pending_.left(nl)).trimmed();
        pending_.remove(0, nl + 1);
        if (answered_)
            continue;
        if (line.startsWith(QStringLiteral("mapped "))) {
            const QStringList parts = line.split(QLatin1Char(' '));
            if (parts.size() == 3) {
                external_ = QString::fromStdString(
                    formatHostPort(parts[1].toStdString(), parts[2].toInt()));
                answered_ = true;
                emit finished(true, external_);
            }
        } else if (line.startsWith(QStringLiteral("failed "))) {
            answered_ = true;
            emit finished(false, line.mid(7));
        }
    }
}

void PortMapper::stop() {
    external_.clear();
    pending_.clear();
    if (!process_)
        return;
    QProcess* p = process_;
    process_ = nullptr;
    p->disconnect(this);
    if (p->state() == QProcess::NotRunning) {
        delete p;
        return;
    }
    // The helper removes the mapping when its input ends, and ends. Nobody
    // waits for the router here: the helper is left to finish on its own,
    // even when this program ends first (an unowned QProcess is never
    // killed).
    p->setParent(nullptr);
    QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
    p->closeWriteChannel();
}

} // namespace dw
