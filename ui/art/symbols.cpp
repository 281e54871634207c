// The symbols on the cards and the protection icons, each drawn to fill its box.
#include "ui/art/symbols.h"
#include "ui/art/canvas.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

#include <cmath>
#include <numbers>

namespace dw::art {

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
// Protection pictures

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

} // namespace dw::art
