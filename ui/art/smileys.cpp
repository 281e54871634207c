// The chat's smileys and the small buttons beside the chat.
#include "ui/art/canvas.h"

#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace dw::art {

namespace {

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

} // namespace

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

} // namespace dw::art
