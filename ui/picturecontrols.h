// Small picture controls shared by the board and the game options dialog.
#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QPoint>

namespace dw {

// The font of the board's and the game options' texts.
inline QFont boardFont(int pixelSize, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// A label that shows a picture (or text) and reports mouse releases. A press
// that starts on the control is released to it wherever the pointer went;
// `clicked` only fires when the release happens over the control.
class PictureLabel : public QLabel {
    Q_OBJECT
public:
    explicit PictureLabel(QWidget* parent = nullptr);

signals:
    void released(Qt::MouseButton button, QPoint globalPos);
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A button drawn entirely by one picture, with a hand-shaped pointer.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);
    void setPicture(const QPixmap& picture);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};

} // namespace dw
