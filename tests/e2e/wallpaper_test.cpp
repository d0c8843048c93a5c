// The wallpaper as a user meets it: Kestrane.exe in a fresh program folder, the reference
// service with pictures, and the desktop's wallpaper settings afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/file_io.h"
#include "base/handles.h"
#include "base/utf8.h"
#include "config/user_folder.h"
#include "config/version_table.h"
#include "desktop/shell/wallpaper_state.h"
#include "e2e/kestrane_process.h"
#include "e2e/wine_desktop.h"
#include "resources/resource.h"
#include "store/package_file.h"
#include "store/picture.h"
#include "support/service_control.h"
#include "support/test_support.h"

namespace {

// Points of the desktop that neither the main window (bottom right), a centred message box
// nor a task bar cover.
const std::vector<POINT> kSamplePoints = {{5, 5}, {630, 5}, {5, 200}, {320, 60}, {600, 150}};

bool Near(COLORREF a, COLORREF b) {
    auto close = [](int x, int y) { return x - y <= 8 && y - x <= 8; };
    return close(GetRValue(a), GetRValue(b)) && close(GetGValue(a), GetGValue(b)) && close(GetBValue(a), GetBValue(b));
}

bool AllNear(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!Near(a[i], b[i])) return false;
    return true;
}

// The wallpaper bitmap's colours at the points; empty while it cannot be read.
std::vector<COLORREF> BitmapPixels(const Path& file) {
    Picture bitmap;
    if (!bitmap.LoadFromFile(file)) return {};
    std::vector<COLORREF> colours;
    for (const POINT& p : kSamplePoints) colours.push_back(GetPixel(bitmap.GetDC(), p.x, p.y));
    return colours;
}

std::string ConfigFor(const std::string& tags, const std::string& more = "") {
    return "<?xml version=\"1.0\"?><TovarinSetting><Version>" + ToUtf8(GetProgramVersion()) + "</Version><Tags>" +
           tags + "</Tags><ServiceUrl>" + ToUtf8(ServiceUrl()) + "</ServiceUrl>" + more + "</TovarinSetting>";
}

// Each test starts against a reset reference service with none of our bitmaps on disk, and
// gives the desktop its wallpaper back, whatever happened.
class WallpaperEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
        ServiceReset();
        before = CaptureCurrentWallpaper();
        wallpaperFile.Remove();
        prepared.Remove();
    }
    void TearDown() override {
        if (!IsSkipped()) SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
    }

    WallpaperDescription before;
    const Path wallpaperFile = GetWallpaperPath();
    const Path prepared = GetPreparedWallpaperPath();  // the next wallpaper, made ahead
};

}  // namespace

