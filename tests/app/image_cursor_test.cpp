#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "app/image_cursor.h"
#include "app/service_outage.h"

namespace {

// "L1" for local picture 1, "D4" for downloaded image 4.
std::string Shown(const ImageCursor& cursor, const CursorLists& lists) {
    switch (TargetOf(cursor, lists)) {
        case CursorTarget::Local:
            return "L" + std::to_string(cursor.localIndex);
        case CursorTarget::Downloaded:
            return "D" + std::to_string(cursor.downloadedIndex);
        default:
            return "-";
    }
}

}  // namespace

TEST(ImageCursor, LocalPicturesMixedInAfterEveryThirdDownloadedOne) {
    CursorLists lists{20, 10, 3, true};
    ImageCursor cursor;
    std::vector<std::string> forward{Shown(cursor, lists)};
    for (int i = 0; i < 8; ++i) forward.push_back(Shown(cursor = MoveCursor(cursor, 1, lists), lists));
    EXPECT_EQ(forward, (std::vector<std::string>{"L0", "D1", "D2", "D3", "L1", "D4", "D5", "D6", "L2"}));

    std::vector<std::string> back{Shown(cursor, lists)};
    for (int i = 0; i < 8; ++i) back.push_back(Shown(cursor = MoveCursor(cursor, -1, lists), lists));
    EXPECT_EQ(back, (std::vector<std::string>{"L2", "D6", "D5", "D4", "L1", "D3", "D2", "D1", "L0"}))
        << "Previous retraces the same sequence";

    EXPECT_EQ(MoveCursor(ImageCursor{}, 3, lists),
              MoveCursor(MoveCursor(MoveCursor(ImageCursor{}, 1, lists), 1, lists), 1, lists))
        << "a burst of three equals three single steps";
}

TEST(ImageCursor, ListsWrapAtBothEnds) {
    CursorLists plain{3, 0, 3, false};
    ImageCursor cursor;
    cursor = MoveCursor(cursor, -1, plain);
    EXPECT_EQ(cursor.downloadedIndex, 2);
    cursor = MoveCursor(cursor, 2, plain);
    EXPECT_EQ(cursor.downloadedIndex, 1);
    EXPECT_EQ(cursor.phase, 0) << "without mixing the phase stays";

    CursorLists localOnly{0, 4, 3, true};
    cursor = ImageCursor{};
    EXPECT_EQ(Shown(cursor, localOnly), "L0");
    cursor = MoveCursor(cursor, 1, localOnly);
    cursor = MoveCursor(cursor, -3, localOnly);
    EXPECT_EQ(Shown(cursor, localOnly), "L2") << "no downloaded images: the local list alone";

    CursorLists empty{0, 0, 3, true};
    EXPECT_EQ(MoveCursor(ImageCursor{1, 2, 3}, 5, empty), (ImageCursor{1, 2, 3}));
    EXPECT_EQ(TargetOf(ImageCursor{}, empty), CursorTarget::None);
    EXPECT_EQ(Shown(ImageCursor{}, CursorLists{5, 4, 0, true}), "D0") << "interval 0 mixes nothing in";
}

TEST(ImageCursor, AnyIntervalIsSafe) {
    // The interval comes from config.xml: a negative one mixes nothing in, a huge one shows
    // the first local picture and then downloaded images, and neither divides by zero.
    for (int interval : {-1, -2, INT_MIN, INT_MAX, INT_MAX - 1}) {
        CursorLists lists{5, 4, interval, true};
        ImageCursor cursor{INT_MAX, 4, 3};
        for (int step : {1, -1, 7, -13}) {
            cursor = MoveCursor(cursor, step, lists);
            EXPECT_GE(cursor.phase, 0) << interval;
            EXPECT_TRUE(cursor.downloadedIndex >= 0 && cursor.downloadedIndex < 5) << interval;
            EXPECT_TRUE(cursor.localIndex >= 0 && cursor.localIndex < 4) << interval;
        }
        EXPECT_NE(TargetOf(cursor, lists), CursorTarget::None) << interval;
    }
    CursorLists huge{5, 4, INT_MAX, true};
    EXPECT_EQ(Shown(ImageCursor{}, huge), "L0");
    EXPECT_EQ(Shown(MoveCursor(ImageCursor{}, 1, huge), huge), "D1");
    EXPECT_EQ(Shown(ImageCursor{}, CursorLists{5, 4, -1, true}), "D0");
}

