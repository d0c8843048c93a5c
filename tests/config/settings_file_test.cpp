// config.xml: what Save writes, what Load accepts, and what neither may destroy.
#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>

#include "base/handles.h"
#include "config/settings.h"
#include "config/user_folder.h"
#include "config/version_table.h"
#include "support/test_support.h"

namespace {

std::string Config(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TovarinSetting>" + body + "</TovarinSetting>\n";
}

}  // namespace

class SettingsFileTest : public ::testing::Test {
protected:
    TempDir dir;
    Path config = dir / L"config.xml";

    // A fresh object that reads the given config.xml.
    std::unique_ptr<Settings> LoadFrom(const std::string& bytes, bool expectLoaded = true) {
        WriteAll(config, bytes);
        auto settings = std::make_unique<Settings>(dir.path());
        EXPECT_EQ(settings->Load(), expectLoaded);
        return settings;
    }
};

TEST_F(SettingsFileTest, EveryFieldSurvivesARoundTrip) {
    Settings saved(dir.path());
    saved.SetDebugMode(true);
    saved.SetTags(L"qiche zhiwu");
    saved.SetLastDownloadTime(1700000000);
    saved.SetDownloadFrequency(24);
    saved.SetChangeFrequency(60);
    saved.SetLastCheckUpdateTime(1700000100);
    saved.SetUsername(L"\u5f20\u4e09 & <friends>");
    saved.SetPos(-20, 300);
    saved.SetAutoUpdate(false);
    saved.SetSlientUpdate(true);
    saved.SetHideDesktopIcons(true);
    saved.SetFrameType(1);
    saved.SetFrameColor(0x00A0B0C0);
    saved.SetTemplate(L"Gallery \"A\"");
    saved.SetUseTemplate(true);
    saved.SetStretchPercent(7);
    saved.SetOldWallpaper({true, L"1", L"2", L"C:\\Windows\\Web\\m\u00fcnchen.bmp"});
    saved.SetHotKeys({{L"Next", {MOD_CONTROL | MOD_ALT, 'N'}}, {L"Freeze", {MOD_SHIFT, VK_F9}}});
    saved.SetProxyType(L"HTTP");
    saved.SetProxyServer(L"proxy.local:3128");
    saved.SetProxyUsername(L"me");
    saved.SetProxyPassword(L"  spaced secret ");
    saved.SetUseLocalImage(true);
    saved.SetShuffleLocalImage(false);
    saved.SetLocalImageInterval(4);
    saved.SetLocalImagePath(L"D:\\My Pictures");
    saved.SetTransparent(128);
    saved.SetDesktopTextBkTransparent(true);
    saved.SetShowCaption(true);
    saved.SetPauseWhileFullScreen(false);
    saved.SetPauseOnBattery(false);
    saved.SetServiceUrl(L"http://127.0.0.1:9000");
    saved.SetPartnerUrl(L"http://127.0.0.1:9001");
    ASSERT_TRUE(saved.Save());

    Settings loaded(dir.path());
    ASSERT_TRUE(loaded.Load());
    EXPECT_TRUE(loaded.GetDebugMode());
    EXPECT_EQ(loaded.GetTags(), L"qiche zhiwu");
    EXPECT_EQ(loaded.GetLastDownloadTime(), 1700000000);
    EXPECT_EQ(loaded.GetDownloadFrequency(), 24);
    EXPECT_EQ(loaded.GetChangeFrequency(), 60);
    EXPECT_EQ(loaded.GetLastCheckUpdateTime(), 1700000100);
    EXPECT_EQ(loaded.GetUsername(), L"\u5f20\u4e09 & <friends>");
    EXPECT_EQ(loaded.GetPos().x, -20);
    EXPECT_EQ(loaded.GetPos().y, 300);
    EXPECT_FALSE(loaded.GetAutoUpdate());
    EXPECT_TRUE(loaded.GetSlientUpdate());
    EXPECT_TRUE(loaded.GetHideDesktopIcons());
    EXPECT_EQ(loaded.GetFrameType(), 1);
    EXPECT_EQ(loaded.GetFrameColor(), 0x00A0B0C0u);
    EXPECT_EQ(loaded.GetTemplate(), L"Gallery \"A\"");
    EXPECT_TRUE(loaded.GetUseTemplate());
    EXPECT_EQ(loaded.GetStretchPercent(), 7);
    EXPECT_EQ(loaded.GetOldWallpaper(),
              (WallpaperDescription{true, L"1", L"2", L"C:\\Windows\\Web\\m\u00fcnchen.bmp"}));
    EXPECT_EQ(loaded.GetHotKeys(), saved.GetHotKeys());
    EXPECT_EQ(loaded.GetProxyType(), L"HTTP");
    EXPECT_EQ(loaded.GetProxyServer(), L"proxy.local:3128");
    EXPECT_EQ(loaded.GetProxyUsername(), L"me");
    EXPECT_EQ(loaded.GetProxyPassword(), L"  spaced secret ") << "blanks in a password are part of it";
    EXPECT_TRUE(loaded.GetUseLocalImage());
    EXPECT_FALSE(loaded.GetShuffleLocalImage());
    EXPECT_EQ(loaded.GetLocalImageInterval(), 4);
    EXPECT_EQ(loaded.GetLocalImagePath(), Path(L"D:\\My Pictures"));
    EXPECT_EQ(loaded.GetTransparent(), 128);
    EXPECT_TRUE(loaded.GetDesktopTextBkTransparent());
    EXPECT_TRUE(loaded.GetShowCaption());
    EXPECT_FALSE(loaded.GetPauseWhileFullScreen());
    EXPECT_FALSE(loaded.GetPauseOnBattery());
    EXPECT_EQ(loaded.GetServiceUrl(), L"http://127.0.0.1:9000");
    EXPECT_EQ(loaded.GetPartnerUrl(), L"http://127.0.0.1:9001");
    EXPECT_EQ(loaded.GetVersion(), GetProgramVersion()) << "Save writes the program's own version";
}

