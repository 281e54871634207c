#include "ui/downloadwindow.h"

#include "ui/lobbystart.h"
#include "ui/messagebox.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>

#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QStandardPaths>

namespace dw {

namespace {

constexpr int kWidth = 724;
constexpr int kHeight = 500;
constexpr QSize kClosedSize{320, 120};

const char* const kPlaceholderUrl = "http://korvel-lobby.invalid/lobby/kvlsetup.exe";
const char* const kWindowsLobbyPath = "C:\\Program Files\\Korvel\\KorvelLobby.exe";
const char* const kUnixLobbyPath = "/opt/korvel/korvellobby";
const char* const kUnixLobbyName = "korvellobby";

QFrame* makePanel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(geometry);
    f->setFrameShape(QFrame::StyledPanel);
    return f;
}

QLabel* makeText(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return l;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    return b;
}

// Starts a program with its parameters, detached from the game.
bool runThroughPlatform(const QString& program, const QString& parameters) {
    return QProcess::startDetached(program, QProcess::splitCommand(parameters));
}

} // namespace

QPixmap DownloadWindow::closedPicture(qreal dpr) {
    QPixmap pm(kClosedSize * dpr);
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(QPointF(0, 0), QSizeF(kClosedSize));

    QLinearGradient sky(all.topLeft(), all.bottomLeft());
    sky.setColorAt(0, QColor(4, 6, 24));
    sky.setColorAt(1, QColor(18, 12, 40));
    p.fillRect(all, sky);
    QRandomGenerator stars(7772); // the same sky every time
    for (int i = 0; i < 70; ++i) {
        const QPointF at(stars.bounded(kClosedSize.width()), stars.bounded(kClosedSize.height()));
        const int shade = 110 + stars.bounded(146);
        p.setPen(QPen(QColor(shade, shade, 255), stars.bounded(3) == 0 ? 1.6 : 0.8));
        p.drawPoint(at);
    }

    QFont small(QStringLiteral("Sans Serif"));
    small.setPixelSize(15);
    small.setBold(true);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(small);
    p.setPen(QColor(200, 210, 255));
    p.drawText(QRectF(0, 8, all.width(), 22), Qt::AlignCenter, QStringLiteral("ONLINE PLAY"));

    // The red stamp, tilted a little.
    p.save();
    p.translate(all.center() + QPointF(0, 14));
    p.rotate(-6);
    const QRectF stamp(-128, -30, 256, 60);
    p.setPen(QPen(QColor(225, 20, 20), 4));
    p.setBrush(QColor(120, 0, 0, 70));
    p.drawRoundedRect(stamp, 8, 8);
    QFont big(QStringLiteral("Sans Serif"));
    big.setPixelSize(38);
    big.setBold(true);
    big.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(big);
    p.setPen(QColor(235, 28, 28));
    p.drawText(stamp, Qt::AlignCenter, QStringLiteral("IS CLOSED"));
    p.restore();
    return pm;
}

