#include "ui/main_window/main_layout.h"

#include "base/debug_log.h"
#include "base/dpi.h"

namespace {

// The window's outer size for a client area of that size, with its current styles.
bool SizeClientArea(HWND window, int width, int height, int dpi) {
    RECT outer{0, 0, width, height};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    if (!AdjustWindowRectForDpi(outer, style, GetMenu(window) != nullptr, exStyle, dpi)) return false;
    return SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
}

}  // namespace

std::optional<MainLayout> LoadMainLayout(HWND window, Settings& settings, const LayoutErrorReport& report, int dpi) {
    if (dpi <= 0) dpi = GetWindowDpi(window);
    std::optional<MainLayout> layout = LoadMainLayoutDocument(L"layout_main", report, dpi);
    if (!layout) return std::nullopt;
    if (layout->oem) settings.SetPartnerId(*layout->oem);
    if (!SizeClientArea(window, layout->width, layout->height, dpi)) LogLastError(L"Sizing the main window");
    return layout;
}
