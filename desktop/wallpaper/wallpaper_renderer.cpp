#include "desktop/wallpaper/wallpaper_renderer.h"

#include "config/settings.h"
#include "desktop/shell/active_desktop.h"
#include "desktop/shell/desktop_icons.h"
#include "desktop/shell/wallpaper_state.h"
#include "desktop/skin/drawn_layout.h"

using namespace wallpaper_layout;

namespace {

Size ScreenSize() {
    Settings::Point screen = Settings::GetScreenSize();
    return {screen.x, screen.y};
}

}  // namespace

DecodeHint WallpaperCover() {
    Size screen = ScreenSize();
    return DecodeHint{screen.width, screen.height};
}

std::shared_ptr<Picture> PlainRenderer::RenderFramed(const Picture& picture) {
    if (picture.IsEmpty()) return nullptr;
    Size screen = ScreenSize();
    Settings::Rect area = Settings::GetWorkArea();
    Placement placement =
        PlaceFramed({picture.GetWidth(), picture.GetHeight()}, {area.left, area.top, area.right, area.bottom});
    auto wallpaper = std::make_shared<Picture>();
    if (!wallpaper->Create(screen.width, screen.height, m_settings->GetEffectiveFrameColor())) return nullptr;
    const Rect& to = placement.destination;
    const Rect& from = placement.source;
    if (!picture.Draw(wallpaper->GetDC(), to.left, to.top, to.Width(), to.Height(), from.left, from.top, from.Width(),
                      from.Height()))
        return nullptr;
    return wallpaper;
}

std::shared_ptr<Picture> ComposeWallpaper(const Picture& picture, const Settings& settings,
                                          WallpaperRenderer& renderer) {
    if (picture.IsEmpty()) return nullptr;
    Size screen = ScreenSize();
    FitDecision decision = DecideFit({picture.GetWidth(), picture.GetHeight()}, screen, settings.GetFrameType(),
                                     settings.GetStretchPercent());
    if (decision.fit == Fit::Framed) return renderer.RenderFramed(picture);
    auto wallpaper = std::make_shared<Picture>();
    if (!wallpaper->Create(screen.width, screen.height, RGB(255, 255, 255))) return nullptr;
    const Rect& from = decision.source;
    if (!picture.Draw(wallpaper->GetDC(), 0, 0, screen.width, screen.height, from.left, from.top, from.Width(),
                      from.Height()))
        return nullptr;
    return wallpaper;
}

bool SaveWallpaper(Picture& wallpaper, const DrawnLayout* watermark, const Path& path) {
    if (wallpaper.IsEmpty() || path.empty()) return false;
    if (watermark) {
        // The picture covers the primary screen from its origin, so screen and picture
        // coordinates are the same.
        Settings::Rect area = Settings::GetWorkArea();
        if (!watermark->Draw(wallpaper.GetDC(), RECT{area.left, area.top, area.right, area.bottom})) return false;
    }
    return wallpaper.SaveToFile(path);
}

bool ShowWallpaperBitmap(const Settings& settings) {
    SetActiveDesktop(false);
    bool applied = SetDesktopWallpaper(L"0", L"1", GetWallpaperPath().str());
    if (!settings.GetHideDesktopIcons()) SetIconTextTransparent(settings.GetDesktopTextBkTransparent());
    return applied;
}

bool ApplyWallpaper(Picture& wallpaper, const Settings& settings, const DrawnLayout* watermark) {
    return SaveWallpaper(wallpaper, watermark, GetWallpaperPath()) && ShowWallpaperBitmap(settings);
}
