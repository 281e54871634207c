// Sizes, distinctness and transparency of the drawn pictures.

#include "engine/cards.h"
#include "ui/artwork.h"

#include <QImage>
#include <QTest>

#include <array>
#include <functional>
#include <vector>

using namespace dw::art;

namespace {

struct Picture {
    const char* name;
    std::function<QPixmap(qreal)> draw;
    QSize size;
};

std::vector<Picture> allPictures() {
    std::vector<Picture> list = {
        {"discard", [](qreal d) { return discardPlaceholder(d); }, {44, 62}},
        {"turn green", [](qreal d) { return turnFrame(true, d); }, {184, 148}},
        {"turn red", [](qreal d) { return turnFrame(false, d); }, {184, 148}},
        {"board", [](qreal d) { return boardBackground(d); }, {794, 531}},
        {"target", [](qreal d) { return target(d); }, {74, 57}},
        {"autopilot", [](qreal d) { return autoPilot(d); }, kAutoPilotSize},
        {"not on mission", [](qreal d) { return notOnMission(d); }, {174, 46}},
        {"winner", [](qreal d) { return winnerBadge(d); }, {140, 41}},
        {"start", [](qreal d) { return startGameButton(d); }, {148, 32}},
        {"strip", [](qreal d) { return protectionStrip(d); }, {126, 24}},
        {"tick0", [](qreal d) { return tickBox(false, d); }, {36, 30}},
        {"tick1", [](qreal d) { return tickBox(true, d); }, {36, 30}},
        {"phrase", [](qreal d) { return phraseButton(d); }, {25, 19}},
        {"chatter", [](qreal d) { return chatterButton(d); }, {25, 19}},
        {"smiley button", [](qreal d) { return smileyButton(d); }, {25, 19}},
        {"logo", [](qreal d) { return logo(d); }, {219, 29}},
        {"chart", [](qreal d) { return quickChart(d); }, {300, 300}},
        {"icon16", [](qreal d) { return appIcon(16, d); }, {16, 16}},
        {"icon256", [](qreal d) { return appIcon(256, d); }, {256, 256}},
    };
    for (int code = 0; code < kCardCount; ++code) {
        list.push_back({"card", [code](qreal d) { return card(code, d); }, {44, 62}});
    }
    for (int k = 1; k <= kProtectionCount; ++k) {
        list.push_back({"protection", [k](qreal d) { return protectionIcon(k, d); }, {30, 24}});
    }
    for (int i = 0; i < kSmileyCount; ++i) {
        list.push_back({"smiley", [i](qreal d) { return smiley(i, d); }, {17, 16}});
    }
    for (int n = 1; n <= kQuickInstructionCount; ++n) {
        list.push_back({"quick", [n](qreal d) { return quickInstruction(n, d); }, {300, 153}});
    }
    return list;
}

QImage image(const QPixmap& pm) {
    return pm.toImage().convertToFormat(QImage::Format_ARGB32);
}

bool transparentAt(const QImage& img, int x, int y) {
    return qAlpha(img.pixel(x, y)) == 0;
}
bool opaqueAt(const QImage& img, int x, int y) {
    return qAlpha(img.pixel(x, y)) == 255;
}

bool anyVisible(const QImage& img) {
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(img.pixel(x, y)) != 0) {
                return true;
            }
        }
    }
    return false;
}

