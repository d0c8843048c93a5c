// Settings rules that do not involve config.xml.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <ctime>
#include <set>
#include <thread>
#include <vector>

#include "base/localization.h"
#include "config/settings.h"
#include "support/test_support.h"

class SettingsTest : public ::testing::Test {
protected:
    TempDir dir;
    Settings settings{dir.path()};
};

TEST_F(SettingsTest, FreshDefaults) {
    EXPECT_EQ(settings.GetTags(), L"\u98CE\u5149");
    EXPECT_EQ(settings.GetDownloadFrequency(), 3);
    EXPECT_EQ(settings.GetChangeFrequency(), 5);
    EXPECT_EQ(settings.GetPos().x, INT_MIN);
    EXPECT_EQ(settings.GetPos().y, INT_MIN);
    EXPECT_TRUE(settings.GetAutoUpdate());
    EXPECT_FALSE(settings.GetSlientUpdate());
    EXPECT_EQ(settings.GetFrameType(), 2);
    EXPECT_EQ(settings.GetFrameColor(), 0xFFFFFFu);
    EXPECT_EQ(settings.GetProxyType(), L"NoProxy");
    EXPECT_TRUE(settings.GetShuffleLocalImage());
    EXPECT_EQ(settings.GetLocalImageInterval(), 3);
    EXPECT_EQ(settings.GetTransparent(), 225);
    EXPECT_EQ(settings.GetLoginState(), Settings::kLoggedOut);
    EXPECT_EQ(Settings::GetCheckUpdateInterval(), 1440);
    EXPECT_EQ(Settings::GetHeartbeatInterval(), 120);

    Settings::HotKeyMap keys = settings.GetHotKeys();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[L"Prev"], (Settings::HotKey{MOD_WIN, VK_PRIOR}));
    EXPECT_EQ(keys[L"Next"], (Settings::HotKey{MOD_WIN, VK_NEXT}));
    EXPECT_EQ(keys[L"ShowHideDesktopIcons"], (Settings::HotKey{MOD_WIN, VK_END}));

    std::vector<Settings::Category> categories = settings.GetCategories();
    ASSERT_EQ(categories.size(), 8u);
    EXPECT_EQ(categories.front().id, L"dongman");
    EXPECT_EQ(categories[6].id, L"xiezhen");
    EXPECT_EQ(categories[6].flags, 3) << "xiezhen needs a sign-in";

    EXPECT_EQ(settings.GetDataDirectory(), dir / L"data");
    EXPECT_EQ(settings.GetUpdateDirectory(), dir / L"update");
    EXPECT_EQ(settings.GetConfigPath(), dir / L"config.xml");
}

TEST_F(SettingsTest, SettersIgnoreValuesOutOfRange) {
    settings.SetChangeFrequency(0);
    settings.SetDownloadFrequency(-1);
    settings.SetTransparent(300);
    settings.SetTransparent(-1);
    settings.SetStretchPercent(11);
    settings.SetFrameType(3);
    settings.SetFrameType(-1);
    for (int interval : {-1, INT_MIN, 1001, INT_MAX}) settings.SetLocalImageInterval(interval);
    EXPECT_EQ(settings.GetLocalImageInterval(), 3);
    EXPECT_EQ(settings.GetChangeFrequency(), 5);
    EXPECT_EQ(settings.GetDownloadFrequency(), 3);
    EXPECT_EQ(settings.GetTransparent(), 225);
    EXPECT_EQ(settings.GetStretchPercent(), 0);
    EXPECT_EQ(settings.GetFrameType(), 2);

    settings.SetTransparent(0);
    settings.SetStretchPercent(10);
    settings.SetFrameType(0);
    settings.SetLocalImageInterval(0);
    EXPECT_EQ(settings.GetLocalImageInterval(), 0) << "0 mixes nothing in";
    settings.SetLocalImageInterval(1000);
    EXPECT_EQ(settings.GetLocalImageInterval(), 1000);
    EXPECT_EQ(settings.GetTransparent(), 0);
    EXPECT_EQ(settings.GetStretchPercent(), 10);
    EXPECT_EQ(settings.GetFrameType(), 0);
}