TEST_F(WallpaperEndToEnd, ADownloadedPictureBecomesTheWallpaper) {
    ProgramFolder folder;
    WriteAll(folder.Config(), ConfigFor("dongwu"));
    ChildProcess kestrane;
    ASSERT_TRUE(kestrane.Start(folder.Executable()));
    ASSERT_NE(WaitForWindow(L"KestraneMainDialog", kestrane.GetId(), 15000), nullptr);

    EXPECT_TRUE(WaitUntil([&] { return !(folder.path() / L"data").ListFiles().empty(); }, 60)) << "a package is stored";
    ASSERT_TRUE(WaitUntil([&] { return wallpaperFile.Exists(); }, 60)) << "the wallpaper bitmap is written";
    WallpaperDescription now;
    ASSERT_TRUE(WaitUntil([&] { return (now = CaptureCurrentWallpaper()).Wallpaper == wallpaperFile.str(); }, 20));
    EXPECT_EQ(now.TileWallpaper, L"0");
    EXPECT_EQ(now.WallpaperStyle, L"1");
    Sleep(500);  // the bitmap is moved into place whole; give the reader a settled file
    Picture bitmap;
    ASSERT_TRUE(bitmap.LoadFromFile(wallpaperFile));
    EXPECT_EQ(bitmap.GetWidth(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(bitmap.GetHeight(), GetSystemMetrics(SM_CYSCREEN));
    COLORREF middle = GetPixel(bitmap.GetDC(), bitmap.GetWidth() / 2, bitmap.GetHeight() / 2);
    EXPECT_GT(GetRValue(middle) + GetBValue(middle), 150) << "the picture's colours, not an empty bitmap";

    PostMessageW(WaitForWindow(L"KestraneMainDialog", kestrane.GetId(), 1000), WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
}

// The caption, asked for in config.xml, changes the wallpaper only in the bottom right corner
// of the work area; without it the same stored picture gives the same bitmap as before.
TEST_F(WallpaperEndToEnd, TheCaptionChangesOnlyItsCornerOfTheWallpaper) {
    ProgramFolder folder;
    ASSERT_TRUE(OwnWallpaperAndThreeStoredPictures(folder));
    const std::string config = ReadAll(folder.Config());
    auto firstWallpaper = [&](bool caption) {
        std::string text = config;
        if (caption) text.insert(text.find("</TovarinSetting>"), "<ShowCaption>1</ShowCaption>");
        WriteAll(folder.Config(), text);
        wallpaperFile.Remove();
        ChildProcess kestrane;
        EXPECT_TRUE(kestrane.Start(folder.Executable()));
        HWND window = WaitForWindow(L"KestraneMainDialog", kestrane.GetId(), 15000);
        EXPECT_TRUE(WallpaperChangesFrom(std::nullopt, 20)) << "the first stored picture is shown";
        Sleep(500);  // the bitmap is moved into place whole; give the reader a settled file
        const std::optional<std::string> bytes = WallpaperBytes();
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
        return bytes.value_or("");
    };
    const std::string plain = firstWallpaper(false);
    const std::string captioned = firstWallpaper(true);
    ASSERT_FALSE(plain.empty());
    EXPECT_NE(ReadAll(folder.Config()).find("<ShowCaption>1</ShowCaption>"), std::string::npos) << "kept";
    Picture before, after;
    ASSERT_TRUE(before.LoadFromBytes(Bytes(plain.begin(), plain.end())));
    ASSERT_TRUE(after.LoadFromBytes(Bytes(captioned.begin(), captioned.end())));
    ASSERT_EQ(after.GetWidth(), before.GetWidth());
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    const RECT changed = DifferingBox(before, after);
    ASSERT_GE(changed.right, 0) << "the caption is on the wallpaper";
    EXPECT_GT(changed.left, (work.left + work.right) / 2);
    EXPECT_GT(changed.top, work.bottom - 60);
    EXPECT_LE(changed.right, work.right);
    EXPECT_LE(changed.bottom, work.bottom) << "never under the task bar";
}

// The time of the last download config.xml records; empty before the first.
static std::string LastDownloadTime(const ProgramFolder& folder) {
    const std::string config = ReadAll(folder.Config());
    const size_t at = config.find("<LastDownloadTime>");
    if (at == std::string::npos) return {};
    const size_t start = at + 18, end = config.find('<', start);
    const std::string time = config.substr(start, end - start);
    return time == "0" ? std::string() : time;
}

TEST_F(WallpaperEndToEnd, APictureNeverShownAgainIsNotFetchedAgainEvenAfterARestart) {
    ASSERT_TRUE(SetDesktopWallpaper(L"0", L"1", wallpaperFile.str()));  // our own: no question
    ProgramFolder folder;
    WriteAll(folder.Config(), ConfigFor("zhiwu"));
    const Path data = folder.path() / L"data";
    const Path bans = folder.path() / L"banned.xml";
    auto start = [&](ChildProcess& kestrane) {
        EXPECT_TRUE(kestrane.Start(folder.Executable()));
        return WaitForWindow(L"KestraneMainDialog", kestrane.GetId(), 15000);
    };
    // A download has ended when config.xml holds a time other than the one before.
    auto downloaded = [&](const std::string& before) {
        return WaitUntil([&] { return !LastDownloadTime(folder).empty() && LastDownloadTime(folder) != before; }, 60);
    };
    {
        ChildProcess kestrane;
        HWND window = start(kestrane);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(downloaded(""));
        ASSERT_EQ(data.ListFiles().size(), 2u) << "both pictures of the category";
        Sleep(1000);  // the final list's rendering
        const std::optional<std::string> shown = WallpaperBytes();

        // Save Picture As: the picture as the service sent it, in the user's Pictures folder.
        const Path keptFolder = PicturesFolder() / L"Kestrane";
        const std::vector<Path> earlier = keptFolder.IsDirectory() ? keptFolder.ListFiles() : std::vector<Path>();
        PostMessageW(window, WM_COMMAND, ID_SAVE_PICTURE, 0);
        ASSERT_TRUE(
            WaitUntil([&] { return keptFolder.IsDirectory() && keptFolder.ListFiles().size() > earlier.size(); }, 20));
        Path savedCopy;
        for (const Path& file : keptFolder.ListFiles())
            if (std::find(earlier.begin(), earlier.end(), file) == earlier.end()) savedCopy = file;
        const std::string savedBytes = ReadAll(savedCopy);
        bool asSent = false;
        const std::string log = ServiceControl(L"GET", L"/_control/requests");
        for (size_t at = log.find("\"path\": \"/pictures/zhiwu/"); at != std::string::npos;
             at = log.find("\"path\": \"/pictures/zhiwu/", at + 1)) {
            const size_t start = at + 9, end = log.find('"', start);
            asSent |=
                !savedBytes.empty() && savedBytes == ServiceControl(L"GET", FromUtf8(log.substr(start, end - start)));
        }
        EXPECT_TRUE(asSent) << "byte for byte one of the service's pictures: " << ToUtf8(savedCopy.str());
        EXPECT_EQ(savedCopy.Extension(), L".jpg");
        savedCopy.Remove();

        PostMessageW(window, WM_COMMAND, ID_NEVER_SHOW_PICTURE, 0);
        ASSERT_TRUE(WaitUntil([&] { return data.ListFiles().size() == 1; }, 20)) << "its package is removed";
        EXPECT_TRUE(WallpaperChangesFrom(shown, 20)) << "and the other picture shown";
        EXPECT_NE(ReadAll(bans).find("<Image pid="), std::string::npos) << ReadAll(bans);

        // The service offers both again: the banned one is neither fetched nor stored.
        ServiceControl(L"DELETE", L"/_control/requests");
        const std::string before = LastDownloadTime(folder);
        Sleep(1100);  // a new second for the download's time
        PostMessageW(window, WM_COMMAND, ID_DOWNLOAD_NOW, 0);
        ASSERT_TRUE(downloaded(before));
        EXPECT_EQ(data.ListFiles().size(), 1u);
        EXPECT_NE(ServiceControl(L"GET", L"/_control/requests").find("image.php"), std::string::npos);
        EXPECT_EQ(ServiceControl(L"GET", L"/_control/requests").find("/pictures/"), std::string::npos)
            << "no picture asked for: the other one is stored, the banned one left out";
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
    }
    {
        const std::string kept = ReadAll(bans);
        ChildProcess kestrane;
        HWND window = start(kestrane);
        ASSERT_NE(window, nullptr);
        const std::string before = LastDownloadTime(folder);
        Sleep(1100);
        PostMessageW(window, WM_COMMAND, ID_DOWNLOAD_NOW, 0);
        ASSERT_TRUE(downloaded(before));
        EXPECT_EQ(data.ListFiles().size(), 1u) << "still banned after a restart";
        EXPECT_EQ(ReadAll(bans), kept);
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
    }
}

// Wine has no HTML engine here, so a template's page never finishes loading: the first
// change waits the page's 30 s out and is then made in the plain frame, and closing while a
// page is awaited ends the wait rather than leaving the exit to the watchdog.
TEST_F(WallpaperEndToEnd, WithoutAnHtmlEngineTheTemplateGivesWayToThePlainFrame) {
    ProgramFolder folder;
    const Path frame = folder.path() / L"templates" / L"Frame";
    ASSERT_TRUE(frame.CreateDirectories());
    WriteAll(frame / L"index.tpl", "<!DOCTYPE html><img src=\"{ImageUri}\">");
    // Always framed, on a grey the picture does not have; debug mode shows each page tried.
    WriteAll(folder.Config(), ConfigFor("dongwu",
                                        "<UseTemplate>1</UseTemplate><Template>Frame</Template>"
                                        "<FrameType>1</FrameType><FrameColor>3355443</FrameColor>"
                                        "<DebugMode>1</DebugMode>"));
    const Path page = folder.path() / L"dbg_template.html";
    auto close = [](ChildProcess& kestrane) {
        const unsigned long long start = NowMs();
        PostMessageW(WaitForWindow(L"KestraneMainDialog", kestrane.GetId(), 1000), WM_CLOSE, 0, 0);
        EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
        return NowMs() - start;
    };

    ChildProcess first;
    ASSERT_TRUE(first.Start(folder.Executable()));
    ASSERT_NE(WaitForWindow(L"KestraneMainDialog", first.GetId(), 15000), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return page.Exists(); }, 60)) << "the downloaded picture went to the template";
    EXPECT_LT(close(first), 8000u) << "the close ended the wait for the page; the watchdog did not have to";
    EXPECT_FALSE(wallpaperFile.Exists());

    ASSERT_TRUE(page.Remove());
    ChildProcess second;
    ASSERT_TRUE(second.Start(folder.Executable()));
    ASSERT_NE(WaitForWindow(L"KestraneMainDialog", second.GetId(), 15000), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return wallpaperFile.Exists(); }, 50)) << "a wallpaper after the page's time-out";
    EXPECT_TRUE(page.Exists()) << "the stored picture went to the template first";
    Sleep(500);  // the bitmap is moved into place whole; give the reader a settled file
    Picture bitmap;
    ASSERT_TRUE(bitmap.LoadFromFile(wallpaperFile));
    EXPECT_EQ(GetPixel(bitmap.GetDC(), 5, 5), RGB(0x33, 0x33, 0x33)) << "the plain frame in the frame colour";
    close(second);
}