TEST_F(SettingsFileTest, SavedElementsComeInTheirFixedOrder) {
    Settings settings(dir.path());
    settings.SetDebugMode(true);
    settings.SetUsername(L"someone");
    ASSERT_TRUE(settings.Save());
    std::string text = ReadAll(config);
    EXPECT_EQ(text.find("<?xml version=\"1.0\" encoding=\"UTF-8\""), 0u);
    const char* order[] = {"<TovarinSetting>",
                           "<!-- Settings for TovarinClient -->",
                           "<Version>",
                           "<DebugMode>1<",
                           "<LastDownloadTime>",
                           "<DownloadFrequency>",
                           "<ChangeFrequency>",
                           "<LastCheckUpdateTime>",
                           "<Username>",
                           "<Tags>",
                           "<Pos ",
                           "<AutoUpdate>",
                           "<SlientUpdate>",
                           "<HideDesktopIcons>",
                           "<FrameType>",
                           "<FrameColor>",
                           "<Template>",
                           "<UseTemplate>",
                           "<StretchPercent>",
                           "<OldWallpaper>",
                           "<Wallpaper>",
                           "<TileWallpaper>",
                           "<WallpaperStyle>",
                           "<IsActiveDesktopEnabled>",
                           "<HotKeys>",
                           "<HotKey name=\"Next\"",
                           "<HotKey name=\"Prev\"",
                           "<HotKey name=\"ShowHideDesktopIcons\"",
                           "<ProxyType>",
                           "<ProxyServer>",
                           "<ProxyUsername>",
                           "<ProxyPassword>",
                           "<UseLocalImage>",
                           "<ShuffleLocalImage>",
                           "<LocalImageInterval>",
                           "<LocalImagePath>",
                           "<Transparent>",
                           "<DesktopTextBkTransparent>",
                           "<ShowCaption>0<",
                           "<PauseWhileFullScreen>1<",
                           "<PauseOnBattery>1<",
                           "</TovarinSetting>"};
    size_t at = 0;
    for (const char* element : order) {
        size_t found = text.find(element, at);
        ASSERT_NE(found, std::string::npos) << element << " missing or out of order in\n" << text;
        at = found;
    }
    EXPECT_EQ(text.find("<LangId>"), std::string::npos) << "language 0 is not written";
    EXPECT_EQ(text.find("<ServiceUrl>"), std::string::npos) << "only an address that was set is written";

    settings.SetUsername(L"");
    settings.SetDebugMode(false);
    ASSERT_TRUE(settings.Save());
    text = ReadAll(config);
    EXPECT_EQ(text.find("<Username>"), std::string::npos) << "a cleared user name is left out";
    EXPECT_EQ(text.find("<DebugMode>"), std::string::npos);
}