TEST_F(SettingsTest, TemplateNamesArePlainFolderNames) {
    settings.SetTemplate(L"Gallery");
    EXPECT_EQ(settings.GetTemplate(), L"Gallery");
    settings.SetTemplate(L"  Photo Frame\t");
    EXPECT_EQ(settings.GetTemplate(), L"Photo Frame") << "trimmed, inner blanks kept";
    settings.SetTemplate(L"\u76F8\u6846 v1.2");
    EXPECT_EQ(settings.GetTemplate(), L"\u76F8\u6846 v1.2") << "any language, single dots";

    const std::wstring refused[] = {L"",
                                    L"   ",
                                    L".",
                                    L"..",
                                    L" .. ",
                                    L"...",
                                    L"a..b",
                                    L"..\\..\\Windows",
                                    L"../../etc",
                                    L"sub\\folder",
                                    L"sub/folder",
                                    L"\\\\server\\share",
                                    L"C:",
                                    L"C:\\Windows",
                                    L"D:Gallery",
                                    L"Gallery:stream",
                                    L"Gal\nlery",
                                    std::wstring(L"Gal\0lery", 8),
                                    L"Gal\x1Blery",
                                    L"Gal\x7Flery",
                                    std::wstring(256, L'a')};
    for (const std::wstring& name : refused) {
        settings.SetTemplate(L"Gallery");
        settings.SetTemplate(name);
        EXPECT_EQ(settings.GetTemplate(), L"")
            << "refused as no template: [" << std::string(name.begin(), name.end()) << "]";
    }
    settings.SetTemplate(std::wstring(255, L'a'));
    EXPECT_EQ(settings.GetTemplate().size(), 255u) << "the longest folder name there is";
}

TEST_F(SettingsTest, ZeroTimeMeansNow) {
    std::int64_t before = std::time(nullptr);
    settings.SetLastDownloadTime(0);
    settings.SetLastCheckUpdateTime(0);
    EXPECT_GE(settings.GetLastDownloadTime(), before);
    EXPECT_GE(settings.GetLastCheckUpdateTime(), before);
    settings.SetLastDownloadTime(12345);
    EXPECT_EQ(settings.GetLastDownloadTime(), 12345);
}

TEST_F(SettingsTest, DesktopColourMarkerResolvesToTheDesktopColour) {
    settings.SetFrameColor(0xFF000000);
    EXPECT_EQ(settings.GetFrameColor(), 0xFF000000u);
    EXPECT_EQ(settings.GetEffectiveFrameColor(), static_cast<std::uint32_t>(GetSysColor(COLOR_BACKGROUND)));
    settings.SetFrameColor(0x123456);
    EXPECT_EQ(settings.GetEffectiveFrameColor(), 0x123456u);
}

TEST_F(SettingsTest, TagsAreNormalised) {
    StringMap::Instance().AddDocument(
        "<Languages><Language><LangId>2052</LangId><String id=\"Category_dongman\">\xE5\x8A\xA8\xE6\xBC\xAB</String>"
        "<String id=\"Category_fengguang\">\xE9\xA3\x8E\xE5\x85\x89</String></Language>"
        "<Language><LangId>1033</LangId><String id=\"Category_dongman\">Anime</String></Language></Languages>");
    StringMap::Instance().Select(1033);
    settings.SetTags(L"  qiche\tAnime All  qiche \u98CE\u5149");
    EXPECT_EQ(settings.GetTags(), L"dongman fengguang qiche")
        << "display names of any language become ids, sorted, once each, no All";

    settings.SetTags(L"zhiwu Oem_Brellan");
    EXPECT_EQ(settings.GetTags(), L"zhiwu") << "the partner category is for the partner build only";

    settings.SetTags(L"Oem_Brellan");
    EXPECT_EQ(settings.GetTags(), L"zhiwu") << "dropping it would leave nothing: the tags stay";

    settings.SetTags(L"All");
    EXPECT_EQ(settings.GetTags(), L"");
    settings.SetTags(L"");
    EXPECT_EQ(settings.GetTags(), L"");
}

TEST_F(SettingsTest, PartnerIdBringsThePartnerCategory) {
    settings.SetPartnerId(L"someone");
    EXPECT_EQ(settings.GetCategories().size(), 8u);

    settings.SetPartnerId(L"QUORVANE");
    settings.SetPartnerId(L"Quorvane");
    std::vector<Settings::Category> categories = settings.GetCategories();
    ASSERT_EQ(categories.size(), 9u) << "inserted once";
    EXPECT_EQ(categories.front().id, L"Oem_Brellan");
    EXPECT_EQ(categories.front().flags, 5);
    EXPECT_EQ(settings.GetTags(), L"Oem_Brellan");

    settings.SetTags(L"Oem_Brellan qiche");
    EXPECT_EQ(settings.GetTags(), L"Oem_Brellan qiche") << "the partner keeps its category";
}

