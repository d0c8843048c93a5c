#include "desktop/wallpaper/prepared_wallpaper.h"

#include <windows.h>

#include "base/debug_log.h"
#include "config/settings.h"
#include "desktop/shell/wallpaper_state.h"
#include "desktop/wallpaper/wallpaper_renderer.h"

bool WallpaperRecipe::operator==(const WallpaperRecipe& o) const {
    return source == o.source && size == o.size && writeTime == o.writeTime && frameType == o.frameType &&
           frameColor == o.frameColor && stretchPercent == o.stretchPercent && templateName == o.templateName &&
           screenWidth == o.screenWidth && screenHeight == o.screenHeight && areaLeft == o.areaLeft &&
           areaTop == o.areaTop && areaRight == o.areaRight && areaBottom == o.areaBottom;
}

std::optional<WallpaperRecipe> MakeWallpaperRecipe(const Path& source, const Settings& settings,
                                                   const std::wstring& templateName) {
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (source.empty() || !GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &file)) return std::nullopt;
    WallpaperRecipe recipe;
    recipe.source = source;
    recipe.size = (static_cast<unsigned long long>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
    recipe.writeTime = (static_cast<unsigned long long>(file.ftLastWriteTime.dwHighDateTime) << 32) |
                       file.ftLastWriteTime.dwLowDateTime;
    recipe.frameType = settings.GetFrameType();
    recipe.frameColor = settings.GetEffectiveFrameColor();
    recipe.stretchPercent = settings.GetStretchPercent();
    recipe.templateName = templateName;
    const Settings::Point screen = Settings::GetScreenSize();
    recipe.screenWidth = screen.x;
    recipe.screenHeight = screen.y;
    const Settings::Rect area = Settings::GetWorkArea();
    recipe.areaLeft = area.left;
    recipe.areaTop = area.top;
    recipe.areaRight = area.right;
    recipe.areaBottom = area.bottom;
    return recipe;
}

bool PreparedWallpaper::Store(Picture& wallpaper, const DrawnLayout* watermark, const WallpaperRecipe& recipe) {
    if (!SaveWallpaper(wallpaper, watermark, m_file)) {
        Discard();
        return false;
    }
    m_recipe = recipe;
    return true;
}

bool PreparedWallpaper::MoveIntoPlace() {
    m_recipe.reset();
    if (MoveFileExW(m_file.c_str(), GetWallpaperPath().c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    LogLastError(L"MoveFileExW");
    return false;
}

void PreparedWallpaper::Discard() {
    m_recipe.reset();
    if (!m_file.empty()) DeleteFileW(m_file.c_str());
}
