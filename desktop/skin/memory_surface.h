#pragma once
// Off-screen drawing for the skins: a memory device context with one bitmap selected into
// it, either a new one of its own or one the caller keeps. The bitmap is deselected before
// anything is released, so it can be deleted or handed on safely.
#include <windows.h>

#include "base/handles.h"

class MemorySurface {
public:
    // A new bitmap of that size, in the format of like (the screen's when like is null).
    MemorySurface(HDC like, int width, int height);
    // The caller's bitmap, to read from or draw into; the caller keeps owning it.
    MemorySurface(HDC like, HBITMAP borrowed);
    ~MemorySurface();
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;

    explicit operator bool() const { return m_selected; }
    HDC dc() const { return m_dc.get(); }
    // Hands the surface's own bitmap to the caller (who deletes it); null for a borrowed one.
    HBITMAP Detach();

private:
    void Select(HBITMAP bitmap);
    void Deselect();

    UniqueMemoryDc m_dc;
    UniqueBitmap m_own;
    HGDIOBJ m_previous = nullptr;
    bool m_selected = false;
};

// The pixel size of a bitmap; 0 x 0 when it cannot be read.
SIZE BitmapSize(HBITMAP bitmap);
