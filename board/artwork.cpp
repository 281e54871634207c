#include "board/artwork.h"

#include "engine/cards.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QPolygonF>
#include <QRadialGradient>
#include <QStringList>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace dw::art {

namespace {

// ---------------------------------------------------------------------------
// Palette

const QColor kCyan(24, 214, 240);
const QColor kGreen(40, 220, 80);
const QColor kRed(232, 50, 46);
const QColor kYellow(246, 212, 30);
const QColor kLime(50, 205, 50);
const QColor kTargetGreen(60, 255, 70);
const QColor kPanel(58, 61, 66);
const QColor kHeading(150, 170, 176);

static_assert(kCardCount == kNumCardCodes);

QColor classColour(CardClass cls) {
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

QFont uiFont(int pixelSize, bool bold = true) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(1, pixelSize));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Largest font up to `maxPx` (not below `minPx`) in which `text` fits `width`.
QFont fittedFont(const QString& text, qreal width, int maxPx, int minPx, bool bold = true) {
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

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal width = 2.0) {
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

// ---------------------------------------------------------------------------
// Symbols, each drawn to fill a square-ish box

void symbolRocket(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    p.rotate(20);
    // flame
    QPainterPath flame;
    flame.moveTo(-4, 9);
    flame.quadTo(0, 22, 4, 9);
    flame.closeSubpath();
    QLinearGradient fg(0, 9, 0, 20);
    fg.setColorAt(0, QColor(255, 240, 120));
    fg.setColorAt(1, QColor(255, 90, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(fg);
    p.drawPath(flame);
    // fins
    p.setBrush(c.darker(140));
    p.drawPolygon(QPolygonF{{-5, 2}, {-10, 11}, {-5, 9}});
    p.drawPolygon(QPolygonF{{5, 2}, {10, 11}, {5, 9}});
    // body
    QPainterPath body;
    body.moveTo(0, -15);
    body.cubicTo(7, -9, 6, 3, 5, 10);
    body.lineTo(-5, 10);
    body.cubicTo(-6, 3, -7, -9, 0, -15);
    QLinearGradient bg(-6, 0, 6, 0);
    bg.setColorAt(0, QColor(235, 240, 245));
    bg.setColorAt(1, QColor(150, 160, 170));
    p.setPen(QPen(c, 1.2));
    p.setBrush(bg);
    p.drawPath(body);
    // window
    p.setPen(QPen(c.darker(160), 1.0));
    p.setBrush(QColor(60, 200, 255));
    p.drawEllipse(QPointF(0, -3), 2.6, 2.6);
    p.restore();
}

void symbolAnchor(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(0, -11), 3.2, 3.2);
    p.drawLine(QPointF(0, -7.8), QPointF(0, 12));
    p.drawLine(QPointF(-7, -4), QPointF(7, -4));
    QPainterPath arms;
    arms.moveTo(-11, 3);
    arms.quadTo(-10, 12, 0, 13);
    arms.quadTo(10, 12, 11, 3);
    p.drawPath(arms);
    arrowHead(p, QPointF(-10, 9), QPointF(-11.5, 1), 5, c);
    arrowHead(p, QPointF(10, 9), QPointF(11.5, 1), 5, c);
    p.restore();
}

void symbolSkull(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    // crossed bones behind
    p.setPen(QPen(QColor(230, 230, 220), 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(-12, 3), QPointF(12, 14));
    p.drawLine(QPointF(12, 3), QPointF(-12, 14));
    QPainterPath head;
    head.addEllipse(QPointF(0, -3), 10, 9.5);
    head.addRoundedRect(QRectF(-5.5, 2, 11, 9), 2, 2);
    head = head.simplified();
    p.setPen(QPen(c, 1.2));
    p.setBrush(QColor(240, 238, 228));
    p.drawPath(head);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 10, 10));
    p.drawEllipse(QPointF(-4, -3), 3.2, 3.5);
    p.drawEllipse(QPointF(4, -3), 3.2, 3.5);
    p.drawPolygon(QPolygonF{{0, 1}, {-1.6, 4}, {1.6, 4}});
    p.setPen(QPen(QColor(20, 10, 10), 1.0));
    for (int i = -1; i <= 1; ++i) {
        p.drawLine(QPointF(i * 2.5, 7), QPointF(i * 2.5, 11));
    }
    p.restore();
}

void symbolReload(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    const QRectF ring(-11, -11, 22, 22);
    p.setPen(QPen(c, 3.2, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(ring, 100 * 16, 140 * 16);
    p.drawArc(ring, 280 * 16, 140 * 16);
    // heads at the ends of both arcs (angles 240 and 60 degrees)
    auto at = [](double deg, double rad) {
        const double a = deg * std::numbers::pi / 180.0;
        return QPointF(std::cos(a) * rad, -std::sin(a) * rad);
    };
    arrowHead(p, at(225, 11), at(248, 11), 8, c);
    arrowHead(p, at(45, 11), at(68, 11), 8, c);
    // fuel drop in the middle
    QPainterPath drop;
    drop.moveTo(0, -6);
    drop.cubicTo(4, 0, 4.5, 5, 0, 5.5);
    drop.cubicTo(-4.5, 5, -4, 0, 0, -6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 200, 60));
    p.drawPath(drop);
    p.restore();
}

void symbolSwirl(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    for (int arm = 0; arm < 2; ++arm) {
        QPainterPath spiral;
        for (int i = 0; i <= 60; ++i) {
            const double t = i / 60.0;
            const double a = t * 2.6 * std::numbers::pi + arm * std::numbers::pi;
            const double rad = 1.0 + 13.0 * t;
            const QPointF pt(std::cos(a) * rad, std::sin(a) * rad);
            if (i == 0) {
                spiral.moveTo(pt);
            } else {
                spiral.lineTo(pt);
            }
        }
        QColor col = arm == 0 ? c : QColor(200, 120, 255);
        p.setPen(QPen(col, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(spiral);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 2.2, 2.2);
    p.restore();
}

void symbolWarp(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    // star streaks
    Rng rng(7);
    for (int i = 0; i < 9; ++i) {
        const double y = -13 + i * 3.2;
        const double len = 6 + rng.unit() * 10;
        const double x0 = -15 + rng.unit() * 6;
        QLinearGradient g(x0, 0, x0 + len, 0);
        g.setColorAt(0, QColor(255, 255, 255, 0));
        g.setColorAt(1, QColor(200, 240, 255, 220));
        p.setPen(QPen(QBrush(g), 1.2));
        p.drawLine(QPointF(x0, y), QPointF(x0 + len, y));
    }
    p.setPen(QPen(c, 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{{-2, -9}, {7, 0}, {-2, 9}});
    p.drawPolyline(QPolygonF{{5, -9}, {14, 0}, {5, 9}});
    p.restore();
}

void symbolExplosion(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    auto burst = [](int points, double outer, double inner, double turn) {
        QPolygonF poly;
        for (int i = 0; i < points * 2; ++i) {
            const double rad = (i % 2 == 0) ? outer : inner;
            const double a = turn + i * std::numbers::pi / points;
            poly << QPointF(std::cos(a) * rad, std::sin(a) * rad);
        }
        return poly;
    };
    p.setPen(QPen(c.darker(130), 1.0));
    p.setBrush(c);
    p.drawPolygon(burst(10, 15, 8, 0.1));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 160, 30));
    p.drawPolygon(burst(8, 10, 5.5, 0.4));
    p.setBrush(QColor(255, 240, 140));
    p.drawPolygon(burst(6, 5.5, 3, 0.0));
    p.restore();
}

void symbolWrench(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    p.rotate(-45);
    QPainterPath wrench;
    wrench.addRoundedRect(QRectF(-2.8, -6, 5.6, 21), 2.5, 2.5);
    wrench.addEllipse(QPointF(0, -9), 7, 7);
    QPainterPath jaw;
    jaw.addRect(QRectF(-2.6, -18, 5.2, 9.5));
    wrench = wrench.subtracted(jaw);
    QLinearGradient g(-7, 0, 7, 0);
    g.setColorAt(0, QColor(230, 235, 240));
    g.setColorAt(1, QColor(140, 150, 160));
    p.setPen(QPen(c, 1.3));
    p.setBrush(g);
    p.drawPath(wrench);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 45));
    p.drawEllipse(QPointF(0, 11.5), 1.4, 1.4);
    p.restore();
}

QPolygonF boltShape() {
    return QPolygonF{{3, -16}, {-8, 2}, {-1, 2}, {-4, 16}, {8, -3}, {1, -3}, {5, -16}};
}

void symbolBolt(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    QLinearGradient g(0, -16, 0, 16);
    g.setColorAt(0, QColor(255, 255, 170));
    g.setColorAt(1, QColor(255, 200, 0));
    p.setPen(QPen(c, 1.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(g);
    p.drawPolygon(boltShape());
    p.restore();
}

void symbolDrain(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.translate(r.center());
    const qreal s = std::min(r.width(), r.height()) / 32.0;
    p.scale(s, s);
    // battery with one red bar left
    p.setPen(QPen(QColor(220, 225, 230), 2.0));
    p.setBrush(QColor(25, 25, 30));
    p.drawRoundedRect(QRectF(-8, -11, 16, 25), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 225, 230));
    p.drawRect(QRectF(-3.5, -14, 7, 3));
    p.setBrush(c);
    p.drawRect(QRectF(-5, 8, 10, 3.5));
    // falling arrow beside it
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, -7), QPointF(0, 0));
    arrowHead(p, QPointF(0, -7), QPointF(0, 5), 6, c);
    p.restore();
}

void shieldPath(QPainterPath& path, const QRectF& r) {
    path.moveTo(r.center().x(), r.top());
    path.cubicTo(r.center().x() + r.width() * 0.25, r.top() + r.height() * 0.12, r.right(),
                 r.top() + r.height() * 0.08, r.right(), r.top() + r.height() * 0.12);
    path.cubicTo(r.right(), r.top() + r.height() * 0.62, r.center().x() + r.width() * 0.2,
                 r.bottom() - r.height() * 0.12, r.center().x(), r.bottom());
    path.cubicTo(r.center().x() - r.width() * 0.2, r.bottom() - r.height() * 0.12, r.left(),
                 r.top() + r.height() * 0.62, r.left(), r.top() + r.height() * 0.12);
    path.cubicTo(r.left(), r.top() + r.height() * 0.08, r.center().x() - r.width() * 0.25,
                 r.top() + r.height() * 0.12, r.center().x(), r.top());
    path.closeSubpath();
}

// The emblem of attack `k` (protection index 1..4) inside a shield.
void attackEmblem(QPainter& p, int k, const QRectF& r) {
    switch (k) {
    case 1:
        symbolSkull(p, r, kRed);
        break;
    case 2:
        symbolSwirl(p, r, QColor(90, 200, 255));
        break;
    case 3:
        symbolExplosion(p, r, kRed);
        break;
    case 4:
        symbolBolt(p, r, QColor(160, 110, 0));
        break;
    default:
        break;
    }
}

void symbolShield(QPainter& p, const QRectF& r, int k) {
    QPainterPath shield;
    const qreal side = std::min(r.width(), r.height());
    const QRectF box(r.center().x() - side * 0.45, r.center().y() - side / 2.0, side * 0.9, side);
    shieldPath(shield, box);
    p.save();
    QLinearGradient g(box.topLeft(), box.bottomRight());
    g.setColorAt(0, QColor(255, 240, 140));
    g.setColorAt(1, QColor(170, 120, 10));
    p.setPen(QPen(kYellow.lighter(120), 1.4));
    p.setBrush(g);
    p.drawPath(shield);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 28, 20));
    QPainterPath inner;
    shieldPath(inner, box.adjusted(side * 0.12, side * 0.1, -side * 0.12, -side * 0.14));
    p.drawPath(inner);
    p.restore();
    attackEmblem(p, k, box.adjusted(side * 0.2, side * 0.14, -side * 0.2, -side * 0.24));
}

