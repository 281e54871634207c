// Every picture of the game, drawn by the program itself with QPainter.
//
// Each function returns a pixmap of a fixed logical size, rendered at the
// given device pixel ratio so that the fixed board layout stays crisp on
// high-density screens. Pictures are drawn on first use and then kept in
// the process's pixmap cache; every call returns the same picture for the
// same arguments. Call only from the user-interface thread, after the
// QGuiApplication has been created.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace dw::art {

// Logical sizes of the pictures.
inline constexpr QSize kCardSize{44, 62};
inline constexpr QSize kTurnFrameSize{184, 148};
inline constexpr QSize kBoardSize{794, 531};
inline constexpr QSize kTargetSize{74, 57};
inline constexpr QSize kAutoPilotSize{64, 15};
inline constexpr QSize kNotOnMissionSize{174, 46};
inline constexpr QSize kWinnerSize{140, 41};
inline constexpr QSize kStartButtonSize{148, 32};
inline constexpr QSize kProtectionStripSize{126, 24};
inline constexpr QSize kProtectionIconSize{30, 24};
inline constexpr QSize kTickBoxSize{36, 30};
inline constexpr QSize kSmileySize{17, 16};
inline constexpr QSize kSmallButtonSize{25, 19};
inline constexpr QSize kLogoSize{219, 29};
inline constexpr QSize kQuickInstructionSize{300, 153};
inline constexpr QSize kQuickChartSize{300, 300};

inline constexpr int kCardCount = 20; // picture index = card code 0..19
inline constexpr int kSmileyCount = 18;
inline constexpr int kProtectionCount = 4;
inline constexpr int kQuickInstructionCount = 4;
inline constexpr int kProtectionStep = 32; // icon k sits at x = 32 * (k - 1) in the strip

// Where the board's fixed controls stand (window coordinates). Seat n's
// controls are seat 1's moved right by seatOffset(n).
int seatOffset(int seat);                  // 0, 196, 393, 589 for seats 1..4
QRect seatNameBar(int seat);               // bevelled frame of the name and total labels
QRect seatShipArea(int seat);              // bevelled frame of the piles and protections
QPoint protectionOrigin(int seat);         // top left of the protection strip
QPoint protectionIconPos(int seat, int k); // top left of protection icon k (1..4)
QPoint speedPilePos(int seat);
QPoint goPilePos(int seat);
QPoint milePilePos(int seat);
QPoint targetPos(int seat);
QPoint turnFramePos(int seat);
QPoint handPlacePos(int screenPosition); // 1..7, lowered position
inline constexpr QPoint kDiscardPos{470, 192};
inline constexpr QRect kStatusLogRect{558, 274, 226, 216};
inline constexpr QRect kChatViewRect{42, 275, 500, 214};
inline constexpr QRect kChatEntryRect{14, 496, 500, 22};
inline constexpr QRect kInfoRect{527, 188, 262, 80};
inline constexpr QPoint kLogoPos{561, 493};
inline constexpr QPoint kStartButtonPos{560, 235};
inline constexpr QPoint kSmileyButtonPos{516, 498};

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
// "START GAME" in black on a bright green bar.
QPixmap startGameButton(qreal dpr = 1.0);
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
