// The chat pane of the board: the chat view, the input box, the smiley
// button, the nine phrase buttons and the chatter sound button.
//
// The pane creates its controls as children of the board panel at their
// fixed places and talks to the rest of the client through the callbacks it
// is given: it sends complete protocol messages, asks for the own seat, the
// login state and seat names, and plays chatter sounds.
#pragma once

#include "store/settings.h"
#include "ui/chatview.h"

#include <QLineEdit>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QMenu;
class QToolButton;

namespace dw {

class SoundPlayer;

inline constexpr int kChatterCount = 20;
// Chatter sound n (1..20) is the recording "wave" + n; its caption names it
// in the menu and in the chat.
inline constexpr std::array<std::string_view, kChatterCount> kChatterCaptions{
    "Doh",       "Cough",    "Hello",          "Thank You",    "Where have you been?",
    "Snoring",   "Sneezing", "Sorry",          "Welcome",      "Yeehaa",
    "Yippee",    "Oh No",    "Applause",       "Honk",         "Oooh",
    "Razzberry", "Cheer",    "Woman Laughing", "Man Laughing", "Crying",
};
// The caption of a chatter sound name ("wave1".."wave20", any letter case).
std::optional<std::string_view> chatterCaption(std::string_view soundName);

inline constexpr std::array<std::string_view, kPhraseCount> kBuiltInPhrases{
    "Way To Go!", "Good One!", "Nice Try!",         "Excellent!",          "Brilliant!",
    "Wow, WTG!",  "Thanks!",   "Way To Go Teamie!", "Good Game Everyone!",
};
// A phrase button works once every this many milliseconds.
inline constexpr qint64 kPhraseIntervalMs = 2000;

inline const QString kChatPrompt = QStringLiteral("<Enter Chat Here>");

// Text as it may travel in a chat line: line breaks become spaces.
QString oneLine(QString text);

// The one-line chat input box. It empties itself of the prompt on the first
// key press, reports Enter, and pastes at the end of its text.
class ChatInput : public QLineEdit {
    Q_OBJECT

public:
    explicit ChatInput(QWidget* parent = nullptr);

    bool showsPrompt() const { return text() == kChatPrompt; }
    // Appends the clipboard's text (line breaks as spaces) and puts the
    // caret at the end.
    void pasteAtEnd();
    QAction* pasteAction() const { return paste_; }

signals:
    void enterPressed();
    // Escape: the user is done typing.
    void escapePressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QAction* paste_ = nullptr;
};

class ChatPane : public QObject {
    Q_OBJECT

public:
    // What the pane needs from the client.
    struct Hooks {
        // Sends one complete message to the host.
        std::function<void(std::string message)> send;
        std::function<int()> mySeat;
        std::function<bool()> loggedIn;
        // The caption of a seat's name label on the board, when the seat has one.
        std::function<std::optional<QString>(int seat)> seatName;
    };

    // Creates the controls inside `board` (the 790 x 529 board panel).
    // `sounds` may be null: chatter sounds are then not heard.
    ChatPane(QWidget* board, Hooks hooks, SoundPlayer* sounds, QObject* parent = nullptr);

    ChatView* mainchat() const { return mainchat_; }
    // Draws the buttons' faces and the chat's text for a board of this scale
    // (1 = 100%); the board places the controls.
    void setScale(qreal scale);
    ChatInput* mychat() const { return mychat_; }
    QToolButton* phraseButton(int n) const; // 1..10
    QToolButton* smileyButton() const { return button_smilies_; }
    QMenu* smileyMenu() const { return smileyMenu_; }
    QMenu* chatterMenu() const { return chatterMenu_; }

    // The user's chat colour: sent with every line and used for the input text.
    void setChatColour(std::uint32_t colour);
    std::uint32_t chatColour() const { return colour_; }

    // The "Player Phrase Sounds" switch: play chatter sounds or show them as text.
    void setPlayerPhraseSounds(bool on) { phraseSounds_ = on; }
    bool playerPhraseSounds() const { return phraseSounds_; }

    // Phrase button texts, n = 1..9.
    void setPhrase(int n, const QString& text);
    QString phrase(int n) const;
    PhraseTexts phrases() const;
    // Applies stored texts: empty ones leave their button as it is.
    void applyStoredPhrases(const PhraseTexts& stored);

    // A clock in milliseconds that only moves forward; the phrase rate limit
    // reads it. The default counts real time from the pane's creation.
    void setClock(std::function<qint64()> clock) { clock_ = std::move(clock); }

    // Enter in the input box.
    void sendit();
    // Phrase button n (1..9) pressed.
    void phraseClicked(int n);
    // Chatter menu item n (1..20) chosen.
    void chatterChosen(int n);
    // Smiley menu item with code 10..27 chosen.
    void smileyChosen(int code);
    // A chatter sound the host relayed from `seat`.
    void playSound(int seat, std::string_view name);

private:
    void sendAction(const QString& text);

    Hooks hooks_;
    SoundPlayer* sounds_;
    ChatView* mainchat_;
    ChatInput* mychat_;
    QToolButton* button_smilies_;
    std::array<QToolButton*, kPhraseCount + 1> b_phrase_{};
    QMenu* smileyMenu_;
    QMenu* chatterMenu_;
    std::array<QString, kPhraseCount> phrases_{};
    std::uint32_t colour_ = kColourSilver;
    bool phraseSounds_ = true;
    std::function<qint64()> clock_;
    std::optional<qint64> lastPhrase_;
};

} // namespace dw
