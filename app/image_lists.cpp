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

namespace {

// The list without the entries that match, and the index that keeps its place in it.
template <typename List, typename Matches>
std::shared_ptr<const List> Without(const std::shared_ptr<const List>& list, int& index, Matches matches) {
    if (!list) return list;
    auto kept = std::make_shared<List>();
    for (size_t i = 0; i < list->size(); ++i) {
        if (!matches((*list)[i])) {
            kept->push_back((*list)[i]);
        } else if (static_cast<int>(i) < index) {
            --index;
        }
    }
    if (index >= static_cast<int>(kept->size())) index = 0;
    return kept;
}

}  // namespace

void ImageLists::RemoveDownloaded(const Path& package) {
    m_downloaded = Without(m_downloaded, m_cursor.downloadedIndex,
                           [&](const ImagePtr& image) { return image && image->GetPath() == package; });
}

void ImageLists::RemoveLocal(const Path& picture) {
    m_local = Without(m_local, m_cursor.localIndex, [&](const Path& path) { return path == picture; });
}

ImageCursor ImageLists::GetCursor() const { return m_cursor; }

ImagePtr ImageLists::GetOverride() const { return m_override; }

void ImageLists::SetOverride(ImagePtr image) { m_override = std::move(image); }

FavoriteListPtr ImageLists::GetFavorites() const { return m_favorites; }

void ImageLists::SetFavorites(FavoriteListPtr favorites) { m_favorites = std::move(favorites); }
