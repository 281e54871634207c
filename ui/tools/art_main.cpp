// driftwake-art: writes every picture of the game as a PNG for review, plus a
// contact sheet of the cards and a mock board with pieces in their places.
//
//   driftwake-art --out DIR [--dpr 2]
//   driftwake-art --icons DIR   (application icons in the hicolor theme layout)

#include "ui/artwork.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <functional>

namespace {

using dw::art::kCardSize;

QImage canvas(QSize size, qreal dpr, const QColor& fill) {
    QImage img(QSize(qRound(size.width() * dpr), qRound(size.height() * dpr)),
               QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(fill);
    return img;
}

QImage contactSheet(qreal dpr) {
    const int gap = 6;
    const int cols = 10;
    const QSize size(cols * (kCardSize.width() + gap) + gap,
                     2 * (kCardSize.height() + gap + 12) + gap);
    QImage img = canvas(size, dpr, QColor(30, 30, 34));
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(9);
    p.setFont(f);
    p.setPen(QColor(200, 200, 200));
    for (int code = 0; code < dw::art::kCardCount; ++code) {
        const int x = gap + (code % cols) * (kCardSize.width() + gap);
        const int y = gap + (code / cols) * (kCardSize.height() + gap + 12);
        p.drawPixmap(x, y, dw::art::card(code, dpr));
        p.drawText(QRect(x, y + kCardSize.height(), kCardSize.width(), 12), Qt::AlignCenter,
                   QString::number(code));
    }
    return img;
}

QImage smileySheet(qreal dpr) {
    const QSize size(dw::art::kSmileyCount * 21 + 4, 24);
    QImage img = canvas(size, dpr, Qt::black);
    QPainter p(&img);
    for (int i = 0; i < dw::art::kSmileyCount; ++i) {
        p.drawPixmap(4 + i * 21, 4, dw::art::smiley(i, dpr));
    }
    return img;
}

void label(QPainter& p, QPoint at, const QString& text, const QColor& colour, int px = 12) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(px);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRect(at, QSize(180, px + 4)), Qt::AlignLeft | Qt::AlignVCenter, text);
}

