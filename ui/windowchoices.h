// The user's choices as the window applies them: text size and colour, the
// computer pilots' speed and level, the game options' defaults, the phrases,
// the sounds and the screen location; read from the settings file at login
// and gathered to be written back (WindowSettings keeps the files).
#pragma once

#include "store/settings.h"

#include <QObject>

class QWidget;

namespace dw {

class GameHosting;
class GameOptionsDialog;
class GameView;
class MainMenus;
class WindowSettings;

class WindowChoices : public QObject {
    Q_OBJECT
public:
    WindowChoices(QWidget* window, WindowSettings& files, GameView& view, MainMenus& menus,
                  GameOptionsDialog& gameOptions, GameHosting& hosting);

    // Reads the settings file and applies what it holds.
    void applyStored();
    // The choices as they are now, to be written.
    Settings current() const;

    void setTextSize(int points);
    void setBotSpeed(BotSpeed speed);
    // The level of every seat the host server's computer plays.
    void setPilotLevel(PilotLevel level);
    // Options > Text Color: a colour dialog for the chat's own lines.
    void chooseTextColour();
    // Options > Reset Screen Location.
    void resetScreenLocation();

private:
    QWidget* window_;
    WindowSettings& files_;
    GameView& view_;
    MainMenus& menus_;
    GameOptionsDialog& gameOptions_;
    GameHosting& hosting_;
};

} // namespace dw
