// The game options dialog of the hosting copy: amount to earn, trip distance
// and the computer pilots of seats 3 and 4. It shows a GameOptions value and
// changes it only through the value's own operations; its start button hands
// the game start command to the main window, which sends it and saves the
// settings.
#pragma once

#include "client/boardmodel.h"

#include <QDialog>

#include <array>
#include <string>
#include <string_view>

class QLineEdit;
class QToolButton;

namespace dw {

class PictureButton;
class PictureLabel;

class GameOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit GameOptionsDialog(QWidget* parent = nullptr);

    const GameOptions& options() const { return options_; }
    // Values restored from the settings (brought within range by GameOptions).
    void setOptions(const GameOptions& options);
    // Sets tick box "image_bot3" or "image_bot4" to `value` (0 or 1).
    void setComputerBox(std::string_view control, int value);
    // The own player's name, the first field of the start command.
    void setPlayerName(const std::string& name) { playername_ = name; }

signals:
    // The complete game start message for the host.
    void startRequested(std::string message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void onStart();

    GameOptions options_;
    std::string playername_;
    QLineEdit* playToScore_ = nullptr;
    QLineEdit* distance_ = nullptr;
    std::array<PictureLabel*, 5> bots_{}; // image_bot3 and image_bot4 at 3 and 4
    PictureButton* start_ = nullptr;
};

} // namespace dw