DownloadWindow::DownloadWindow(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint),
      url_(defaultDownloadUrl()), run_(runThroughPlatform),
      message_([this](const QString& text) { showInformation(this, windowTitle(), text); }) {
    setWindowTitle(QStringLiteral("Download The Korvel Lobby"));
    setObjectName(QStringLiteral("DownloadWindow"));
    setFixedSize(kWidth, kHeight);
    setStyleSheet(QStringLiteral(
        "QDialog { background: #10141c; }"
        "QFrame#panel_download, QFrame#panel_solo, QFrame#panel_lobby { background: white;"
        " border: 1px solid #8090a0; border-radius: 6px; }"
        "QLabel { color: #101010; background: transparent; font-size: 13px; }"
        "QLabel#label_download { font-size: 15px; font-weight: bold; }"
        "QLabel#label_firewall { color: #505050; font-size: 11px; }"
        "QLabel#infolabel { color: #0a4a8a; font-weight: bold; }"
        "QLabel#infolabel3 { color: #8a0a0a; font-weight: bold; }"
        "QPushButton { background: #e8eef4; color: #101010; border: 1px solid #7088a0;"
        " border-radius: 4px; padding: 4px; font-size: 13px; }"
        "QPushButton:hover { background: #d6e4f2; }"
        "QPushButton:default { border: 2px solid #2060a0; }"
        "QPushButton:disabled { color: #909090; background: #f2f2f2; border-color: #c0c0c0; }"
        "QPushButton#getbutton { background: #2e8b2e; color: white; font-weight: bold;"
        " font-size: 12px;"
        " border-color: #1f5f1f; }"
        "QPushButton#getbutton:hover { background: #37a037; }"
        "QPushButton#getbutton:disabled { background: #a8c8a8; color: #eeeeee; }"));

    // Left: the download.
    QFrame* left = makePanel(this, "panel_download", QRect(8, 8, 352, 484));
    image_closed = makeText(left, "image_closed", QString(), QRect(QPoint(16, 28), kClosedSize));
    image_closed->setPixmap(closedPicture(devicePixelRatioF()));
    label_download = makeText(left, "label_download",
                              QStringLiteral("Download The Korvel Lobby Now to play this  and "
                                             "other exciting games online with other players! "),
                              QRect(16, 170, 320, 70));
    getbutton =
        makeButton(left, "getbutton", QStringLiteral("Download And Install The Korvel Lobby Now"),
                   QRect(16, 258, 320, 42));
    abortbutton =
        makeButton(left, "abortbutton", QStringLiteral("Stop Download"), QRect(96, 314, 160, 30));
    abortbutton->setEnabled(false);
    infolabel = makeText(left, "infolabel", QString(), QRect(16, 370, 320, 24));
    infolabel3 = makeText(left, "infolabel3", QString(), QRect(16, 400, 320, 24));
    infolabel2 = makeText(left, "infolabel2", QString(), QRect(16, 430, 320, 24));
    infolabel2->hide();
    setInfoTag(kTagIdle);

    // Upper right: play alone.
    QFrame* solo = makePanel(this, "panel_solo", QRect(368, 8, 348, 238));
    label_solo = makeText(solo, "label_solo",
                          QStringLiteral("To proceed to the game without the ability to play "
                                         "against others click the button below."),
                          QRect(16, 14, 316, 56));
    Button1 = makeButton(solo, "Button1", QStringLiteral("Play Solo Game"), QRect(84, 80, 180, 36));
    Button1->setDefault(true);
    label_firewall =
        makeText(solo, "label_firewall",
                 QStringLiteral("Note: Even if you are playing offline, you will need to "
                                "configure your FIREWALL to allow the game to access the "
                                "internet components."),
                 QRect(16, 132, 316, 90));

    // Lower right: the installed lobby.
    QFrame* lobby = makePanel(this, "panel_lobby", QRect(368, 254, 348, 238));
    label_lobby = makeText(lobby, "label_lobby",
                           QStringLiteral("If you already have The Korvel Lobby and you wish to "
                                          "play with others then click the button below to close "
                                          "this game and open The Korvel Lobby."),
                           QRect(16, 14, 316, 96));
    Button2 =
        makeButton(lobby, "Button2", QStringLiteral("Play with Others"), QRect(84, 124, 180, 36));

    http_ = new QNetworkAccessManager(this);
    http_->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));

    connect(getbutton, &QPushButton::clicked, this, &DownloadWindow::onDownload);
    connect(abortbutton, &QPushButton::clicked, this, &DownloadWindow::onAbort);
    connect(Button1, &QPushButton::clicked, this, &DownloadWindow::onPlaySolo);
    connect(Button2, &QPushButton::clicked, this, &DownloadWindow::onPlayWithOthers);
}

DownloadWindow::~DownloadWindow() {
    // The game ends during a download: it stops, as a stop does.
    if (QNetworkReply* reply = std::exchange(reply_, nullptr)) {
        reply->disconnect(this);
        reply->abort();
        delete reply;
        closeFile(false);
    }
}

void DownloadWindow::closeFile(bool ok) {
    file_.close();
    // Bytes that arrived stay on disk whatever the outcome; a download that
    // failed before its first byte leaves no empty file behind.
    if (!ok && received_ == 0)
        file_.remove();
}

QUrl DownloadWindow::defaultDownloadUrl() {
    const QString fromEnv = qEnvironmentVariable("DRIFTWAKE_LOBBY_URL");
    return QUrl(fromEnv.isEmpty() ? QString::fromLatin1(kPlaceholderUrl) : fromEnv);
}

QString DownloadWindow::targetDirectory() const {
    return targetDir_.isEmpty() ? QCoreApplication::applicationDirPath() : targetDir_;
}

QString DownloadWindow::defaultLobbyPath() {
#ifdef Q_OS_WIN
    return QString::fromLatin1(kWindowsLobbyPath);
#else
    const QString fixed = QString::fromLatin1(kUnixLobbyPath);
    if (QFileInfo::exists(fixed)) {
        return fixed;
    }
    const QString onPath = QStandardPaths::findExecutable(QString::fromLatin1(kUnixLobbyName));
    return onPath.isEmpty() ? fixed : onPath;
#endif
}

QString DownloadWindow::lobbyPath() const {
    return lobbyPath_.isEmpty() ? defaultLobbyPath() : lobbyPath_;
}

void DownloadWindow::openDownload() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
}

int DownloadWindow::infoTag() const {
    return infolabel->property("tag").toInt();
}

void DownloadWindow::setInfoTag(int tag) {
    infolabel->setProperty("tag", tag);
}

