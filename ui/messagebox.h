// Message boxes in the desktop's own look.
//
// A message box takes the style sheet of every widget it is parented to, so
// a box opened from a dark styled window would show dark text on a dark
// background. Boxes are therefore parented to the nearest window above the
// styled ones (the main window), or stand alone.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>

namespace dw {

// The widget a message box opened from `from` is parented to: `from` itself
// when neither it nor any widget above it has a style sheet, otherwise the
// nearest widget above the highest styled one (null when there is none).
inline QWidget* plainParent(QWidget* from) {
    QWidget* parent = from;
    for (QWidget* w = from; w; w = w->parentWidget())
        if (!w->styleSheet().isEmpty())
            parent = w->parentWidget();
    return parent;
}

// The texts of these boxes may carry names and other text from peers and
// files: they are shown as plain text, never as markup.
inline void showInformation(QWidget* from, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, plainParent(from));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// A yes/no question; true for Yes. No is the default answer.
inline bool askYesNo(QWidget* from, const QString& title, const QString& question) {
    QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No,
                    plainParent(from));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace dw
