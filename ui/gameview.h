// The game as the main window shows it: the board model, the board, the
// chat pane and the sounds, the host's menu on a seat's name label, the
// host's commands that only show something, and the board model's events
// that stay on the board.
#pragma once

#include "client/boardmodel.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace dw {

class BoardWidget;
class ChatPane;
struct ChatLine;
class SoundPlayer;

class GameView : public QObject, private BoardEvents {
    Q_OBJECT
public:
    // The board model's events that reach beyond the view.
    struct Hooks {
        std::function<void(const std::string& message)> send;
        std::function<void(int column, const std::string& value)> setOwnTallyCell;
        std::function<void(const std::string& result)> addGame;
        std::function<void(const std::string& item)> spyAdded;
        std::function<void(const std::string& item)> spyRemoved;
        std::function<void()> loadSettings;
        std::function<void()> changed;
        // Options > Play Sounds.
        std::function<bool()> soundsOn;
    };

    // The board is a child of `area`, and scaled to it as it changes size.
    GameView(QWidget* area, Hooks hooks, QObject* parent);

    BoardModel& model() { return *model_; }
    BoardWidget* board() const { return board_; }
    ChatPane& chat() { return *chat_; }

    // The host's commands that only show something (chat lines, sounds,
    // version notes); false for any other.
    bool showMessage(std::string_view word, std::string_view payload);
    // A line of the view's own in the chat.
    void status(const QString& text);
    // The names shown for the seats other than the own one.
    std::vector<std::string> otherSeatNames() const;
    // The host's "Remove From Game", after a question.
    void removeFromGame(int seat);

protected:
    // The board (and the chat in it) scaled to the area.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows a line in the chat view and logs it.
    void showLine(const ChatLine& line);

    // BoardEvents
    void log(const std::string& line) override;
    void notice(const std::string& text) override;
    void sound(const std::string& name) override;
    void send(const std::string& message) override;
    void setOwnTallyCell(int column, const std::string& value) override;
    void addGame(const std::string& result) override;
    void spyAdded(const std::string& item) override;
    void spyRemoved(const std::string& item) override;
    void loadSettings() override;
    void changed() override;

    Hooks hooks_;
    std::unique_ptr<BoardModel> model_;
    BoardWidget* board_ = nullptr;
    ChatPane* chat_ = nullptr;
    SoundPlayer* sounds_ = nullptr;
};

} // namespace dw
