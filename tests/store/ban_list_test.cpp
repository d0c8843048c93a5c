// The ban list: what it keeps across a reload, what it forgives, and what it sets aside.
#include <gtest/gtest.h>

#include <random>

#include "base/file_io.h"
#include "store/ban_list.h"
#include "support/test_support.h"

namespace {

ImagePtr ImageWithId(int id) { return std::make_shared<Image>(id, Path(L"C:\\data\\x.tvp"), L"x.jpg", L""); }

}  // namespace

TEST(BanList, BansSurviveAReloadAndFilterTheServicesList) {
    TempDir dir;
    const Path file = dir / BanList::kFileName;
    BanList bans(file);
    EXPECT_TRUE(bans.Load()) << "no file yet: an empty list";
    EXPECT_FALSE(file.Exists()) << "nothing is written before the first ban";
    EXPECT_TRUE(bans.Ban(7));
    EXPECT_TRUE(bans.Ban(7)) << "a second ban of the same picture is no failure";
    EXPECT_TRUE(bans.Ban(Path(L"D:\\My Pictures\\Beach <1> & \u6d77.jpg")));
    EXPECT_FALSE(bans.Ban(0)) << "no id";
    EXPECT_FALSE(bans.Ban(Path(L"")));
    for (int id = 1000; id < 2000; ++id) ASSERT_TRUE(bans.Ban(id)) << "no fixed limit";

    BanList again(file);
    ASSERT_TRUE(again.Load());
    EXPECT_TRUE(again.IsBanned(7));
    EXPECT_TRUE(again.IsBanned(1999));
    EXPECT_FALSE(again.IsBanned(8));
    EXPECT_TRUE(again.IsBanned(Path(L"d:\\my pictures\\BEACH <1> & \u6d77.JPG"))) << "paths compare as Windows does";
    EXPECT_FALSE(again.IsBanned(Path(L"D:\\My Pictures\\Beach.jpg")));

    auto list = std::make_shared<ImageList>(ImageList{ImageWithId(5), ImageWithId(7), ImageWithId(9)});
    ImageListPtr kept = again.Without(list);
    ASSERT_EQ(kept->size(), 2u);
    EXPECT_EQ((*kept)[0]->GetId(), 5);
    EXPECT_EQ((*kept)[1]->GetId(), 9);
    auto clean = std::make_shared<const ImageList>(ImageList{ImageWithId(5)});
    EXPECT_EQ(again.Without(clean), clean) << "nothing banned in it: the same list";
    EXPECT_EQ(again.Ids()->count(7), 1u);
}

TEST(BanList, UnreadableEntriesAreSkippedAndAnUnreadableFileIsKeptAside) {
    TempDir dir;
    const Path file = dir / BanList::kFileName;
    WriteAll(file,
             "<?xml version=\"1.0\"?><BannedPictures><Image pid=\"12\"/><Image pid=\"x\"/><Image pid=\"-3\"/>"
             "<Image/><Picture/><Picture path=\"\"/><Future kind=\"new\"/><Image pid=\" 13 \"/>"
             "<Picture path=\"C:\\a.jpg\"/></BannedPictures>");
    BanList lenient(file);
    EXPECT_TRUE(lenient.Load());
    EXPECT_TRUE(lenient.IsBanned(12));
    EXPECT_TRUE(lenient.IsBanned(13));
    EXPECT_TRUE(lenient.IsBanned(Path(L"C:\\a.jpg")));
    EXPECT_EQ(lenient.Ids()->size(), 2u);

    const std::string full = ReadAll(file);
    std::mt19937 random(25);
    std::string noise(300, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    for (const std::string& damaged : {full.substr(0, full.size() / 2), noise,
                                       std::string("<?xml version=\"1.0\"?><Config/>"), std::string(70u << 20, 'a')}) {
        WriteAll(file, damaged);
        Path(file.str() + L".bad").Remove();
        BanList bans(file);
        EXPECT_FALSE(bans.Load()) << damaged.size();
        EXPECT_FALSE(bans.IsBanned(12));
        EXPECT_FALSE(file.Exists()) << "set aside";
        EXPECT_EQ(ReadAll(Path(file.str() + L".bad")).size(), damaged.size()) << "kept whole for the user";
        EXPECT_TRUE(bans.Ban(44));
        BanList fresh(file);
        EXPECT_TRUE(fresh.Load()) << "a new list began";
        EXPECT_TRUE(fresh.IsBanned(44));
    }
}
