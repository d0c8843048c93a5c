#pragma once
// An in-memory bitmap: a memory device context with one device-dependent bitmap selected
// into it. Loads JPEG files through libjpeg-turbo (scaled down when a hint allows) and other
// picture files through the system's OLE picture loader, draws scaled and saves as a BMP file.
#include <windows.h>

#include <memory>

#include "base/bytes.h"
#include "base/path.h"
#include "store/decode_hint.h"

class Picture {
public:
    static constexpr int kUnset = -1;  // "no maximum" for CopyFromBitmap

    Picture();
    // Loads the file; stays empty when that fails.
    explicit Picture(const Path& path);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;

    bool IsEmpty() const;
    SIZE GetSize() const;  // -1 x -1 when empty
    int GetWidth() const;
    int GetHeight() const;
    // The size of the picture file itself: larger than GetSize after a scaled JPEG decode.
    SIZE GetFullSize() const;

    // Without a hint, or for other formats than JPEG, the picture comes at its full size.
    bool LoadFromBytes(const Bytes& bytes, DecodeHint hint = {});
    bool LoadFromFile(const Path& path, DecodeHint hint = {});
    // A blank picture of the given size, filled with colour.
    bool Create(int width, int height, COLORREF colour = RGB(255, 255, 255));
    // Copies the top-left part of the bitmap, at most maxWidth x maxHeight when both are given.
    bool CopyFromBitmap(HBITMAP bitmap, int maxWidth = kUnset, int maxHeight = kUnset);

    // Equal sizes copy directly; otherwise the source is scaled with halftone stretching
    // into a white bitmap of the destination size, which is then copied to the target.
    bool Draw(HDC target, int x, int y, int width, int height, int srcX, int srcY, int srcWidth, int srcHeight) const;
    bool Draw(HDC target, const RECT& destination, const RECT& source) const;

    // A complete 24-bit BMP file of the picture.
    bool SaveToBytes(Bytes& bytes) const;
    bool SaveToFile(const Path& path) const;

    void Release();
    // Hands the bitmap to the caller (who deletes it) and leaves the picture empty.
    HBITMAP Detach();

    // The memory device context, for drawing onto the picture; null when empty.
    HDC GetDC() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