void DownloadWindow::onDownload() {
    if (downloading()) {
        return;
    }
    setInfoTag(kTagRunning);
    const QString path = url_.path();
    const QString fileName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    infolabel2->setText(fileName);
    if (fileName.isEmpty()) {
        setInfoTag(kTagFailed);
        infolabel3->setText(QStringLiteral("Download Aborted"));
        message_(QStringLiteral("The download address %1 names no file.").arg(url_.toString()));
        return;
    }

    const QString dir = targetDirectory();
    file_.setFileName(QDir(dir).filePath(fileName));
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        setInfoTag(kTagFailed);
        infolabel3->setText(QStringLiteral("Download Aborted"));
        message_(QStringLiteral("The installer cannot be saved: the folder %1 cannot be written "
                                "to (%2). Run the game from a folder you may write to, or "
                                "install The Korvel Lobby from its web site.")
                     .arg(QDir::toNativeSeparators(dir), file_.errorString()));
        return;
    }

    received_ = 0;
    docBegun_ = false;
    stopped_ = false;
    getbutton->setEnabled(false);
    abortbutton->setEnabled(true);
    infolabel->setText(QStringLiteral("Loading"));
    infolabel3->clear();

    QNetworkRequest request(url_);
    request.setRawHeader("User-Agent", "Mozilla/3.0 (compatible)");
    request.setRawHeader("Accept", "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    QNetworkReply* reply = http_->get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this,
            [this, reply] { HttpCli1HeaderData(reply); });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onDownloadData(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { HttpCli1Finished(reply); });
}

void DownloadWindow::onAbort() {
    QNetworkReply* reply = reply_;
    if (reply == nullptr) {
        return;
    }
    stopped_ = true;
    infolabel->setText(QStringLiteral("Download has been aborted."));
    setInfoTag(kTagFailed);
    infolabel3->setText(QStringLiteral("Download Aborted"));
    reply->abort(); // finishes the reply as a failure
}

void DownloadWindow::HttpCli1HeaderData(QNetworkReply* reply) {
    const qsizetype headers = reply->rawHeaderPairs().size();
    infolabel->setText(infolabel->text() + QString(headers, QLatin1Char('.')));
}

void DownloadWindow::onDownloadData(QNetworkReply* reply) {
    // The body goes into the file whatever the status, as it arrives: after
    // a refusal the file holds what the server sent instead (its error
    // page), and nothing is run.
    const QByteArray piece = reply->readAll();
    if (stopped_ || piece.isEmpty()) {
        return;
    }
    if (!docBegun_) {
        docBegun_ = true;
        infolabel3->setText(QStringLiteral("Downloading: ") + infolabel2->text());
    }
    if (file_.write(piece) != piece.size()) {
        message_(QStringLiteral("The installer cannot be written to %1 (%2).")
                     .arg(QDir::toNativeSeparators(file_.fileName()), file_.errorString()));
        stopped_ = true;
        setInfoTag(kTagFailed);
        infolabel3->setText(QStringLiteral("Download Aborted"));
        reply->abort();
        return;
    }
    received_ += piece.size();
    infolabel->setText(QString::number(received_) + QStringLiteral(" bytes"));
}

void DownloadWindow::HttpCli1Finished(QNetworkReply* reply) {
    if (reply != reply_) {
        return;
    }
    if (reply->bytesAvailable() > 0) {
        onDownloadData(reply);
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    const bool ok = !stopped_ && status < 400 && error == QNetworkReply::NoError;
    QString otherError;
    if (ok) {
        file_.flush();
        infolabel->setText(QStringLiteral("Received ") + QString::number(file_.size()) +
                           QStringLiteral(" bytes"));
    } else {
        infolabel3->setText(QStringLiteral("Download Aborted"));
        setInfoTag(kTagFailed);
        // A refused address or a stop is the download's own failure; anything
        // else (no such host, no connection) is told in words as well.
        if (!stopped_ && status < 400 && error != QNetworkReply::OperationCanceledError) {
            otherError = reply->errorString();
        }
    }
    getbutton->setEnabled(true);
    abortbutton->setEnabled(false);
    const QString path = file_.fileName();
    closeFile(ok);
    reply_ = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    if (!otherError.isEmpty()) {
        message_(QStringLiteral("The download failed: %1").arg(otherError));
    }
    emit downloadFinished(ok);
    if (infoTag() != kTagFailed) {
        install(path);
    }
}

void DownloadWindow::install(const QString& path) {
    infolabel3->setText(QStringLiteral("Installing"));
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    if (run_(QDir::toNativeSeparators(path), QString::fromLatin1(kInstallerParameters))) {
        if (endGame_) {
            endGame_();
        }
    } else {
        message_(QStringLiteral("An Error has Occurred."));
    }
}

void DownloadWindow::onPlaySolo() {
    close();
}

void DownloadWindow::onPlayWithOthers() {
    QString lobby = lobbyPath();
    // Without the lobby at the path named, driftwake-lobby serves.
    if (!QFileInfo::exists(lobby))
        lobby = lobbyProgram();
    if (lobby.isEmpty()) {
        message_(QStringLiteral("Please close the game and open the Korvel Lobby using the icon on "
                                "your desktop or using the your Window's start-up menu."));
        return;
    }
    if (!run_(QDir::toNativeSeparators(lobby), QString())) {
        message_(QStringLiteral("An Error has Occurred."));
        return;
    }
    if (endGame_) {
        endGame_();
    }
}

} // namespace dw
