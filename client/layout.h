// Where everything on the board stands: every position and size of the
// board, written once, in logical pixels of the 790 by 529 client area.
//
// The board widget maps these to the window's actual size (the board scales
// with the window and keeps its proportions); the artwork draws the
// background's frames from them; the board model and its tests read the
// hand's edges. Per-seat controls stand at a fixed offset from their seat's
// name label. Plain C++, no Qt.
#pragma once

#include <array>
#include <cstddef>

namespace dw::layout {

struct Point {
    int x = 0;
    int y = 0;
};
struct Size {
    int width = 0;
    int height = 0;
};
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    constexpr Rect moved(int dx, int dy) const { return {x + dx, y + dy, width, height}; }
    constexpr bool contains(Point p) const {
        return p.x >= x && p.x < x + width && p.y >= y && p.y < y + height;
    }
};

inline constexpr int kSeats = 4;  // columns of the board, seats 1..4
inline constexpr int kPlaces = 7; // hand places

// ------------------------------------------------------------------ the window

inline constexpr int kClientWidth = 790;
inline constexpr int kClientHeight = 529;
inline constexpr int kBackgroundWidth = 794;
inline constexpr int kBackgroundHeight = 531;

// ------------------------------------------------------------------ pictures

inline constexpr Size kCardSize{44, 62}; // piles and hand places
inline constexpr int kCardWidth = kCardSize.width;
inline constexpr int kCardHeight = kCardSize.height;
inline constexpr Size kTurnFrameSize{184, 148};
inline constexpr Size kTargetSize{74, 57};
inline constexpr Size kAutoPilotSize{64, 15};
inline constexpr Size kNotOnMissionSize{174, 46};
inline constexpr Size kWinnerSize{140, 41};
inline constexpr Size kStartButtonSize{148, 32};
inline constexpr Size kProtectionStripSize{126, 24};
inline constexpr Size kProtectionIconSize{30, 24};
inline constexpr Size kTickBoxSize{36, 30};
inline constexpr Size kSmileySize{17, 16};
inline constexpr Size kSmallButtonSize{25, 19};
inline constexpr Size kLogoSize{219, 29};
inline constexpr Size kQuickInstructionSize{300, 153};
inline constexpr Size kQuickChartSize{300, 300};

// ------------------------------------------------------------------ seat columns

// Left edge of each seat's name label; every other control of a column moves
// with it.
inline constexpr std::array<int, kSeats + 1> kNameX{0, 18, 214, 411, 607};
// Seat n's column stands this far right of seat 1's.
constexpr int seatOffset(int seat) {
    return seat >= 1 && seat <= kSeats ? kNameX[static_cast<std::size_t>(seat)] - kNameX[1] : 0;
}

