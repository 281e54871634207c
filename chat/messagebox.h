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

inline void showInformation(QWidget* from, const QString& title, const QString& text) {
    QMessageBox::information(plainParent(from), title, text);
}

// A yes/no question; true for Yes. No is the default answer.
inline bool askYesNo(QWidget* from, const QString& title, const QString& question) {
    return QMessageBox::question(plainParent(from), title, question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

} // namespace dw
