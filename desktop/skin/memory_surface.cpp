#include "desktop/skin/memory_surface.h"

#include "base/debug_log.h"

namespace {

HDC CreateMemoryDc(HDC like) {
    HDC dc = CreateCompatibleDC(like);
    if (!dc) LogLastError(L"CreateCompatibleDC");
    return dc;
}

}  // namespace

MemorySurface::MemorySurface(HDC like, int width, int height) : m_dc(CreateMemoryDc(like)) {
    if (!m_dc || width <= 0 || height <= 0) return;
    // A bitmap compatible with the memory DC itself would be monochrome: ask the reference DC.
    WindowDc screen;
    HDC reference = like ? like : screen.get();
    m_own.reset(CreateCompatibleBitmap(reference, width, height));
    if (!m_own) {
        LogLastError(L"CreateCompatibleBitmap");
        return;
    }
    Select(m_own.get());
}

MemorySurface::MemorySurface(HDC like, HBITMAP borrowed) : m_dc(CreateMemoryDc(like)) {
    if (m_dc && borrowed) Select(borrowed);
}

MemorySurface::~MemorySurface() { Deselect(); }

void MemorySurface::Select(HBITMAP bitmap) {
    HGDIOBJ previous = SelectObject(m_dc.get(), bitmap);
    if (!previous || previous == HGDI_ERROR) {
        LogLastError(L"SelectObject");
        return;
    }
    m_previous = previous;
    m_selected = true;
}

void MemorySurface::Deselect() {
    if (!m_selected) return;
    SelectObject(m_dc.get(), m_previous);
    m_selected = false;
}

HBITMAP MemorySurface::Detach() {
    if (!m_own) return nullptr;
    Deselect();
    return m_own.release();
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}
