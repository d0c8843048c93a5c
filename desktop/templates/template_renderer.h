#pragma once
// Wallpapers composed through an HTML template from the "templates" folder: the picture and
// the screen's geometry go into the template's page, the browser control shows it, and the
// page's first visible element becomes the wallpaper.
#include <memory>
#include <string>

#include "base/path.h"
#include "desktop/templates/page_capture.h"
#include "desktop/templates/template_document.h"
#include "desktop/wallpaper/wallpaper_renderer.h"

class Settings;

class TemplateRenderer : public WallpaperRenderer {
public:
    static constexpr unsigned kPageTimeoutMs = 30000;

    TemplateRenderer(std::shared_ptr<Settings> settings, std::unique_ptr<PageCapture> capture);

    // Takes the template over, and gives a template whose page timed out another chance.
    void Use(template_document::Source source);
    // Lets go of the browser control; call it on the thread that renders.
    void Release() override;
    // A template is loaded, the browser can show it, and its page has not timed out since.
    bool IsReady() override;
    std::shared_ptr<Picture> RenderFramed(const Picture& picture, const wallpaper_layout::Screen& screen) override;

private:
    std::shared_ptr<Settings> m_settings;
    std::unique_ptr<PageCapture> m_capture;
    template_document::Source m_source;
    bool m_timedOut = false;
};

// Loads the template in the folder into the renderer, creating it (with the browser control
// and the time-out given) when there is none yet. False, leaving the renderer as it was, when
// the template does not load.
bool LoadTemplate(std::unique_ptr<TemplateRenderer>& renderer, const Path& folder,
                  const std::shared_ptr<Settings>& settings, unsigned timeoutMs = TemplateRenderer::kPageTimeoutMs);