TEST_F(SettingsFileTest, OutOfRangeAndNonNumericValuesMeetTheSetterRules) {
    auto settings =
        LoadFrom(Config("<ChangeFrequency>0</ChangeFrequency><DownloadFrequency>-1</DownloadFrequency>"
                        "<Transparent>300</Transparent><StretchPercent>11</StretchPercent><FrameType>abc</FrameType>"
                        "<LocalImageInterval>99999999999</LocalImageInterval>"));
    EXPECT_EQ(settings->GetChangeFrequency(), 5);
    EXPECT_EQ(settings->GetDownloadFrequency(), 3);
    EXPECT_EQ(settings->GetTransparent(), 225);
    EXPECT_EQ(settings->GetStretchPercent(), 0);
    EXPECT_EQ(settings->GetFrameType(), 0) << "junk reads as 0, which is a valid frame type";
    EXPECT_EQ(settings->GetLocalImageInterval(), 3) << "a huge interval is refused like any out of range";
    EXPECT_EQ(LoadFrom(Config("<LocalImageInterval>-5</LocalImageInterval>"))->GetLocalImageInterval(), 3);

    settings = LoadFrom(
        Config("<ChangeFrequency>abc</ChangeFrequency><AutoUpdate>0</AutoUpdate><SlientUpdate>7</SlientUpdate>"));
    EXPECT_EQ(settings->GetChangeFrequency(), 5);
    EXPECT_FALSE(settings->GetAutoUpdate());
    EXPECT_TRUE(settings->GetSlientUpdate()) << "any non-zero number is true";

    settings = LoadFrom(Config("<Template>..\\..\\Windows</Template><UseTemplate>1</UseTemplate>"));
    EXPECT_EQ(settings->GetTemplate(), L"") << "a path out of the templates folder is no template";
    EXPECT_EQ(LoadFrom(Config("<Template> Gallery </Template>"))->GetTemplate(), L"Gallery");
}

TEST_F(SettingsFileTest, TimesInTheFutureAreIgnored) {
    long long inAnHour = static_cast<long long>(std::time(nullptr)) + 3600;
    auto settings = LoadFrom(Config("<LastDownloadTime>" + std::to_string(inAnHour) + "</LastDownloadTime>" +
                                    "<LastCheckUpdateTime>" + std::to_string(inAnHour) + "</LastCheckUpdateTime>"));
    EXPECT_EQ(settings->GetLastDownloadTime(), 0) << "so a download is due at once";
    EXPECT_EQ(settings->GetLastCheckUpdateTime(), 0);

    settings = LoadFrom(Config("<LastDownloadTime>5000000000</LastDownloadTime>"));
    EXPECT_EQ(settings->GetLastDownloadTime(), 0) << "read as 64 bits, not wrapped into the past";
    settings = LoadFrom(Config("<LastDownloadTime>1600000000</LastDownloadTime>"));
    EXPECT_EQ(settings->GetLastDownloadTime(), 1600000000);
}

TEST_F(SettingsFileTest, FrameColourAndTheOlderFrameStyle) {
    auto settings = LoadFrom(Config("<FrameStyle>0</FrameStyle>"));
    EXPECT_EQ(settings->GetFrameColor(), 0x000000u) << "FrameStyle 0 is a black frame";
    settings = LoadFrom(Config("<FrameStyle>1</FrameStyle>"));
    EXPECT_EQ(settings->GetFrameColor(), 0xFFFFFFu);
    settings = LoadFrom(Config("<FrameStyle>0</FrameStyle><FrameColor>255</FrameColor>"));
    EXPECT_EQ(settings->GetFrameColor(), 255u) << "FrameColor wins";

    Settings marker(dir.path());
    marker.SetFrameColor(0xFF000000);
    ASSERT_TRUE(marker.Save());
    EXPECT_NE(ReadAll(config).find("<FrameColor>4278190080</FrameColor>"), std::string::npos);
    Settings reread(dir.path());
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.GetFrameColor(), 0xFF000000u);
}

