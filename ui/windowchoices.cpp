#include "ui/windowchoices.h"

#include "store/colours.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/chatview.h"
#include "ui/gamehosting.h"
#include "ui/gameoptionsdialog.h"
#include "ui/gameview.h"
#include "ui/mainmenus.h"
#include "ui/windowsettings.h"

#include <QColorDialog>

#include <cstdint>

namespace dw {

WindowChoices::WindowChoices(QWidget* window, WindowSettings& files, GameView& view,
                             MainMenus& menus, GameOptionsDialog& gameOptions, GameHosting& hosting)
    : QObject(window), window_(window), files_(files), view_(view), menus_(menus),
      gameOptions_(gameOptions), hosting_(hosting) {}

void WindowChoices::applyStored() {
    const Settings s = files_.load();
    setTextSize(s.textSize);
    view_.chat().setChatColour(s.textColour);
    GameOptions options = gameOptions_.options();
    if (s.playToScore)
        options.setAmount(*s.playToScore);
    if (s.distance)
        options.setDistance(*s.distance);
    gameOptions_.setOptions(options);
    gameOptions_.setComputerBox("image_bot3", s.bot3 ? 1 : 0);
    gameOptions_.setComputerBox("image_bot4", s.bot4 ? 1 : 0);
    setBotSpeed(s.botSpeed);
    setPilotLevel(s.pilotLevel);
    view_.chat().applyStoredPhrases(s.phrases);
    menus_.setSounds(s.playSounds, s.playerPhraseSounds);
    view_.chat().setPlayerPhraseSounds(s.playerPhraseSounds);
}

Settings WindowChoices::current() const {
    Settings s = files_.settings();
    s.geometry = files_.windowGeometry();
    s.textColour = view_.chat().chatColour();
    s.playToScore = gameOptions_.options().amount();
    s.distance = gameOptions_.options().distance();
    s.bot3 = gameOptions_.options().bot(3) != 0;
    s.bot4 = gameOptions_.options().bot(4) != 0;
    s.playSounds = menus_.playSounds();
    s.playerPhraseSounds = menus_.playerPhraseSounds();
    return s;
}

void WindowChoices::setTextSize(int points) {
    files_.settings().textSize = points;
    view_.chat().mainchat()->setTextSize(points);
    view_.board()->setStatusTextSize(points);
    menus_.checkTextSize(points);
}

void WindowChoices::setBotSpeed(BotSpeed speed) {
    files_.settings().botSpeed = speed;
    menus_.checkBotSpeed(speed);
}

void WindowChoices::setPilotLevel(PilotLevel level) {
    files_.settings().pilotLevel = level;
    menus_.checkPilotLevel(level);
    hosting_.setPilotLevel(level);
}

void WindowChoices::chooseTextColour() {
    const Rgb now = colourToRgb(view_.chat().chatColour());
    const QColor chosen = QColorDialog::getColor(QColor(now.red, now.green, now.blue), window_,
                                                 QStringLiteral("Text Color"));
    if (!chosen.isValid())
        return;
    view_.chat().setChatColour(colourFromRgb(
        {std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue())}));
    files_.save();
}

void WindowChoices::resetScreenLocation() {
    files_.applyGeometry(kDefaultGeometry);
}

} // namespace dw
