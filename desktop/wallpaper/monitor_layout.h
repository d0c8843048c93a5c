#pragma once
// The monitors a wallpaper covers, and where each monitor's part lies in the one bitmap that
// spans them all. The desktop tiles that bitmap, so the parts are laid out where the system's
// tiling puts them on each monitor.
#include <vector>

#include "desktop/wallpaper/wallpaper_layout.h"

namespace wallpaper_layout {

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

// One monitor in screen coordinates, where the primary monitor's top-left is 0,0.
struct Monitor {
    Rect bounds, work;
    bool operator==(const Monitor& o) const { return bounds == o.bounds && work == o.work; }
};
using Monitors = std::vector<Monitor>;  // the primary monitor first

// What one monitor's part is composed for: its size, and its work area measured from its own
// top-left.
struct Screen {
    Size size;
    Rect work;
};

// The monitor's part as it is composed.
Screen ScreenOf(const Monitor& monitor);

// Where the system starts its tiles: at the virtual screen's top-left (Windows 8 on), or at
// the primary monitor's (before).
enum class TileOrigin { VirtualScreen, PrimaryMonitor };

struct SpanLayout {
    Size canvas;                  // the virtual screen: the box around every monitor
    std::vector<Screen> screens;  // one per monitor, in the monitors' order
    // Each part's top-left in the bitmap: where the system's first tile puts that monitor. A
    // part that reaches past the bitmap's right or bottom edge goes on at its left or top.
    std::vector<Point> at;
    Rect primaryWork;  // the primary monitor's work area in the bitmap (never wrapped)
};

// The layout for the monitors (none: the layout is empty).
SpanLayout LayOutSpan(const Monitors& monitors, TileOrigin origin);

}  // namespace wallpaper_layout

// The monitors attached to the desktop now, the primary first (EnumDisplayMonitors); the
// primary screen alone when they cannot be listed.
wallpaper_layout::Monitors SystemMonitors();

// Where this system starts its wallpaper tiles.
wallpaper_layout::TileOrigin SystemTileOrigin();
