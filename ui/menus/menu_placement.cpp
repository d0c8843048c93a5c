#include "ui/menus/menu_placement.h"

#include <algorithm>

MonitorLookup MonitorLookup::System() {
    MonitorLookup monitors;
    monitors.isOnMonitor = [](POINT at) { return MonitorFromPoint(at, MONITOR_DEFAULTTONULL) != nullptr; };
    monitors.nearestWorkArea = [](POINT at) {
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &info)) return info.rcWork;
        RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return screen;
    };
    return monitors;
}

POINT IntoWorkArea(POINT at, const MonitorLookup& monitors) {
    if (monitors.isOnMonitor(at)) return at;
    const RECT work = monitors.nearestWorkArea(at);
    at.x = std::min(std::max(at.x, work.left), work.right);
    return at;
}

PopupPlacement PlaceAtWindow(const RECT& window, int screenHeight, const MonitorLookup& monitors) {
    PopupPlacement placement;
    if (window.top > screenHeight / 2) {
        placement.at = POINT{window.right, window.top};
        placement.flags = TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_VERNEGANIMATION;
    } else {
        placement.at = POINT{window.right, window.bottom};
        placement.flags = TPM_RIGHTALIGN | TPM_TOPALIGN | TPM_VERPOSANIMATION;
    }
    placement.at = IntoWorkArea(placement.at, monitors);
    return placement;
}
