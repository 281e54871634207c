#include "ui/phraseswindow.h"

#include "ui/showwindow.h"

#include "ui/chatpane.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace dw {

PhrasesWindow::PhrasesWindow(ChatPane& pane, SaveFn save, QWidget* parent)
    : QDialog(parent), pane_(pane), save_(std::move(save)) {
    setObjectName(QStringLiteral("PhrasesWindow"));
    setWindowTitle(QStringLiteral("Driftwake - Phrase Buttons "));
    setModal(false);
    // The same dark look as the game's other windows.
    setStyleSheet(QStringLiteral(
        "QDialog { background: black; }"
        "QLabel { color: #c8c8c8; }"
        "QLineEdit { background: #0c0c0c; color: #00ff00; border: 1px solid #2e8b2e;"
        " padding: 2px; selection-background-color: #2e8b2e; selection-color: black; }"
        "QPushButton { background: #1c1c1c; color: #00ff00; border: 1px solid #2e8b2e;"
        " padding: 3px 18px; }"
        "QPushButton:hover { background: #2a2a2a; }"
        "QPushButton:pressed { background: #0c3c0c; }"));

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (int n = 1; n <= kPhraseCount; ++n) {
        auto* label = new QLabel(tr("Phrase Button %1:").arg(n), this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edit_phrase%1").arg(n));
        edit->setMaxLength(kPhraseMaxLength);
        // Typing stops at 50 characters; a longer stored phrase is shown
        // whole and may only get shorter.
        connect(edit, &QLineEdit::textEdited, edit, [edit] {
            edit->setMaxLength(std::max<int>(kPhraseMaxLength, int(edit->text().size())));
        });
        edit->setMinimumWidth(300);
        label->setBuddy(edit);
        grid->addWidget(label, n - 1, 0);
        grid->addWidget(edit, n - 1, 1);
        edits_[static_cast<std::size_t>(n - 1)] = edit;
    }
    layout->addLayout(grid);
    layout->addWidget(new QLabel(tr("Buttons can only be used once every 2 seconds"), this));
    auto* done = new QPushButton(tr("Done"), this);
    done->setObjectName(QStringLiteral("button_done"));
    done->setDefault(true);
    layout->addWidget(done, 0, Qt::AlignHCenter);
    connect(done, &QPushButton::clicked, this, &PhrasesWindow::onDone);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLineEdit* PhrasesWindow::edit(int n) const {
    if (n < 1 || n > kPhraseCount)
        return nullptr;
    return edits_[static_cast<std::size_t>(n - 1)];
}

void PhrasesWindow::openPhrases() {
    for (int n = 1; n <= kPhraseCount; ++n) {
        const QString text = pane_.phrase(n);
        // Set before the text, which would otherwise be cut to the limit.
        edit(n)->setMaxLength(std::max<int>(kPhraseMaxLength, int(text.size())));
        edit(n)->setText(text);
    }
    adjustSize();
    showCentred(this);
}

void PhrasesWindow::onDone() {
    PhraseTexts texts;
    for (int n = 1; n <= kPhraseCount; ++n) {
        pane_.setPhrase(n, edit(n)->text());
        texts[static_cast<std::size_t>(n - 1)] = pane_.phrase(n).toStdString();
    }
    if (save_)
        save_(texts);
    close();
}

} // namespace dw
