// The board's furniture: background, turn frame, target marker, banners,
// badges, buttons, the logo and the program's icon.
#include "ui/art/canvas.h"
#include "ui/art/symbols.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>

namespace dw::art {

namespace {

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

} // namespace

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

QPixmap startGameButton(qreal dpr, const QString& caption) {
    return drawn(QStringLiteral("start/") + caption, kStartButtonSize, dpr, [caption](QPainter& p) {
        const QRectF r(QPointF(0, 0), QSizeF(kStartButtonSize));
        raisedFace(p, r, QColor(40, 235, 60), 5);
        if (caption.isEmpty()) {
            QFont f = uiFont(15);
            f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
            centredText(p, r.translated(0, 0.5), QStringLiteral("START GAME"), f, Qt::black);
            return;
        }
        // The words move up and the caption (the text the button covers)
        // takes the lower part of the bar.
        QFont f = uiFont(13);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
        centredText(p, QRectF(0, 1.5, r.width(), 17), QStringLiteral("START GAME"), f, Qt::black);
        centredText(p, QRectF(2, 17, r.width() - 4, 13), caption,
                    fittedFont(caption, r.width() - 10, 11, 7), QColor(0, 60, 10));
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
