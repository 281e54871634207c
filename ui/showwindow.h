// Secondary windows open centred on the main window and never block it.
#pragma once

#include <QPoint>
#include <QWidget>

namespace dw {

inline void showCentred(QWidget* window) {
    if (const QWidget* parent = window->parentWidget()) {
        const QPoint centre = parent->mapToGlobal(parent->rect().center());
        window->move(centre - QPoint(window->width() / 2, window->height() / 2));
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace dw
