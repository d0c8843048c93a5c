#pragma once
// The skin's bitmaps for a DPI. Each is drawn at 100 % (NAME), 150 % (NAME_150) and 200 %
// (NAME_200); a loose file "resource\NAME[_150|_200].bmp" comes first, then the resource of
// that name. A DPI without its own drawing is scaled from the nearest larger one.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class ResourceSource;

struct SkinVariant {
    const wchar_t* suffix;  // appended to the bitmap's name
    int dpi;                // the DPI it is drawn for
};
// The variants to look for at dpi, best first: its own, then the larger ones (a picture
// shrinks better than it grows), then the smaller ones.
std::vector<SkinVariant> SkinVariantsFor(int dpi);

// 32-bit pixels 0x00RRGGBB, rows top down, resized by averaging the area each new pixel
// covers. Pixels of the key colour (when given) are never blended: a new pixel mostly on
// key is the key, any other averages only the pixels that are not, and is never the key.
std::vector<std::uint32_t> ScaleSkinPixels(const std::vector<std::uint32_t>& pixels, SIZE from, SIZE to,
                                           std::optional<COLORREF> key);

// A device-dependent bitmap for dpi the caller owns, or null. key is the colour the layout
// keys out of it, kept exact when the picture has to be scaled.
HBITMAP LoadSkinBitmap(const ResourceSource& source, const std::wstring& name, int dpi = 96,
                       std::optional<COLORREF> key = std::nullopt);
