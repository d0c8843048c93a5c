#pragma once
// The DPI a window is shown at, and lengths and fonts for it. Windows 10 tells each window's
// own DPI (per monitor); older systems have one DPI for the whole screen, read from it.
// The newer calls are looked up at run time, so the program still starts on Windows XP.
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// Layouts, skins and menu sizes are written for this DPI (100 %).
constexpr int kDefaultDpi = 96;

// A length at 96 DPI for dpi, rounded to the nearest pixel.
inline int ScaleForDpi(int value, int dpi) { return MulDiv(value, dpi, kDefaultDpi); }

// The screen's DPI as the process sees it (the primary monitor's for a per-monitor aware one).
int GetSystemDpi();
// The window's DPI; the system's when the window is null or Windows cannot tell per window.
int GetWindowDpi(HWND window);

// AdjustWindowRectEx with the frame metrics of that DPI where Windows has them.
bool AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, int dpi);

// The menu, caption, status and message fonts at that DPI: from Windows when it can give
// them for any DPI, otherwise the system's fonts with their heights scaled.
bool GetNonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, int dpi);
