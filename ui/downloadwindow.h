// The download window of a solo game: play on alone, open the installed
// Korvel Lobby (driftwake-lobby where that is absent), or download the
// lobby's installer over HTTP, run it and end the game.
#pragma once

#include <QDialog>
#include <QFile>
#include <QNetworkReply>
#include <QUrl>

#include <functional>

class QLabel;
class QNetworkAccessManager;
class QPushButton;

namespace dw {

class DownloadWindow : public QDialog {
    Q_OBJECT

public:
    // Starts `program` with the parameter text `parameters` (empty for none)
    // through the platform; false when it could not be started.
    using RunFn = std::function<bool(const QString& program, const QString& parameters)>;
    // Ends the game as the main window's Exit does.
    using EndGameFn = std::function<void()>;
    // Shows a modal notice.
    using MessageFn = std::function<void(const QString&)>;

    // Outcome recorded on `infolabel` (its "tag" property).
    static constexpr int kTagIdle = 0;
    static constexpr int kTagRunning = 1;
    static constexpr int kTagFailed = 2;

    static constexpr const char* kInstallerParameters = "/SP- /silent /noicons";

    explicit DownloadWindow(QWidget* parent = nullptr);
    ~DownloadWindow() override;

    void setEndGame(EndGameFn endGame) { endGame_ = std::move(endGame); }
    void setRunner(RunFn run) { run_ = std::move(run); }
    void setMessage(MessageFn message) { message_ = std::move(message); }

    // Where the installer comes from: DRIFTWAKE_LOBBY_URL when set, else a
    // placeholder address that resolves nowhere.
    static QUrl defaultDownloadUrl();
    void setDownloadUrl(const QUrl& url) { url_ = url; }
    QUrl downloadUrl() const { return url_; }

    // Where the installer is written: the executable's directory unless set.
    void setTargetDirectory(const QString& dir) { targetDir_ = dir; }
    QString targetDirectory() const;

    // The installed lobby program: the fixed Windows path; elsewhere
    // /opt/korvel/korvellobby, or `korvellobby` found on PATH.
    static QString defaultLobbyPath();
    void setLobbyPath(const QString& path) { lobbyPath_ = path; }
    QString lobbyPath() const;

    // Shows the window centred on the desktop without blocking the game.
    void openDownload();

    bool downloading() const { return reply_ != nullptr; }
    int infoTag() const;

    // The window's buttons. "Play Solo Game" only closes the window: a
    // download the player started goes on, and once it arrives the
    // installer runs and the game ends, as the download button promised.
    void onDownload();
    void onAbort();
    void onPlaySolo();
    // "Play with Others": the lobby at lobbyPath(), else driftwake-lobby
    // (lobbyProgram()); the game ends once it runs.
    void onPlayWithOthers();

    QLabel* image_closed = nullptr;
    QLabel* label_download = nullptr;
    QPushButton* getbutton = nullptr;
    QPushButton* abortbutton = nullptr;
    QLabel* infolabel = nullptr;
    QLabel* infolabel2 = nullptr; // hidden: the installer's file name
    QLabel* infolabel3 = nullptr;
    QLabel* label_solo = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* label_firewall = nullptr;
    QLabel* label_lobby = nullptr;
    QPushButton* Button2 = nullptr;

    // The red "IS CLOSED" caption picture.
    static QPixmap closedPicture(qreal dpr = 1.0);

signals:
    // A download has ended (succeeded, failed or stopped) and its outcome is
    // on the labels; emitted before the installer is run.
    void downloadFinished(bool ok);

private:
    void HttpCli1HeaderData(QNetworkReply* reply);
    void onDownloadData(QNetworkReply* reply);
    void HttpCli1Finished(QNetworkReply* reply);
    void setInfoTag(int tag);
    void install(const QString& path);
    // Closes the installer file; a failed download that received nothing
    // removes it.
    void closeFile(bool ok);

    QNetworkAccessManager* http_ = nullptr;
    QNetworkReply* reply_ = nullptr; // the running request
    QFile file_;
    qint64 received_ = 0;
    bool docBegun_ = false;
    bool stopped_ = false;
    QUrl url_;
    QString targetDir_;
    QString lobbyPath_;
    RunFn run_;
    EndGameFn endGame_;
    MessageFn message_;
};

} // namespace dw
