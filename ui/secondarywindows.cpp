#include "ui/secondarywindows.h"

#include "store/settings.h"
#include "ui/aboutwindow.h"
#include "ui/boardwidget.h"
#include "ui/downloadwindow.h"
#include "ui/gameoptionsdialog.h"
#include "ui/gameview.h"
#include "ui/helpwindow.h"
#include "ui/messagebox.h"
#include "ui/phraseswindow.h"
#include "ui/tallywindow.h"
#include "ui/watcherlist.h"
#include "ui/windowsettings.h"

#include <QMessageBox>

namespace dw {

SecondaryWindows::SecondaryWindows(QWidget* window, GameView& view, WindowSettings& files,
                                   const Hooks& hooks)
    : QObject(window), window_(window), view_(view) {
    about_ = new AboutWindow(window);
    watchers_ = new WatcherList(window);
    watchers_->setKick([this](int seat) { view_.removeFromGame(seat); });
    help_ = new HelpWindow(window);
    connect(help_, &HelpWindow::aboutRequested, about_, &AboutWindow::openAbout);
    gameOptions_ = new GameOptionsDialog(window);
    connect(gameOptions_, &GameOptionsDialog::startRequested, this,
            [startGame = hooks.startGame](const std::string& message) { startGame(message); });
    connect(view_.board(), &BoardWidget::startClicked, this, &SecondaryWindows::openGameOptions);
    phrases_ = new PhrasesWindow(
        view_.chat(),
        [&files](const PhraseTexts& texts) {
            files.saveWith([&files, &texts] { return savePhrasesFile(files.iniPath(), texts); });
        },
        window);
    tally_ = new TallyWindow(files.tally(), window);
    connect(tally_, &TallyWindow::ownTotalsReset, this,
            [this, &files] { view_.model().setOwnLightyears(files.tally().ownLightyears()); });
    download_ = new DownloadWindow(window);
    download_->setEndGame(hooks.endGame);
}

void SecondaryWindows::openGameOptions() {
    if (!view_.model().state().loggedIn) {
        showInformation(window_, QStringLiteral("Driftwake"),
                        QStringLiteral("You are not connected"));
        return;
    }
    gameOptions_->setPlayerName(view_.model().state().playerName);
    gameOptions_->show();
    gameOptions_->raise();
}

void SecondaryWindows::clearWatchers() {
    const QStringList spies = watchers_->spies();
    for (const QString& spy : spies)
        watchers_->removeSpy(spy);
}

void SecondaryWindows::notice(const QString& text) {
    constexpr int kNoticeLines = 6;
    noticeLines_.append(text);
    while (noticeLines_.size() > kNoticeLines)
        noticeLines_.removeFirst();
    if (!notice_) {
        notice_ = new QMessageBox(QMessageBox::Information, QStringLiteral("Driftwake"), QString(),
                                  QMessageBox::Ok, plainParent(window_));
        notice_->setTextFormat(Qt::PlainText);
        notice_->setModal(false);
        notice_->setAttribute(Qt::WA_DeleteOnClose);
        connect(notice_, &QMessageBox::finished, this, [this] { noticeLines_.clear(); });
    }
    notice_->setText(noticeLines_.join(QLatin1Char('\n')));
    notice_->show();
}

} // namespace dw
