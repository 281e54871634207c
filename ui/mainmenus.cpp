#include "ui/mainmenus.h"

#include <QActionGroup>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>

namespace dw {

namespace {

// The choices of the Options menu, in menu order.
constexpr std::array<int, 4> kTextSizes{8, 10, 12, 14};
constexpr std::array<BotSpeed, 3> kBotSpeeds{BotSpeed::Slow, BotSpeed::Normal, BotSpeed::Fast};
constexpr std::array<PilotLevel, 2> kPilotLevels{PilotLevel::Classic, PilotLevel::Expert};

QAction* named(QAction* a, const char* name) {
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

MainMenus::MainMenus(QMenuBar* bar, const QList<QAction*>& chatItems, const Hooks& hooks,
                     QWidget* window)
    : QObject(window) {
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    startGame_ =
        named(file->addAction(QStringLiteral("Start Game"), this, hooks.startGame), "StartGame1");
    startGame_->setEnabled(false);
    file->addSeparator();
    hostGame_ = named(file->addAction(QStringLiteral("Host a Network Game…"), this, hooks.hostGame),
                      "HostGame1");
    joinGame_ = named(file->addAction(QStringLiteral("Join a Network Game…"), this, hooks.joinGame),
                      "JoinGame1");
    named(file->addAction(QStringLiteral("Find Players Online…"), this, hooks.findPlayers),
          "FindPlayers1");
    file->addSeparator();
    named(file->addAction(QStringLiteral("Exit"), this, hooks.exit), "Exit1");

    QMenu* options = bar->addMenu(QStringLiteral("Options"));
    playSounds_ = named(options->addAction(QStringLiteral("Play Sounds")), "PlaySounds1");
    playerPhraseSounds_ =
        named(options->addAction(QStringLiteral("Player Phrase Sounds")), "PlayerPhraseSounds1");
    for (QAction* a : {playSounds_, playerPhraseSounds_}) {
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::triggered, this, hooks.soundsSwitched);
    }
    QMenu* botSpeed = options->addMenu(QStringLiteral("Bot Speed"));
    auto* botGroup = new QActionGroup(window);
    const std::array<const char*, 3> botCaptions{"Slow", "Normal", "Fast"};
    for (std::size_t i = 0; i < kBotSpeeds.size(); ++i) {
        QAction* a = botSpeed->addAction(QString::fromLatin1(botCaptions[i]));
        a->setObjectName(QString::fromLatin1(botCaptions[i]) + QLatin1Char('1'));
        a->setCheckable(true);
        botGroup->addAction(a);
        botSpeedItems_[i] = a;
        connect(a, &QAction::triggered, this, [f = hooks.botSpeed, i] { f(kBotSpeeds[i]); });
    }
    botSpeedItems_[1]->setChecked(true);
    computerPilots_ = options->addMenu(QStringLiteral("Computer Pilots"));
    computerPilots_->setObjectName(QStringLiteral("ComputerPilots1"));
    computerPilots_->setEnabled(false);
    auto* pilotGroup = new QActionGroup(window);
    for (std::size_t i = 0; i < kPilotLevels.size(); ++i) {
        const PilotLevel level = kPilotLevels[i];
        QAction* a = computerPilots_->addAction(
            level == PilotLevel::Expert ? QStringLiteral("Expert") : QStringLiteral("Classic"));
        a->setObjectName(a->text() + QLatin1Char('1'));
        a->setCheckable(true);
        pilotGroup->addAction(a);
        pilotLevelItems_[i] = a;
        connect(a, &QAction::triggered, this, [f = hooks.pilotLevel, level] { f(level); });
    }
    pilotLevelItems_[0]->setChecked(true);
    options->addSeparator();
    named(options->addAction(QStringLiteral("Text Color"), this, hooks.textColour), "TextColor1");
    QMenu* textSize = options->addMenu(QStringLiteral("Text Size"));
    for (std::size_t i = 0; i < kTextSizes.size(); ++i) {
        QAction* a = textSize->addAction(QString::number(kTextSizes[i]));
        a->setObjectName(QStringLiteral("N%1").arg(kTextSizes[i]));
        a->setCheckable(true);
        textSizeItems_[i] = a;
        connect(a, &QAction::triggered, this, [f = hooks.textSize, i] { f(kTextSizes[i]); });
    }
    options->addActions(chatItems);
    named(options->addAction(QStringLiteral("Reset Screen Location"), this,
                             hooks.resetScreenLocation),
          "ResetScreenLocation1");
    options->addSeparator();
    justWatch_ = named(options->addAction(QStringLiteral("Just Watch"), this, hooks.justWatch),
                       "justWatchAction");
    justWatch_->setCheckable(true);

    QMenu* view = bar->addMenu(QStringLiteral("View"));
    named(view->addAction(QStringLiteral("View Tally"), this, hooks.viewTally), "ViewTally1");
    named(view->addAction(QStringLiteral("Spy List"), this, hooks.spyList), "SpyList1");
    named(view->addAction(QStringLiteral("Phrase List"), this, hooks.phraseList), "PrhaseList1");
    view->addSeparator();
    fullScreen_ = named(view->addAction(QStringLiteral("Full Screen"), this, hooks.fullScreen),
                        "FullScreen1");
    fullScreen_->setCheckable(true);
    fullScreen_->setShortcut(QKeySequence(Qt::Key_F11));
    QAction* actual = named(view->addAction(QStringLiteral("Actual Size"), this, hooks.actualSize),
                            "ActualSize1");
    actual->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    QAction* content = named(help->addAction(QStringLiteral("Content"), this, hooks.help), "Help2");
    content->setShortcut(QKeySequence(Qt::Key_F1));
    QAction* quick =
        help->addAction(QStringLiteral("Quick Instructions"), this, hooks.quickInstructions);
    quick->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    help->addSeparator();
    named(help->addAction(QStringLiteral("About"), this, hooks.about), "About1");
    window->installEventFilter(this);
}

void MainMenus::setStartGameEnabled(bool on) {
    startGame_->setEnabled(on);
}

void MainMenus::setHosting(bool on) {
    computerPilots_->setEnabled(on);
}

void MainMenus::setNetworkGame(bool running) {
    hostGame_->setEnabled(!running);
    joinGame_->setEnabled(!running);
}

bool MainMenus::playSounds() const {
    return playSounds_->isChecked();
}

bool MainMenus::playerPhraseSounds() const {
    return playerPhraseSounds_->isChecked();
}

void MainMenus::setSounds(bool play, bool playerPhrases) {
    playSounds_->setChecked(play);
    playerPhraseSounds_->setChecked(playerPhrases);
}

void MainMenus::checkTextSize(int points) {
    for (std::size_t i = 0; i < kTextSizes.size(); ++i)
        textSizeItems_[i]->setChecked(kTextSizes[i] == points);
}

void MainMenus::checkBotSpeed(BotSpeed speed) {
    for (std::size_t i = 0; i < kBotSpeeds.size(); ++i)
        botSpeedItems_[i]->setChecked(kBotSpeeds[i] == speed);
}

void MainMenus::checkPilotLevel(PilotLevel level) {
    for (std::size_t i = 0; i < kPilotLevels.size(); ++i)
        pilotLevelItems_[i]->setChecked(kPilotLevels[i] == level);
}

void MainMenus::checkJustWatch(bool on) {
    justWatch_->setChecked(on);
}

bool MainMenus::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowStateChange)
        fullScreen_->setChecked(static_cast<QWidget*>(watched)->isFullScreen());
    return QObject::eventFilter(watched, event);
}

SeatMenu::SeatMenu(const Hooks& hooks, QWidget* window) : QObject(window) {
    menu_ = new QMenu(window);
    removeFromGame_ = menu_->addAction(QStringLiteral("Remove From Game"), this,
                                       [this, f = hooks.removeFromGame] { f(seat_); });
    setToJustWatch_ = menu_->addAction(QStringLiteral("Set to Just Watch"), this,
                                       [this, f = hooks.setToJustWatch] { f(seat_); });
    unsetJustWatch_ = menu_->addAction(QStringLiteral("Unset Just Watch"), this,
                                       [this, f = hooks.unsetJustWatch] { f(seat_); });
}

void SeatMenu::popup(int seat, QPoint globalPos, bool host, bool taken) {
    removeFromGame_->setEnabled(host && taken);
    setToJustWatch_->setEnabled(host);
    unsetJustWatch_->setEnabled(host);
    seat_ = seat;
    menu_->popup(globalPos);
}

} // namespace dw
