#include "base/dpi.h"

#include <initializer_list>

namespace {

template <typename Function>
Function User32(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

// A DPI Windows reported, or nothing usable.
bool Plausible(int dpi) { return dpi >= 48 && dpi <= 960; }

void ScaleFont(LOGFONTW& font, int from, int to) { font.lfHeight = MulDiv(font.lfHeight, to, from); }

}  // namespace

int GetSystemDpi() {
    static const GetDpiForSystemFn forSystem = User32<GetDpiForSystemFn>("GetDpiForSystem");
    if (forSystem) {
        const int dpi = static_cast<int>(forSystem());
        if (Plausible(dpi)) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDefaultDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return Plausible(dpi) ? dpi : kDefaultDpi;
}

int GetWindowDpi(HWND window) {
    static const GetDpiForWindowFn forWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (window && forWindow) {
        const int dpi = static_cast<int>(forWindow(window));
        if (Plausible(dpi)) return dpi;
    }
    return GetSystemDpi();
}

bool AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, int dpi) {
    static const AdjustWindowRectExForDpiFn forDpi = User32<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (forDpi) return forDpi(&rect, style, hasMenu, exStyle, static_cast<UINT>(dpi)) != FALSE;
    return AdjustWindowRectEx(&rect, style, hasMenu, exStyle) != FALSE;
}

bool GetNonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, int dpi) {
    static const SystemParametersInfoForDpiFn forDpi =
        User32<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    metrics = NONCLIENTMETRICSW{};
    metrics.cbSize = sizeof(metrics);
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, static_cast<UINT>(dpi))) return true;
    metrics = NONCLIENTMETRICSW{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return false;
    // The system's fonts are made for its own DPI.
    const int system = GetSystemDpi();
    if (system != dpi) {
        for (LOGFONTW* font : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                               &metrics.lfStatusFont, &metrics.lfMessageFont})
            ScaleFont(*font, system, dpi);
    }
    return true;
}
