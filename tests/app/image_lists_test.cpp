#include <gtest/gtest.h>

#include "app/image_lists.h"

TEST(ImageLists, CursorIndexesStayInsideTheirLists) {
    ImageLists lists;
    lists.SetDownloadedIndex(0);
    EXPECT_EQ(lists.GetCursor().downloadedIndex, 0) << "no list: nothing to point at";

    lists.SetDownloaded(std::make_shared<ImageList>(3));
    lists.SetDownloadedIndex(2);
    EXPECT_EQ(lists.GetCursor().downloadedIndex, 2);
    lists.SetDownloadedIndex(3);
    lists.SetDownloadedIndex(-1);
    EXPECT_EQ(lists.GetCursor().downloadedIndex, 2);

    lists.SetDownloaded(std::make_shared<ImageList>());
    EXPECT_EQ(lists.GetCursor().downloadedIndex, 2) << "an empty list leaves the index";
    lists.SetDownloaded(std::make_shared<ImageList>(5));
    EXPECT_EQ(lists.GetCursor().downloadedIndex, 0) << "a new list starts at its first image";

    auto local = std::make_shared<std::vector<Path>>(std::vector<Path>{L"a.jpg", L"b.jpg"});
    lists.SetLocal(local);
    lists.SetLocalIndex(1);
    lists.SetLocalIndex(2);
    EXPECT_EQ(lists.GetCursor().localIndex, 1);
    lists.SetLocal(local);
    EXPECT_EQ(lists.GetCursor().localIndex, 0);
}
