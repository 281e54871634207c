// Canvas, text and frame helpers shared by every picture.
#include "ui/art/canvas.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dw::art {

QFont uiFont(int pixelSize, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(1, pixelSize));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Largest font up to `maxPx` (not below `minPx`) in which `text` fits `width`.
QFont fittedFont(const QString& text, qreal width, int maxPx, int minPx, bool bold) {
    for (int px = maxPx; px > minPx; --px) {
        const QFont f = uiFont(px, bold);
        if (QFontMetricsF(f).horizontalAdvance(text) <= width) {
            return f;
        }
    }
    return uiFont(minPx, bold);
}

// Text with a soft halo of `glow` around it.
void glowText(QPainter& p, const QRectF& r, const QString& text, const QFont& font,
              const QColor& fill, const QColor& glow, int radius) {
    QPainterPath path;
    const QFontMetricsF fm(font);
    const qreal w = fm.horizontalAdvance(text);
    const QPointF base(r.center().x() - w / 2.0,
                       r.center().y() + (fm.ascent() - fm.descent()) / 2.0);
    path.addText(base, font, text);
    p.save();
    for (int i = radius; i >= 1; --i) {
        QColor c = glow;
        c.setAlphaF(glow.alphaF() * 0.22 * (1.0 - static_cast<double>(i - 1) / radius));
        p.setPen(QPen(c, 2.0 * i, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path);
    p.restore();
}

void centredText(QPainter& p, const QRectF& r, const QString& text, const QFont& font,
                 const QColor& colour) {
    p.save();
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
    p.restore();
}

// A closed arrow head at `tip`, pointing along the direction from `from`.
void arrowHead(QPainter& p, QPointF from, QPointF tip, qreal size, const QColor& c) {
    const QLineF line(from, tip);
    const double a = std::atan2(-line.dy(), line.dx());
    const double spread = std::numbers::pi / 7.0;
    const QPointF l = tip - QPointF(std::cos(a - spread) * size, -std::sin(a - spread) * size);
    const QPointF r = tip - QPointF(std::cos(a + spread) * size, -std::sin(a + spread) * size);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF{tip, l, r});
    p.restore();
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal width) {
    p.save();
    const QLineF line(from, to);
    QLineF shaft = line;
    shaft.setLength(std::max(0.0, line.length() - width * 2.5));
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(shaft);
    arrowHead(p, from, to, width * 3.5, c);
    p.restore();
}

// A sunken bevel around `r` (the frame lies outside the rectangle), with the
// inside cleared so that whatever lies beneath shows through.
void bevelFrame(QPainter& p, const QRect& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect outer = r.adjusted(-2, -2, 2, 2);
    p.setPen(Qt::NoPen);
    // outer ring: dark on top and left, light on bottom and right
    p.setBrush(QColor(24, 25, 28));
    p.drawRect(QRect(outer.left(), outer.top(), outer.width(), 1));
    p.drawRect(QRect(outer.left(), outer.top(), 1, outer.height()));
    p.setBrush(QColor(118, 124, 132));
    p.drawRect(QRect(outer.left(), outer.bottom(), outer.width(), 1));
    p.drawRect(QRect(outer.right(), outer.top(), 1, outer.height()));
    p.setBrush(QColor(12, 12, 14));
    p.drawRect(QRect(outer.left() + 1, outer.top() + 1, outer.width() - 2, 1));
    p.drawRect(QRect(outer.left() + 1, outer.top() + 1, 1, outer.height() - 2));
    p.setBrush(QColor(92, 97, 104));
    p.drawRect(QRect(outer.left() + 1, outer.bottom() - 1, outer.width() - 2, 1));
    p.drawRect(QRect(outer.right() - 1, outer.top() + 1, 1, outer.height() - 2));
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(r, Qt::transparent);
    p.restore();
}

// A raised bevelled button face filled with `base`.
void raisedFace(QPainter& p, const QRectF& r, const QColor& base, qreal radius) {
    p.save();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, base.lighter(150));
    g.setColorAt(0.45, base);
    g.setColorAt(1.0, base.darker(150));
    p.setPen(QPen(base.darker(260), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 120), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1, radius - 1);
    p.restore();
}

void starField(QPainter& p, const QRectF& r, int count, quint32 seed) {
    Rng rng(seed);
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const QPointF at(r.left() + rng.unit() * r.width(), r.top() + rng.unit() * r.height());
        const double b = rng.unit();
        QColor c = b > 0.85 ? QColor(190, 220, 255) : QColor(255, 255, 255);
        c.setAlphaF(0.25 + 0.75 * b);
        p.setBrush(c);
        const qreal s = b > 0.9 ? 1.4 : 0.8;
        p.drawEllipse(at, s / 2.0 + 0.2, s / 2.0 + 0.2);
    }
    p.restore();
}

void protectionsHeading(QPainter& p, QPointF topLeft, qreal width) {
    QFont f = uiFont(8);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    p.setFont(f);
    p.setPen(kHeading);
    p.drawText(QRectF(topLeft, QSizeF(width, 11)), Qt::AlignCenter, QStringLiteral("PROTECTIONS"));
}

void smallButtonBase(QPainter& p) {
    raisedFace(p, QRectF(QPointF(0, 0), QSizeF(kSmallButtonSize)), kLime, 3);
}

} // namespace dw::art
