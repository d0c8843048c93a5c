#include "ui/menu_thumbnails.h"

#include <algorithm>

#include "store/package_file.h"
#include "store/picture.h"

HBITMAP MenuThumbnails::Get(const Path& package) {
    auto cached = m_cache.find(package.str());
    if (cached != m_cache.end()) return cached->second.get();
    Picture picture;
    // The middle square is drawn kSize wide: a JPEG need not decode any larger.
    if (!LoadPackageImage(nullptr, &picture, package, DecodeHint{kSize, kSize})) return nullptr;
    WindowDc screen;
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), kSize, kSize));
    UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
    if (!bitmap || !dc) return nullptr;
    {
        ScopedSelect selected(dc.get(), bitmap.get());
        // The middle square of the picture: a square thumbnail of a wide picture is not squeezed.
        const int width = picture.GetWidth(), height = picture.GetHeight(), side = std::min(width, height);
        const RECT source{(width - side) / 2, (height - side) / 2, (width - side) / 2 + side,
                          (height - side) / 2 + side};
        const RECT target{0, 0, kSize, kSize};
        if (side <= 0 || !picture.Draw(dc.get(), target, source)) return nullptr;
    }
    HBITMAP made = bitmap.get();
    m_cache.emplace(package.str(), std::move(bitmap));
    return made;
}

void MenuThumbnails::KeepOnly(const std::vector<Path>& packages) {
    for (auto entry = m_cache.begin(); entry != m_cache.end();) {
        const bool listed = std::any_of(packages.begin(), packages.end(),
                                        [&entry](const Path& package) { return package.str() == entry->first; });
        entry = listed ? std::next(entry) : m_cache.erase(entry);
    }
}