// Protection symbol k drawn in a 30 x 24 box at `origin`, lit or dim.
void protectionSymbol(QPainter& p, QPointF origin, int k, bool lit) {
    const QRectF box(origin, QSizeF(kProtectionIconSize));
    if (!lit) {
        p.save();
        QPainterPath shield;
        shieldPath(shield, QRectF(box.center().x() - 10, box.top() + 1, 20, 22));
        p.setPen(QPen(QColor(92, 96, 100), 1.2));
        p.setBrush(QColor(40, 42, 45));
        p.drawPath(shield);
        p.restore();
        // the attack's emblem, dimmed to grey
        QImage emblem(QSize(30 * 4, 24 * 4), QImage::Format_ARGB32_Premultiplied);
        emblem.fill(Qt::transparent);
        {
            QPainter e(&emblem);
            e.setRenderHint(QPainter::Antialiasing);
            e.scale(4, 4);
            attackEmblem(e, k, QRectF(8, 5, 14, 13));
        }
        emblem = emblem.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < emblem.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(emblem.scanLine(y));
            for (int x = 0; x < emblem.width(); ++x) {
                const QRgb px = line[x];
                const int g = 60 + qGray(px) / 4;
                line[x] = qRgba(g, g, g + 2, qAlpha(px));
            }
        }
        p.drawImage(box, emblem);
        return;
    }
    p.save();
    QPainterPath shield;
    shieldPath(shield, QRectF(box.center().x() - 10, box.top() + 1, 20, 22));
    QRadialGradient halo(box.center(), 15);
    halo.setColorAt(0, QColor(255, 230, 80, 120));
    halo.setColorAt(1, QColor(255, 230, 80, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(box.center(), 15, 12);
    QLinearGradient g(box.topLeft(), box.bottomRight());
    g.setColorAt(0, QColor(255, 244, 150));
    g.setColorAt(1, QColor(190, 135, 10));
    p.setPen(QPen(QColor(255, 250, 200), 1.2));
    p.setBrush(g);
    p.drawPath(shield);
    QPainterPath inner;
    shieldPath(inner, QRectF(box.center().x() - 7.5, box.top() + 3.5, 15, 16.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 28, 20));
    p.drawPath(inner);
    p.restore();
    attackEmblem(p, k, QRectF(box.left() + 8, box.top() + 5, 14, 13));
}

// ---------------------------------------------------------------------------
// Cards

// A band font for `text`: 9 pixels, narrowed and then made smaller as
// needed so that the text fits `width`.
QFont bandFont(const QString& text, qreal width) {
    struct Try {
        int px;
        int stretch;
    };
    static constexpr std::array<Try, 6> tries{
        {{9, 100}, {9, 90}, {9, 82}, {8, 84}, {7, 84}, {6, 84}}};
    QFont f;
    for (const Try& t : tries) {
        f = uiFont(t.px);
        f.setStretch(t.stretch);
        if (QFontMetricsF(f).horizontalAdvance(text) <= width) {
            break;
        }
    }
    return f;
}

// The face name on one line, or one word a line when it does not fit.
QStringList faceLines(const QString& name, qreal width, QFont& font) {
    font = uiFont(9);
    font.setStretch(82);
    if (QFontMetricsF(font).horizontalAdvance(name) <= width) {
        font = bandFont(name, width);
        return {name};
    }
    const QStringList words = name.split(QLatin1Char(' '));
    QString longest;
    for (const QString& w : words) {
        if (QFontMetricsF(font).horizontalAdvance(w) >
            QFontMetricsF(font).horizontalAdvance(longest)) {
            longest = w;
        }
    }
    font = bandFont(longest, width);
    return words;
}

void drawCardBody(QPainter& p, const QColor& frame) {
    const QRectF outer(0.5, 0.5, kCardSize.width() - 1.0, kCardSize.height() - 1.0);
    QLinearGradient body(0, 0, 0, kCardSize.height());
    body.setColorAt(0, QColor(22, 28, 42));
    body.setColorAt(1, QColor(8, 10, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(outer, 4, 4);
    starField(p, outer.adjusted(3, 14, -3, -3), 14, static_cast<quint32>(frame.rgb()));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(frame, 2.0));
    p.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setPen(QPen(frame.darker(200), 1.0));
    p.drawRoundedRect(outer.adjusted(2.5, 2.5, -2.5, -2.5), 2.5, 2.5);
}

// Draws the face name band; returns the y where the band ends.
qreal drawNameBand(QPainter& p, const QString& name, const QColor& colour) {
    QFont font;
    const QStringList lines = faceLines(name, kCardSize.width() - 6.0, font);
    const QFontMetricsF fm(font);
    const qreal lineH = std::ceil(fm.ascent() + fm.descent()) - 1;
    const qreal bandH = lines.size() * lineH + 2;
    const QRectF band(2, 2, kCardSize.width() - 4.0, bandH);
    QLinearGradient g(band.topLeft(), band.bottomLeft());
    g.setColorAt(0, colour.lighter(125));
    g.setColorAt(1, colour.darker(115));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    QPainterPath bandPath;
    bandPath.addRoundedRect(band, 2.5, 2.5);
    p.drawPath(bandPath);
    p.setFont(font);
    p.setPen(Qt::black);
    for (int i = 0; i < lines.size(); ++i) {
        p.drawText(QRectF(band.left(), band.top() + 1 + i * lineH, band.width(), lineH),
                   Qt::AlignHCenter | Qt::AlignVCenter, lines[i]);
    }
    return band.bottom();
}

void drawLightyear(QPainter& p, int code, qreal top) {
    static const std::array<const char*, 6> big{"", "2.5", "5", "7.5", "10", "20"};
    const QRectF area(2, top + 5, kCardSize.width() - 4.0, 28);
    const QFont f = fittedFont(QString::fromLatin1(big[static_cast<std::size_t>(code)]),
                               area.width() - 2, 22, 12);
    glowText(p, area, QString::fromLatin1(big[static_cast<std::size_t>(code)]), f,
             QColor(220, 250, 255), kCyan, 3);
    // speed chevrons, one per step of value
    const qreal y = kCardSize.height() - 13.0;
    const qreal w = 6.0;
    const qreal total = code * w;
    qreal x = (kCardSize.width() - total) / 2.0;
    p.setPen(QPen(kCyan, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < code; ++i) {
        p.drawPolyline(QPolygonF{{x + 1, y - 4}, {x + 4.5, y}, {x + 1, y + 4}});
        x += w;
    }
}

void drawCard(QPainter& p, int code) {
    if (code <= 0 || code >= kCardCount) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(QRect(QPoint(0, 0), kCardSize));
        return;
    }
    const CardInfo& info = cardInfo(code);
    const QColor colour = classColour(info.cls);
    drawCardBody(p, colour);
    const qreal top = drawNameBand(p, cardFaceName(code), colour);
    if (info.cls == CardClass::Lightyear) {
        drawLightyear(p, code, top);
        return;
    }
    const qreal bottom = kCardSize.height() - 5.0;
    const qreal side = std::min(34.0, bottom - top - 3);
    const QRectF box((kCardSize.width() - side) / 2.0, top + (bottom - top - side) / 2.0 + 1, side,
                     side);
    switch (code) {
    case kUndock:
        symbolRocket(p, box, colour);
        break;
    case kDock:
        symbolAnchor(p, box, colour.lighter(130));
        break;
    case kSkyjack:
        symbolSkull(p, box, colour);
        break;
    case kReload:
        symbolReload(p, box, colour);
        break;
    case kTeleport:
        symbolSwirl(p, box, colour);
        break;
    case kWarp:
        symbolWarp(p, box, colour);
        break;
    case kDamage:
        symbolExplosion(p, box, colour);
        break;
    case kRepair:
        symbolWrench(p, box, colour);
        break;
    case kPowerDrain:
        symbolDrain(p, box, colour);
        break;
    case kPower:
        symbolBolt(p, box, colour);
        break;
    default:
        symbolShield(p, box, protectionIndex(code));
        break;
    }
}

// ---------------------------------------------------------------------------
// Turn frame, board pieces

void drawTurnFrame(QPainter& p, const QColor& c, QSize size) {
    const QRectF r(0, 0, size.width(), size.height());
    // glow bands from the outside in, strongest in the middle of the band
    const std::array<qreal, 5> alpha{0.25, 0.55, 1.0, 0.55, 0.25};
    for (int i = 0; i < 5; ++i) {
        QColor col = i == 2 ? c.lighter(130) : c;
        col.setAlphaF(alpha[static_cast<std::size_t>(i)]);
        p.setPen(QPen(col, 1.0));
        p.setBrush(Qt::NoBrush);
        const qreal inset = 0.5 + i;
        p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), 6 - i * 0.8, 6 - i * 0.8);
    }
    // corner brackets
    p.setPen(QPen(c.lighter(150), 2.0, Qt::SolidLine, Qt::SquareCap));
    const qreal l = 14;
    const qreal in = 2.0;
    const QRectF b = r.adjusted(in, in, -in, -in);
    p.drawPolyline(
        QPolygonF{{b.left(), b.top() + l}, {b.left(), b.top()}, {b.left() + l, b.top()}});
    p.drawPolyline(
        QPolygonF{{b.right() - l, b.top()}, {b.right(), b.top()}, {b.right(), b.top() + l}});
    p.drawPolyline(
        QPolygonF{{b.left(), b.bottom() - l}, {b.left(), b.bottom()}, {b.left() + l, b.bottom()}});
    p.drawPolyline(QPolygonF{
        {b.right() - l, b.bottom()}, {b.right(), b.bottom()}, {b.right(), b.bottom() - l}});
}

