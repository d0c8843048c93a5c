#pragma once
// The about page's picture: the about layout drawn once per client size into a bitmap on a
// key colour, then copied onto the page with that colour see-through, so the page's own
// background shows wherever the layout drew nothing.
#include <windows.h>

#include "base/handles.h"

class DrawnLayout;

class AboutPicture {
public:
    static constexpr COLORREF kKeyColour = RGB(254, 254, 254);

    // The layout must outlive the picture.
    explicit AboutPicture(const DrawnLayout& layout);

    // Paints the picture over client; the layout is drawn again only when client differs
    // from the rectangle of the last drawing. False when the system failed to draw.
    bool Paint(HDC target, const RECT& client);
    // How many times the layout has been drawn.
    int GetLayoutDraws() const { return m_layoutDraws; }

private:
    bool Redraw(HDC target, const RECT& client);

    const DrawnLayout& m_layout;
    UniqueBitmap m_cache;
    RECT m_cachedClient{0, 0, 0, 0};
    int m_layoutDraws = 0;
};
