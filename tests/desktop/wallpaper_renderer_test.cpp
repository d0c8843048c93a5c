// Composing wallpapers on the test display, and applying one to the Wine desktop.
#include <gtest/gtest.h>

#include <windows.h>

#include "config/settings.h"
#include "desktop/wallpaper_renderer.h"
#include "desktop/wallpaper_state.h"
#include "support/test_support.h"

namespace {

COLORREF PixelAt(const Picture& picture, int x, int y) { return GetPixel(picture.GetDC(), x, y); }

bool Near(COLORREF a, COLORREF b) {
    return abs(GetRValue(a) - GetRValue(b)) < 40 && abs(GetGValue(a) - GetGValue(b)) < 40 &&
           abs(GetBValue(a) - GetBValue(b)) < 40;
}

class Composition : public ::testing::Test {
protected:
    TempDir dir;
    std::shared_ptr<Settings> settings = std::make_shared<Settings>(dir.path());
    PlainRenderer renderer{settings};
    Settings::Point screen = Settings::GetScreenSize();
    Settings::Rect area = Settings::GetWorkArea();

    Picture Solid(int width, int height, COLORREF colour) {
        Picture picture;
        EXPECT_TRUE(picture.Create(width, height, colour));
        return picture;
    }
};

}  // namespace

TEST_F(Composition, LargePicturesFillTheScreen) {
    Picture large = Solid(screen.x * 2, screen.y * 2, RGB(0, 200, 0));
    std::shared_ptr<Picture> wallpaper = ComposeWallpaper(large, *settings, renderer);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(wallpaper->GetWidth(), screen.x);
    EXPECT_EQ(wallpaper->GetHeight(), screen.y);
    EXPECT_TRUE(Near(PixelAt(*wallpaper, 1, 1), RGB(0, 200, 0)));
    EXPECT_TRUE(Near(PixelAt(*wallpaper, screen.x - 2, screen.y - 2), RGB(0, 200, 0)));
}

TEST_F(Composition, SmallPicturesAreFramedInTheFrameColour) {
    settings->SetFrameColor(RGB(10, 20, 200));
    Picture small = Solid(200, 150, RGB(250, 250, 0));
    std::shared_ptr<Picture> wallpaper = ComposeWallpaper(small, *settings, renderer);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(wallpaper->GetWidth(), screen.x);
    EXPECT_TRUE(Near(PixelAt(*wallpaper, 0, 0), RGB(10, 20, 200))) << "the frame";
    int centreX = area.left + (area.right - area.left) / 2, centreY = area.top + (area.bottom - area.top) / 2;
    EXPECT_TRUE(Near(PixelAt(*wallpaper, centreX, centreY), RGB(250, 250, 0)))
        << "the picture, centred in the work area";
    EXPECT_TRUE(Near(PixelAt(*wallpaper, centreX - 99, centreY), RGB(250, 250, 0)));
    EXPECT_TRUE(Near(PixelAt(*wallpaper, centreX - 102, centreY), RGB(10, 20, 200))) << "never enlarged";

    settings->SetFrameColor(Settings::kDesktopColorMarker);
    wallpaper = ComposeWallpaper(small, *settings, renderer);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(PixelAt(*wallpaper, 0, 0), GetSysColor(COLOR_BACKGROUND)) << "the marker means the desktop colour";
    // The user changes the desktop colour: the next wallpaper follows, without a restart.
    const int element = COLOR_BACKGROUND;
    const COLORREF previous = GetSysColor(COLOR_BACKGROUND), changed = RGB(12, 130, 70);
    ASSERT_TRUE(SetSysColors(1, &element, &changed));
    wallpaper = ComposeWallpaper(small, *settings, renderer);
    SetSysColors(1, &element, &previous);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(PixelAt(*wallpaper, 0, 0), changed);

    EXPECT_FALSE(ComposeWallpaper(Picture(), *settings, renderer)) << "no picture, no wallpaper";
}

TEST_F(Composition, AppliedWallpaperIsTheScreenSizedBitmap) {
    WallpaperDescription before = CaptureCurrentWallpaper();
    Picture large = Solid(screen.x, screen.y, RGB(120, 30, 160));
    std::shared_ptr<Picture> wallpaper = ComposeWallpaper(large, *settings, renderer);
    ASSERT_TRUE(wallpaper);
    EXPECT_TRUE(ApplyWallpaper(*wallpaper, *settings, nullptr));
    WallpaperDescription now = CaptureCurrentWallpaper();
    EXPECT_EQ(now.TileWallpaper, L"0");
    EXPECT_EQ(now.WallpaperStyle, L"1");
    EXPECT_EQ(now.Wallpaper, GetWallpaperPath().str());
    EXPECT_TRUE(IsOwnWallpaper(now));
    Picture saved;
    ASSERT_TRUE(saved.LoadFromFile(GetWallpaperPath()));
    EXPECT_EQ(saved.GetWidth(), screen.x);
    EXPECT_EQ(saved.GetHeight(), screen.y);
    EXPECT_TRUE(Near(PixelAt(saved, screen.x / 2, screen.y / 2), RGB(120, 30, 160)));
    Picture empty;
    EXPECT_FALSE(ApplyWallpaper(empty, *settings, nullptr)) << "nothing to apply, nothing touched";
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}

TEST_F(Composition, AWallpaperThatCannotBeSavedLeavesTheDesktopAlone) {
    WallpaperDescription before = CaptureCurrentWallpaper();
    SetDesktopWallpaper(L"1", L"0", L"C:\\users\\own.bmp");
    // A folder where the bitmap belongs: the disk refuses the file.
    Path bitmap = GetWallpaperPath();
    bitmap.Remove();
    ASSERT_TRUE(CreateDirectoryW(bitmap.c_str(), nullptr));
    std::shared_ptr<Picture> wallpaper =
        ComposeWallpaper(Solid(screen.x, screen.y, RGB(10, 20, 30)), *settings, renderer);
    ASSERT_TRUE(wallpaper);
    EXPECT_FALSE(ApplyWallpaper(*wallpaper, *settings, nullptr));
    RemoveDirectoryW(bitmap.c_str());
    WallpaperDescription now = CaptureCurrentWallpaper();
    EXPECT_EQ(now.Wallpaper, L"C:\\users\\own.bmp");
    EXPECT_EQ(now.TileWallpaper, L"1");
    EXPECT_EQ(now.WallpaperStyle, L"0");
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}
