// The main window's menu bar (File, Options, View, Help) and the host's
// menu on a seat's name label. The items keep the object names that tools
// and tests find them by.
#pragma once

#include "store/settings.h"

#include <QObject>
#include <QPoint>

#include <array>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace dw {

class MainMenus : public QObject {
    Q_OBJECT
public:
    // What the items do.
    struct Hooks {
        std::function<void()> startGame, hostGame, joinGame, findPlayers, exit;
        // Play Sounds or Player Phrase Sounds was switched.
        std::function<void()> soundsSwitched;
        std::function<void(BotSpeed)> botSpeed;
        std::function<void(PilotLevel)> pilotLevel;
        std::function<void(int points)> textSize;
        std::function<void()> textColour, resetScreenLocation, justWatch;
        std::function<void()> viewTally, spyList, phraseList, actualSize;
        std::function<void(bool on)> fullScreen;
        std::function<void()> help, quickInstructions, about;
    };

    // `chatItems` go into the Options menu after the text size; `window` is
    // the main window.
    MainMenus(QMenuBar* bar, const QList<QAction*>& chatItems, const Hooks& hooks, QWidget* window);

    // File > Start Game: the host's.
    void setStartGameEnabled(bool on);
    // Options > Computer Pilots: the hosting copy's.
    void setHosting(bool on);
    // A network game that runs is never left from the menu.
    void setNetworkGame(bool running);
    bool playSounds() const;
    bool playerPhraseSounds() const;
    void setSounds(bool play, bool playerPhrases);
    // The check marks of the choices.
    void checkTextSize(int points);
    void checkBotSpeed(BotSpeed speed);
    void checkPilotLevel(PilotLevel level);
    void checkJustWatch(bool on);

protected:
    // View > Full Screen follows the window's state.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* startGame_ = nullptr;
    QAction* hostGame_ = nullptr;
    QAction* joinGame_ = nullptr;
    QAction* playSounds_ = nullptr;
    QAction* playerPhraseSounds_ = nullptr;
    std::array<QAction*, 3> botSpeedItems_{};   // Slow1, Normal1, Fast1
    QMenu* computerPilots_ = nullptr;           // enabled on the hosting copy
    std::array<QAction*, 2> pilotLevelItems_{}; // Classic1, Expert1
    std::array<QAction*, 4> textSizeItems_{};   // N8, N10, N12, N14
    QAction* justWatch_ = nullptr;
    QAction* fullScreen_ = nullptr;
};

// The host's menu on a seat's name label.
class SeatMenu : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void(int seat)> removeFromGame, setToJustWatch, unsetJustWatch;
    };
    SeatMenu(const Hooks& hooks, QWidget* window);

    // `host`: this copy has the host's rights; `taken`: the seat has a pilot.
    void popup(int seat, QPoint globalPos, bool host, bool taken);

private:
    QMenu* menu_ = nullptr;
    QAction* removeFromGame_ = nullptr;
    QAction* setToJustWatch_ = nullptr;
    QAction* unsetJustWatch_ = nullptr;
    int seat_ = 0;
};

} // namespace dw
