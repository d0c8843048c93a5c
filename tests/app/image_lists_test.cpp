#include <gtest/gtest.h>

#include "app/image_lists.h"

TEST(ImageLists, CursorIndexesStayInsideTheirLists) {
    ImageLists lists;
    EXPECT_EQ(lists.Move({1}, 3, false).cursor.downloadedIndex, 0) << "no list: nothing to point at";

    lists.SetDownloaded(std::make_shared<ImageList>(3));
    EXPECT_EQ(lists.Move({1, 1}, 3, false).cursor.downloadedIndex, 2);
    EXPECT_EQ(lists.Move({1}, 3, false).cursor.downloadedIndex, 0) << "the end wraps to the start";
    EXPECT_EQ(lists.Move({-1}, 3, false).cursor.downloadedIndex, 2);

    lists.SetDownloaded(std::make_shared<ImageList>());
    EXPECT_EQ(lists.GetCursor().downloadedIndex, 2) << "an empty list leaves the index";
    lists.SetDownloaded(std::make_shared<ImageList>(5));
    EXPECT_EQ(lists.GetCursor().downloadedIndex, 0) << "a new list starts at its first image";

    auto local = std::make_shared<std::vector<Path>>(std::vector<Path>{L"a.jpg", L"b.jpg"});
    lists.SetLocal(local);
    lists.SetOverride(std::make_shared<Image>(1, Path(L"x.tvp"), L"", L""));
    ImageLists::Snapshot shown = lists.Move({0}, 3, true);
    EXPECT_TRUE(shown.override) << "showing the current image keeps the chosen one";
    shown = lists.Move({1, 1, 1, 1}, 3, true);
    EXPECT_FALSE(shown.override) << "a step drops it";
    EXPECT_EQ(shown.cursor.localIndex, 1);
    lists.SetLocal(local);
    EXPECT_EQ(lists.GetCursor().localIndex, 0);
}

TEST(ImageLists, ASnapshotsCursorAlwaysPointsIntoItsOwnLists) {
    // Deliveries swap the downloaded list between show jobs' steps: whatever the order, the
    // snapshot a job gets holds the lists its cursor was moved against.
    ImageLists lists;
    auto longList = std::make_shared<ImageList>(9), shortList = std::make_shared<ImageList>(2);
    lists.SetDownloaded(longList);
    int outside = 0;
    for (int i = 0; i < 2000; ++i) {
        if (i % 3 == 0) lists.SetDownloaded(i % 2 ? longList : shortList);
        ImageLists::Snapshot shown = lists.Move({i % 5 == 0 ? -1 : 1, 1}, 3, false);
        if (!shown.downloaded || shown.cursor.downloadedIndex >= static_cast<int>(shown.downloaded->size())) ++outside;
    }
    EXPECT_EQ(outside, 0);
}
