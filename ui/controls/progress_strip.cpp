#include "ui/controls/progress_strip.h"

#include <algorithm>

bool ProgressStrip::Create(HWND parent) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_frame = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_BITMAP, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kFrameId)), instance, nullptr);
    // Created after the frame, so that it lies above it.
    m_bar = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_OWNERDRAW, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kBarId)), instance, nullptr);
    return m_frame && m_bar;
}

void ProgressStrip::PlaceBar(const RECT& box) {
    if (m_bar)
        SetWindowPos(m_bar, HWND_TOP, box.left, box.top, box.right - box.left, box.bottom - box.top, SWP_NOACTIVATE);
}

void ProgressStrip::PlaceFrame(POINT origin, SIZE size, HBITMAP bitmap) {
    m_frameBitmap.reset(bitmap);
    if (!m_frame) return;
    SendMessageW(m_frame, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    BITMAP info{};
    if ((size.cx < 1 || size.cy < 1) && bitmap && GetObjectW(bitmap, sizeof(info), &info))
        size = SIZE{size.cx < 1 ? info.bmWidth : size.cx, size.cy < 1 ? info.bmHeight : size.cy};
    SetWindowPos(m_frame, nullptr, origin.x, origin.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ProgressStrip::Show(bool shown) {
    for (HWND window : {m_frame, m_bar})
        if (window) ShowWindow(window, shown ? SW_SHOWNA : SW_HIDE);
}

bool ProgressStrip::IsShown() const { return m_bar && IsWindowVisible(m_bar); }

void ProgressStrip::SetPercent(int percent) {
    percent = std::max(0, std::min(percent, 100));
    if (percent == m_percent) return;
    m_percent = percent;
    if (m_bar) InvalidateRect(m_bar, nullptr, FALSE);
}

int ProgressStrip::FilledWidth(int percent, int width) {
    if (width <= 0 || percent <= 0) return 0;
    int filled = static_cast<int>(static_cast<long long>(percent) * width / 100);
    return std::max(1, std::min(filled, width));
}

void ProgressStrip::Draw(const DRAWITEMSTRUCT& item) const {
    RECT filled = item.rcItem;
    filled.right = filled.left + FilledWidth(m_percent, item.rcItem.right - item.rcItem.left);
    UniqueBrush brush(CreateSolidBrush(m_colour));
    if (filled.right > filled.left) FillRect(item.hDC, &filled, brush.get());
}
