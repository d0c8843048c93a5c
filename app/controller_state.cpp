#include "app/controller_state.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/handles.h"
#include "store/package_file.h"
#include "store/picture.h"

ThumbnailPtr DecodeThumbnail(const Path& package) {
    constexpr int kSize = Thumbnail::kSize;
    Picture picture;
    // The middle square is drawn kSize wide: a JPEG need not decode any larger.
    if (!LoadPackageImage(nullptr, &picture, package, DecodeHint{kSize, kSize})) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = -kSize;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !bits || !dc) return nullptr;
    {
        ScopedSelect selected(dc.get(), bitmap.get());
        // The middle square of the picture: a square thumbnail of a wide picture is not squeezed.
        const int width = picture.GetWidth(), height = picture.GetHeight(), side = std::min(width, height);
        const RECT source{(width - side) / 2, (height - side) / 2, (width - side) / 2 + side,
                          (height - side) / 2 + side};
        const RECT target{0, 0, kSize, kSize};
        if (side <= 0 || !picture.Draw(dc.get(), target, source)) return nullptr;
        GdiFlush();
    }
    auto thumbnail = std::make_shared<Thumbnail>();
    thumbnail->pixels.resize(static_cast<size_t>(kSize) * kSize);
    std::memcpy(thumbnail->pixels.data(), bits, thumbnail->pixels.size() * sizeof(std::uint32_t));
    return thumbnail;
}
