#include "ui/options/about_picture.h"

#include "base/debug_log.h"
#include "desktop/skin/drawn_layout.h"
#include "desktop/skin/memory_surface.h"

AboutPicture::AboutPicture(const DrawnLayout& layout) : m_layout(layout) {}

bool AboutPicture::Redraw(HDC target, const RECT& client) {
    m_cache.reset();  // a bitmap of another size is no picture for this one
    const int width = client.right - client.left, height = client.bottom - client.top;
    MemorySurface surface(target, width, height);
    if (!surface) return false;
    UniqueBrush key(CreateSolidBrush(kKeyColour));
    const RECT box{0, 0, width, height};
    if (!key || !FillRect(surface.dc(), &box, key.get())) return false;
    ++m_layoutDraws;
    // The bitmap stands for the client area, whose origin is its top-left corner.
    const bool drawn = m_layout.Draw(surface.dc(), box);
    m_cache.reset(surface.Detach());
    // A drawing that failed part-way is shown as far as it got and tried again next time.
    m_cachedClient = drawn ? client : RECT{0, 0, 0, 0};
    if (!drawn) DebugLog(L"The about layout did not draw completely\n");
    return drawn;
}

bool AboutPicture::Paint(HDC target, const RECT& client) {
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return true;
    bool drawn = true;
    if (!m_cache || !EqualRect(&client, &m_cachedClient)) drawn = Redraw(target, client);
    if (!m_cache) return false;
    MemorySurface source(target, m_cache.get());
    if (!source) return false;
    if (!TransparentBlt(target, client.left, client.top, width, height, source.dc(), 0, 0, width, height, kKeyColour)) {
        LogLastError(L"TransparentBlt");
        return false;
    }
    return drawn;
}
