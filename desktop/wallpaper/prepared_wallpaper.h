#pragma once
// The next wallpaper, made ahead while the program has nothing else to do and kept on disk
// beside the shown one, so that Next is one rename and a word to the system.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/path.h"
#include "desktop/wallpaper/monitor_layout.h"
#include "store/picture.h"

class Settings;

// A picture's file as it was on disk when the wallpaper was made from it.
struct PictureFile {
    Path path;
    unsigned long long size = 0;
    unsigned long long writeTime = 0;
    bool operator==(const PictureFile& o) const { return path == o.path && size == o.size && writeTime == o.writeTime; }
};

// Everything that makes the wallpaper what it is: each monitor's picture file, the settings
// that shape it, the monitors, the renderer (a template's name, empty for the plain frame)
// and the caption. Two equal recipes make the same bitmap.
struct WallpaperRecipe {
    std::vector<PictureFile> pictures;  // one per monitor, the primary's first
    int frameType = 0;
    std::uint32_t frameColor = 0;
    int stretchPercent = 0;
    std::wstring templateName;
    wallpaper_layout::Monitors monitors;
    std::wstring caption;
    bool operator==(const WallpaperRecipe& o) const;
};

// The recipe for the sources (one per monitor) with today's settings; none when a file cannot
// be looked at.
std::optional<WallpaperRecipe> MakeWallpaperRecipe(const std::vector<Path>& sources, const Settings& settings,
                                                   const std::wstring& templateName,
                                                   const wallpaper_layout::Monitors& monitors, std::wstring caption);

class PreparedWallpaper {
public:
    // file: where the prepared bitmap waits ("TovarinWallpaperNext.bmp" in the program).
    explicit PreparedWallpaper(Path file) : m_file(std::move(file)) {}

    bool Holds(const WallpaperRecipe& recipe) const { return m_recipe && *m_recipe == recipe; }
    // Writes the wallpaper for the recipe; false (and nothing prepared) when it cannot be
    // written.
    bool Store(Picture& wallpaper, const WallpaperRecipe& recipe);
    // Moves the prepared bitmap into place as the program's wallpaper bitmap (one rename, so
    // the shown bitmap is never half written); false when it cannot. Nothing is prepared
    // afterwards either way.
    bool MoveIntoPlace();
    // Forgets the prepared bitmap and deletes its file.
    void Discard();

private:
    Path m_file;
    std::optional<WallpaperRecipe> m_recipe;
};