TEST_F(SettingsTest, ServiceAddressesAndEndpoints) {
    EXPECT_EQ(settings.GetServiceUrl(), L"http://127.0.0.1:8723");
    EXPECT_EQ(settings.GetImageListUrl(), L"http://127.0.0.1:8723/service/viewer/v1.0/image.php");
    EXPECT_EQ(settings.GetRegisterUrl(), L"http://127.0.0.1:8723/reg.php");

    settings.SetServiceUrl(L" http://wall.example:81// ");
    EXPECT_EQ(settings.GetServiceUrl(), L"http://wall.example:81");
    EXPECT_EQ(settings.ResolveServiceLink(L"/"), L"http://wall.example:81/") << "the skin's home link";
    EXPECT_EQ(settings.ResolveServiceLink(L"https://other.example/"), L"https://other.example/");
    EXPECT_EQ(settings.ResolveServiceLink(L"//other.example/"), L"//other.example/");
    EXPECT_EQ(settings.GetHeartbeatUrl(), L"http://wall.example:81/service/viewer/v1.0/heartbeat.php");
    EXPECT_EQ(settings.GetFavoritesUrl(), L"http://wall.example:81/service/viewer/v1.0/favorites.php");
    EXPECT_EQ(settings.GetLoginUrl(), L"http://wall.example:81/service/viewer/v1.0/login.php");
    EXPECT_EQ(settings.GetLogoutUrl(), L"http://wall.example:81/service/viewer/v1.0/logout.php");
    EXPECT_EQ(settings.GetManageCategoryUrl(42), L"http://wall.example:81/admin/manage_category.php?pid=42");
    EXPECT_EQ(settings.GetCheckUpdateUrl(), L"http://wall.example:81/service/viewer/v1.0/checkupdate.php");

    settings.SetServiceUrl(L"ftp://elsewhere");
    settings.SetServiceUrl(L"http://");
    settings.SetServiceUrl(L"");
    EXPECT_EQ(settings.GetServiceUrl(), L"http://wall.example:81") << "not an http address: refused";
    settings.SetPartnerUrl(L"https://partner.example/");
    EXPECT_EQ(settings.GetPartnerUrl(), L"https://partner.example");
}

TEST_F(SettingsTest, ChangesAreToldOnceOutsideTheLock) {
    std::vector<Settings::Field> told;
    int id = settings.Subscribe([&](const Settings::Changes& changes) {
        ASSERT_EQ(changes.Fields().size(), 1u) << "a setter tells its own field alone";
        const Settings::Field field = *changes.Fields().begin();
        told.push_back(field);
        // Reading and writing from an observer must not dead-lock: the lock is not held.
        std::thread other([&] { settings.GetFrameType(); });
        other.join();
        if (field == Settings::Field::FrameType) settings.SetStretchPercent(7);
    });

    settings.SetFrameType(0);
    settings.SetFrameType(0);  // unchanged: nothing to tell
    settings.SetFrameType(9);  // refused by the rule: nothing changed
    settings.SetTags(L"qiche");
    settings.SetTags(L"qiche");
    settings.SetPos(3, 4);
    EXPECT_EQ(told, (std::vector<Settings::Field>{Settings::Field::FrameType, Settings::Field::StretchPercent,
                                                  Settings::Field::Tags, Settings::Field::Pos}));
    EXPECT_EQ(settings.GetStretchPercent(), 7);

    settings.Unsubscribe(id);
    settings.SetFrameType(1);
    EXPECT_EQ(told.size(), 4u) << "an observer that left is not told";

    // A batch tells once, after its end, of every field it changed.
    std::vector<Settings::Changes> batches;
    settings.Subscribe([&](const Settings::Changes& changes) { batches.push_back(changes); });
    settings.Batch([&](Settings& s) {
        s.SetFrameType(2);
        s.SetStretchPercent(3);
        s.SetStretchPercent(4);
        s.SetTags(L"qiche");  // unchanged
        EXPECT_TRUE(batches.empty()) << "nothing is told inside the batch";
    });
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].Fields(),
              (std::set<Settings::Field>{Settings::Field::FrameType, Settings::Field::StretchPercent}));
    settings.Batch([](Settings& s) { s.SetFrameType(2); });
    EXPECT_EQ(batches.size(), 1u) << "a batch that changed nothing tells nothing";
}
