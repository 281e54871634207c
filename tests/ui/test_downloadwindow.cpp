// The lobby download window against a small HTTP server on 127.0.0.1.
#include "ui/downloadwindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using dw::DownloadWindow;

namespace {

QByteArray body(int size, char seed) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i) {
        b[i] = static_cast<char>(seed + i * 7);
    }
    return b;
}

// Answers GET requests by path:
//   /lobby/kvlsetup.exe   200 with kBigBody
//   /small/kvlsetup.exe   200 with kSmallBody
//   /slow/kvlsetup.exe    200 announcing 1 MB; 1000 bytes on sendSlowPiece(), the rest
//                         on finishSlow()
//   /bare/kvlsetup.exe    404 with no page at all
//   anything else         404 with a short page
class HttpServer : public QTcpServer {
public:
    static inline const QByteArray kBigBody = body(50000, 'a');
    static inline const QByteArray kSmallBody = body(10, 'z');

    HttpServer() {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] { serve(s); });
            }
        });
        listen(QHostAddress::LocalHost, 0);
    }

    QUrl url(const char* path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path));
    }

    QList<QByteArray> requests; // every request's head, as received

    static constexpr int kSlowSize = 1 << 20;

    // Sends the slow download's first 1000 bytes.
    void sendSlowPiece() {
        if (slow_ != nullptr) {
            slow_->write(body(1000, 'q'));
        }
    }
    // Sends the rest of the slow download and ends it.
    void finishSlow() {
        if (slow_ != nullptr) {
            slow_->write(body(kSlowSize - 1000, 'r'));
            slow_->disconnectFromHost();
        }
    }

private:
    QByteArray pending_;
    QPointer<QTcpSocket> slow_;

    void serve(QTcpSocket* s) {
        pending_ += s->readAll();
        const qsizetype end = pending_.indexOf("\r\n\r\n");
        if (end < 0) {
            return;
        }
        const QByteArray head = pending_.left(end);
        pending_.remove(0, end + 4);
        requests << head;
        const QByteArray path = head.split(' ').value(1);
        if (path == "/lobby/kvlsetup.exe") {
            reply(s, "200 OK", kBigBody, kBigBody.size());
        } else if (path == "/small/kvlsetup.exe") {
            reply(s, "200 OK", kSmallBody, kSmallBody.size());
        } else if (path == "/slow/kvlsetup.exe") {
            // The head now, a piece of the body when the test asks for it.
            reply(s, "200 OK", QByteArray(), kSlowSize);
            slow_ = s;
        } else if (path == "/bare/kvlsetup.exe") {
            reply(s, "404 Not Found", QByteArray(), 0);
        } else {
            reply(s, "404 Not Found", "<html>no such file</html>", 25);
        }
    }

    static void reply(QTcpSocket* s, const char* status, const QByteArray& data, qint64 length) {
        s->write(QByteArray("HTTP/1.1 ") + status +
                 "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                 QByteArray::number(length) + "\r\n\r\n" + data);
        if (data.size() == length) {
            s->disconnectFromHost();
        }
    }
};

struct Run {
    QString program;
    QString parameters;
};

} // namespace

class DownloadWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<HttpServer> server_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<DownloadWindow> win_;
    std::vector<Run> runs_;
    QStringList messages_;
    int ends_ = 0;
    bool runSucceeds_ = true;

    QString installerPath() const { return dir_->filePath(QStringLiteral("kvlsetup.exe")); }

    QByteArray installerContent() const {
        QFile f(installerPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    // Starts the download of `url` and waits for it to end; its outcome.
    bool download(const QUrl& url) {
        QSignalSpy done(win_.get(), &DownloadWindow::downloadFinished);
        win_->setDownloadUrl(url);
        win_->getbutton->click();
        if (!done.wait(10000)) {
            return false;
        }
        return done.first().first().toBool();
    }

private slots:
    void init() {
        server_ = std::make_unique<HttpServer>();
        QVERIFY(server_->isListening());
        dir_ = std::make_unique<QTemporaryDir>();
        runs_.clear();
        messages_.clear();
        ends_ = 0;
        runSucceeds_ = true;
        win_ = std::make_unique<DownloadWindow>();
        win_->setTargetDirectory(dir_->path());
        win_->setRunner([this](const QString& program, const QString& parameters) {
            runs_.push_back({program, parameters});
            return runSucceeds_;
        });
        win_->setEndGame([this] { ++ends_; });
        win_->setMessage([this](const QString& text) { messages_ << text; });
    }
    void cleanup() {
        win_.reset();
        server_.reset();
        dir_.reset();
    }

    void defaultAddress() {
        qunsetenv("DRIFTWAKE_LOBBY_URL");
        const QUrl placeholder = DownloadWindow::defaultDownloadUrl();
        QVERIFY(placeholder.host().endsWith(QStringLiteral(".invalid")));
        QCOMPARE(placeholder.path(), QStringLiteral("/lobby/kvlsetup.exe"));
        qputenv("DRIFTWAKE_LOBBY_URL", "http://127.0.0.1:9/lobby/kvlsetup.exe");
        QCOMPARE(DownloadWindow::defaultDownloadUrl(),
                 QUrl(QStringLiteral("http://127.0.0.1:9/lobby/kvlsetup.exe")));
        qunsetenv("DRIFTWAKE_LOBBY_URL");
    }

    void successInstallsAndEndsTheGame() {
        QVERIFY(download(server_->url("/lobby/kvlsetup.exe")));
        QCOMPARE(win_->infolabel->text(), QStringLiteral("Received 50000 bytes"));
        QCOMPARE(win_->infolabel3->text(), QStringLiteral("Installing"));
        QCOMPARE(win_->infolabel2->text(), QStringLiteral("kvlsetup.exe"));
        QCOMPARE(win_->infoTag(), DownloadWindow::kTagRunning);
        QCOMPARE(installerContent(), HttpServer::kBigBody);
        QCOMPARE(runs_.size(), std::size_t{1});
        QCOMPARE(runs_[0].program, QDir::toNativeSeparators(installerPath()));
        QCOMPARE(runs_[0].parameters, QStringLiteral("/SP- /silent /noicons"));
        QCOMPARE(ends_, 1);
        QVERIFY(messages_.isEmpty());
        QVERIFY(win_->getbutton->isEnabled());
        QVERIFY(!win_->abortbutton->isEnabled());

        // The request as sent: the request line, and each header the
        // download sets, by value. Qt's network module speaks HTTP/1.1 only.
        QCOMPARE(server_->requests.size(), 1);
        const QList<QByteArray> lines = server_->requests[0].split('\n');
        QCOMPARE(lines[0].trimmed(), QByteArray("GET /lobby/kvlsetup.exe HTTP/1.1"));
        QMap<QByteArray, QByteArray> headers;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            QVERIFY(colon > 0);
            headers.insert(lines[i].left(colon).toLower(), lines[i].mid(colon + 1).trimmed());
        }
        QCOMPARE(headers.value("user-agent"), QByteArray("Mozilla/3.0 (compatible)"));
        QCOMPARE(headers.value("accept"),
                 QByteArray("image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*"));

        // A second click starts over and overwrites the file; an installer
        // that cannot be started leaves the game running.
        runSucceeds_ = false;
        QVERIFY(download(server_->url("/small/kvlsetup.exe")));
        QCOMPARE(win_->infolabel->text(), QStringLiteral("Received 10 bytes"));
        QCOMPARE(installerContent(), HttpServer::kSmallBody);
        QCOMPARE(runs_.size(), std::size_t{2});
        QCOMPARE(messages_, QStringList{QStringLiteral("An Error has Occurred.")});
        QCOMPARE(ends_, 1);
    }

    void refusedAddressRunsNothing() {
        QVERIFY(!download(server_->url("/gone/kvlsetup.exe")));
        QCOMPARE(win_->infolabel3->text(), QStringLiteral("Download Aborted"));
        QCOMPARE(win_->infoTag(), DownloadWindow::kTagFailed);
        QVERIFY(runs_.empty());
        QCOMPARE(ends_, 0);
        QVERIFY(messages_.isEmpty());
        // What arrived stays on disk, as after a stop: here the server's page.
        QCOMPARE(installerContent(), QByteArray("<html>no such file</html>"));
        QVERIFY(win_->getbutton->isEnabled());
        QVERIFY(!win_->abortbutton->isEnabled());

        // A refusal that brings no bytes at all leaves no file behind, even
        // where an earlier download had left one.
        QVERIFY(!download(server_->url("/bare/kvlsetup.exe")));
        QCOMPARE(win_->infolabel3->text(), QStringLiteral("Download Aborted"));
        QVERIFY(!QFile::exists(installerPath()));
        QVERIFY(runs_.empty());
    }

    void noServerIsToldInWords() {
        const quint16 port = server_->serverPort();
        server_->close();
        QVERIFY(
            !download(QUrl(QStringLiteral("http://127.0.0.1:%1/lobby/kvlsetup.exe").arg(port))));
        QCOMPARE(win_->infolabel3->text(), QStringLiteral("Download Aborted"));
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].startsWith(QStringLiteral("The download failed: ")));
        QVERIFY(runs_.empty());
        QVERIFY(!QFile::exists(installerPath())); // nothing arrived, nothing is left
    }

    void stopDuringTransfer() {
        QSignalSpy done(win_.get(), &DownloadWindow::downloadFinished);
        win_->setDownloadUrl(server_->url("/slow/kvlsetup.exe"));
        win_->getbutton->click();
        QVERIFY(!win_->getbutton->isEnabled());
        QVERIFY(win_->abortbutton->isEnabled());
        QCOMPARE(win_->infolabel->text(), QStringLiteral("Loading"));
        // One dot per response header (Content-Type and Content-Length), then
        // the count of bytes once the body comes.
        QTRY_COMPARE_WITH_TIMEOUT(win_->infolabel->text(), QStringLiteral("Loading.."), 10000);
        QVERIFY(win_->infolabel3->text().isEmpty());
        server_->sendSlowPiece();
        QTRY_COMPARE_WITH_TIMEOUT(win_->infolabel->text(), QStringLiteral("1000 bytes"), 10000);
        QCOMPARE(win_->infolabel3->text(), QStringLiteral("Downloading: kvlsetup.exe"));

        win_->abortbutton->click();
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 10000);
        QCOMPARE(done.first().first().toBool(), false);
        QCOMPARE(win_->infolabel->text(), QStringLiteral("Download has been aborted."));
        QCOMPARE(win_->infolabel3->text(), QStringLiteral("Download Aborted"));
        QCOMPARE(win_->infoTag(), DownloadWindow::kTagFailed);
        QVERIFY(win_->getbutton->isEnabled());
        QVERIFY(!win_->abortbutton->isEnabled());
        QVERIFY(!win_->downloading());
        QVERIFY(runs_.empty());
        QCOMPARE(ends_, 0);
        QVERIFY(messages_.isEmpty());
        QCOMPARE(installerContent(), body(1000, 'q')); // the partial file stays
    }

    void playSoloKeepsTheDownloadGoing() {
        QSignalSpy done(win_.get(), &DownloadWindow::downloadFinished);
        win_->openDownload();
        QVERIFY(QTest::qWaitForWindowExposed(win_.get()));
        win_->setDownloadUrl(server_->url("/slow/kvlsetup.exe"));
        win_->getbutton->click();
        QTRY_COMPARE_WITH_TIMEOUT(win_->infolabel->text(), QStringLiteral("Loading.."), 10000);
        server_->sendSlowPiece();
        QTRY_COMPARE_WITH_TIMEOUT(win_->infolabel->text(), QStringLiteral("1000 bytes"), 10000);
        win_->Button1->click();
        QVERIFY(!win_->isVisible());
        QTest::qWait(50);
        QVERIFY(win_->downloading());
        QVERIFY(done.isEmpty());

        // The rest arrives with the window closed: the installer runs and
        // the game ends, as the download button said it would.
        server_->finishSlow();
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 10000);
        QCOMPARE(done.first().first().toBool(), true);
        QCOMPARE(installerContent().size(), qsizetype(HttpServer::kSlowSize));
        QCOMPARE(runs_.size(), std::size_t{1});
        QCOMPARE(ends_, 1);
    }

    void stopBeforeAnyByteLeavesNoFile() {
        QSignalSpy done(win_.get(), &DownloadWindow::downloadFinished);
        win_->setDownloadUrl(server_->url("/slow/kvlsetup.exe"));
        win_->getbutton->click();
        QTRY_COMPARE_WITH_TIMEOUT(win_->infolabel->text(), QStringLiteral("Loading.."), 10000);
        win_->abortbutton->click();
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 10000);
        QVERIFY(!QFile::exists(installerPath()));
        // Ending the game during a download that has received nothing
        // leaves no file either.
        win_->getbutton->click();
        QTRY_COMPARE_WITH_TIMEOUT(win_->infolabel->text(), QStringLiteral("Loading.."), 10000);
        QVERIFY(QFile::exists(installerPath()));
        win_.reset();
        QVERIFY(!QFile::exists(installerPath()));
    }

    void unwritableFolder() {
        // A folder path running through a plain file cannot be written by anyone.
        QFile blocker(dir_->filePath(QStringLiteral("plainfile")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString folder = dir_->filePath(QStringLiteral("plainfile/sub"));
        win_->setTargetDirectory(folder);
        win_->setDownloadUrl(server_->url("/lobby/kvlsetup.exe"));
        win_->getbutton->click();
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].contains(QStringLiteral("cannot be written")));
        QVERIFY(messages_[0].contains(QDir::toNativeSeparators(folder)));
        QCOMPARE(win_->infolabel3->text(), QStringLiteral("Download Aborted"));
        QCOMPARE(win_->infoTag(), DownloadWindow::kTagFailed);
        QVERIFY(win_->getbutton->isEnabled());
        QVERIFY(!win_->abortbutton->isEnabled());
        QVERIFY(!win_->downloading());
        QTest::qWait(50);
        QVERIFY(server_->requests.isEmpty());
        QVERIFY(runs_.empty());
    }

    void playSoloAndPlayWithOthers() {
        win_->openDownload();
        QVERIFY(QTest::qWaitForWindowExposed(win_.get()));
        win_->Button1->click();
        QVERIFY(!win_->isVisible());
        QCOMPARE(ends_, 0);

        // Neither the path named nor driftwake-lobby on the PATH.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", dir_->path().toUtf8());
        win_->setLobbyPath(dir_->filePath(QStringLiteral("nolobby")));
        win_->Button2->click();
        qputenv("PATH", path);
        QCOMPARE(messages_,
                 QStringList{QStringLiteral(
                     "Please close the game and open the Korvel Lobby using the icon on your "
                     "desktop or using the your Window's start-up menu.")});
        QVERIFY(runs_.empty());
        QCOMPARE(ends_, 0);

        const QString lobby = dir_->filePath(QStringLiteral("korvellobby"));
        QFile f(lobby);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        win_->setLobbyPath(lobby);
        win_->Button2->click();
        QCOMPARE(runs_.size(), std::size_t{1});
        QCOMPARE(runs_[0].program, QDir::toNativeSeparators(lobby));
        QVERIFY(runs_[0].parameters.isEmpty());
        QCOMPARE(ends_, 1);
    }

    void playWithOthersStartsDriftwakeLobbyWhenTheNamedOneIsAbsent() {
        // An executable driftwake-lobby on the PATH.
        const QString bin = dir_->filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        QFile f(bin + QStringLiteral("/driftwake-lobby"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toUtf8());
        win_->setLobbyPath(dir_->filePath(QStringLiteral("nolobby")));
        win_->Button2->click();
        qputenv("PATH", path);
        QCOMPARE(runs_.size(), std::size_t{1});
        QCOMPARE(QFileInfo(runs_[0].program).canonicalFilePath(), QFileInfo(f).canonicalFilePath());
        QVERIFY(runs_[0].parameters.isEmpty());
        QCOMPARE(ends_, 1);
        QVERIFY(messages_.isEmpty());

        // It could not be started: the game stays.
        runSucceeds_ = false;
        qputenv("PATH", bin.toUtf8());
        win_->Button2->click();
        qputenv("PATH", path);
        QCOMPARE(messages_, QStringList{QStringLiteral("An Error has Occurred.")});
        QCOMPARE(ends_, 1);
    }
};

QTEST_MAIN(DownloadWindowTest)
#include "test_downloadwindow.moc"
