#include "ui/picturecontrols.h"

#include <QMouseEvent>
#include <QPainter>

namespace dw {

PictureLabel::PictureLabel(QWidget* parent) : QLabel(parent) {}

void PictureLabel::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    const bool inside = rect().contains(event->position().toPoint());
    emit released(event->button(), global);
    if (inside && event->button() == Qt::LeftButton)
        emit clicked();
    event->accept();
}

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void PictureButton::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

QSize PictureButton::sizeHint() const {
    return picture_.isNull() ? QSize() : picture_.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!picture_.isNull())
        p.drawPixmap(QRect(QPoint(0, 0), size()), picture_);
    if (isDown()) // a pressed button darkens a little
        p.fillRect(rect(), QColor(0, 0, 0, 60));
}

} // namespace dw
