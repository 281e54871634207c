// The pictures of the quick instructions.
#include "engine/cards.h"
#include "ui/art/canvas.h"

#include <array>

namespace dw::art {

namespace {

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

} // namespace

QPixmap quickInstruction(int n, qreal dpr) {
    return drawn(QStringLiteral("quick%1").arg(n), kQuickInstructionSize, dpr,
                 [n, dpr](QPainter& p) { drawQuickPage(p, n, dpr); });
}

QPixmap quickChart(qreal dpr) {
    return drawn(QStringLiteral("quickchart"), kQuickChartSize, dpr,
                 [dpr](QPainter& p) { drawChart(p, dpr); });
}

} // namespace dw::art