void drawTarget(QPainter& p, QSize size) {
    const QRectF r(0, 0, size.width(), size.height());
    const QPointF c = r.center();
    QPen dashed(kTargetGreen, 2.0, Qt::DashLine, Qt::FlatCap);
    dashed.setDashPattern({3, 2});
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(1, 1, -1, -1));
    p.setPen(QPen(kTargetGreen, 2.0));
    p.drawEllipse(c, r.width() * 0.3, r.height() * 0.34);
    p.setPen(QPen(kTargetGreen, 1.6, Qt::SolidLine, Qt::FlatCap));
    const qreal gap = 4;
    p.drawLine(QPointF(r.left() + 6, c.y()), QPointF(c.x() - gap, c.y()));
    p.drawLine(QPointF(c.x() + gap, c.y()), QPointF(r.right() - 6, c.y()));
    p.drawLine(QPointF(c.x(), r.top() + 5), QPointF(c.x(), c.y() - gap));
    p.drawLine(QPointF(c.x(), c.y() + gap), QPointF(c.x(), r.bottom() - 5));
    p.setPen(Qt::NoPen);
    p.setBrush(kTargetGreen);
    p.drawEllipse(c, 1.6, 1.6);
}

QImage noiseTile() {
    QImage tile(64, 64, QImage::Format_ARGB32_Premultiplied);
    Rng rng(1234);
    for (int y = 0; y < tile.height(); ++y) {
        for (int x = 0; x < tile.width(); ++x) {
            const int v = static_cast<int>(rng.unit() * 20.0) - 10;
            const int streak = ((x * 7 + y * 3) % 23 == 0) ? 4 : 0;
            tile.setPixel(x, y,
                          qRgb(std::clamp(kPanel.red() + v + streak, 0, 255),
                               std::clamp(kPanel.green() + v + streak, 0, 255),
                               std::clamp(kPanel.blue() + v + streak + 2, 0, 255)));
        }
    }
    return tile;
}

