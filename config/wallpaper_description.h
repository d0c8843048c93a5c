#pragma once
// The shell's wallpaper settings as the registry holds them: what the program records as
// the user's own wallpaper and puts back on request.
#include <string>

struct WallpaperDescription {
    bool IsActiveDesktopEnabled = false;
    std::wstring TileWallpaper;
    std::wstring WallpaperStyle;
    std::wstring Wallpaper;

    bool operator==(const WallpaperDescription& o) const {
        return IsActiveDesktopEnabled == o.IsActiveDesktopEnabled && TileWallpaper == o.TileWallpaper &&
               WallpaperStyle == o.WallpaperStyle && Wallpaper == o.Wallpaper;
    }
    bool operator!=(const WallpaperDescription& o) const { return !(*this == o); }
};
