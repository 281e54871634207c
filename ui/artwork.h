// Every picture of the game, drawn by the program itself with QPainter.
//
// Each function returns a pixmap of a fixed logical size, rendered at the
// given device pixel ratio so that the fixed board layout stays crisp on
// high-density screens. Pictures are drawn on first use and then kept in
// the process's pixmap cache; every call returns the same picture for the
// same arguments. Call only from the user-interface thread, after the
// QGuiApplication has been created.
#pragma once

#include "client/layout.h"

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace dw::art {

// Conversions from the board's geometry to Qt's types.
constexpr QSize qsize(layout::Size s) {
    return {s.width, s.height};
}
constexpr QPoint qpoint(layout::Point p) {
    return {p.x, p.y};
}
constexpr QRect qrect(layout::Rect r) {
    return {r.x, r.y, r.width, r.height};
}

// Logical sizes of the pictures.
inline constexpr QSize kCardSize = qsize(layout::kCardSize);
inline constexpr QSize kTurnFrameSize = qsize(layout::kTurnFrameSize);
inline constexpr QSize kBoardSize{layout::kBackgroundWidth, layout::kBackgroundHeight};
inline constexpr QSize kTargetSize = qsize(layout::kTargetSize);
inline constexpr QSize kAutoPilotSize = qsize(layout::kAutoPilotSize);
inline constexpr QSize kNotOnMissionSize = qsize(layout::kNotOnMissionSize);
inline constexpr QSize kWinnerSize = qsize(layout::kWinnerSize);
inline constexpr QSize kStartButtonSize = qsize(layout::kStartButtonSize);
inline constexpr QSize kProtectionStripSize = qsize(layout::kProtectionStripSize);
inline constexpr QSize kProtectionIconSize = qsize(layout::kProtectionIconSize);
inline constexpr QSize kTickBoxSize = qsize(layout::kTickBoxSize);
inline constexpr QSize kSmileySize = qsize(layout::kSmileySize);
inline constexpr QSize kSmallButtonSize = qsize(layout::kSmallButtonSize);
inline constexpr QSize kLogoSize = qsize(layout::kLogoSize);
inline constexpr QSize kQuickInstructionSize = qsize(layout::kQuickInstructionSize);
inline constexpr QSize kQuickChartSize = qsize(layout::kQuickChartSize);

inline constexpr int kCardCount = 20; // picture index = card code 0..19
inline constexpr int kSmileyCount = 18;
inline constexpr int kProtectionCount = 4;
inline constexpr int kQuickInstructionCount = 4;
inline constexpr int kProtectionStep = layout::kSafeStep; // icon k sits at x = 32 * (k - 1)

// Where the board's fixed controls stand (window coordinates at 100%), from
// client/layout.h. Seat n's controls are seat 1's moved right by seatOffset(n).
constexpr int seatOffset(int seat) { // 0, 196, 393, 589 for seats 1..4
    return layout::seatOffset(seat);
}
// Bevelled frames of the name and total labels and of the piles and protections.
constexpr QRect seatNameBar(int seat) {
    return qrect(layout::nameBarRect(seat));
}
constexpr QRect seatShipArea(int seat) {
    return qrect(layout::shipAreaRect(seat));
}
constexpr QPoint protectionOrigin(int seat) { // top left of the protection strip
    return qrect(layout::protectionStripRect(seat)).topLeft();
}
constexpr QPoint protectionIconPos(int seat, int k) { // top left of protection icon k (1..4)
    return qrect(layout::protectionIconRect(seat, k)).topLeft();
}
constexpr QPoint speedPilePos(int seat) {
    return qrect(layout::speedPileRect(seat)).topLeft();
}
constexpr QPoint goPilePos(int seat) {
    return qrect(layout::goPileRect(seat)).topLeft();
}
constexpr QPoint milePilePos(int seat) {
    return qrect(layout::milePileRect(seat)).topLeft();
}
constexpr QPoint targetPos(int seat) {
    return qrect(layout::targetRect(seat)).topLeft();
}
constexpr QPoint turnFramePos(int seat) {
    return qrect(layout::turnFrameRect(seat)).topLeft();
}
constexpr QPoint handPlacePos(int screenPosition) { // 1..7, lowered position
    return qrect(layout::handRect(screenPosition, false)).topLeft();
}
inline constexpr QPoint kDiscardPos = qrect(layout::kDiscard).topLeft();
inline constexpr QRect kStatusLogRect = qrect(layout::kStatusLog);
inline constexpr QRect kChatViewRect = qrect(layout::kChatView);
inline constexpr QRect kChatEntryRect = qrect(layout::kChatEntry);
inline constexpr QRect kInfoRect = qrect(layout::kInfoFrame);
inline constexpr QPoint kLogoPos = qrect(layout::kLogo).topLeft();
inline constexpr QPoint kStartButtonPos = qrect(layout::kStart).topLeft();
inline constexpr QPoint kSmileyButtonPos = qrect(layout::kSmileyButton).topLeft();

// The face of card `code` (0..19); 0 is the plain black face of an empty place.
QPixmap card(int code, qreal dpr = 1.0);
// The face name printed at the top of a card ("2500ly", "Undock", ...).
QString cardFaceName(int code);
// The grey cross-hatched picture under the discard pile.
QPixmap discardPlaceholder(qreal dpr = 1.0);

// The frame around the column whose turn it is: green while the ship moves,
// red otherwise. Transparent inside.
QPixmap turnFrame(bool green, qreal dpr = 1.0);
// The whole board's background panel; the inside of every frame is transparent.
QPixmap boardBackground(qreal dpr = 1.0);
// The board background's surface without its frames and headings, dimmed,
// `size` pixels: the background of the options, help and about windows.
QPixmap windowBackground(QSize size, qreal dpr = 1.0);
// Green crosshair marking where the selected card may go; transparent.
QPixmap target(qreal dpr = 1.0);
// "Auto Pilot" in red: the seat's human is just watching.
QPixmap autoPilot(qreal dpr = 1.0);
// "Not On Mission" in red on a starry black strip.
QPixmap notOnMission(qreal dpr = 1.0);
// "WINNER!" in glowing cyan.
QPixmap winnerBadge(qreal dpr = 1.0);
// "START GAME" in black on a bright green bar; with a caption, the words
// stand higher and the caption is written under them.
QPixmap startGameButton(qreal dpr = 1.0, const QString& caption = {});
// The four protection symbols in dim grey.
QPixmap protectionStrip(qreal dpr = 1.0);
// Protection k (1 Skyjacking, 2 Teleporting, 3 Damage, 4 Power Drain) lit;
// placed at x = 32 * (k - 1) over the strip it covers its grey symbol exactly.
QPixmap protectionIcon(int k, qreal dpr = 1.0);
// Green-framed tick box, empty or ticked.
QPixmap tickBox(bool ticked, qreal dpr = 1.0);
// Smiley `index` 0..17.
QPixmap smiley(int index, qreal dpr = 1.0);
// Faces of the 25 x 19 lime-green buttons beside the chat.
QPixmap phraseButton(qreal dpr = 1.0);
QPixmap chatterButton(qreal dpr = 1.0);
QPixmap smileyButton(qreal dpr = 1.0);
// The word Driftwake.
QPixmap logo(qreal dpr = 1.0);
// Quick instruction page n (1..4) and the chart of attacks, repairs and shields.
QPixmap quickInstruction(int n, qreal dpr = 1.0);
QPixmap quickChart(qreal dpr = 1.0);
// The program's icon, square, `size` pixels (16..256).
QPixmap appIcon(int size, qreal dpr = 1.0);

} // namespace dw::art