void rivet(QPainter& p, QPointF c) {
    QRadialGradient g(c - QPointF(0.8, 0.8), 3);
    g.setColorAt(0, QColor(190, 195, 200));
    g.setColorAt(1, QColor(50, 52, 56));
    p.setPen(QPen(QColor(25, 26, 28), 0.8));
    p.setBrush(g);
    p.drawEllipse(c, 2.2, 2.2);
}

void protectionsHeading(QPainter& p, QPointF topLeft, qreal width) {
    QFont f = uiFont(8);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    p.setFont(f);
    p.setPen(kHeading);
    p.drawText(QRectF(topLeft, QSizeF(width, 11)), Qt::AlignCenter, QStringLiteral("PROTECTIONS"));
}

// The board's metal surface: the brushed panel colour in soft light from the top.
void drawSurface(QPainter& p, const QRect& all) {
    p.fillRect(all, QBrush(noiseTile()));
    QLinearGradient shade(0, 0, 0, all.height());
    shade.setColorAt(0, QColor(255, 255, 255, 18));
    shade.setColorAt(1, QColor(0, 0, 0, 40));
    p.fillRect(all, shade);
}

void drawBoard(QPainter& p) {
    const QRect all(QPoint(0, 0), kBoardSize);
    drawSurface(p, all);
    // raised outer edge
    p.setPen(QPen(QColor(110, 116, 124), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, kBoardSize.width() - 1.0, kBoardSize.height() - 1.0));
    p.setPen(QPen(QColor(20, 20, 22), 1.0));
    p.drawLine(QPointF(1, kBoardSize.height() - 1.5),
               QPointF(kBoardSize.width() - 1, kBoardSize.height() - 1.5));
    p.drawLine(QPointF(kBoardSize.width() - 1.5, 1),
               QPointF(kBoardSize.width() - 1.5, kBoardSize.height() - 1));
    // grooves between the seat columns and above the hand
    p.setPen(QPen(QColor(30, 31, 34), 1.0));
    for (int seat = 2; seat <= 4; ++seat) {
        const qreal x = seatOffset(seat) + 7.5;
        p.drawLine(QPointF(x, 8), QPointF(x, 180));
    }
    p.drawLine(QPointF(8, 185.5), QPointF(kBoardSize.width() - 8.0, 185.5));
    p.setPen(QPen(QColor(100, 105, 112), 1.0));
    for (int seat = 2; seat <= 4; ++seat) {
        const qreal x = seatOffset(seat) + 8.5;
        p.drawLine(QPointF(x, 8), QPointF(x, 180));
    }
    p.drawLine(QPointF(8, 186.5), QPointF(kBoardSize.width() - 8.0, 186.5));
    for (QPointF c : {QPointF(5, 5), QPointF(kBoardSize.width() - 6.0, 5),
                      QPointF(5, kBoardSize.height() - 6.0),
                      QPointF(kBoardSize.width() - 6.0, kBoardSize.height() - 6.0)}) {
        rivet(p, c);
    }

    for (int seat = 1; seat <= 4; ++seat) {
        bevelFrame(p, seatNameBar(seat));
        const QRect ship = seatShipArea(seat);
        bevelFrame(p, ship);
        protectionsHeading(p, QPointF(ship.left(), ship.top() + 1), ship.width());
    }
    for (int pos = 1; pos <= 7; ++pos) {
        const QPoint at = handPlacePos(pos);
        bevelFrame(p, QRect(at.x() - 2, at.y() - 6, kCardSize.width() + 4, kCardSize.height() + 8));
    }
    bevelFrame(p, QRect(kDiscardPos.x() - 2, kDiscardPos.y() - 2, kCardSize.width() + 4,
                        kCardSize.height() + 4));
    bevelFrame(p, kInfoRect);
    bevelFrame(p, kStatusLogRect);
    bevelFrame(p, kChatViewRect);
    bevelFrame(p, kChatEntryRect);
}

