#pragma once
// The favourites' thumbnails as menu bitmaps: the Controller decodes the pixels on its own
// thread; this only makes the bitmaps, once per thumbnail, kept for as long as it is listed.
#include <windows.h>

#include <map>
#include <vector>

#include "app/controller_state.h"
#include "base/handles.h"

class MenuThumbnails {
public:
    static constexpr int kSize = Thumbnail::kSize;

    // The thumbnail as a kSize x kSize bitmap (owned here); null for none.
    HBITMAP Get(const ThumbnailPtr& thumbnail);
    // Drops the bitmaps of thumbnails no longer listed (favourites the user deleted).
    void KeepOnly(const std::vector<ThumbnailPtr>& thumbnails);
    size_t size() const { return m_cache.size(); }

private:
    struct Entry {
        ThumbnailPtr pixels;  // keeps the key's address unique
        UniqueBitmap bitmap;
    };
    std::map<const Thumbnail*, Entry> m_cache;
};
