#include <gtest/gtest.h>

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
