#pragma once
// Turning the picture to show into a screen-sized wallpaper, and handing it to the desktop.
#include <memory>

#include "desktop/wallpaper/wallpaper_layout.h"
#include "store/picture.h"

class DrawnLayout;
class Settings;

// What composes the framed wallpaper: the plain frame, or a template (template_renderer.h).
class WallpaperRenderer {
public:
    virtual ~WallpaperRenderer() = default;
    virtual void Release() {}
    // Not const: a renderer may have to make what it needs before it can tell.
    virtual bool IsReady() = 0;
    // A screen-sized picture holding the given one framed; null on failure.
    virtual std::shared_ptr<Picture> RenderFramed(const Picture& picture) = 0;
};

// The picture centred in the work area on the frame colour.
class PlainRenderer : public WallpaperRenderer {
public:
    explicit PlainRenderer(std::shared_ptr<Settings> settings) : m_settings(std::move(settings)) {}
    bool IsReady() override { return true; }
    std::shared_ptr<Picture> RenderFramed(const Picture& picture) override;

private:
    std::shared_ptr<Settings> m_settings;
};

// What a picture must cover to come out of ComposeWallpaper as sharp as at its full size: the
// screen. Filling it draws the picture largest; framing draws it smaller.
DecodeHint WallpaperCover();

// The wallpaper for a picture: as it is, scaled to fill the screen, or framed by the
// renderer, as the frame type, the fit rule and the stretch allowance decide.
std::shared_ptr<Picture> ComposeWallpaper(const Picture& picture, const Settings& settings,
                                          WallpaperRenderer& renderer);

// Draws the watermark (when given) over the work area of the wallpaper and saves it at path;
// false when it cannot be marked or saved.
bool SaveWallpaper(Picture& wallpaper, const DrawnLayout* watermark, const Path& path);

// Points the desktop at the program's bitmap (GetWallpaperPath); true when the system took it.
bool ShowWallpaperBitmap(const Settings& settings);

// SaveWallpaper as the program's bitmap, then ShowWallpaperBitmap. A wallpaper that cannot be
// marked or saved leaves the desktop untouched.
bool ApplyWallpaper(Picture& wallpaper, const Settings& settings, const DrawnLayout* watermark);
