#include "desktop/wallpaper/wallpaper_renderer.h"

#include "config/settings.h"
#include "desktop/shell/active_desktop.h"
#include "desktop/shell/desktop_icons.h"
#include "desktop/shell/wallpaper_state.h"
#include "desktop/skin/drawn_layout.h"

using namespace wallpaper_layout;

namespace {

// Draws the part at `at` in the canvas and, where it reaches past the right or bottom edge,
// on at the left or top: the system's tiles wrap it round the same way.
bool DrawWrapped(Picture& canvas, const Picture& part, Point at) {
    const int width = canvas.GetWidth(), height = canvas.GetHeight();
    for (int x : {at.x, at.x - width})
        for (int y : {at.y, at.y - height}) {
            if (x + part.GetWidth() <= 0 || y + part.GetHeight() <= 0) continue;
            if (!BitBlt(canvas.GetDC(), x, y, part.GetWidth(), part.GetHeight(), part.GetDC(), 0, 0, SRCCOPY))
                return false;
        }
    return true;
}

}  // namespace

DecodeHint WallpaperCover(const Screen& screen) { return DecodeHint{screen.size.width, screen.size.height}; }

std::shared_ptr<Picture> PlainRenderer::RenderFramed(const Picture& picture, const Screen& screen) {
    if (picture.IsEmpty()) return nullptr;
    Placement placement = PlaceFramed({picture.GetWidth(), picture.GetHeight()}, screen.work);
    auto wallpaper = std::make_shared<Picture>();
    if (!wallpaper->Create(screen.size.width, screen.size.height, m_settings->GetEffectiveFrameColor())) return nullptr;
    const Rect& to = placement.destination;
    const Rect& from = placement.source;
    if (!picture.Draw(wallpaper->GetDC(), to.left, to.top, to.Width(), to.Height(), from.left, from.top, from.Width(),
                      from.Height()))
        return nullptr;
    return wallpaper;
}

std::shared_ptr<Picture> ComposeWallpaper(const Picture& picture, const Settings& settings, WallpaperRenderer& renderer,
                                          const Screen& screen) {
    if (picture.IsEmpty()) return nullptr;
    FitDecision decision = DecideFit({picture.GetWidth(), picture.GetHeight()}, screen.size, settings.GetFrameType(),
                                     settings.GetStretchPercent());
    if (decision.fit == Fit::Framed) return renderer.RenderFramed(picture, screen);
    auto wallpaper = std::make_shared<Picture>();
    if (!wallpaper->Create(screen.size.width, screen.size.height, RGB(255, 255, 255))) return nullptr;
    const Rect& from = decision.source;
    if (!picture.Draw(wallpaper->GetDC(), 0, 0, screen.size.width, screen.size.height, from.left, from.top,
                      from.Width(), from.Height()))
        return nullptr;
    return wallpaper;
}

std::shared_ptr<Picture> ComposeSpan(const SpanLayout& layout, const MonitorComposer& compose,
                                     const Watermark& watermark) {
    if (layout.screens.empty()) return nullptr;
    std::shared_ptr<Picture> canvas;
    if (layout.screens.size() == 1) {  // the part is the whole
        canvas = compose(0, layout.screens.front());
    } else {
        canvas = std::make_shared<Picture>();
        if (!canvas->Create(layout.canvas.width, layout.canvas.height, RGB(0, 0, 0))) return nullptr;
        for (size_t i = 0; i < layout.screens.size(); ++i) {
            std::shared_ptr<Picture> part = compose(i, layout.screens[i]);
            if (!part || !DrawWrapped(*canvas, *part, layout.at[i])) return nullptr;
        }
    }
    if (!canvas) return nullptr;
    if (!watermark.layout) return canvas;
    // A caption longer than the work area is wide is cut there, not drawn onto the monitor
    // beside it.
    const Rect& area = layout.primaryWork;
    HDC dc = canvas->GetDC();
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    const bool marked = watermark.layout->Draw(dc, RECT{area.left, area.top, area.right, area.bottom}, watermark.fields);
    RestoreDC(dc, saved);
    return marked ? canvas : nullptr;
}

bool SaveWallpaper(Picture& wallpaper, const Path& path) {
    return !wallpaper.IsEmpty() && !path.empty() && wallpaper.SaveToFile(path);
}

bool ShowWallpaperBitmap(const Settings& settings) {
    SetActiveDesktop(false);
    bool applied = SetDesktopWallpaper(L"0", L"1", GetWallpaperPath().str());
    if (!settings.GetHideDesktopIcons()) SetIconTextTransparent(settings.GetDesktopTextBkTransparent());
    return applied;
}

bool ApplyWallpaper(Picture& wallpaper, const Settings& settings) {
    return SaveWallpaper(wallpaper, GetWallpaperPath()) && ShowWallpaperBitmap(settings);
}