QString quickNote(int n) {
    switch (n) {
    case 1:
        return QStringLiteral("Protections light up when a shield card is played. "
                              "UNDOCK on top lets you play lightyear cards.");
    case 2:
        return QStringLiteral("A repair card must go on top of damage cards.");
    case 3:
        return QStringLiteral("An UNDOCK card must go on top of repair cards.");
    case 4:
        return QStringLiteral("TELEPORT allows only 2500 and 5000 cards until WARP is played. "
                              "Press the green target to play the selected card.");
    default:
        return {};
    }
}

// One seat's ship area in miniature, at (0, 0) of a quick instruction page.
void drawQuickPage(QPainter& p, int n, qreal dpr) {
    const QRectF page(0, 0, kQuickInstructionSize.width(), kQuickInstructionSize.height());
    p.fillRect(page, QColor(6, 8, 14));
    starField(p, page, 40, static_cast<quint32>(n * 97));
    const QRectF ship(8, 4, 176, 145);
    p.setPen(QPen(QColor(90, 96, 104), 1.0));
    p.setBrush(QColor(0, 0, 0, 200));
    p.drawRoundedRect(ship, 3, 3);
    protectionsHeading(p, QPointF(ship.left(), ship.top() + 2), ship.width());
    const QPointF strip(ship.left() + 21, ship.top() + 14);
    p.drawPixmap(strip, protectionStrip(dpr));
    const QPointF speed(ship.left() + 7, ship.top() + 43);
    const QPointF go(speed.x() + 56, speed.y());
    const QPointF mile(go.x() + 56, speed.y());
    const QFont distFont = uiFont(10);
    QString distance = QStringLiteral("15000 Lyrs");
    QPointF arrowTo;
    QPointF secondArrowTo;
    bool second = false;
    switch (n) {
    case 1:
        p.drawPixmap(strip + QPointF(2 * kProtectionStep, 0), protectionIcon(3, dpr));
        p.drawPixmap(go, card(6, dpr));
        p.drawPixmap(mile, card(3, dpr));
        arrowTo = go + QPointF(40, 20);
        secondArrowTo = strip + QPointF(2 * kProtectionStep + 28, 8);
        second = true;
        distance = QStringLiteral("22500 Lyrs");
        break;
    case 2:
        p.drawPixmap(go, card(14, dpr));
        p.drawPixmap(mile, card(4, dpr));
        arrowTo = go + QPointF(40, 24);
        distance = QStringLiteral("30000 Lyrs");
        break;
    case 3:
        p.drawPixmap(go, card(13, dpr));
        p.drawPixmap(mile, card(2, dpr));
        arrowTo = go + QPointF(40, 24);
        distance = QStringLiteral("10000 Lyrs");
        break;
    case 4: {
        const QPixmap frame = turnFrame(false, dpr);
        p.drawPixmap(ship.adjusted(-4, -3, 4, 3), frame, QRectF(frame.rect()));
        p.drawPixmap(speed, card(10, dpr));
        p.drawPixmap(go, card(6, dpr));
        p.drawPixmap(mile, card(1, dpr));
        const QRectF t(go.x() + 22 - 30, go.y() + 31 - 23, 60, 46);
        const QPixmap marker = target(dpr);
        p.drawPixmap(t, marker, QRectF(marker.rect()));
        arrowTo = speed + QPointF(30, 58);
        secondArrowTo = go + QPointF(52, 30);
        second = true;
        distance = QStringLiteral("45000 Lyrs");
        break;
    }
    default:
        break;
    }
    centredText(p, QRectF(ship.left(), ship.bottom() - 17, ship.width(), 14), distance, distFont,
                QColor(159, 174, 173));
    // the note and its arrow
    const QRectF noteRect(194, 10, 102, 132);
    const QFont noteFont = uiFont(9);
    p.setFont(noteFont);
    const QRectF used =
        p.boundingRect(noteRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, quickNote(n));
    p.setPen(kYellow);
    p.drawText(noteRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, quickNote(n));
    if (n >= 1 && n <= kQuickInstructionCount) {
        const QPointF from(used.left() - 3, used.center().y());
        arrow(p, from, arrowTo, kYellow, 2.2);
        if (second) {
            arrow(p, QPointF(used.left() - 3, used.top() + 6), secondArrowTo, kYellow, 2.2);
        }
    }
}

