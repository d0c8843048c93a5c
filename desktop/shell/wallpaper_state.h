#pragma once
// The shell's wallpaper settings: reading them, judging them and putting them back.
#include "base/path.h"
#include "config/wallpaper_description.h"

// The one bitmap the program writes as the wallpaper: the Windows directory's
// "TovarinWallpaper.bmp".
Path GetWallpaperPath();
// Beside it, "TovarinWallpaperNext.bmp": the next wallpaper, made ahead.
Path GetPreparedWallpaperPath();

// "TileWallpaper", "WallpaperStyle", "Wallpaper" under HKCU\Control Panel\desktop (missing
// values read as empty) and whether the shell shows an HTML desktop.
WallpaperDescription CaptureCurrentWallpaper();

// A description that needs no saving or restoring: nothing recorded, or our own bitmap.
bool IsOwnWallpaper(const WallpaperDescription& wallpaper);

// Writes the tile and style values and points the desktop at the bitmap; true when the
// system took the wallpaper.
bool SetDesktopWallpaper(const std::wstring& tile, const std::wstring& style, const std::wstring& wallpaper);