// As a user meets it on a desktop of its own: the question about the wallpaper already
// there, the first picture, Next, and the old wallpaper back.
TEST_F(WallpaperEndToEnd, NextAndRestoreOnAWineDesktop) {
    TempDir userFolder;
    Path own = userFolder / L"own.bmp";
    const COLORREF ownColour = RGB(200, 40, 40);
    {
        Picture picture;  // as large as the desktop: Wine centres wallpapers
        ASSERT_TRUE(picture.Create(WineDesktop::kWidth, WineDesktop::kHeight, ownColour));
        ASSERT_TRUE(picture.SaveToFile(own));
    }
    ASSERT_TRUE(SetDesktopWallpaper(L"0", L"0", own.str()));

    ProgramFolder folder;
    WriteAll(folder.Config(), ConfigFor("zhiwu"));
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    const DWORD processId = kestrane.GetId();

    // The first start meets a wallpaper that is not its own and offers to keep it.
    HWND question = desktop.WaitForWindow(L"#32770", processId, 20000);
    ASSERT_NE(question, nullptr) << "the question about the current wallpaper";
    std::vector<COLORREF> ownEverywhere(kSamplePoints.size(), ownColour);
    EXPECT_TRUE(WaitUntil([&] { return AllNear(desktop.Pixels(kSamplePoints), ownEverywhere); }, 10))
        << "the user's own wallpaper is on the screen before the first change";
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    ASSERT_NE(desktop.WaitForWindow(L"KestraneMainDialog", processId, 15000), nullptr);

    ASSERT_TRUE(WaitUntil([&] { return CaptureCurrentWallpaper().Wallpaper == wallpaperFile.str(); }, 60));
    // The download has ended when both pictures are stored and the time is in config.xml.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return (folder.path() / L"data").ListFiles().size() == 2 &&
                   ReadAll(folder.Config()).find("<LastDownloadTime>0<") == std::string::npos;
        },
        60));
    Sleep(1000);  // the final list's rendering
    std::vector<COLORREF> first;
    ASSERT_TRUE(WaitUntil([&] { return !(first = BitmapPixels(wallpaperFile)).empty(); }, 10));
    Picture bitmap;
    ASSERT_TRUE(bitmap.LoadFromFile(wallpaperFile));
    EXPECT_EQ(bitmap.GetWidth(), WineDesktop::kWidth) << "the bitmap has the size of the desktop's screen";
    EXPECT_EQ(bitmap.GetHeight(), WineDesktop::kHeight);
    EXPECT_TRUE(WaitUntil([&] { return AllNear(desktop.Pixels(kSamplePoints), first); }, 10))
        << "the screen shows the bitmap's pixels";
    auto firstBytes = ReadFileBytes(wallpaperFile, 64u << 20);
    ASSERT_TRUE(firstBytes);
    // In idle time the next wallpaper is made ahead; Next moves that very bitmap into place.
    std::optional<std::string> preparedBytes;
    ASSERT_TRUE(WaitUntil([&] { return (preparedBytes = ReadFileBytes(prepared, 64u << 20)).has_value(); }, 20));
    EXPECT_NE(*preparedBytes, *firstBytes) << "the other picture";

    PostMessageW(window, WM_COMMAND, IDC_NEXT, 0);
    ASSERT_TRUE(WaitUntil(
        [&] {
            auto now = ReadFileBytes(wallpaperFile, 64u << 20);
            return now && *now != *firstBytes;
        },
        30))
        << "Next writes another wallpaper";
    EXPECT_EQ(ReadFileBytes(wallpaperFile, 64u << 20), preparedBytes) << "the one made ahead";
    std::vector<COLORREF> second;
    ASSERT_TRUE(WaitUntil([&] { return !(second = BitmapPixels(wallpaperFile)).empty(); }, 10));
    EXPECT_TRUE(WaitUntil([&] { return AllNear(desktop.Pixels(kSamplePoints), second); }, 10))
        << "the screen shows the next picture";

    PostMessageW(window, WM_COMMAND, ID_RESTORE_OLD_WALLPAPER, 0);
    ASSERT_TRUE(WaitUntil([&] { return CaptureCurrentWallpaper().Wallpaper == own.str(); }, 20));
    WallpaperDescription restored = CaptureCurrentWallpaper();
    EXPECT_EQ(restored.TileWallpaper, L"0");
    EXPECT_EQ(restored.WallpaperStyle, L"0");
    EXPECT_TRUE(WaitUntil([&] { return AllNear(desktop.Pixels(kSamplePoints), ownEverywhere); }, 10))
        << "the user's own wallpaper is back on the screen";
    EXPECT_NE(ReadAll(folder.Config()).find(ToUtf8(own.str())), std::string::npos) << "kept in config.xml";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
    EXPECT_FALSE(prepared.Exists()) << "nothing made ahead is left behind";
}

