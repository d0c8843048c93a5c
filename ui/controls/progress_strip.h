#pragma once
// The download progress on the main window: a thin bar (item 1003) drawn by the window
// itself in the skin's colour, inside a framing picture (item 1087). Both stay hidden until
// progress is shown.
#include <windows.h>

#include "base/handles.h"

class ProgressStrip {
public:
    static constexpr WORD kBarId = 1003;
    static constexpr WORD kFrameId = 1087;

    bool Create(HWND parent);
    void SetColour(COLORREF colour) { m_colour = colour; }
    void PlaceBar(const RECT& box);
    // Takes ownership of the bitmap; the frame takes the bitmap's size unless size is given.
    void PlaceFrame(POINT origin, SIZE size, HBITMAP bitmap);
    void Show(bool shown);
    void SetPercent(int percent);
    int GetPercent() const { return m_percent; }
    bool IsShown() const;

    // WM_DRAWITEM for the bar.
    void Draw(const DRAWITEMSTRUCT& item) const;
    // How much of width the percent fills: never 0 for a percent above 0, never more than width.
    static int FilledWidth(int percent, int width);

private:
    HWND m_bar = nullptr;
    HWND m_frame = nullptr;
    UniqueBitmap m_frameBitmap;
    COLORREF m_colour = 0;
    int m_percent = 0;
};
