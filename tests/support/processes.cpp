#include "tests/support/processes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTest>

#include <csignal>

namespace dw::testing {

quint16 freePort() {
    // Below the kernel's range for outgoing connections (32768 up), so that
    // no client socket of another test takes the port before its program
    // listens on it; at random, so that tests running side by side rarely
    // try the same one.
    constexpr quint32 kFirst = 20000;
    constexpr quint32 kLast = 32767;
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port =
            static_cast<quint16>(QRandomGenerator::global()->bounded(kFirst, kLast + 1));
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port))
            return port;
    }
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

LaunchOptions soloLaunch() {
    LaunchOptions options;
    options.mode = LaunchMode::Solo;
    options.playerName = "You";
    options.hostAddress = "127.0.0.1";
    options.port = freePort();
    return options;
}

ProgramCopy::ProgramCopy() {
    const QString bin = qEnvironmentVariable("DRIFTWAKE_BIN");
    if (bin.isEmpty() || !dir_.isValid())
        return;
    const QString target = dir_.filePath(QStringLiteral("driftwake"));
    if (QFile::copy(bin, target))
        path_ = target;
}

QProcessEnvironment Running::environment(const ProgramCopy& copy, bool gui) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (gui) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"),
                   QStringLiteral("driftwake.status.info=true"));
    }
    // Hosts started by tests announce themselves on this machine only.
    if (!env.contains(QStringLiteral("DRIFTWAKE_LAN_SCOPE")))
        env.insert(QStringLiteral("DRIFTWAKE_LAN_SCOPE"), QStringLiteral("loopback"));
    // Keep the user's data directory out of the test.
    env.insert(QStringLiteral("XDG_DATA_HOME"), copy.dir() + QStringLiteral("/xdg"));
    return env;
}

Running::Running(const ProgramCopy& copy, const QStringList& args, bool gui)
    : Running(copy, args, environment(copy, gui)) {}

Running::Running(const ProgramCopy& copy, const QStringList& args, const QProcessEnvironment& env) {
    process_.setProcessEnvironment(env);
    process_.setWorkingDirectory(copy.dir());
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(copy.path(), args);
    process_.waitForStarted(10000);
}

Running::~Running() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QString Running::output() {
    out_ += process_.readAll();
    return QString::fromUtf8(out_);
}

bool Running::waitForOutput(const QString& text, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!output().contains(text)) {
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
            return output().contains(text);
        process_.waitForReadyRead(50);
    }
    return true;
}

int Running::terminate(int timeoutMs) {
    if (process_.state() == QProcess::NotRunning)
        return process_.exitCode();
    ::kill(pid_t(process_.processId()), SIGTERM);
    if (!process_.waitForFinished(timeoutMs))
        return -1;
    output();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

bool RawClient::connectTo(quint16 port, int timeoutMs) {
    socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
    return socket_.waitForConnected(timeoutMs);
}

int RawClient::login(quint16 port, const std::string& name) {
    if (!connectTo(port))
        return 0;
    const auto hello = waitFor<msg::SendLoginInfo>(5000);
    if (!hello)
        return 0;
    const int seat = hello->seat;
    send(msg::LoginInfo{seat, std::string(kVersion), name});
    const auto arrived = waitFor<msg::NewPlayerInfo>(
        [seat](const msg::NewPlayerInfo& m) { return m.seat == seat; }, 5000);
    return arrived ? seat : 0;
}

void RawClient::send(const std::string& message) {
    socket_.write(message.data(), qint64(message.size()));
    socket_.flush();
}

void RawClient::pump(int timeoutMs) {
    // A host in this same process needs its events handled meanwhile.
    if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(timeoutMs))
        QCoreApplication::processEvents();
    const QByteArray data = socket_.readAll();
    framer_.feed(std::string_view(data.constData(), std::size_t(data.size())), received_);
}

bool RawClient::waitForMatch(const std::function<bool(const std::string&)>& wanted, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (!received_.empty()) {
            std::string m = std::move(received_.front());
            received_.pop_front();
            if (wanted(m))
                return true;
        }
        // What arrived before a close is still read.
        if (deadline.hasExpired() ||
            (socket_.state() != QAbstractSocket::ConnectedState && socket_.bytesAvailable() == 0))
            return false;
        pump(50);
    }
}

} // namespace dw::testing
