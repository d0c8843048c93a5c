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

    // A picture taken out: the cursor keeps its place, where the next one now stands.
    ImageList four;
    for (int i = 0; i < 4; ++i)
        four.push_back(std::make_shared<Image>(i, Path(L"p" + std::to_wstring(i) + L".tvp"), L"", L""));
    lists.SetDownloaded(std::make_shared<ImageList>(four));
    lists.Move({1, 1}, 3, false);
    lists.RemoveDownloaded(Path(L"p2.tvp"));
    EXPECT_EQ((*lists.GetDownloaded())[lists.GetCursor().downloadedIndex], four[3]) << "the one shown goes";
    lists.RemoveDownloaded(Path(L"p0.tvp"));
    EXPECT_EQ((*lists.GetDownloaded())[lists.GetCursor().downloadedIndex], four[3]) << "one before it goes";
    lists.RemoveDownloaded(Path(L"p3.tvp"));
    EXPECT_EQ(lists.GetCursor().downloadedIndex, 0) << "past the end: the first";
    EXPECT_EQ(lists.GetDownloaded()->size(), 1u);
    lists.RemoveLocal(Path(L"a.jpg"));
    EXPECT_EQ(*lists.GetLocal(), std::vector<Path>{L"b.jpg"});
    lists.RemoveLocal(Path(L"nowhere.jpg"));
    EXPECT_EQ(lists.GetLocal()->size(), 1u);
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
