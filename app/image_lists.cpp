#include "app/image_lists.h"

CursorLists ImageLists::Snapshot::Sizes(int interval, bool useLocal) const {
    return CursorLists{downloaded ? static_cast<int>(downloaded->size()) : 0,
                       local ? static_cast<int>(local->size()) : 0, interval, useLocal};
}

ImageLists::Snapshot ImageLists::GetSnapshot() const { return Snapshot{m_downloaded, m_local, m_cursor, m_override}; }

ImageLists::Snapshot ImageLists::Move(const std::vector<int>& steps, int interval, bool useLocal) {
    Snapshot now{m_downloaded, m_local, m_cursor, m_override};
    const CursorLists sizes = now.Sizes(interval, useLocal);
    for (int step : steps) {
        if (step == 0) continue;
        m_cursor = MoveCursor(m_cursor, step, sizes);
        m_override.reset();
    }
    now.cursor = m_cursor;
    now.override = m_override;
    return now;
}

ImageListPtr ImageLists::GetDownloaded() const { return m_downloaded; }

void ImageLists::SetDownloaded(ImageListPtr images) {
    if (images && !images->empty()) m_cursor.downloadedIndex = 0;
    m_downloaded = std::move(images);
}

LocalImageListPtr ImageLists::GetLocal() const { return m_local; }

void ImageLists::SetLocal(LocalImageListPtr images) {
    if (images && !images->empty()) m_cursor.localIndex = 0;
    m_local = std::move(images);
}

ImageCursor ImageLists::GetCursor() const { return m_cursor; }

ImagePtr ImageLists::GetOverride() const { return m_override; }

void ImageLists::SetOverride(ImagePtr image) { m_override = std::move(image); }

FavoriteListPtr ImageLists::GetFavorites() const { return m_favorites; }

void ImageLists::SetFavorites(FavoriteListPtr favorites) { m_favorites = std::move(favorites); }
