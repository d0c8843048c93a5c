#pragma once
// Small pictures of the favourites for their menu items, made from the thumbnail packages
// on first use and kept per package for as long as the menus live.
#include <windows.h>

#include <map>
#include <vector>

#include "base/handles.h"
#include "base/path.h"

class MenuThumbnails {
public:
    static constexpr int kSize = 25;

    // The package's picture as a kSize x kSize bitmap (owned here); null while the package
    // does not load (its download may still be on its way: the next call tries again).
    HBITMAP Get(const Path& package);
    // Drops the thumbnails of packages no longer listed (favourites the user deleted).
    void KeepOnly(const std::vector<Path>& packages);
    size_t size() const { return m_cache.size(); }

private:
    std::map<std::wstring, UniqueBitmap> m_cache;  // by package path
};
