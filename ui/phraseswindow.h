// The phrases window: edits the texts of the nine phrase buttons.
#pragma once

#include "store/settings.h"

#include <QDialog>

#include <array>
#include <functional>

class QLineEdit;

namespace dw {

class ChatPane;

// The most characters typing may make a phrase; stored phrases may be
// longer and are never cut.
inline constexpr int kPhraseMaxLength = 50;

class PhrasesWindow : public QDialog {
    Q_OBJECT

public:
    // `save` writes the nine texts to the settings file (the keys "Phrase1"
    // to "Phrase9", empty texts included).
    using SaveFn = std::function<void(const PhraseTexts&)>;

    PhrasesWindow(ChatPane& pane, SaveFn save, QWidget* parent = nullptr);

    // Fills the edits from the phrase buttons and shows the window, centred
    // on its parent, without blocking it.
    void openPhrases();
    // "Done": the edits become the buttons' texts and are saved.
    void onDone();

    QLineEdit* edit(int n) const; // 1..9

private:
    ChatPane& pane_;
    SaveFn save_;
    std::array<QLineEdit*, kPhraseCount> edits_{};
};

} // namespace dw
