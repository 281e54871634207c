// Board geometry that the pictures rely on.
#include "client/layout.h"

#include <gtest/gtest.h>

namespace dw::layout {
namespace {

bool overlap(const Rect& a, const Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

bool inside(const Rect& r, const Rect& outer) {
    return r.x >= outer.x && r.y >= outer.y && r.x + r.width <= outer.x + outer.width &&
           r.y + r.height <= outer.y + outer.height;
}

TEST(Layout, TheWinnerBadgeCoversNoScoreTextAndStaysInItsPanel) {
    const Rect panel{0, 0, kPanelWidth, kPanelHeight};
    EXPECT_TRUE(inside(winnerRect(), panel));
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(inside(panelLabelRect(i), panel));
        EXPECT_FALSE(overlap(winnerRect(), panelLabelRect(i)));
        for (int j = i + 1; j < 6; ++j)
            EXPECT_FALSE(overlap(panelLabelRect(i), panelLabelRect(j)));
    }
}

} // namespace
} // namespace dw::layout