inline constexpr int kNameY = 11;
inline constexpr int kNameWidth = 128;
inline constexpr int kNameHeight = 17;
inline constexpr int kScoreDx = 151 - 18; // label_score
inline constexpr int kScoreY = 11;
inline constexpr int kScoreWidth = 46;
inline constexpr int kSafeDx = 38 - 18; // first protection icon; then steps of kSafeStep
inline constexpr int kSafeY = 51;
inline constexpr int kSafeStep = 32;
inline constexpr int kSafeStripWidth = kProtectionStripSize.width; // the grey "No Protection" strip
inline constexpr int kSafeStripHeight = kProtectionStripSize.height;
inline constexpr int kSpeedPileDx = 24 - 18;
inline constexpr int kGoPileDx = 80 - 18;
inline constexpr int kMilePileDx = 136 - 18;
inline constexpr int kPileY = 80;
inline constexpr int kTargetDx = 65 - 18;
inline constexpr int kTargetY = 105;
inline constexpr int kTargetWidth = kTargetSize.width;
inline constexpr int kTargetHeight = kTargetSize.height;
inline constexpr int kMilesDx = 55 - 18; // label_miles
inline constexpr int kMilesY = 161;
inline constexpr int kMilesWidth = 110;
inline constexpr int kMilesHeight = 16;
inline constexpr int kEyesDx = 19 - 18;
inline constexpr int kEyesY = 143;
inline constexpr int kNotPlayingDx = 5; // banners of seats 3 and 4
inline constexpr int kNotPlayingY = 90;
inline constexpr int kNotPlayingWidth = kNotOnMissionSize.width;
inline constexpr int kNotPlayingHeight = kNotOnMissionSize.height;
inline constexpr int kPanelDx = 12 - 18; // panel_scores
inline constexpr int kPanelY = 32;
inline constexpr int kPanelWidth = 185;
inline constexpr int kPanelHeight = 150;
// Inside the score panel: all labels at x 22; the six labels' tops in the
// order label_smiles, label_scompleted, label_ssafes, label_ssafetrip,
// label_sshutout, label_sturn; then the winner badge, under the last label,
// where it covers no text.
inline constexpr int kPanelLabelX = 22;
inline constexpr int kPanelLabelHeight = 17;
inline constexpr std::array<int, 6> kPanelLabelY{4, 21, 38, 55, 72, 89};
inline constexpr int kWinnerY = 107;
inline constexpr int kWinnerWidth = kWinnerSize.width;
inline constexpr int kWinnerHeight = kWinnerSize.height;
// The turn frame stands 5 pixels left of the turn seat's name label.
inline constexpr int kTurnDx = -5;
inline constexpr int kTurnY = 33;
inline constexpr int kTurnWidth = kTurnFrameSize.width;
inline constexpr int kTurnHeight = kTurnFrameSize.height;

// Bevelled frames of the background around a column's name bar and ship area.
inline constexpr Rect kNameBar{12, 8, 185, 22};    // seat 1
inline constexpr Rect kShipArea{17, 37, 176, 140}; // seat 1

// A seat's control: seat 1's rectangle relative to its name label, moved
// with the seat's column.
constexpr Rect seatRect(int seat, int dx, int y, int width, int height) {
    return {kNameX[1] + seatOffset(seat) + dx, y, width, height};
}
constexpr Rect nameRect(int seat) {
    return seatRect(seat, 0, kNameY, kNameWidth, kNameHeight);
}
constexpr Rect scoreRect(int seat) {
    return seatRect(seat, kScoreDx, kScoreY, kScoreWidth, kNameHeight);
}
constexpr Rect protectionStripRect(int seat) {
    return seatRect(seat, kSafeDx, kSafeY, kSafeStripWidth, kSafeStripHeight);
}
// Protection icon k (1..4).
constexpr Rect protectionIconRect(int seat, int k) {
    return seatRect(seat, kSafeDx + kSafeStep * (k - 1), kSafeY, kProtectionIconSize.width,
                    kProtectionIconSize.height);
}
constexpr Rect speedPileRect(int seat) {
    return seatRect(seat, kSpeedPileDx, kPileY, kCardWidth, kCardHeight);
}
constexpr Rect goPileRect(int seat) {
    return seatRect(seat, kGoPileDx, kPileY, kCardWidth, kCardHeight);
}
constexpr Rect milePileRect(int seat) {
    return seatRect(seat, kMilePileDx, kPileY, kCardWidth, kCardHeight);
}
constexpr Rect targetRect(int seat) {
    return seatRect(seat, kTargetDx, kTargetY, kTargetWidth, kTargetHeight);
}
constexpr Rect milesRect(int seat) {
    return seatRect(seat, kMilesDx, kMilesY, kMilesWidth, kMilesHeight);
}
constexpr Rect eyesRect(int seat) {
    return seatRect(seat, kEyesDx, kEyesY, kAutoPilotSize.width, kAutoPilotSize.height);
}
constexpr Rect notPlayingRect(int seat) {
    return seatRect(seat, kNotPlayingDx, kNotPlayingY, kNotPlayingWidth, kNotPlayingHeight);
}
constexpr Rect panelRect(int seat) {
    return seatRect(seat, kPanelDx, kPanelY, kPanelWidth, kPanelHeight);
}
// Score label i (0..5) and the winner badge, inside the score panel.
constexpr Rect panelLabelRect(int i) {
    return {kPanelLabelX, kPanelLabelY[static_cast<std::size_t>(i)], kPanelWidth - kPanelLabelX - 4,
            kPanelLabelHeight};
}
constexpr Rect winnerRect() {
    return {(kPanelWidth - kWinnerWidth) / 2, kWinnerY, kWinnerWidth, kWinnerHeight};
}
constexpr Rect turnFrameRect(int seat) {
    return seatRect(seat, kTurnDx, kTurnY, kTurnWidth, kTurnHeight);
}
constexpr Rect nameBarRect(int seat) {
    return kNameBar.moved(seatOffset(seat), 0);
}
constexpr Rect shipAreaRect(int seat) {
    return kShipArea.moved(seatOffset(seat), 0);
}