TEST_F(SettingsFileTest, HotKeysAreCheckedOneByOne) {
    auto settings =
        LoadFrom(Config("<HotKeys>"
                        "<HotKey name=\"  Next \" modifier=\"2\" vkey=\"78\"/>"
                        "<HotKey name=\"Prev\" vkey=\"80\"/>"
                        "<HotKey name=\"Freeze\" modifier=\"1\" vkey=\"65536\"/>"
                        "<HotKey name=\"DownloadNow\" modifier=\"1\"/>"
                        "<HotKey name=\"   \" modifier=\"1\" vkey=\"70\"/>"
                        "<HotKey name=\"Big\" modifier=\"65544\" vkey=\"65601\"/>"
                        "</HotKeys>"));
    Settings::HotKeyMap keys = settings->GetHotKeys();
    EXPECT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[L"Next"], (Settings::HotKey{2, 78})) << "the name is trimmed";
    EXPECT_EQ(keys[L"Prev"], (Settings::HotKey{0, 80})) << "a missing modifier is 0";
    EXPECT_EQ(keys[L"Big"], (Settings::HotKey{8, 65})) << "only the low 16 bits count";
    EXPECT_EQ(keys.count(L"Freeze"), 0u) << "vkey 65536 has no low 16 bits";

    settings = LoadFrom(Config("<HotKeys/>"));
    EXPECT_TRUE(settings->GetHotKeys().empty()) << "an empty HotKeys element clears every hot key";
    settings = LoadFrom(Config("<Tags>qiche</Tags>"));
    EXPECT_EQ(settings->GetHotKeys(), Settings::GetDefaultHotKeys()) << "no HotKeys element keeps the defaults";
}

TEST_F(SettingsFileTest, PartialElements) {
    auto settings =
        LoadFrom(Config("<Pos x=\"10\"/><Tags></Tags>"
                        "<OldWallpaper><TileWallpaper>0</TileWallpaper></OldWallpaper>"));
    EXPECT_EQ(settings->GetPos().x, INT_MIN) << "a position needs both x and y";
    EXPECT_EQ(settings->GetTags(), L"") << "an empty Tags element means no category";
    EXPECT_EQ(settings->GetOldWallpaper(), (WallpaperDescription{false, L"0", L"", L""}));

    settings = LoadFrom(Config("<Pos y=\"-5\" x=\"7\"/><Username>a</Username>"));
    EXPECT_EQ(settings->GetPos().x, 7);
    EXPECT_EQ(settings->GetPos().y, -5);
    EXPECT_EQ(settings->GetTags(), L"\u98CE\u5149") << "no Tags element keeps the default";
}

TEST_F(SettingsFileTest, UnusableFilesLeaveTheDefaults) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    std::string random(4096, '\0');
    unsigned seed = 12345;
    for (char& c : random) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"declaration only", "<?xml "},
        {"truncated", Config("<ChangeFrequency>7</ChangeFrequency>").substr(0, 60)},
        {"wrong root", "<?xml version=\"1.0\"?><Settings><ChangeFrequency>7</ChangeFrequency></Settings>"},
        {"random bytes", random},
        {"deep nesting", "<TovarinSetting>" + deep},
        {"UTF-16 bytes", std::string("\xFF\xFE<\0T\0", 6)},
        {"over 4 MB", Config("<ChangeFrequency>7</ChangeFrequency><!--" + std::string(5 << 20, 'x') + "-->")},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        auto settings = LoadFrom(bytes, false);
        EXPECT_EQ(settings->GetChangeFrequency(), 5);
        EXPECT_EQ(settings->GetTags(), L"\u98CE\u5149");
        if (!bytes.empty()) {
            EXPECT_TRUE(ReadAll(dir / L"config.xml.broken") == bytes) << "the unreadable file is kept";
        }
    }
    config.Remove();
    Settings missing(dir.path());
    EXPECT_FALSE(missing.Load());
}

TEST_F(SettingsFileTest, FiftyMegabyteFileIsRefused) {
    std::string huge = Config("<ChangeFrequency>7</ChangeFrequency>");
    huge.insert(huge.size() - 18, std::string(50 << 20, ' '));
    auto settings = LoadFrom(huge, false);
    EXPECT_EQ(settings->GetChangeFrequency(), 5);
}

