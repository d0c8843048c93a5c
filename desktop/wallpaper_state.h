#pragma once
// Reading and judging the shell's wallpaper settings.
#include "core/wallpaper_description.h"
#include "store/path.h"

// The one bitmap the program writes as the wallpaper: the Windows directory's
// "TovarinWallpaper.bmp".
Path GetWallpaperPath();

// Placeholder: the wallpaper work reads the registry and the shell here; until then the
// current wallpaper reads as an empty description.
WallpaperDescription CaptureCurrentWallpaper();

// A description that needs no saving or restoring: nothing recorded, or our own bitmap.
bool IsOwnWallpaper(const WallpaperDescription& wallpaper);