TEST(Tick, ChangesDownloadsAndHeartbeats) {
    TickState state;
    state.now = 1'000'000;
    state.lastChange = state.now - 5 * 60 + 1;
    state.lastDownload = state.now - 100;
    state.lastAttempt = state.now - 100;
    EXPECT_FALSE(DecideTick(state).showNext) << "one second short of five minutes";
    state.lastChange -= 1;
    EXPECT_TRUE(DecideTick(state).showNext) << "five minutes since the last change";
    state.changeMinutes = 60;
    EXPECT_FALSE(DecideTick(state).showNext);

    EXPECT_FALSE(DecideTick(state).download) << "downloaded 100 s ago";
    state.lastDownload = 0;  // never: a download is due at once...
    state.lastAttempt = state.now - 120;
    EXPECT_FALSE(DecideTick(state).download) << "...but the last attempt was two minutes ago";
    state.lastAttempt = state.now - 300;
    EXPECT_TRUE(DecideTick(state).download) << "300 s after the last attempt";
    state.lastDownload = state.now - 3 * 3600 + 1;
    EXPECT_FALSE(DecideTick(state).download) << "three hours not yet over";
    state.downloadHours = 1;
    EXPECT_TRUE(DecideTick(state).download);

    state.idleMs = 119'999;
    EXPECT_FALSE(DecideTick(state).heartbeat);
    state.idleMs = 120'000;
    EXPECT_TRUE(DecideTick(state).heartbeat);

    state.lastCheckUpdate = state.now - 86400 + 1;
    EXPECT_FALSE(DecideTick(state).checkUpdate) << "one second short of a day since the last check";
    state.lastCheckUpdate -= 1;
    EXPECT_TRUE(DecideTick(state).checkUpdate) << "a day since the last check";
    state.autoUpdate = false;
    EXPECT_FALSE(DecideTick(state).checkUpdate) << "automatic updates are off";

    state.changeMinutes = 2'000'000'000;  // a hostile config.xml must not wrap the arithmetic
    state.lastChange = state.now;
    EXPECT_FALSE(DecideTick(state).showNext);
}

TEST(Tick, PausesAndAnOutageHoldBackWhatTheyShould) {
    TickState state;
    state.now = 1'000'000;
    state.lastChange = state.now - 3600;
    state.lastDownload = state.now - 4 * 3600;
    state.lastAttempt = state.now - 30;
    state.idleMs = 200'000;
    state.lastCheckUpdate = state.now - 2 * 86400;
    state.changesPaused = true;
    state.downloadsPaused = true;
    EXPECT_FALSE(DecideTick(state).showNext) << "a change long overdue waits for the pause to end";
    state.serviceAway = true;
    state.retryAt = state.now;
    EXPECT_FALSE(DecideTick(state).download) << "on battery no download starts";
    state.downloadsPaused = false;
    EXPECT_TRUE(DecideTick(state).download) << "in an outage the back-off, not five minutes, spaces attempts";
    state.retryAt = state.now + 1;
    EXPECT_FALSE(DecideTick(state).download);
    EXPECT_FALSE(DecideTick(state).heartbeat) << "while the service is away only the downloads look for it";
    EXPECT_FALSE(DecideTick(state).checkUpdate);
    state.serviceAway = false;
    EXPECT_FALSE(DecideTick(state).download) << "out of an outage, 30 s after an attempt is too soon";
    EXPECT_TRUE(DecideTick(state).heartbeat);
    EXPECT_TRUE(DecideTick(state).checkUpdate);
    state.changesPaused = false;
    EXPECT_TRUE(DecideTick(state).showNext);
}

TEST(ServiceOutage, OneStartDoublingWaitsUpToAnHourAndAnEndOnlyWhenImagesCome) {
    std::vector<std::int64_t> delays;
    for (int failures = 1; failures <= 9; ++failures) delays.push_back(ServiceOutage::Delay(failures));
    EXPECT_EQ(delays, (std::vector<std::int64_t>{60, 120, 240, 480, 960, 1920, 3600, 3600, 3600}));
    EXPECT_EQ(ServiceOutage::Delay(INT_MAX), 3600);

    ServiceOutage outage;
    EXPECT_EQ(outage.Failed(1000, false), ServiceOutage::Change::None) << "the service answered: no outage";
    EXPECT_FALSE(outage.IsAway());
    EXPECT_EQ(outage.Arrived(), ServiceOutage::Change::None) << "nothing to end";
    EXPECT_EQ(outage.Failed(1000, true), ServiceOutage::Change::Began);
    EXPECT_EQ(outage.RetryAt(), 1060);
    EXPECT_EQ(outage.Failed(1060, true), ServiceOutage::Change::None) << "one outage is told once";
    EXPECT_EQ(outage.RetryAt(), 1180);
    EXPECT_EQ(outage.Failed(1180, false), ServiceOutage::Change::None);
    EXPECT_TRUE(outage.IsAway()) << "an error answer during the outage counts as another attempt";
    EXPECT_EQ(outage.RetryAt(), 1420);
    EXPECT_EQ(outage.Arrived(), ServiceOutage::Change::Ended);
    EXPECT_FALSE(outage.IsAway());
    EXPECT_EQ(outage.Failed(5000, true), ServiceOutage::Change::Began) << "the next outage starts afresh";
    EXPECT_EQ(outage.RetryAt(), 5060);
}
