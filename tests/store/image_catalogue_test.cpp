#include <gtest/gtest.h>

#include <algorithm>

#include "core/xml.h"
#include "net/download_exception.h"
#include "store/image_catalogue.h"
#include "store/package_file.h"
#include "support/test_support.h"

namespace {

std::unique_ptr<TiXmlDocument> Xml(const std::string& text) {
    auto document = ParseXml(text);
    EXPECT_TRUE(document) << text;
    return document;
}

ImagePtr Record(int id, const Path& path, int order, int width = 0, int height = 0) {
    auto image = std::make_shared<Image>(id, path, L"", L"");
    image->SetOrder(order);
    image->SetSize(width, height);
    return image;
}

}  // namespace

TEST(ImageCatalogue, ImageListAnswer) {
    auto document = Xml(
        "<ImageList>"
        "<Image pid=\"17\" baseurl=\" http://img.example/w/ \" file=\" a.jpg \"/>"
        "<Image baseurl=\"http://img.example/w/\" file=\"b.jpg\"/>"
        "<Image pid=\"3\" baseurl=\"http://img.example/w/\"/>"
        "<Image pid=\"4\" file=\"\"/>"
        "<Other pid=\"5\" file=\"c.jpg\"/>"
        "<Image pid=\"x9\" file=\"http://elsewhere/d.jpg\"/>"
        "</ImageList>");
    Path dir(L"C:\\store\\data");
    ImageListPtr images = ParseImageList(document->RootElement(), dir);
    ASSERT_TRUE(images);
    ASSERT_EQ(images->size(), 3u) << "elements without a file are skipped";

    const Image& first = *(*images)[0];
    EXPECT_EQ(first.GetId(), 17);
    EXPECT_EQ(first.GetUrl(), L"a.jpg");
    EXPECT_EQ(first.GetBaseUrl(), L"http://img.example/w/");
    EXPECT_EQ(first.GetPath(), dir / MakePackageFileName(L"http://img.example/w/a.jpg"));
    EXPECT_EQ(first.GetOrder(), 0);
    EXPECT_EQ(first.GetWidth(), 0);

    EXPECT_EQ((*images)[1]->GetId(), -1) << "no pid";
    EXPECT_EQ((*images)[1]->GetOrder(), 1);
    EXPECT_EQ((*images)[2]->GetId(), 0) << "a pid without digits reads as 0";
    EXPECT_EQ((*images)[2]->GetOrder(), 2) << "skipped elements use no order number";
    EXPECT_EQ((*images)[2]->GetPath(), dir / MakePackageFileName(L"http://elsewhere/d.jpg"));

    EXPECT_FALSE(ParseImageList(nullptr, dir));
}

TEST(ImageCatalogue, ThousandsOfImagesKeepTheirOrder) {
    std::string text = "<ImageList>";
    for (int i = 0; i < 5000; ++i) text += "<Image pid=\"" + std::to_string(i) + "\" file=\"p" + std::to_string(i) + ".jpg\"/>";
    auto document = Xml(text + "</ImageList>");
    ImageListPtr images = ParseImageList(document->RootElement(), Path(L"d"));
    ASSERT_EQ(images->size(), 5000u);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ((*images)[i]->GetOrder(), (*images)[i]->GetId());
}

TEST(ImageCatalogue, UrlListKeepsJpegLinesOnly) {
    Path dir(L"d");
    ImageListPtr images = ParseImageUrlList(
        L"http://p.example/1.jpg  \r\n\r\n  http://p.example/2.JPG\r\nhttp://p.example/3.jpeg\r\n"
        L"http://p.example/4.png\r\n http://p.example/5.jpg",
        dir);
    ASSERT_EQ(images->size(), 3u);
    EXPECT_EQ((*images)[0]->GetUrl(), L"http://p.example/1.jpg");
    EXPECT_EQ((*images)[1]->GetUrl(), L"http://p.example/2.JPG") << "the extension's case does not matter";
    EXPECT_EQ((*images)[2]->GetUrl(), L"http://p.example/5.jpg");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ((*images)[i]->GetId(), -1);
        EXPECT_EQ((*images)[i]->GetOrder(), i);
        EXPECT_EQ((*images)[i]->GetPath(), dir / MakePackageFileName((*images)[i]->GetUrl()));
    }
    EXPECT_TRUE(ParseImageUrlList(L"", dir)->empty());
}

TEST(ImageCatalogue, FavouritesAnswer) {
    TempDir dir;
    Path data = dir / L"data", favorites = dir / L"favorites";
    ASSERT_TRUE(favorites.CreateDirectories());
    Path presentThumb = favorites / MakePackageFileName(L"http://f/t2.jpg");
    Path stale = favorites / L"stale.tvp";
    WriteAll(presentThumb, "thumb");
    WriteAll(stale, "old");
    ASSERT_TRUE((favorites / L"sub").CreateDirectories());

    auto document = Xml(
        "<Favorites>"
        "<Image pid=\"1\" url=\"http://f/1.jpg\" thumb=\"http://f/t1.jpg\" pinying=\"shan\" timestamp=\"1700000000\"/>"
        "<Image pid=\"-1\" url=\"http://f/x.jpg\" thumb=\"http://f/tx.jpg\"/>"
        "<Image url=\"http://f/y.jpg\" thumb=\"http://f/ty.jpg\"/>"
        "<Image pid=\"7\" url=\"http://f/z.jpg\" thumb=\"\"/>"
        "<Image pid=\"2\" url=\"http://f/2.jpg\" thumb=\"http://f/t2.jpg\"/>"
        "</Favorites>");
    std::vector<std::wstring> requested;
    FavoriteListPtr list = ParseFavoriteList(document->RootElement(), data, favorites,
                                             [&](const ImagePtr& thumb) { requested.push_back(thumb->GetUrl()); });
    ASSERT_EQ(list->size(), 2u) << "pid -1, no pid or no thumb: dropped";
    const FavoriteEntry& first = (*list)[0];
    EXPECT_EQ(first.image->GetId(), 1);
    EXPECT_EQ(first.image->GetPath(), data / MakePackageFileName(L"http://f/1.jpg"));
    EXPECT_EQ(first.thumbnail->GetPath(), favorites / MakePackageFileName(L"http://f/t1.jpg"));
    EXPECT_EQ(first.pinying, L"shan");
    EXPECT_EQ(first.timestamp, L"1700000000");
    EXPECT_EQ((*list)[1].image->GetOrder(), 1) << "dropped entries use no order number";
    EXPECT_EQ((*list)[1].thumbnail->GetOrder(), 1);

    EXPECT_EQ(requested, std::vector<std::wstring>{L"http://f/t1.jpg"}) << "only missing thumbnails are fetched";
    EXPECT_TRUE(presentThumb.Exists());
    EXPECT_FALSE(stale.Exists()) << "thumbnails no favourite needs are deleted";
    EXPECT_TRUE((favorites / L"sub").IsDirectory()) << "folders are left alone";

    try {
        ParseFavoriteList(nullptr, data, favorites, nullptr);
        ADD_FAILURE() << "a missing answer element must be reported";
    } catch (const DownloadException& error) {
        EXPECT_EQ(error.GetErrorType(), DownloadException::Error_Null_Parameter);
    }
}

TEST(ImageCatalogue, ScanRestoresTheServiceOrderFromThePackages) {
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

TEST(ImageCatalogue, CleanKeepsExactlyThePathsInUse) {
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
