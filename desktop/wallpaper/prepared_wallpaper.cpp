#include "desktop/wallpaper/prepared_wallpaper.h"

#include <windows.h>

#include "base/debug_log.h"
#include "config/settings.h"
#include "desktop/shell/wallpaper_state.h"
#include "desktop/wallpaper/wallpaper_renderer.h"

bool WallpaperRecipe::operator==(const WallpaperRecipe& o) const {
    return pictures == o.pictures && frameType == o.frameType && frameColor == o.frameColor &&
           stretchPercent == o.stretchPercent && templateName == o.templateName && monitors == o.monitors &&
           caption == o.caption;
}

std::optional<WallpaperRecipe> MakeWallpaperRecipe(const std::vector<Path>& sources, const Settings& settings,
                                                   const std::wstring& templateName,
                                                   const wallpaper_layout::Monitors& monitors, std::wstring caption) {
    WallpaperRecipe recipe;
    for (const Path& source : sources) {
        WIN32_FILE_ATTRIBUTE_DATA file;
        if (source.empty() || !GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &file)) return std::nullopt;
        recipe.pictures.push_back({source,
                                   (static_cast<unsigned long long>(file.nFileSizeHigh) << 32) | file.nFileSizeLow,
                                   (static_cast<unsigned long long>(file.ftLastWriteTime.dwHighDateTime) << 32) |
                                       file.ftLastWriteTime.dwLowDateTime});
    }
    if (recipe.pictures.empty()) return std::nullopt;
    recipe.frameType = settings.GetFrameType();
    recipe.frameColor = settings.GetEffectiveFrameColor();
    recipe.stretchPercent = settings.GetStretchPercent();
    recipe.templateName = templateName;
    recipe.monitors = monitors;
    recipe.caption = std::move(caption);
    return recipe;
}

bool PreparedWallpaper::Store(Picture& wallpaper, const WallpaperRecipe& recipe) {
    if (!SaveWallpaper(wallpaper, m_file)) {
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
