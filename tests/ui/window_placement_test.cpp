// Where the main window goes, over monitor layouts this machine does not have.
#include <gtest/gtest.h>

#include "ui/main_window/window_placement.h"

namespace {

bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

}  // namespace

TEST(WindowPlacement, KeptOnAnyMonitorElseBottomRightOfTheNearest) {
    const SIZE bar{221, 41};
    // The primary 1920 x 1080 with its taskbar, a 1280 x 1024 to its right, one above it with a
    // negative origin.
    const std::vector<RECT> monitors{{0, 0, 1920, 1040}, {1920, 0, 3200, 1024}, {-200, -900, 1400, 0}};

    EXPECT_TRUE(PlaceOnMonitors(bar, std::nullopt, monitors) == (POINT{1920 - 221 - 5, 1040 - 41 - 40}))
        << "first start: bottom right of the primary";
    EXPECT_TRUE(PlaceOnMonitors(bar, POINT{2500, 600}, monitors) == (POINT{2500, 600})) << "on the second monitor";
    EXPECT_TRUE(PlaceOnMonitors(bar, POINT{-150, -500}, monitors) == (POINT{-150, -500})) << "on the one above";
    EXPECT_TRUE(PlaceOnMonitors(bar, POINT{100, 1010}, monitors) == (POINT{100, 1040 - 41 - 40}))
        << "over the taskbar: up into the work area, left where it was";

    // The second monitor went away: the window there comes back to the nearest one left.
    const std::vector<RECT> one{monitors[0]};
    EXPECT_TRUE(PlaceOnMonitors(bar, POINT{2500, 600}, one) == (POINT{1920 - 221 - 5, 600}));
    EXPECT_TRUE(PlaceOnMonitors(bar, POINT{5000, 5000}, one) == (POINT{1920 - 221 - 5, 1040 - 41 - 40}));
    // Off every monitor, nearer the second than the primary: the second's bottom right.
    EXPECT_TRUE(PlaceOnMonitors(bar, POINT{3300, 700}, monitors) == (POINT{3200 - 221 - 5, 700}));
    // Across two monitors: the one holding most of it.
    EXPECT_TRUE(PlaceOnMonitors(bar, POINT{1900, 300}, monitors) == (POINT{3200 - 221 - 5, 300}));

    EXPECT_TRUE(PlaceOnMonitors(bar, POINT{7, 8}, {}) == (POINT{7, 8})) << "no monitor known: left alone";
    EXPECT_TRUE(PlaceOnMonitors(SIZE{332, 62}, std::nullopt, monitors, 144) == (POINT{1920 - 332 - 8, 1040 - 62 - 60}))
        << "at 150 % the margins grow with the window";
}
