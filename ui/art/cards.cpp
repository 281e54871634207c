// The card faces and the discard pile's placeholder.
#include "engine/cards.h"
#include "ui/art/canvas.h"
#include "ui/art/symbols.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QStringList>

#include <array>

namespace dw::art {

namespace {

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

} // namespace

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

} // namespace dw::art