TEST_F(SettingsFileTest, AFailedSaveLeavesTheOldFileIntact) {
    const std::string original = Config("<ChangeFrequency>30</ChangeFrequency>");
    WriteAll(config, original);
    Settings settings(dir.path());
    settings.SetChangeFrequency(60);
    {
        // Another program holds config.xml open without letting it be replaced.
        UniqueFile lock(CreateFileW(config.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_FALSE(settings.Save());
    }
    EXPECT_EQ(ReadAll(config), original);
    EXPECT_FALSE(Path(config.str() + L".tmp").Exists()) << "no temporary file is left behind";

    // The temporary file cannot be created.
    ASSERT_TRUE(Path(config.str() + L".tmp").CreateDirectories());
    EXPECT_FALSE(settings.Save());
    EXPECT_EQ(ReadAll(config), original);
    Path(config.str() + L".tmp").RemoveAll();

    EXPECT_TRUE(settings.Save());
    EXPECT_NE(ReadAll(config).find("<ChangeFrequency>60</ChangeFrequency>"), std::string::npos);
}

TEST_F(SettingsFileTest, LockedSavingWritesNothing) {
    Settings settings(dir.path());
    ASSERT_TRUE(settings.Save());
    const std::string before = ReadAll(config);
    settings.LockSave(true);
    settings.SetChangeFrequency(10);
    EXPECT_FALSE(settings.Save());
    settings.LockSave(false);
    EXPECT_FALSE(settings.Save()) << "once locked, locked for good";
    EXPECT_EQ(ReadAll(config), before);
}

// A program folder that cannot be written (a copy in Program Files, a read-only share) keeps
// config.xml and the data folders under the user's own folder; shipped files stay where they are.
TEST_F(SettingsFileTest, AReadOnlyProgramFolderKeepsWhatIsWrittenInTheUserFolder) {
    EXPECT_TRUE(IsFolderWritable(dir.path()));
    EXPECT_TRUE(dir.path().ListDirectory().empty()) << "the probe file is gone again";
    EXPECT_FALSE(IsFolderWritable(dir / L"missing"));
    // Nobody, not even root, creates files in /proc: a folder Wine cannot write to.
    const Path readOnly(L"Z:\\proc");
    ASSERT_TRUE(readOnly.IsDirectory());
    EXPECT_FALSE(IsFolderWritable(readOnly));

    const Path program = dir / L"program", user = dir / L"local" / L"Kestrane";
    ASSERT_TRUE(program.CreateDirectories());
    auto writable = [](const Path&) { return true; };
    auto notWritable = [](const Path&) { return false; };
    EXPECT_EQ(ChooseUserFolder(program, user, writable), program) << "a writable folder is used as before";
    EXPECT_FALSE(user.Exists());
    EXPECT_EQ(ChooseUserFolder(program, Path(), notWritable), program) << "nowhere else to go";
    EXPECT_EQ(ChooseUserFolder(program, user, notWritable), user);
    EXPECT_TRUE(user.IsDirectory()) << "the user folder is made";
    EXPECT_EQ(ChooseUserFolder(readOnly, user), user) << "with the real probe";
    EXPECT_EQ(ChooseUserFolder(program, user), program);

    Settings settings(program, user);
    EXPECT_EQ(settings.GetProgramDirectory(), program);
    EXPECT_EQ(settings.GetTemplatesDirectory(), program / L"templates") << "shipped, read from the program";
    EXPECT_EQ(settings.GetConfigPath(), user / L"config.xml");
    EXPECT_EQ(settings.GetDataDirectory(), user / L"data");
    EXPECT_EQ(settings.GetFavoritesDirectory(), user / L"favorites");
    EXPECT_EQ(settings.GetUpdateDirectory(), user / L"update");
    settings.SetChangeFrequency(30);
    ASSERT_TRUE(settings.Save());
    EXPECT_TRUE(program.ListDirectory().empty()) << "nothing is written beside the program";
    Settings reread(program, user);
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.GetChangeFrequency(), 30);
    EXPECT_EQ(Settings(program).GetConfigPath(), program / L"config.xml") << "one folder for both";

    // An update of the read-only copy installs a writable one elsewhere: it finds the user's
    // settings where they are, until it has settings of its own.
    EXPECT_EQ(ChooseUserFolder(program, user, writable), user) << "the settings live in the user folder";
    WriteAll(program / L"config.xml", "<TovarinSetting/>");
    EXPECT_EQ(ChooseUserFolder(program, user, writable), program) << "a copy with its own settings keeps them";
}
