#include "ui/menus/menu_thumbnails.h"

#include <algorithm>
#include <cstring>

HBITMAP MenuThumbnails::Get(const ThumbnailPtr& thumbnail) {
    if (!thumbnail || thumbnail->pixels.size() != static_cast<size_t>(kSize) * kSize) return nullptr;
    auto cached = m_cache.find(thumbnail.get());
    if (cached != m_cache.end()) return cached->second.bitmap.get();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = -kSize;  // top-down, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return nullptr;
    std::memcpy(bits, thumbnail->pixels.data(), thumbnail->pixels.size() * sizeof(std::uint32_t));
    HBITMAP made = bitmap.get();
    m_cache.emplace(thumbnail.get(), Entry{thumbnail, std::move(bitmap)});
    return made;
}

void MenuThumbnails::KeepOnly(const std::vector<ThumbnailPtr>& thumbnails) {
    for (auto entry = m_cache.begin(); entry != m_cache.end();) {
        const bool listed = std::any_of(thumbnails.begin(), thumbnails.end(),
                                        [&entry](const ThumbnailPtr& kept) { return kept.get() == entry->first; });
        entry = listed ? std::next(entry) : m_cache.erase(entry);
    }
}
