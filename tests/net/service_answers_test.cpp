#include <gtest/gtest.h>

#include <algorithm>

#include "base/xml.h"
#include "net/download_exception.h"
#include "net/service_answers.h"
#include "store/package_file.h"
#include "support/test_support.h"

namespace {

std::unique_ptr<TiXmlDocument> Xml(const std::string& text) {
    auto document = ParseXml(text);
    EXPECT_TRUE(document) << text;
    return document;
}

}  // namespace

TEST(ServiceAnswers, ImageListAnswer) {
    auto document =
        Xml("<ImageList>"
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

TEST(ServiceAnswers, ThousandsOfImagesKeepTheirOrder) {
    std::string text = "<ImageList>";
    for (int i = 0; i < 5000; ++i)
        text += "<Image pid=\"" + std::to_string(i) + "\" file=\"p" + std::to_string(i) + ".jpg\"/>";
    auto document = Xml(text + "</ImageList>");
    ImageListPtr images = ParseImageList(document->RootElement(), Path(L"d"));
    ASSERT_EQ(images->size(), 5000u);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ((*images)[i]->GetOrder(), (*images)[i]->GetId());
}

TEST(ServiceAnswers, UrlListKeepsJpegLinesOnly) {
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

TEST(ServiceAnswers, FavouritesAnswer) {
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
