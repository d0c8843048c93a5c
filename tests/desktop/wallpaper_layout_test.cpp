#include <gtest/gtest.h>

#include "desktop/wallpaper/monitor_layout.h"
#include "desktop/wallpaper/wallpaper_layout.h"

using namespace wallpaper_layout;

TEST(FitRule, ScreenSizedPicturesAreUsedAsTheyAre) {
    EXPECT_EQ(DecideFit({1024, 768}, {1024, 768}, 2, 0).fit, Fit::AsIs);
    EXPECT_EQ(DecideFit({1024, 768}, {1024, 768}, 0, 0).fit, Fit::AsIs);
    EXPECT_EQ(DecideFit({1024, 768}, {1024, 768}, 1, 0).fit, Fit::Framed) << "frame type 1 always frames";
}

TEST(FitRule, FrameTypeAutoFramesAnythingSmallerThanTheScreen) {
    EXPECT_EQ(DecideFit({1023, 5000}, {1024, 768}, 0, 10).fit, Fit::Framed) << "one pixel narrower, however high";
    EXPECT_EQ(DecideFit({1600, 1200}, {1024, 768}, 0, 0).fit, Fit::Scaled);
}

TEST(FitRule, CropsKeepingLessThanSeventyPercentAreFramed) {
    // A 2:1 panorama on a 4:3 screen keeps 66 % when cropped.
    for (int type : {0, 1, 2}) EXPECT_EQ(DecideFit({4000, 2000}, {1024, 768}, type, 10).fit, Fit::Framed) << type;
    EXPECT_EQ(CropToAspect({4000, 2000}, {1024, 768}), (Size{2666, 2000}));
    EXPECT_FALSE(KeepsEnough({2666, 2000}, {4000, 2000}));
    EXPECT_TRUE(KeepsEnough({7, 10}, {10, 10})) << "exactly 70 % is enough";
}

TEST(FitRule, EnlargingBeyondStretchPercentIsFramed) {
    EXPECT_EQ(DecideFit({1600, 1200}, {1024, 768}, 2, 0).fit, Fit::Scaled) << "the default scales a large picture down";
    FitDecision large = DecideFit({1600, 1200}, {1024, 768}, 2, 0);
    EXPECT_EQ(large.source, (Rect{0, 0, 1600, 1200}));
    EXPECT_EQ(DecideFit({800, 600}, {1024, 768}, 2, 0).fit, Fit::Framed) << "and frames a small one";
    EXPECT_EQ(DecideFit({940, 705}, {1024, 768}, 2, 10).fit, Fit::Scaled) << "940 x 1.10 reaches 1024";
    EXPECT_EQ(DecideFit({930, 698}, {1024, 768}, 2, 10).fit, Fit::Framed);
    // Top-left anchored crop of a taller picture.
    EXPECT_EQ(DecideFit({2048, 1600}, {1024, 768}, 2, 0).source, (Rect{0, 0, 2048, 1536}));
}

TEST(FitRule, HugePicturesDoNotOverflow) {
    FitDecision decision = DecideFit({60000, 40000}, {1920, 1080}, 2, 0);
    EXPECT_EQ(decision.fit, Fit::Scaled);
    EXPECT_EQ(decision.source, (Rect{0, 0, 60000, 33750}));
}

TEST(FramedPlacement, BoxInTheWorkArea) {
    // 1024 x 768 screen, a 30-pixel task bar at the bottom: margin min(113, 82) = 82.
    Placement large = PlaceFramed({1600, 1200}, {0, 0, 1024, 738});
    EXPECT_EQ(large.destination, (Rect{82, 82, 82 + 860, 82 + 574}));
    EXPECT_EQ(large.source, (Rect{0, 0, 1600, 1600 * 574 / 860}));

    Placement small = PlaceFramed({400, 300}, {0, 0, 1024, 738});
    EXPECT_EQ(small.destination, (Rect{312, 219, 712, 519})) << "never enlarged, centred";
    EXPECT_EQ(small.source, (Rect{0, 0, 400, 300}));

    // A panorama would lose too much to the box's shape: whole picture, box shrunk to it.
    Placement panorama = PlaceFramed({3000, 1000}, {0, 0, 1024, 738});
    EXPECT_EQ(panorama.source, (Rect{0, 0, 3000, 1000}));
    EXPECT_EQ(panorama.destination, (Rect{82, 369 - 143, 82 + 860, 369 - 143 + 286}));

    Placement offset = PlaceFramed({400, 300}, {100, 50, 1124, 788});
    EXPECT_EQ(offset.destination.left, 412);
    EXPECT_EQ(offset.destination.top, 269);
}

TEST(SpanLayout, EachMonitorHasItsPlaceWhereTheTilesShowIt) {
    // The primary 1920x1080 with its task bar, a 1280x1024 to its right, a 1600x900 above it
    // reaching left of the primary's corner.
    const Monitors monitors = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                               {{1920, 100, 3200, 1124}, {1920, 100, 3200, 1124}},
                               {{-400, -900, 1200, 0}, {-400, -900, 1200, -40}}};
    SpanLayout span = LayOutSpan(monitors, TileOrigin::VirtualScreen);
    EXPECT_EQ(span.canvas, (Size{3600, 2024})) << "the box around all three";
    ASSERT_EQ(span.at.size(), 3u);
    EXPECT_EQ(span.at[0], (Point{400, 900}));
    EXPECT_EQ(span.at[1], (Point{2320, 1000}));
    EXPECT_EQ(span.at[2], (Point{0, 0}));
    EXPECT_EQ(span.screens[1].size, (Size{1280, 1024}));
    EXPECT_EQ(span.screens[2].work, (Rect{0, 0, 1600, 860})) << "each work area from its monitor's corner";
    EXPECT_EQ(span.primaryWork, (Rect{400, 900, 2320, 1940}));

    // Before Windows 8 the tiles start at the primary's corner: the primary's part comes
    // first, and what lies left of it or above wraps round to the far side.
    span = LayOutSpan(monitors, TileOrigin::PrimaryMonitor);
    EXPECT_EQ(span.canvas, (Size{3600, 2024}));
    EXPECT_EQ(span.at[0], (Point{0, 0}));
    EXPECT_EQ(span.at[1], (Point{1920, 100})) << "right of the primary, as on the screen";
    EXPECT_EQ(span.at[2], (Point{3600 - 400, 2024 - 900}));
    EXPECT_EQ(span.primaryWork, (Rect{0, 0, 1920, 1040}));

    // One monitor is the screen as before, whichever way the tiles start.
    const Monitors one = {monitors.front()};
    span = LayOutSpan(one, TileOrigin::PrimaryMonitor);
    EXPECT_EQ(span.canvas, (Size{1920, 1080}));
    EXPECT_EQ(span.at[0], (Point{0, 0}));
    EXPECT_EQ(span.primaryWork, (Rect{0, 0, 1920, 1040}));
    EXPECT_TRUE(LayOutSpan({}, TileOrigin::VirtualScreen).screens.empty());
}