// ------------------------------------------------------------------ the hand

// Left edge of screen position p (1 = leftmost).
inline constexpr std::array<int, kPlaces + 1> kHandX{0, 42, 101, 160, 219, 278, 337, 396};
inline constexpr int kHandLoweredY = 197;
inline constexpr int kHandRaisedY = 193;
// Screen position p, lowered or raised.
constexpr Rect handRect(int position, bool raised) {
    const int x = position >= 1 && position <= kPlaces ? kHandX[static_cast<std::size_t>(position)]
                                                       : kHandX[1];
    return {x, raised ? kHandRaisedY : kHandLoweredY, kCardWidth, kCardHeight};
}

// ------------------------------------------------------------------ board-wide controls

inline constexpr int kDiscardX = 470;
inline constexpr int kDiscardY = 192;
inline constexpr Rect kDiscard{kDiscardX, kDiscardY, kCardWidth, kCardHeight};
inline constexpr Rect kDiscardCaption{kDiscardX - 8, kDiscardY + kCardHeight, kCardWidth + 16, 15};
inline constexpr int kInfoX = 533;
inline constexpr int kInfoWidth = 250;
inline constexpr int kInfoHeight = 18;
inline constexpr int kDistanceY = 195;
inline constexpr int kCardsLeftY = 216;
inline constexpr int kPlayToScoreY = 244;
inline constexpr Rect kInfoFrame{527, 188, 262, 80}; // bevelled frame of the three lines
inline constexpr int kStartX = 560;
inline constexpr int kStartY = 235;
inline constexpr int kStartWidth = kStartButtonSize.width;
inline constexpr int kStartHeight = kStartButtonSize.height;
inline constexpr Rect kStart{kStartX, kStartY, kStartWidth, kStartHeight};
inline constexpr int kStatusX = 558;
inline constexpr int kStatusY = 274;
inline constexpr int kStatusWidth = 226;
inline constexpr int kStatusHeight = 216;
inline constexpr Rect kStatusLog{kStatusX, kStatusY, kStatusWidth, kStatusHeight};
inline constexpr Rect kLogo{561, 493, kLogoSize.width, kLogoSize.height};

// The chat pane in the lower left: view, input box, smiley button, the nine
// phrase buttons in a column at the view's left and the chatter button.
inline constexpr Rect kChatView{42, 275, 500, 214};
inline constexpr Rect kChatEntry{14, 496, 500, 22};
inline constexpr Rect kSmileyButton{516, 498, kSmallButtonSize.width, kSmallButtonSize.height};
inline constexpr Rect kFirstPhraseButton{15, 278, kSmallButtonSize.width, kSmallButtonSize.height};
inline constexpr int kPhraseButtonStep = 21;
inline constexpr Rect kChatterButton{15, 467, kSmallButtonSize.width, kSmallButtonSize.height};

// The quick instructions overlay, centred over the board, and its pages
// (entry 0 the chart, 1..4 the instruction pictures).
inline constexpr Rect kQuickPanel{(kClientWidth - 785) / 2, (kClientHeight - 524) / 2, 785, 524};
inline constexpr std::array<Point, 5> kQuickPagePos{Point{424, 212}, Point{80, 44}, Point{80, 204},
                                                    Point{80, 364}, Point{440, 44}};

} // namespace dw::layout