// The board as a player sees it in the middle of a round.
QImage mockBoard(qreal dpr) {
    using namespace dw::art;
    QImage img = canvas(QSize(790, 529), dpr, Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.drawPixmap(0, 0, boardBackground(dpr));
    const QColor yellow(255, 255, 0);
    const QColor lime(0, 255, 0);
    const QColor grey(159, 174, 173);
    const char* names[] = {"", "Ann", "Klot", "Klick", "Kling"};
    const int piles[5][3] = {{0, 0, 0}, {0, 6, 4}, {10, 12, 2}, {11, 6, 5}, {0, 0, 0}};
    for (int seat = 1; seat <= 4; ++seat) {
        const int dx = seatOffset(seat);
        const QColor c = seat == 2 ? lime : yellow;
        label(p, QPoint(18 + dx, 11), QString::fromLatin1(names[seat]), c);
        label(p, QPoint(151 + dx, 11), seat == 1 ? QStringLiteral("$1200") : QStringLiteral("$850"),
              c);
        p.drawPixmap(protectionOrigin(seat), protectionStrip(dpr));
        if (piles[seat][0] != 0) {
            p.drawPixmap(speedPilePos(seat), card(piles[seat][0], dpr));
        }
        if (piles[seat][1] != 0) {
            p.drawPixmap(goPilePos(seat), card(piles[seat][1], dpr));
        }
        if (piles[seat][2] != 0) {
            p.drawPixmap(milePilePos(seat), card(piles[seat][2], dpr));
        }
        label(p, QPoint(55 + dx, 161), QStringLiteral("%1 Lyrs").arg(seat * 12500), grey, 11);
    }
    p.drawPixmap(protectionIconPos(1, 1), protectionIcon(1, dpr));
    p.drawPixmap(protectionIconPos(1, 3), protectionIcon(3, dpr));
    p.drawPixmap(protectionIconPos(3, 2), protectionIcon(2, dpr));
    p.drawPixmap(protectionIconPos(3, 4), protectionIcon(4, dpr));
    p.drawPixmap(turnFramePos(2), turnFrame(false, dpr));
    p.drawPixmap(targetPos(2), target(dpr));
    p.drawPixmap(QPoint(19 + seatOffset(3), 143), autoPilot(dpr));
    p.drawPixmap(QPoint(seatOffset(4) + 17, 82), notOnMission(dpr));
    const int hand[] = {1, 7, 8, 13, 16, 0, 20};
    for (int pos = 1; pos <= 7; ++pos) {
        const int code = hand[pos - 1] % kCardCount;
        if (code == 0) {
            continue;
        }
        QPoint at = handPlacePos(pos);
        if (pos == 3) {
            at.ry() -= 4; // the selected card stands raised
        }
        p.drawPixmap(at, card(code, dpr));
    }
    p.drawPixmap(kDiscardPos, discardPlaceholder(dpr));
    p.drawPixmap(kDiscardPos, card(9, dpr));
    label(p, QPoint(473, 256), QStringLiteral("Discard"), grey, 10);
    label(p, QPoint(533, 195), QStringLiteral("Target Distance: 70000"), grey, 11);
    label(p, QPoint(533, 216), QStringLiteral("Cards Left: 61"), grey, 11);
    label(p, QPoint(533, 244), QStringLiteral("Amount to Earn: $5000"), grey, 11);
    label(p, QPoint(562, 278), QStringLiteral("Klot plays DAMAGE on Ann"), QColor(48, 207, 52), 10);
    label(p, QPoint(46, 279), QStringLiteral("You are Connected."), yellow, 12);
    for (int n = 1; n <= 9; ++n) {
        p.drawPixmap(15, 278 + 21 * (n - 1), phraseButton(dpr));
    }
    p.drawPixmap(15, 467, chatterButton(dpr));
    p.drawPixmap(kSmileyButtonPos, smileyButton(dpr));
    label(p, QPoint(18, 499), QStringLiteral("<Enter Chat Here>"), yellow, 12);
    p.drawPixmap(kLogoPos, logo(dpr));
    return img;
}

// The same board before a game, with the start control showing.
QImage mockBoardIdle(qreal dpr) {
    using namespace dw::art;
    QImage img = canvas(QSize(790, 529), dpr, Qt::black);
    QPainter p(&img);
    p.drawPixmap(0, 0, boardBackground(dpr));
    for (int seat = 1; seat <= 4; ++seat) {
        p.drawPixmap(protectionOrigin(seat), protectionStrip(dpr));
    }
    p.drawPixmap(kStartButtonPos, startGameButton(dpr));
    p.drawPixmap(kDiscardPos, discardPlaceholder(dpr));
    p.drawPixmap(kLogoPos, logo(dpr));
    p.drawPixmap(QPoint(12 + seatOffset(1) + 22, 32 + 55), winnerBadge(dpr));
    return img;
}

QImage quickOverlay(qreal dpr) {
    using namespace dw::art;
    QImage img = canvas(QSize(785, 524), dpr, QColor(0, 0, 0));
    QPainter p(&img);
    label(p, QPoint(300, 12), QStringLiteral("QUICK INSTRUCTIONS"), QColor(255, 255, 0), 16);
    p.drawPixmap(80, 44, quickInstruction(1, dpr));
    p.drawPixmap(80, 204, quickInstruction(2, dpr));
    p.drawPixmap(80, 364, quickInstruction(3, dpr));
    p.drawPixmap(440, 44, quickInstruction(4, dpr));
    p.drawPixmap(424, 212, quickChart(dpr));
    return img;
}

// The icon sizes a desktop looks for in the hicolor theme.
int writeThemeIcons(const QString& root, QTextStream& err) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = QDir(root).filePath(sub + QStringLiteral("/driftwake.png"));
        if (!QDir(root).mkpath(sub) || !dw::art::appIcon(size, 1.0).save(file)) {
            err << "driftwake-art: cannot write " << file << "\n";
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes the game's pictures as PNG files."));
    parser.addHelpOption();
    const QCommandLineOption outOpt(QStringLiteral("out"), QStringLiteral("Output directory."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption dprOpt(QStringLiteral("dpr"), QStringLiteral("Device pixel ratio."),
                                    QStringLiteral("RATIO"), QStringLiteral("1"));
    const QCommandLineOption iconsOpt(
        QStringLiteral("icons"),
        QStringLiteral("Write only the application icons as DIR/NxN/apps/driftwake.png."),
        QStringLiteral("DIR"));
    parser.addOption(outOpt);
    parser.addOption(dprOpt);
    parser.addOption(iconsOpt);
    parser.process(app);
    QTextStream err(stderr);
    if (parser.isSet(iconsOpt)) {
        return writeThemeIcons(parser.value(iconsOpt), err);
    }
    if (!parser.isSet(outOpt)) {
        err << "driftwake-art: --out DIR is required\n";
        return 2;
    }
    bool ok = false;
    const qreal dpr = parser.value(dprOpt).toDouble(&ok);
    if (!ok || dpr < 0.5 || dpr > 4.0) {
        err << "driftwake-art: --dpr must be a number from 0.5 to 4\n";
        return 2;
    }
    QDir dir(parser.value(outOpt));
    if (!dir.mkpath(QStringLiteral("."))) {
        err << "driftwake-art: cannot create " << dir.path() << "\n";
        return 1;
    }
    int failures = 0;
    int written = 0;
    auto save = [&](const QString& name, const QImage& img) {
        if (img.save(dir.filePath(name + QStringLiteral(".png")))) {
            ++written;
        } else {
            err << "driftwake-art: cannot write " << name << ".png\n";
            ++failures;
        }
    };
    auto savePm = [&](const QString& name, const QPixmap& pm) { save(name, pm.toImage()); };

    using namespace dw::art;
    for (int code = 0; code < kCardCount; ++code) {
        savePm(QStringLiteral("card%1").arg(code, 2, 10, QLatin1Char('0')), card(code, dpr));
    }
    savePm(QStringLiteral("discard_placeholder"), discardPlaceholder(dpr));
    savePm(QStringLiteral("turnframe0_green"), turnFrame(true, dpr));
    savePm(QStringLiteral("turnframe1_red"), turnFrame(false, dpr));
    savePm(QStringLiteral("board_background"), boardBackground(dpr));
    savePm(QStringLiteral("target"), target(dpr));
    savePm(QStringLiteral("autopilot"), autoPilot(dpr));
    savePm(QStringLiteral("not_on_mission"), notOnMission(dpr));
    savePm(QStringLiteral("winner"), winnerBadge(dpr));
    savePm(QStringLiteral("start_game"), startGameButton(dpr));
    savePm(QStringLiteral("protection_strip"), protectionStrip(dpr));
    for (int k = 1; k <= kProtectionCount; ++k) {
        savePm(QStringLiteral("protection%1").arg(k), protectionIcon(k, dpr));
    }
    savePm(QStringLiteral("tickbox0"), tickBox(false, dpr));
    savePm(QStringLiteral("tickbox1"), tickBox(true, dpr));
    for (int i = 0; i < kSmileyCount; ++i) {
        savePm(QStringLiteral("smiley%1").arg(i, 2, 10, QLatin1Char('0')), smiley(i, dpr));
    }
    savePm(QStringLiteral("phrase_button"), phraseButton(dpr));
    savePm(QStringLiteral("chatter_button"), chatterButton(dpr));
    savePm(QStringLiteral("smiley_button"), smileyButton(dpr));
    savePm(QStringLiteral("logo"), logo(dpr));
    for (int n = 1; n <= kQuickInstructionCount; ++n) {
        savePm(QStringLiteral("quick%1").arg(n), quickInstruction(n, dpr));
    }
    savePm(QStringLiteral("quick_chart"), quickChart(dpr));
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        savePm(QStringLiteral("icon%1").arg(size), appIcon(size, dpr));
    }
    save(QStringLiteral("sheet_cards"), contactSheet(dpr));
    save(QStringLiteral("sheet_smileys"), smileySheet(dpr));
    save(QStringLiteral("mock_board"), mockBoard(dpr));
    save(QStringLiteral("mock_board_idle"), mockBoardIdle(dpr));
    save(QStringLiteral("mock_quick_instructions"), quickOverlay(dpr));
    QTextStream(stdout) << "driftwake-art: wrote " << written << " pictures to " << dir.path()
                        << "\n";
    return failures == 0 ? 0 : 1;
}
