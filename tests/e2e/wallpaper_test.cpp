// The wallpaper as a user meets it: Kestrane.exe in a fresh program folder, the reference
// service with pictures, and the desktop's wallpaper settings afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/utf8.h"
#include "desktop/wallpaper_state.h"
#include "e2e/kestrane_process.h"
#include "store/picture.h"
#include "support/service_control.h"

namespace {

template <typename Condition>
bool WaitUntil(Condition condition, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (condition()) return true;
        Sleep(100);
    }
    return condition();
}

}  // namespace

TEST(WallpaperEndToEnd, ADownloadedPictureBecomesTheWallpaper) {
    if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
    ServiceReset();
    WallpaperDescription before = CaptureCurrentWallpaper();
    Path wallpaperFile = GetWallpaperPath();
    wallpaperFile.Remove();

    ProgramFolder folder;
    WriteAll(folder.Config(), "<?xml version=\"1.0\"?><TovarinSetting><Version>20261208</Version><Tags>dongwu</Tags>"
                              "<ServiceUrl>" + ToUtf8(ServiceUrl()) + "</ServiceUrl></TovarinSetting>");
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
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}
