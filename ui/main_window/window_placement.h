#pragma once
// Where the main window goes on the monitors there are. Pure, so that any monitor layout can be
// tried; MonitorWorkAreas gives the real one.
#include <windows.h>

#include <optional>
#include <vector>

// The work areas of the monitors, the primary one first.
std::vector<RECT> MonitorWorkAreas();

// The top-left corner for a window of that size: saved when the window there lies wholly in one
// of the work areas. Otherwise the work area nearest to it (largest overlap, else shortest
// distance, as MonitorFromRect picks), keeping each coordinate that fits there and putting the
// other at the default place, bottom right (5 and 40 pixels in at 96 DPI, more at the window's
// dpi); without saved, the default place on the first (primary) work area.
POINT PlaceOnMonitors(SIZE size, std::optional<POINT> saved, const std::vector<RECT>& workAreas, int dpi = 96);
