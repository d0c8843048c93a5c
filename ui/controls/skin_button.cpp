#include "ui/controls/skin_button.h"

#include <shellapi.h>

namespace {

// Copies the part of source at (x, y) of size box into target at the box's origin.
void CopyFrom(HDC target, const RECT& box, HBITMAP source, int x, int y) {
    UniqueMemoryDc dc(CreateCompatibleDC(target));
    if (!dc || !source) return;
    ScopedSelect select(dc.get(), source);
    BitBlt(target, box.left, box.top, box.right - box.left, box.bottom - box.top, dc.get(), x, y, SRCCOPY);
}

}  // namespace

bool SkinButton::Create(HWND parent, WORD id) {
    m_id = id;
    m_window = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    return m_window != nullptr;
}

void SkinButton::SetBitmap(HBITMAP bitmap, bool keyed, COLORREF key) {
    m_bitmap.reset(bitmap);
    m_keyed = keyed;
    m_key = key;
    BITMAP info{};
    m_size = bitmap && GetObjectW(bitmap, sizeof(info), &info) ? SIZE{info.bmWidth, info.bmHeight} : SIZE{0, 0};
    if (m_window) InvalidateRect(m_window, nullptr, FALSE);
}

void SkinButton::Place(const RECT& box) {
    if (m_window)
        SetWindowPos(m_window, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void SkinButton::Show(bool shown) {
    if (m_window) ShowWindow(m_window, shown ? SW_SHOWNA : SW_HIDE);
}

void SkinButton::SetName(const std::wstring& name) {
    if (m_window) SetWindowTextW(m_window, name.c_str());
}

void SkinButton::SetPressed(bool pressed) {
    if (pressed == m_pressed) return;
    m_pressed = pressed;
    if (m_window) InvalidateRect(m_window, nullptr, FALSE);
}

void SkinButton::Draw(const DRAWITEMSTRUCT& item, HBITMAP background, bool focusCues) const {
    const RECT& box = item.rcItem;
    const int width = box.right - box.left, height = box.bottom - box.top;
    // Drawn off screen first, so that the button never flickers through its background.
    UniqueMemoryDc canvas(CreateCompatibleDC(item.hDC));
    UniqueBitmap surface(CreateCompatibleBitmap(item.hDC, width, height));
    if (!canvas || !surface) return;
    ScopedSelect onCanvas(canvas.get(), surface.get());
    POINT origin{0, 0};
    MapWindowPoints(item.hwndItem, GetParent(item.hwndItem), &origin, 1);
    CopyFrom(canvas.get(), RECT{0, 0, width, height}, background, origin.x, origin.y);

    if (m_bitmap) {
        const bool down = m_pressed || (item.itemState & ODS_SELECTED);
        const int shift = down ? 1 : 0;
        // Centred in the button's box.
        const int x = (width - m_size.cx) / 2 + shift, y = (height - m_size.cy) / 2 + shift;
        UniqueMemoryDc source(CreateCompatibleDC(item.hDC));
        ScopedSelect select(source.get(), m_bitmap.get());
        if (m_keyed)
            TransparentBlt(canvas.get(), x, y, m_size.cx, m_size.cy, source.get(), 0, 0, m_size.cx, m_size.cy, m_key);
        else
            BitBlt(canvas.get(), x, y, m_size.cx, m_size.cy, source.get(), 0, 0, SRCCOPY);
        if (m_pressed) {
            // A thin sunken frame tells a toggle that is on.
            RECT frame{0, 0, width, height};
            DrawEdge(canvas.get(), &frame, BDR_SUNKENOUTER, BF_RECT);
        }
        if (item.itemState & ODS_DISABLED) {
            // Dimmed: half of the background laid over the picture.
            BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
            UniqueMemoryDc back(CreateCompatibleDC(item.hDC));
            UniqueBitmap backSurface(CreateCompatibleBitmap(item.hDC, width, height));
            ScopedSelect onBack(back.get(), backSurface.get());
            CopyFrom(back.get(), RECT{0, 0, width, height}, background, origin.x, origin.y);
            AlphaBlend(canvas.get(), 0, 0, width, height, back.get(), 0, 0, width, height, half);
        }
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT) && focusCues) {
        RECT focus{0, 0, width, height};
        DrawFocusRect(canvas.get(), &focus);
    }
    BitBlt(item.hDC, box.left, box.top, width, height, canvas.get(), 0, 0, SRCCOPY);
}

bool SkinButton::OpenLinkIfAny() const {
    if (m_url.empty()) return false;
    ShellExecuteW(nullptr, L"open", m_url.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    return true;
}
