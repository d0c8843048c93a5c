#include "desktop/wallpaper/monitor_layout.h"

#include <windows.h>

#include <algorithm>

namespace wallpaper_layout {

namespace {

// The remainder in [0, divisor): negative origins turn the other way round.
int Wrapped(int value, int divisor) { return divisor > 0 ? ((value % divisor) + divisor) % divisor : 0; }

Rect Moved(const Rect& r, int dx, int dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

}  // namespace

Screen ScreenOf(const Monitor& monitor) {
    const Rect& b = monitor.bounds;
    return {{b.Width(), b.Height()}, Moved(monitor.work, -b.left, -b.top)};
}

SpanLayout LayOutSpan(const Monitors& monitors, TileOrigin origin) {
    SpanLayout layout;
    if (monitors.empty()) return layout;
    Rect box = monitors.front().bounds;
    for (const Monitor& monitor : monitors) {
        box.left = std::min(box.left, monitor.bounds.left);
        box.top = std::min(box.top, monitor.bounds.top);
        box.right = std::max(box.right, monitor.bounds.right);
        box.bottom = std::max(box.bottom, monitor.bounds.bottom);
    }
    layout.canvas = {box.Width(), box.Height()};
    // A screen point p shows the bitmap's pixel (p - anchor) mod the bitmap's size.
    const Rect& primary = monitors.front().bounds;
    const Point anchor =
        origin == TileOrigin::VirtualScreen ? Point{box.left, box.top} : Point{primary.left, primary.top};
    for (const Monitor& monitor : monitors) {
        layout.screens.push_back(ScreenOf(monitor));
        layout.at.push_back({Wrapped(monitor.bounds.left - anchor.x, layout.canvas.width),
                             Wrapped(monitor.bounds.top - anchor.y, layout.canvas.height)});
    }
    layout.primaryWork = Moved(monitors.front().work, -anchor.x, -anchor.y);
    return layout;
}

}  // namespace wallpaper_layout

using wallpaper_layout::Monitor;
using wallpaper_layout::Monitors;

namespace {

wallpaper_layout::Rect RectOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK AddMonitor(HMONITOR handle, HDC, LPRECT, LPARAM data) {
    auto& monitors = *reinterpret_cast<Monitors*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(handle, &info)) return TRUE;
    const Monitor monitor{RectOf(info.rcMonitor), RectOf(info.rcWork)};
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        monitors.insert(monitors.begin(), monitor);
    else
        monitors.push_back(monitor);
    return TRUE;
}

}  // namespace

Monitors SystemMonitors() {
    Monitors monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (!monitors.empty()) return monitors;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const RECT screen = work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return {Monitor{RectOf(screen), RectOf(work)}};
}

wallpaper_layout::TileOrigin SystemTileOrigin() {
    // Windows 8 (6.2) began to start the tiles at the virtual screen's corner.
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    const DWORDLONG condition = VerSetConditionMask(VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL),
                                                    VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition)
               ? wallpaper_layout::TileOrigin::VirtualScreen
               : wallpaper_layout::TileOrigin::PrimaryMonitor;
}
