#pragma once
// Where a pop-up menu opens: at the main window's right edge, above the window when it sits in
// the lower half of the screen and below it otherwise, never beside every monitor.
#include <windows.h>

#include <functional>

// The monitors as placement sees them; the system's unless a test gives others.
struct MonitorLookup {
    std::function<bool(POINT)> isOnMonitor;
    std::function<RECT(POINT)> nearestWorkArea;
    static MonitorLookup System();
};

struct PopupPlacement {
    POINT at;
    UINT flags;  // TrackPopupMenu alignment and animation flags
};

// A point that lies on no monitor has its x moved into the work area of the nearest one.
POINT IntoWorkArea(POINT at, const MonitorLookup& monitors);

// Right-aligned at the window's right edge; upwards from its top when the top is below half the
// screen height, downwards from its bottom otherwise.
PopupPlacement PlaceAtWindow(const RECT& window, int screenHeight, const MonitorLookup& monitors);
