#include "host/portmapper.h"

#include "protocol/lanwire.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <unistd.h>

namespace dw {

namespace {
QString& helperProgram() {
    static QString path;
    return path;
}
int& answerMs() {
    static int ms = PortMapper::kAnswerMs;
    return ms;
}
} // namespace

PortMapper::PortMapper(QObject* parent) : QObject(parent) {
    answerTimer_.setSingleShot(true);
    connect(&answerTimer_, &QTimer::timeout, this,
            [this] { answer(false, QStringLiteral("The router did not answer in time.")); });
}

PortMapper::~PortMapper() {
    stop();
}

void PortMapper::setHelperProgram(const QString& path, int ms) {
    helperProgram() = path;
    answerMs() = ms > 0 ? ms : kAnswerMs;
}

void PortMapper::answer(bool ok, const QString& sentence) {
    if (answered_)
        return;
    answered_ = true;
    answerTimer_.stop();
    if (!ok) {
        // The helper removes whatever it made once its input ends.
        stop();
    }
    emit finished(ok, sentence);
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
        answer(false, QStringLiteral("The router could not be asked."));
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            answer(false, QStringLiteral("The router could not be asked."));
    });
    answerTimer_.start(answerMs());
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
            // "mapped ADDRESS PORT", the address an IP address: anything
            // else is never offered to friends as the place to join.
            const QStringList parts = line.split(QLatin1Char(' '));
            bool portOk = false;
            const int port = parts.size() == 3 ? parts[2].toInt(&portOk) : 0;
            const QHostAddress address(parts.size() == 3 ? parts[1] : QString());
            if (parts.size() != 3 || address.isNull() || !portOk || port < 1 || port > 65535) {
                answer(false, QStringLiteral("The router did not give a valid public address, "
                                             "so the port was not opened."));
                return;
            }
            external_ =
                QString::fromStdString(formatHostPort(address.toString().toStdString(), port));
            answer(true, external_);
        } else if (line.startsWith(QStringLiteral("failed "))) {
            answer(false, line.mid(7));
        }
    }
}

void PortMapper::stop() {
    answerTimer_.stop();
    external_.clear();
    pending_.clear();
    if (!process_)
        return;
    QProcess* p = process_;
    process_ = nullptr;
    p->disconnect(this);
    if (p->state() == QProcess::NotRunning) {
        p->deleteLater(); // this may run in one of its own signals
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
