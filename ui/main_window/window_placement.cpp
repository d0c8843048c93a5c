#include "ui/main_window/window_placement.h"

#include <algorithm>
#include <cstdint>

#include "base/dpi.h"

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    auto& list = *reinterpret_cast<std::vector<RECT>*>(areas);
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        list.insert(list.begin(), info.rcWork);
    else
        list.push_back(info.rcWork);
    return TRUE;
}

bool Contains(const RECT& area, const RECT& box) {
    return box.left >= area.left && box.top >= area.top && box.right <= area.right && box.bottom <= area.bottom;
}

std::int64_t Overlap(const RECT& a, const RECT& b) {
    const std::int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const std::int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

// The gap between two rectangles, squared; 0 when they touch or overlap.
std::int64_t DistanceSquared(const RECT& a, const RECT& b) {
    const std::int64_t dx = std::max<std::int64_t>({0, std::int64_t(b.left) - a.right, std::int64_t(a.left) - b.right});
    const std::int64_t dy = std::max<std::int64_t>({0, std::int64_t(b.top) - a.bottom, std::int64_t(a.top) - b.bottom});
    return dx * dx + dy * dy;
}

const RECT& Nearest(const RECT& box, const std::vector<RECT>& areas) {
    const RECT* best = &areas.front();
    for (const RECT& area : areas) {
        const std::int64_t overlap = Overlap(box, area), bestOverlap = Overlap(box, *best);
        if (overlap > bestOverlap ||
            (overlap == bestOverlap && bestOverlap == 0 && DistanceSquared(box, area) < DistanceSquared(box, *best)))
            best = &area;
    }
    return *best;
}

}  // namespace

std::vector<RECT> MonitorWorkAreas() {
    std::vector<RECT> areas;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&areas));
    if (areas.empty()) {
        RECT work{};
        if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) areas.push_back(work);
    }
    return areas;
}

POINT PlaceOnMonitors(SIZE size, std::optional<POINT> saved, const std::vector<RECT>& workAreas, int dpi) {
    if (workAreas.empty()) return saved.value_or(POINT{0, 0});
    const int right = size.cx + ScaleForDpi(5, dpi), bottom = size.cy + ScaleForDpi(40, dpi);
    if (!saved) {
        const RECT& area = workAreas.front();
        return POINT{area.right - right, area.bottom - bottom};
    }
    const RECT box{saved->x, saved->y, saved->x + size.cx, saved->y + size.cy};
    for (const RECT& area : workAreas)
        if (Contains(area, box)) return *saved;
    const RECT& area = Nearest(box, workAreas);
    POINT place = *saved;
    if (box.left < area.left || box.right > area.right) place.x = area.right - right;
    if (box.top < area.top || box.bottom > area.bottom) place.y = area.bottom - bottom;
    return place;
}