// Bounding box of the pixels that are at least half opaque.
QRect inkBox(const QImage& img, int fromX, int toX) {
    QRect box;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = fromX; x < toX; ++x) {
            if (qAlpha(img.pixel(x, y)) >= 128) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

bool near(QRgb a, QRgb b, int tolerance) {
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

class ArtworkTest : public QObject {
    Q_OBJECT

private slots:
    void everyPictureHasItsSize_data() {
        QTest::addColumn<qreal>("dpr");
        QTest::newRow("dpr 1") << 1.0;
        QTest::newRow("dpr 2") << 2.0;
    }

    void everyPictureHasItsSize() {
        QFETCH(qreal, dpr);
        for (const Picture& pic : allPictures()) {
            const QPixmap pm = pic.draw(dpr);
            QVERIFY2(!pm.isNull(), pic.name);
            QCOMPARE(pm.deviceIndependentSize(), QSizeF(pic.size));
            QCOMPARE(pm.size(), pic.size * dpr);
            QVERIFY2(anyVisible(image(pm)), pic.name);
        }
    }

    void cardsAreDistinctAndFramedByClass() {
        std::vector<QImage> faces;
        for (int code = 0; code < kCardCount; ++code) {
            faces.push_back(image(card(code)));
        }
        for (std::size_t a = 0; a < faces.size(); ++a) {
            for (std::size_t b = a + 1; b < faces.size(); ++b) {
                QVERIFY2(faces[a] != faces[b], qPrintable(QStringLiteral("cards %1 and %2 look "
                                                                         "the same")
                                                              .arg(a)
                                                              .arg(b)));
            }
        }
        // the empty place is plain black all over
        const QImage& empty = faces[0];
        for (int y = 0; y < empty.height(); ++y) {
            for (int x = 0; x < empty.width(); ++x) {
                QCOMPARE(empty.pixel(x, y), qRgb(0, 0, 0));
            }
        }
        // the frame, midway down the left edge, carries the class colour
        for (int code = 1; code < kCardCount; ++code) {
            const QRgb want = dw::cardFrameRgb(dw::cardInfo(code).cls) | 0xFF000000u;
            QVERIFY2(near(faces[static_cast<std::size_t>(code)].pixel(1, 31), want, 40),
                     qPrintable(QStringLiteral("card %1 frame").arg(code)));
        }
        QCOMPARE(cardFaceName(14), QStringLiteral("Power Drain"));
        QCOMPARE(cardFaceName(1), QStringLiteral("2500ly"));
    }

    void outOfRangeArgumentsFallBack() {
        QCOMPARE(image(card(-1)), image(card(0)));
        QCOMPARE(image(card(20)), image(card(0)));
        QCOMPARE(image(smiley(18)), image(smiley(0)));
        QCOMPARE(image(smiley(-3)), image(smiley(0)));
        QCOMPARE(protectionIcon(0).deviceIndependentSize(), QSizeF(kProtectionIconSize));
        QCOMPARE(appIcon(4).deviceIndependentSize(), QSizeF(16, 16));
    }

    void smileysAreDistinct() {
        for (int a = 0; a < kSmileyCount; ++a) {
            for (int b = a + 1; b < kSmileyCount; ++b) {
                QVERIFY2(image(smiley(a)) != image(smiley(b)),
                         qPrintable(QStringLiteral("smileys %1 and %2").arg(a).arg(b)));
            }
        }
        QVERIFY(image(tickBox(false)) != image(tickBox(true)));
        QVERIFY(image(phraseButton()) != image(chatterButton()));
    }

    void framesAreOpenInside_data() {
        QTest::addColumn<qreal>("dpr");
        QTest::newRow("dpr 1") << 1.0;
        QTest::newRow("dpr 2") << 2.0;
    }

    void framesAreOpenInside() {
        QFETCH(qreal, dpr);
        auto at = [dpr](int v) { return static_cast<int>(v * dpr); };
        for (bool green : {true, false}) {
            const QImage frame = image(turnFrame(green, dpr));
            QVERIFY(opaqueAt(frame, at(2), at(74)));
            QVERIFY(transparentAt(frame, at(92), at(74)));
            QVERIFY(transparentAt(frame, at(10), at(10)));
        }
        const QImage marker = image(target(dpr));
        QVERIFY(transparentAt(marker, at(8), at(8)));
        QVERIFY(!transparentAt(marker, at(37), at(28))); // the centre dot

        const QImage board = image(boardBackground(dpr));
        QVERIFY(opaqueAt(board, at(4), at(184))); // the panel between the frames
        std::vector<QRect> open = {kStatusLogRect, kChatViewRect, kChatEntryRect, kInfoRect};
        for (int seat = 1; seat <= 4; ++seat) {
            open.push_back(seatNameBar(seat));
            QRect ship = seatShipArea(seat);
            ship.setTop(ship.top() + 14); // below the PROTECTIONS heading
            open.push_back(ship);
        }
        for (int pos = 1; pos <= 7; ++pos) {
            open.emplace_back(handPlacePos(pos), kCardSize);
        }
        open.emplace_back(kDiscardPos, kCardSize);
        for (const QRect& r : open) {
            for (const QPoint p : {r.topLeft(), r.bottomRight(), r.center()}) {
                QVERIFY2(transparentAt(board, at(p.x()), at(p.y())),
                         qPrintable(QStringLiteral("board at %1,%2").arg(p.x()).arg(p.y())));
            }
        }
    }

    void protectionIconsCoverTheirGreySymbols() {
        const QImage strip = image(protectionStrip());
        for (int k = 1; k <= kProtectionCount; ++k) {
            const int left = kProtectionStep * (k - 1);
            const QRect grey =
                inkBox(strip, left, std::min(left + kProtectionIconSize.width(), strip.width()));
            const QImage icon = image(protectionIcon(k));
            const QRect lit = inkBox(icon, 0, icon.width()).translated(left, 0);
            QVERIFY(!grey.isEmpty());
            QVERIFY2(lit.contains(grey), qPrintable(QStringLiteral("protection %1").arg(k)));
            QVERIFY(qAbs(lit.center().x() - grey.center().x()) <= 1);
        }
        // the layout puts icon k of seat 3 at its grey symbol in that seat's strip
        QCOMPARE(protectionIconPos(3, 4) - protectionOrigin(3), QPoint(96, 0));
        QCOMPARE(turnFramePos(3).x(), 406);
    }
    void layoutKeepsEveryControlInsideItsFrame() {
        const QRect board(QPoint(0, 0), kBoardSize);
        std::vector<QRect> frames = {kStatusLogRect, kChatViewRect, kChatEntryRect, kInfoRect,
                                     QRect(kDiscardPos, kCardSize)};
        const std::array<int, 4> nameX{18, 214, 411, 607};
        for (int seat = 1; seat <= 4; ++seat) {
            const QRect name = seatNameBar(seat);
            const QRect ship = seatShipArea(seat);
            QVERIFY(name.contains(QPoint(nameX[static_cast<std::size_t>(seat - 1)], 11)));
            QVERIFY(name.contains(QPoint(151 + seatOffset(seat), 11)));
            for (const QPoint pile : {speedPilePos(seat), goPilePos(seat), milePilePos(seat)}) {
                QVERIFY(ship.contains(QRect(pile, kCardSize)));
            }
            QVERIFY(ship.contains(QRect(targetPos(seat), kTargetSize)));
            QVERIFY(ship.contains(QRect(protectionOrigin(seat), kProtectionStripSize)));
            QVERIFY(ship.contains(QRect(QPoint(19 + seatOffset(seat), 143), kAutoPilotSize)));
            // the turn frame surrounds the ship area and starts 5 left of the name label
            QCOMPARE(turnFramePos(seat).x(), nameX[static_cast<std::size_t>(seat - 1)] - 5);
            QVERIFY(QRect(turnFramePos(seat), kTurnFrameSize).contains(ship));
            frames.push_back(name);
            frames.push_back(ship);
        }
        for (int pos = 1; pos <= 7; ++pos) {
            frames.emplace_back(handPlacePos(pos) - QPoint(0, 4), kCardSize + QSize(0, 4));
        }
        for (std::size_t a = 0; a < frames.size(); ++a) {
            QVERIFY(board.contains(frames[a].adjusted(-2, -2, 2, 2)));
            for (std::size_t b = a + 1; b < frames.size(); ++b) {
                QVERIFY2(!frames[a].intersects(frames[b]),
                         qPrintable(QStringLiteral("frames %1 and %2 overlap").arg(a).arg(b)));
            }
        }
        QVERIFY(!QRect(kLogoPos, kLogoSize).intersects(kStatusLogRect.adjusted(-2, -2, 2, 2)));
        QVERIFY(kInfoRect.contains(QRect(kStartButtonPos, kStartButtonSize)));
    }
};

QTEST_MAIN(ArtworkTest)
#include "test_artwork.moc"
