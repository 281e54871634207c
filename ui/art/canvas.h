// Helpers shared by the artwork's source files: the palette, the picture
// cache, text, frames and textures. Internal to the artwork.
#pragma once

#include "engine/cards.h"
#include "ui/artwork.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QPointF>
#include <QRectF>
#include <QString>

namespace dw::art {

static_assert(kCardCount == kNumCardCodes);

// ---------------------------------------------------------------------------
// Palette

inline const QColor kCyan(24, 214, 240);
inline const QColor kGreen(40, 220, 80);
inline const QColor kRed(232, 50, 46);
inline const QColor kYellow(246, 212, 30);
inline const QColor kLime(50, 205, 50);
inline const QColor kTargetGreen(60, 255, 70);
inline const QColor kPanel(58, 61, 66);
inline const QColor kHeading(150, 170, 176);

inline QColor classColour(CardClass cls) {
    return QColor::fromRgb(static_cast<QRgb>(cardFrameRgb(cls)));
}

// A small deterministic generator so textures look the same on every run.
class Rng {
public:
    explicit Rng(quint32 seed) : state_(seed) {}
    quint32 next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    double unit() { return static_cast<double>(next() & 0xFFFFFF) / double(0x1000000); }

private:
    quint32 state_;
};

// ---------------------------------------------------------------------------
// Canvas, cache and text helpers

template <class Draw> QPixmap drawn(const QString& key, QSize size, qreal dpr, Draw draw) {
    if (!(dpr > 0.0)) {
        dpr = 1.0;
    }
    if (QPixmapCache::cacheLimit() < 32 * 1024) {
        QPixmapCache::setCacheLimit(32 * 1024);
    }
    const QString cacheKey = QStringLiteral("dw-art/%1@%2").arg(key).arg(dpr);
    QPixmap pm;
    if (QPixmapCache::find(cacheKey, &pm)) {
        return pm;
    }
    QImage img(QSize(qRound(size.width() * dpr), qRound(size.height() * dpr)),
               QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    img.setDevicePixelRatio(dpr);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        draw(p);
    }
    pm = QPixmap::fromImage(img);
    QPixmapCache::insert(cacheKey, pm);
    return pm;
}

QFont uiFont(int pixelSize, bool bold = true);
// Largest font up to `maxPx` (not below `minPx`) in which `text` fits `width`.
QFont fittedFont(const QString& text, qreal width, int maxPx, int minPx, bool bold = true);
// Text with a soft halo of `glow` around it.
void glowText(QPainter& p, const QRectF& r, const QString& text, const QFont& font,
              const QColor& fill, const QColor& glow, int radius);
void centredText(QPainter& p, const QRectF& r, const QString& text, const QFont& font,
                 const QColor& colour);
// A closed arrow head at `tip`, pointing along the direction from `from`.
void arrowHead(QPainter& p, QPointF from, QPointF tip, qreal size, const QColor& c);
void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal width = 2.0);
// A sunken bevel around `r` (the frame lies outside the rectangle), with the
// inside cleared so that whatever lies beneath shows through.
void bevelFrame(QPainter& p, const QRect& r);
// A raised bevelled button face filled with `base`.
void raisedFace(QPainter& p, const QRectF& r, const QColor& base, qreal radius);
void starField(QPainter& p, const QRectF& r, int count, quint32 seed);
// The heading PROTECTIONS above a ship area's protection row.
void protectionsHeading(QPainter& p, QPointF topLeft, qreal width);
// The lime face of the small buttons beside the chat.
void smallButtonBase(QPainter& p);

} // namespace dw::art