void drawChart(QPainter& p, qreal dpr) {
    const QRectF page(0, 0, kQuickChartSize.width(), kQuickChartSize.height());
    p.fillRect(page, QColor(6, 8, 14));
    starField(p, page, 60, 4242);
    p.setPen(QPen(QColor(90, 96, 104), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(page.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    const std::array<qreal, 3> columns{50, 150, 250};
    const std::array<const char*, 3> heads{"DAMAGE", "REPAIR", "PROTECTION"};
    const std::array<QColor, 3> headColours{kRed, kGreen, kYellow};
    for (std::size_t i = 0; i < 3; ++i) {
        QFont f = uiFont(11);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
        glowText(p, QRectF(columns[i] - 50, 3, 100, 18), QString::fromLatin1(heads[i]), f,
                 headColours[i].lighter(115), headColours[i], 2);
    }
    const std::array<std::array<int, 3>, 4> rows{{{kTeleport, kWarp, kTeleportShield},
                                                  {kPowerDrain, kPower, kPowerShield},
                                                  {kSkyjack, kReload, kSkyjackShield},
                                                  {kDamage, kRepair, kDamageShield}}};
    const qreal top = 25;
    const qreal step = 68.5;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const qreal y = top + step * static_cast<qreal>(r);
        for (std::size_t c = 0; c < 3; ++c) {
            p.drawPixmap(QPointF(columns[c] - 22, y), card(rows[r][c], dpr));
        }
        const qreal mid = y + 31;
        arrow(p, QPointF(columns[0] + 28, mid), QPointF(columns[1] - 27, mid), kGreen, 2.4);
        arrow(p, QPointF(columns[1] + 28, mid), QPointF(columns[2] - 27, mid), kYellow, 2.4);
    }
}

// ---------------------------------------------------------------------------
// Smileys

void smileyFace(QPainter& p, int index) {
    const QPointF c(8.5, 8.0);
    QColor face(255, 214, 40);
    if (index == 7) {
        face = QColor(240, 70, 50); // angry
    } else if (index == 14) {
        face = QColor(160, 90, 220); // devil
    } else if (index == 16) {
        face = QColor(150, 210, 80); // sick
    } else if (index == 6) {
        face = QColor(255, 190, 30);
    }
    if (index == 14) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        p.drawPolygon(QPolygonF{{3, 4}, {2.5, 0.2}, {6, 2.5}});
        p.drawPolygon(QPolygonF{{14, 4}, {14.5, 0.2}, {11, 2.5}});
    }
    QRadialGradient g(c - QPointF(2, 2), 9);
    g.setColorAt(0, face.lighter(140));
    g.setColorAt(1, face.darker(115));
    p.setPen(QPen(face.darker(220), 0.9));
    p.setBrush(g);
    p.drawEllipse(c, 7.3, 7.3);
    if (index == 15) {
        p.setPen(QPen(QColor(255, 250, 180), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8.5, 1.2), 4.2, 1.0);
    }
    const QColor ink(40, 25, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    auto dots = [&](qreal y, qreal r) {
        p.drawEllipse(QPointF(6, y), r, r * 1.2);
        p.drawEllipse(QPointF(11, y), r, r * 1.2);
    };
    auto mouthArc = [&](qreal y, qreal w, qreal h, int start, int span) {
        p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(c.x() - w / 2, y, w, h), start * 16, span * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
    };
    switch (index) {
    case 0: // smile
        dots(6, 1.0);
        mouthArc(6.5, 8, 6, 200, 140);
        break;
    case 1: // big grin
        dots(5.8, 1.0);
        p.setBrush(Qt::white);
        p.setPen(QPen(ink, 0.9));
        p.drawChord(QRectF(4.5, 6, 8, 7), 180 * 16, 180 * 16);
        break;
    case 2: // sad
        dots(6, 1.0);
        mouthArc(10.2, 7, 5, 20, 140);
        break;
    case 3: // wink
        p.drawEllipse(QPointF(11, 6), 1.0, 1.2);
        p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.6, 6.2), QPointF(7.4, 6.2));
        mouthArc(6.5, 8, 6, 200, 140);
        break;
    case 4: // tongue
        dots(6, 1.0);
        p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5.5, 10.5), QPointF(11.5, 10.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 60, 90));
        p.drawChord(QRectF(8, 8.5, 4, 5), 180 * 16, 180 * 16);
        break;
    case 5: // surprised
        dots(5.8, 1.1);
        p.drawEllipse(QPointF(8.5, 11), 1.8, 2.2);
        break;
    case 6: // cool
        p.setBrush(QColor(20, 20, 30));
        p.drawRoundedRect(QRectF(3.2, 4.5, 4.8, 3.2), 1, 1);
        p.drawRoundedRect(QRectF(9, 4.5, 4.8, 3.2), 1, 1);
        p.setPen(QPen(QColor(20, 20, 30), 0.9));
        p.drawLine(QPointF(7.5, 5.2), QPointF(9.5, 5.2));
        mouthArc(6.8, 7, 5.5, 210, 120);
        break;
    case 7: // angry
        dots(7, 0.9);
        p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.2, 4.2), QPointF(7.2, 5.6));
        p.drawLine(QPointF(12.8, 4.2), QPointF(9.8, 5.6));
        mouthArc(10.5, 6, 4, 20, 140);
        break;
    case 8: // laughing, eyes shut
        p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF{{4.5, 5}, {6.5, 6.2}, {4.5, 7.2}});
        p.drawPolyline(QPolygonF{{12.5, 5}, {10.5, 6.2}, {12.5, 7.2}});
        p.setPen(QPen(ink, 0.9));
        p.setBrush(QColor(150, 20, 30));
        p.drawChord(QRectF(4.5, 6.5, 8, 7), 180 * 16, 180 * 16);
        break;
    case 9: // crying
        dots(6, 1.0);
        mouthArc(10.3, 7, 5, 20, 140);
        p.setBrush(QColor(80, 170, 255));
        p.drawEllipse(QPointF(5.2, 9.2), 1.1, 1.6);
        break;
    case 10: // neutral
        dots(6, 1.0);
        p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5.5, 11), QPointF(11.5, 11));
        break;
    case 11: // kiss
        dots(6, 1.0);
        p.setBrush(QColor(220, 30, 60));
        p.drawEllipse(QPointF(8.5, 11), 1.6, 1.3);
        p.setBrush(QColor(240, 40, 80));
        p.drawEllipse(QPointF(13.2, 12.2), 1.2, 1.2);
        break;
    case 12: // confused
        dots(6, 1.0);
        p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF{{5.2, 11.5}, {7.2, 10.2}, {9.2, 11.5}, {11.8, 10.2}});
        break;
    case 13: // sleepy
        p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.6, 6.5), QPointF(7.2, 6.5));
        p.drawLine(QPointF(9.8, 6.5), QPointF(12.4, 6.5));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(8.5, 11), 1.4, 1.1);
        p.setPen(QPen(QColor(120, 180, 255), 0.9));
        p.drawPolyline(QPolygonF{{12.5, 1}, {15.5, 1}, {12.5, 3.6}, {15.5, 3.6}});
        break;
    case 14: // devil
        p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.5, 4.8), QPointF(7, 6));
        p.drawLine(QPointF(12.5, 4.8), QPointF(10, 6));
        p.setPen(Qt::NoPen);
        dots(6.8, 0.9);
        mouthArc(6, 8, 6.5, 200, 140);
        break;
    case 15: // angel
        dots(6.5, 0.9);
        mouthArc(7.5, 6, 4.5, 200, 140);
        break;
    case 16: // sick
        p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.8, 5), QPointF(7, 7));
        p.drawLine(QPointF(7, 5), QPointF(4.8, 7));
        p.drawLine(QPointF(10, 5), QPointF(12.2, 7));
        p.drawLine(QPointF(12.2, 5), QPointF(10, 7));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(
            QPolygonF{{5, 11.5}, {6.5, 10.5}, {8, 11.5}, {9.5, 10.5}, {11, 11.5}, {12, 10.8}});
        break;
    default: { // 17: in love
        auto heart = [&](QPointF at) {
            QPainterPath h;
            h.moveTo(at + QPointF(0, 1.6));
            h.cubicTo(at + QPointF(-2.6, -0.4), at + QPointF(-1.2, -2.4), at + QPointF(0, -0.8));
            h.cubicTo(at + QPointF(1.2, -2.4), at + QPointF(2.6, -0.4), at + QPointF(0, 1.6));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(230, 20, 60));
            p.drawPath(h);
        };
        heart(QPointF(5.8, 6.2));
        heart(QPointF(11.2, 6.2));
        mouthArc(6.5, 8, 6, 200, 140);
        break;
    }
    }
}

// ---------------------------------------------------------------------------
// Small buttons

void smallButtonBase(QPainter& p) {
    raisedFace(p, QRectF(QPointF(0, 0), QSizeF(kSmallButtonSize)), kLime, 3);
}

} // namespace

// ---------------------------------------------------------------------------
// Layout

int seatOffset(int seat) {
    static constexpr std::array<int, 5> offsets{0, 0, 196, 393, 589};
    return (seat >= 1 && seat <= 4) ? offsets[static_cast<std::size_t>(seat)] : 0;
}

