#include "desktop/wallpaper_state.h"

#include <windows.h>

Path GetWallpaperPath() {
    wchar_t directory[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return Path();
    return Path(directory) / L"TovarinWallpaper.bmp";
}

WallpaperDescription CaptureCurrentWallpaper() { return WallpaperDescription(); }

bool IsOwnWallpaper(const WallpaperDescription& wallpaper) {
    if (wallpaper.TileWallpaper.empty()) return true;
    return !wallpaper.IsActiveDesktopEnabled && wallpaper.Wallpaper == GetWallpaperPath().str();
}
