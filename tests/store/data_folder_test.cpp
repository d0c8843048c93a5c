#include <gtest/gtest.h>

#include <algorithm>

#include "store/data_folder.h"
#include "store/package_file.h"
#include "support/test_support.h"

namespace {

ImagePtr Record(int id, const Path& path, int order, int width = 0, int height = 0) {
    auto image = std::make_shared<Image>(id, path, L"", L"");
    image->SetOrder(order);
    image->SetSize(width, height);
    return image;
}

}  // namespace

TEST(DataFolder, ScanRestoresTheServiceOrderFromThePackages) {
    TempDir dir;
    Path data = dir / L"data";
    ASSERT_TRUE(data.CreateDirectories());
    // Written in an order unrelated to the service's, under names that sort differently again.
    const int orders[] = {3, 0, 4, 1, 2};
    for (int i = 0; i < 5; ++i) {
        Path path = data / MakePackageFileName(L"http://img/" + std::to_wstring(i) + L".jpg");
        ASSERT_TRUE(WritePackage(Record(100 + orders[i], path, orders[i], 640 + i, 480), Bytes{1, 2, 3}, path));
    }
    WriteAll(data / L"broken.tvp", "not a package at all, but long enough");
    WriteAll(data / L"upper.TVP", "ignored: the extension is matched exactly");
    WriteAll(data / L"notes.txt", "ignored");
    ASSERT_TRUE((data / L"folder.tvp").CreateDirectories());

    ImageListPtr images = ScanImageDirectory(data);
    ASSERT_EQ(images->size(), 6u) << "five packages plus the unreadable file read as a legacy header";
    // A file without the magic reads as a package with no fields: id -1, order 0.
    std::vector<int> ids;
    for (const ImagePtr& image : *images) ids.push_back(image->GetId());
    EXPECT_EQ(std::count(ids.begin(), ids.end(), -1), 1);
    std::vector<int> service;
    for (const ImagePtr& image : *images)
        if (image->GetId() != -1) service.push_back(image->GetId());
    EXPECT_EQ(service, (std::vector<int>{100, 101, 102, 103, 104}));
    for (const ImagePtr& image : *images) {
        if (image->GetId() == -1) continue;
        EXPECT_EQ(image->GetOrder(), image->GetId() - 100);
        EXPECT_EQ(image->GetHeight(), 480);
        EXPECT_TRUE(image->GetUrl().empty());
    }
    EXPECT_TRUE(ScanImageDirectory(dir / L"missing")->empty());
}

TEST(DataFolder, CleanKeepsExactlyThePathsInUse) {
    TempDir dir;
    Path data = dir / L"data";
    ASSERT_TRUE((data / L"sub").CreateDirectories());
    for (const wchar_t* name : {L"cur1.tvp", L"cur2.tvp", L"fav.tvp", L"favthumb.tvp", L"old.tvp"})
        WriteAll(data / name, "x");

    ImageList current{Record(1, data / L"cur1.tvp", 0), Record(2, data / L"cur2.tvp", 1)};
    FavoriteList favorites{{Record(3, data / L"fav.tvp", 0), Record(3, data / L"favthumb.tvp", 0), L"", L""}};
    CleanImageDirectory(data, &current, &favorites);

    std::vector<std::wstring> left;
    for (const Path& entry : data.ListDirectory()) left.push_back(entry.FileName());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::wstring>{L"cur1.tvp", L"cur2.tvp", L"fav.tvp", L"favthumb.tvp", L"sub"}));

    CleanImageDirectory(data, &current, nullptr);
    EXPECT_FALSE((data / L"fav.tvp").Exists());
    EXPECT_TRUE((data / L"cur1.tvp").Exists()) << "a package of the current list survives without favourites";
    CleanImageDirectory(dir / L"missing", nullptr, nullptr);  // nothing to do, nothing breaks
}