QRect seatNameBar(int seat) {
    return QRect(12 + seatOffset(seat), 8, 185, 22);
}
QRect seatShipArea(int seat) {
    return QRect(17 + seatOffset(seat), 37, 176, 140);
}
QPoint protectionOrigin(int seat) {
    return QPoint(38 + seatOffset(seat), 51);
}
QPoint protectionIconPos(int seat, int k) {
    return protectionOrigin(seat) + QPoint(kProtectionStep * (k - 1), 0);
}
QPoint speedPilePos(int seat) {
    return QPoint(24 + seatOffset(seat), 80);
}
QPoint goPilePos(int seat) {
    return QPoint(80 + seatOffset(seat), 80);
}
QPoint milePilePos(int seat) {
    return QPoint(136 + seatOffset(seat), 80);
}
QPoint targetPos(int seat) {
    return QPoint(65 + seatOffset(seat), 105);
}
QPoint turnFramePos(int seat) {
    return QPoint(13 + seatOffset(seat), 33);
}
QPoint handPlacePos(int screenPosition) {
    return QPoint(42 + 59 * (screenPosition - 1), 197);
}

// ---------------------------------------------------------------------------
// Pictures

QString cardFaceName(int code) {
    const std::string_view face = cardInfo(code).face;
    return QString::fromLatin1(face.data(), static_cast<qsizetype>(face.size()));
}

QPixmap card(int code, qreal dpr) {
    if (code < 0 || code >= kCardCount) {
        code = 0;
    }
    return drawn(QStringLiteral("card%1").arg(code), kCardSize, dpr,
                 [code](QPainter& p) { drawCard(p, code); });
}

QPixmap discardPlaceholder(qreal dpr) {
    return drawn(QStringLiteral("discard"), kCardSize, dpr, [](QPainter& p) {
        const QRectF r(0.5, 0.5, kCardSize.width() - 1.0, kCardSize.height() - 1.0);
        QPainterPath clip;
        clip.addRoundedRect(r, 4, 4);
        p.fillPath(clip, QColor(70, 72, 76));
        p.save();
        p.setClipPath(clip);
        p.setPen(QPen(QColor(120, 124, 128), 1.0));
        for (int i = -kCardSize.height(); i < kCardSize.width() + kCardSize.height(); i += 6) {
            p.drawLine(QPointF(i, 0), QPointF(i + kCardSize.height(), kCardSize.height()));
            p.drawLine(QPointF(i, kCardSize.height()), QPointF(i + kCardSize.height(), 0));
        }
        p.restore();
        p.setPen(QPen(QColor(150, 154, 158), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r, 4, 4);
    });
}

QPixmap turnFrame(bool green, qreal dpr) {
    return drawn(green ? QStringLiteral("turn0") : QStringLiteral("turn1"), kTurnFrameSize, dpr,
                 [green](QPainter& p) {
                     drawTurnFrame(p, green ? QColor(40, 255, 60) : QColor(255, 40, 40),
                                   kTurnFrameSize);
                 });
}

QPixmap boardBackground(qreal dpr) {
    return drawn(QStringLiteral("board"), kBoardSize, dpr, [](QPainter& p) { drawBoard(p); });
}

QPixmap windowBackground(QSize size, qreal dpr) {
    return drawn(QStringLiteral("window%1x%2").arg(size.width()).arg(size.height()), size, dpr,
                 [size](QPainter& p) {
                     const QRect all(QPoint(0, 0), size);
                     drawSurface(p, all);
                     p.fillRect(all, QColor(0, 0, 0, 150)); // dimmed under text
                 });
}

QPixmap target(qreal dpr) {
    return drawn(QStringLiteral("target"), kTargetSize, dpr,
                 [](QPainter& p) { drawTarget(p, kTargetSize); });
}

QPixmap autoPilot(qreal dpr) {
    return drawn(QStringLiteral("autopilot"), kAutoPilotSize, dpr, [](QPainter& p) {
        const QRectF r(QPointF(0, 0), QSizeF(kAutoPilotSize));
        p.setPen(QPen(QColor(120, 20, 20), 1.0));
        p.setBrush(QColor(0, 0, 0, 200));
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        centredText(p, r, QStringLiteral("Auto Pilot"),
                    fittedFont(QStringLiteral("Auto Pilot"), r.width() - 4, 11, 7),
                    QColor(255, 40, 40));
    });
}

QPixmap notOnMission(qreal dpr) {
    return drawn(QStringLiteral("notonmission"), kNotOnMissionSize, dpr, [](QPainter& p) {
        const QRectF r(QPointF(0, 0), QSizeF(kNotOnMissionSize));
        p.fillRect(r, Qt::black);
        starField(p, r, 70, 99);
        p.setPen(QPen(QColor(170, 20, 20), 2.0));
        p.drawLine(QPointF(0, 1), QPointF(r.width(), 1));
        p.drawLine(QPointF(0, r.height() - 1), QPointF(r.width(), r.height() - 1));
        glowText(p, r, QStringLiteral("Not On Mission"),
                 fittedFont(QStringLiteral("Not On Mission"), r.width() - 14, 19, 10),
                 QColor(255, 40, 30), QColor(255, 0, 0), 3);
    });
}

QPixmap winnerBadge(qreal dpr) {
    return drawn(QStringLiteral("winner"), kWinnerSize, dpr, [](QPainter& p) {
        const QRectF r(QPointF(0, 0), QSizeF(kWinnerSize));
        QLinearGradient back(0, 0, 0, r.height());
        back.setColorAt(0, QColor(0, 40, 60, 230));
        back.setColorAt(1, QColor(0, 12, 24, 230));
        p.setPen(QPen(QColor(0, 200, 255, 160), 1.0));
        p.setBrush(back);
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        starField(p, r.adjusted(4, 4, -4, -4), 16, 31);
        QFont f = fittedFont(QStringLiteral("WINNER!"), r.width() - 16, 27, 12);
        f.setItalic(true);
        glowText(p, r, QStringLiteral("WINNER!"), f, QColor(200, 255, 255), QColor(0, 230, 255), 5);
    });
}

QPixmap startGameButton(qreal dpr) {
    return drawn(QStringLiteral("start"), kStartButtonSize, dpr, [](QPainter& p) {
        const QRectF r(QPointF(0, 0), QSizeF(kStartButtonSize));
        raisedFace(p, r, QColor(40, 235, 60), 5);
        QFont f = uiFont(15);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
        centredText(p, r.translated(0, 0.5), QStringLiteral("START GAME"), f, Qt::black);
    });
}

QPixmap protectionStrip(qreal dpr) {
    return drawn(QStringLiteral("protstrip"), kProtectionStripSize, dpr, [](QPainter& p) {
        for (int k = 1; k <= kProtectionCount; ++k) {
            protectionSymbol(p, QPointF(kProtectionStep * (k - 1), 0), k, false);
        }
    });
}

QPixmap protectionIcon(int k, qreal dpr) {
    return drawn(QStringLiteral("prot%1").arg(k), kProtectionIconSize, dpr, [k](QPainter& p) {
        if (k >= 1 && k <= kProtectionCount) {
            protectionSymbol(p, QPointF(0, 0), k, true);
        }
    });
}

QPixmap tickBox(bool ticked, qreal dpr) {
    return drawn(ticked ? QStringLiteral("tick1") : QStringLiteral("tick0"), kTickBoxSize, dpr,
                 [ticked](QPainter& p) {
                     const QRectF box(7.5, 4.5, 21, 21);
                     p.setPen(QPen(QColor(40, 220, 60), 2.0));
                     p.setBrush(Qt::black);
                     p.drawRoundedRect(box, 2, 2);
                     p.setPen(QPen(QColor(20, 110, 30), 1.0));
                     p.setBrush(Qt::NoBrush);
                     p.drawRoundedRect(box.adjusted(2, 2, -2, -2), 1, 1);
                     if (ticked) {
                         p.setPen(QPen(QColor(60, 255, 80), 3.4, Qt::SolidLine, Qt::RoundCap,
                                       Qt::RoundJoin));
                         p.drawPolyline(QPolygonF{{11.5, 15}, {16, 20.5}, {30, 3}});
                     }
                 });
}

QPixmap smiley(int index, qreal dpr) {
    if (index < 0 || index >= kSmileyCount) {
        index = 0;
    }
    return drawn(QStringLiteral("smiley%1").arg(index), kSmileySize, dpr,
                 [index](QPainter& p) { smileyFace(p, index); });
}

QPixmap phraseButton(qreal dpr) {
    return drawn(QStringLiteral("phrasebtn"), kSmallButtonSize, dpr, [](QPainter& p) {
        smallButtonBase(p);
        // a speech bubble
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(5, 4, 15, 8.5), 3, 3);
        QPainterPath tail;
        tail.moveTo(8, 11);
        tail.lineTo(7, 15.5);
        tail.lineTo(12, 11.5);
        tail.closeSubpath();
        bubble = bubble.united(tail);
        p.setPen(QPen(QColor(10, 60, 10), 1.0));
        p.setBrush(Qt::white);
        p.drawPath(bubble);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 60, 10));
        for (int i = 0; i < 3; ++i) {
            p.drawEllipse(QPointF(9 + i * 3.5, 8.2), 0.9, 0.9);
        }
    });
}

