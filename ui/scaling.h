// The board scales with the window: every control keeps its logical
// geometry and font (those of the board at 100%) and is placed at that
// geometry times the board's scale. Pictures are drawn again for the actual
// size, never stretched.
//
// A control placed with place() remembers its logical rectangle (relative to
// its parent); applyScale() on the board moves and resizes every such
// control inside it. Fonts given with setLogicalFont() grow with the board.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace dw::scaling {

inline constexpr const char* kGeometryProperty = "dwLogicalGeometry";
inline constexpr const char* kFontProperty = "dwLogicalFont";
inline constexpr const char* kScaleProperty = "dwBoardScale";

// `r` at scale `s`: edges are rounded, so neighbouring controls stay
// neighbours and nothing drifts by a pixel.
inline QRect scaled(const QRect& r, qreal s) {
    const int left = int(std::lround(r.x() * s));
    const int top = int(std::lround(r.y() * s));
    const int right = int(std::lround((r.x() + r.width()) * s));
    const int bottom = int(std::lround((r.y() + r.height()) * s));
    return {left, top, right - left, bottom - top};
}

// The scale of the board that holds `w` (1 outside a board).
inline qreal scaleOf(const QWidget* w) {
    for (; w; w = w->parentWidget()) {
        const QVariant v = w->property(kScaleProperty);
        if (v.isValid())
            return v.toReal();
    }
    return 1.0;
}

inline QFont scaledFont(QFont f, qreal s) {
    if (f.pixelSize() > 0)
        f.setPixelSize(std::max(1, int(std::lround(f.pixelSize() * s))));
    else if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * s);
    return f;
}

// Places `w` at logical rectangle `logical` of its parent.
inline void place(QWidget* w, const QRect& logical) {
    w->setProperty(kGeometryProperty, logical);
    w->setGeometry(scaled(logical, scaleOf(w->parentWidget())));
}

// Gives `w` a font of the board at 100%.
inline void setLogicalFont(QWidget* w, const QFont& logical) {
    w->setProperty(kFontProperty, logical);
    w->setFont(scaledFont(logical, scaleOf(w)));
}

// Sets the scale of `board` and places every control inside it again.
inline void applyScale(QWidget* board, qreal s) {
    board->setProperty(kScaleProperty, s);
    const auto children = board->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (w->isWindow())
            continue;
        const QVariant g = w->property(kGeometryProperty);
        if (g.isValid())
            w->setGeometry(scaled(g.toRect(), s));
        const QVariant f = w->property(kFontProperty);
        if (f.isValid())
            w->setFont(scaledFont(f.value<QFont>(), s));
    }
}

// The board's scale in a client area of `area`: the smaller of the two
// ratios to `minimum` (the client area that shows the board at 100%), so the
// board keeps its proportions; never below 1.
inline qreal fitScale(QSize area, QSize minimum) {
    return std::max(1.0, std::min(qreal(area.width()) / minimum.width(),
                                  qreal(area.height()) / minimum.height()));
}

// Where a board of `board` size stands, centred in `area` (top left at 100%).
inline QPoint centred(QSize area, QSize board, qreal scale) {
    if (scale <= 1.0)
        return {0, 0};
    return {std::max(0, (area.width() - board.width()) / 2),
            std::max(0, (area.height() - board.height()) / 2)};
}

// A picture drawn at `ratio` (device pixel ratio times board scale) shown
// at the logical size times the board's scale on a screen of `deviceRatio`.
inline QPixmap forScreen(QPixmap picture, qreal deviceRatio) {
    if (!picture.isNull() && picture.devicePixelRatio() != deviceRatio)
        picture.setDevicePixelRatio(deviceRatio);
    return picture;
}

} // namespace dw::scaling
