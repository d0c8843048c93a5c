#pragma once
// Turning the pictures to show into a wallpaper for every monitor, and handing it to the
// desktop.
#include <functional>
#include <memory>

#include "desktop/skin/drawn_elements.h"
#include "desktop/wallpaper/monitor_layout.h"
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
    // A picture of the screen's size holding the given one framed in its work area; null on
    // failure.
    virtual std::shared_ptr<Picture> RenderFramed(const Picture& picture, const wallpaper_layout::Screen& screen) = 0;
};

// The picture centred in the work area on the frame colour.
class PlainRenderer : public WallpaperRenderer {
public:
    explicit PlainRenderer(std::shared_ptr<Settings> settings) : m_settings(std::move(settings)) {}
    bool IsReady() override { return true; }
    std::shared_ptr<Picture> RenderFramed(const Picture& picture, const wallpaper_layout::Screen& screen) override;

private:
    std::shared_ptr<Settings> m_settings;
};

// What a picture must cover to come out of ComposeWallpaper as sharp as at its full size: the
// screen. Filling it draws the picture largest; framing draws it smaller.
DecodeHint WallpaperCover(const wallpaper_layout::Screen& screen);

// The wallpaper of the screen's size for a picture: as it is, scaled to fill the screen, or
// framed by the renderer, as the frame type, the fit rule and the stretch allowance decide.
std::shared_ptr<Picture> ComposeWallpaper(const Picture& picture, const Settings& settings, WallpaperRenderer& renderer,
                                          const wallpaper_layout::Screen& screen);

// The watermark drawn over the primary monitor's work area, its Text elements filled from
// fields (the caption).
struct Watermark {
    const DrawnLayout* layout = nullptr;
    DrawnFields fields;
};

// Makes the wallpaper for one monitor of the layout; null when it cannot.
using MonitorComposer = std::function<std::shared_ptr<Picture>(size_t monitor, const wallpaper_layout::Screen&)>;

// The one bitmap for every monitor of the layout: each monitor's wallpaper where the
// desktop's tiles show it on that monitor, marked with the watermark. With one monitor it is
// that monitor's wallpaper itself. Null when a part or the mark cannot be made.
std::shared_ptr<Picture> ComposeSpan(const wallpaper_layout::SpanLayout& layout, const MonitorComposer& compose,
                                     const Watermark& watermark);

// Saves the wallpaper at path; false when it cannot be saved.
bool SaveWallpaper(Picture& wallpaper, const Path& path);

// Points the desktop at the program's bitmap (GetWallpaperPath), tiled; true when the system
// took it.
bool ShowWallpaperBitmap(const Settings& settings);

// SaveWallpaper as the program's bitmap, then ShowWallpaperBitmap. A wallpaper that cannot be
// saved leaves the desktop untouched.
bool ApplyWallpaper(Picture& wallpaper, const Settings& settings);