QPixmap chatterButton(qreal dpr) {
    return drawn(QStringLiteral("chatterbtn"), kSmallButtonSize, dpr, [](QPainter& p) {
        smallButtonBase(p);
        // a loudspeaker with sound waves
        const QColor ink(10, 60, 10);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF{{5, 7.5}, {8, 7.5}, {12, 4}, {12, 15}, {8, 11.5}, {5, 11.5}});
        p.setPen(QPen(ink, 1.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(10, 6, 6, 7), -50 * 16, 100 * 16);
        p.drawArc(QRectF(9, 3.5, 10, 12), -50 * 16, 100 * 16);
    });
}

QPixmap smileyButton(qreal dpr) {
    return drawn(QStringLiteral("smileybtn"), kSmallButtonSize, dpr, [](QPainter& p) {
        smallButtonBase(p);
        p.translate(4, 1.5);
        smileyFace(p, 0);
    });
}

QPixmap logo(qreal dpr) {
    return drawn(QStringLiteral("logo"), kLogoSize, dpr, [](QPainter& p) {
        const QRectF r(QPointF(0, 0), QSizeF(kLogoSize));
        // the wake: a comet trail sweeping under the word
        QPainterPath wake;
        wake.moveTo(4, 22);
        wake.cubicTo(60, 30, 150, 28, 214, 8);
        wake.cubicTo(150, 24, 60, 26, 4, 22);
        QLinearGradient wg(0, 0, r.width(), 0);
        wg.setColorAt(0, QColor(0, 180, 255, 0));
        wg.setColorAt(1, QColor(120, 240, 255, 230));
        p.setPen(QPen(QBrush(wg), 2.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wake);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(214, 8), 2.2, 2.2);
        starField(p, QRectF(180, 0, 39, 29), 8, 5);
        QFont f = uiFont(23);
        f.setItalic(true);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
        QPainterPath text;
        text.addText(QPointF(16, 22), f, QStringLiteral("Driftwake"));
        for (int i = 3; i >= 1; --i) {
            p.setPen(
                QPen(QColor(0, 200, 255, 40), 2.0 * i, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(text);
        }
        QLinearGradient tg(0, 3, 0, 24);
        tg.setColorAt(0, QColor(255, 255, 255));
        tg.setColorAt(0.5, QColor(130, 230, 255));
        tg.setColorAt(1, QColor(40, 120, 220));
        p.setPen(QPen(QColor(0, 30, 60), 1.0));
        p.setBrush(tg);
        p.drawPath(text);
    });
}

QPixmap quickInstruction(int n, qreal dpr) {
    return drawn(QStringLiteral("quick%1").arg(n), kQuickInstructionSize, dpr,
                 [n, dpr](QPainter& p) { drawQuickPage(p, n, dpr); });
}

QPixmap quickChart(qreal dpr) {
    return drawn(QStringLiteral("quickchart"), kQuickChartSize, dpr,
                 [dpr](QPainter& p) { drawChart(p, dpr); });
}

QPixmap appIcon(int size, qreal dpr) {
    size = std::clamp(size, 16, 256);
    return drawn(QStringLiteral("icon%1").arg(size), QSize(size, size), dpr, [size](QPainter& p) {
        const qreal s = size;
        const QRectF r(0, 0, s, s);
        QRadialGradient g(r.center() - QPointF(s * 0.15, s * 0.15), s * 0.8);
        g.setColorAt(0, QColor(30, 50, 110));
        g.setColorAt(1, QColor(4, 6, 20));
        p.setPen(QPen(kCyan, std::max(1.0, s / 32.0)));
        p.setBrush(g);
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), s * 0.2, s * 0.2);
        if (size >= 32) {
            starField(p, r.adjusted(s * 0.1, s * 0.1, -s * 0.1, -s * 0.1), size / 4, 17);
        }
        p.setPen(QPen(QColor(24, 214, 240, 170), std::max(1.0, s / 24.0)));
        p.setBrush(Qt::NoBrush);
        p.save();
        p.translate(r.center());
        p.rotate(-25);
        p.drawEllipse(QPointF(0, 0), s * 0.42, s * 0.16);
        p.restore();
        symbolRocket(p, r.adjusted(s * 0.12, s * 0.08, -s * 0.12, -s * 0.14), kCyan);
    });
}

} // namespace dw::art