// A restart after the user chose another wallpaper: pictures are stored, so one could be shown
// at once, but the question about the user's wallpaper comes first and the cycle waits for it.
TEST_F(WallpaperEndToEnd, AChangedWallpaperIsAskedAboutBeforeAStoredPictureIsShown) {
    TempDir userFolder;
    Path own = userFolder / L"own.bmp";
    Picture picture;
    ASSERT_TRUE(picture.Create(WineDesktop::kWidth, WineDesktop::kHeight, RGB(30, 160, 60)));
    ASSERT_TRUE(picture.SaveToFile(own));
    ASSERT_TRUE(SetDesktopWallpaper(L"0", L"0", own.str()));

    ProgramFolder folder;
    ASSERT_TRUE((folder.path() / L"data").CreateDirectories());
    Bytes stored;
    ASSERT_TRUE(picture.Create(WineDesktop::kWidth, WineDesktop::kHeight, RGB(20, 20, 200)));
    ASSERT_TRUE(picture.SaveToBytes(stored));
    for (const wchar_t* name : {L"one.jpg", L"two.jpg"}) {
        auto image = std::make_shared<Image>(7, folder.path() / L"data" / MakePackageFileName(name), name, L"");
        ASSERT_TRUE(WritePackage(image, stored, image->GetPath()));
    }
    // The recorded wallpaper is an earlier one; the last download was just now.
    WriteAll(folder.Config(), "<?xml version=\"1.0\"?><TovarinSetting><Version>" + ToUtf8(GetProgramVersion()) +
                                  "</Version>"
                                  "<LastDownloadTime>" +
                                  std::to_string(time(nullptr)) +
                                  "</LastDownloadTime>"
                                  "<OldWallpaper><Wallpaper>C:\\earlier.bmp</Wallpaper><TileWallpaper>0</TileWallpaper>"
                                  "<WallpaperStyle>2</WallpaperStyle></OldWallpaper><ServiceUrl>" +
                                  ToUtf8(ServiceUrl()) + "</ServiceUrl></TovarinSetting>");
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    const DWORD processId = kestrane.GetId();

    HWND question = desktop.WaitForWindow(L"#32770", processId, 20000);
    ASSERT_NE(question, nullptr) << "the question about the user's new wallpaper";
    Sleep(2000);  // time enough for a picture to be composed and applied, were the cycle not held
    EXPECT_EQ(CaptureCurrentWallpaper().Wallpaper, own.str()) << "nothing is applied while the question is open";
    bool trayIcon = true;
    desktop.Run([&] { trayIcon = HasTrayIcon(window); });
    EXPECT_FALSE(trayIcon) << "no tray icon, and so no tray menu, until the question is answered";
    PostMessageW(question, WM_COMMAND, IDYES, 0);

    EXPECT_TRUE(WaitUntil([&] { return CaptureCurrentWallpaper().Wallpaper == GetWallpaperPath().str(); }, 20))
        << "after the answer the stored picture is shown";
    EXPECT_TRUE(WaitUntil([&] { return ReadAll(folder.Config()).find(ToUtf8(own.str())) != std::string::npos; }, 10))
        << "the user's wallpaper, not ours, is recorded as the one to restore";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));

    // Another wallpaper of the user's, and Exit (as the tray menu sends it) while the question
    // is open: the question ends as a No and the program ends cleanly, with no other box (the
    // hot keys were never registered) and the user's wallpaper left in place.
    Path other = userFolder / L"other.bmp";
    ASSERT_TRUE(picture.Create(WineDesktop::kWidth, WineDesktop::kHeight, RGB(200, 120, 30)));
    ASSERT_TRUE(picture.SaveToFile(other));
    ASSERT_TRUE(SetDesktopWallpaper(L"0", L"0", other.str()));
    ChildProcess second;
    window = desktop.StartKestrane(folder.Executable(), second);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(desktop.WaitForWindow(L"#32770", second.GetId(), 20000), nullptr);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(ID_APP_EXIT, 0), 0);
    EXPECT_EQ(second.WaitForExit(20000), std::optional<DWORD>(0));
    EXPECT_EQ(CaptureCurrentWallpaper().Wallpaper, other.str());
}
