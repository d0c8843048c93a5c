#include "desktop/templates/template_renderer.h"

#include "base/file_io.h"
#include "base/temporary_file.h"
#include "base/utf8.h"
#include "config/settings.h"
#include "desktop/templates/browser_host.h"

using namespace template_document;

namespace {

constexpr wchar_t kTemporaryPrefix[] = L"TFR";

// The picture fitted into its box, as BMP file bytes in the temporary file.
bool WriteImage(const Picture& picture, const ImageFit& fit, const TemporaryFile& file) {
    Picture boxed;
    Bytes bytes;
    const wallpaper_layout::Rect& from = fit.source;
    return boxed.Create(fit.box.width, fit.box.height) &&
           picture.Draw(boxed.GetDC(), 0, 0, fit.box.width, fit.box.height, from.left, from.top, from.Width(),
                        from.Height()) &&
           boxed.SaveToBytes(bytes) &&
           file.Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

TemplateRenderer::TemplateRenderer(std::shared_ptr<Settings> settings, std::unique_ptr<PageCapture> capture)
    : m_settings(std::move(settings)), m_capture(std::move(capture)) {}

void TemplateRenderer::Use(Source source) {
    m_source = std::move(source);
    m_timedOut = false;
}

void TemplateRenderer::Release() { m_capture->Release(); }

bool TemplateRenderer::IsReady() { return !m_timedOut && !m_source.text.empty() && m_capture->Ready(); }

std::shared_ptr<Picture> TemplateRenderer::RenderFramed(const Picture& picture,
                                                        const wallpaper_layout::Screen& screen) {
    if (picture.IsEmpty() || !IsReady()) return nullptr;
    const ImageFit fit = FitImage({picture.GetWidth(), picture.GetHeight()});
    TemporaryFile image(kTemporaryPrefix);
    if (!image || !WriteImage(picture, fit, image)) return nullptr;

    Values values;
    values.baseUri = m_source.baseUri;
    values.imageUri = FileUrl(image.path());
    values.image = fit.box;
    values.frameColor = m_settings->GetEffectiveFrameColor();
    values.screen = screen.size;
    values.workArea = screen.work;
    const std::string bytes = ToUtf8(Fill(m_source.text, values));

    TemporaryFile page(kTemporaryPrefix);
    if (!page) return nullptr;
    if (m_settings->GetDebugMode()) WriteFileAtomically(m_settings->GetUserDirectory() / L"dbg_template.html", bytes);
    if (!page.Write(bytes)) return nullptr;
    PageCapture::Result captured = m_capture->LoadAndCapture(FileUrl(page.path()));
    if (captured.outcome == PageCapture::Outcome::TimedOut) m_timedOut = true;
    if (!captured.bitmap) return nullptr;
    auto wallpaper = std::make_shared<Picture>();
    if (!wallpaper->CopyFromBitmap(captured.bitmap.get(), screen.size.width, screen.size.height)) return nullptr;
    return wallpaper;
}

bool LoadTemplate(std::unique_ptr<TemplateRenderer>& renderer, const Path& folder,
                  const std::shared_ptr<Settings>& settings, unsigned timeoutMs) {
    std::optional<Source> source = ReadSource(folder);
    if (!source) return false;
    if (!renderer) renderer = std::make_unique<TemplateRenderer>(settings, std::make_unique<BrowserHost>(timeoutMs));
    renderer->Use(std::move(*source));
    return true;
}
