#pragma once
// Layouts of drawn elements (rectangles, bitmaps, texts) painted into a rectangle: the about
// page and the watermark on the wallpaper.
// Placeholder: the skin work builds the element engine; until then a layout loads as empty
// and draws nothing, as the shipped watermark document does.
#include <windows.h>

#include <string>

class DrawnLayout {
public:
    // Loads the layout document of that resource name; false when it cannot be used.
    bool Load(const std::wstring& /*resourceName*/) { return true; }
    // Paints every element into the container; false when an element fails to draw.
    bool Draw(HDC /*target*/, const RECT& /*container*/) const { return true; }
};
