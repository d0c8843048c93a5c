#pragma once
// The next wallpaper, made ahead while the program has nothing else to do and kept on disk
// beside the shown one, so that Next is one rename and a word to the system.
#include <cstdint>
#include <optional>
#include <string>

#include "base/path.h"
#include "store/picture.h"

class DrawnLayout;
class Settings;

// Everything that makes the wallpaper for a picture what it is: the picture's file as it is
// on disk, the settings that shape it, the screen and the renderer (a template's name, empty
// for the plain frame). Two equal recipes make the same bitmap.
struct WallpaperRecipe {
    Path source;
    unsigned long long size = 0;
    unsigned long long writeTime = 0;
    int frameType = 0;
    std::uint32_t frameColor = 0;
    int stretchPercent = 0;
    std::wstring templateName;
    int screenWidth = 0, screenHeight = 0;
    int areaLeft = 0, areaTop = 0, areaRight = 0, areaBottom = 0;
    bool operator==(const WallpaperRecipe& o) const;
};

// The recipe for source with today's settings and screen; none when the file cannot be
// looked at.
std::optional<WallpaperRecipe> MakeWallpaperRecipe(const Path& source, const Settings& settings,
                                                   const std::wstring& templateName);

class PreparedWallpaper {
public:
    // file: where the prepared bitmap waits ("TovarinWallpaperNext.bmp" in the program).
    explicit PreparedWallpaper(Path file) : m_file(std::move(file)) {}

    bool Holds(const WallpaperRecipe& recipe) const { return m_recipe && *m_recipe == recipe; }
    // Marks the wallpaper with the watermark and writes it for the recipe; false (and nothing
    // prepared) when it cannot be written.
    bool Store(Picture& wallpaper, const DrawnLayout* watermark, const WallpaperRecipe& recipe);
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
