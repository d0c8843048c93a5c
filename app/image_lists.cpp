#include "app/image_lists.h"

ImageListPtr ImageLists::GetDownloaded() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_downloaded;
}

void ImageLists::SetDownloaded(ImageListPtr images) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (images && !images->empty()) m_cursor.downloadedIndex = 0;
    m_downloaded = std::move(images);
}

LocalImageListPtr ImageLists::GetLocal() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_local;
}

void ImageLists::SetLocal(LocalImageListPtr images) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (images && !images->empty()) m_cursor.localIndex = 0;
    m_local = std::move(images);
}

ImageCursor ImageLists::GetCursor() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_cursor;
}

void ImageLists::SetPhase(int phase) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_cursor.phase = phase;
}

void ImageLists::SetDownloadedIndex(int index) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_downloaded && index >= 0 && static_cast<size_t>(index) < m_downloaded->size())
        m_cursor.downloadedIndex = index;
}

void ImageLists::SetLocalIndex(int index) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_local && index >= 0 && static_cast<size_t>(index) < m_local->size()) m_cursor.localIndex = index;
}

ImagePtr ImageLists::GetOverride() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_override;
}

void ImageLists::SetOverride(ImagePtr image) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_override = std::move(image);
}

FavoriteListPtr ImageLists::GetFavorites() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_favorites;
}

void ImageLists::SetFavorites(FavoriteListPtr favorites) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_favorites = std::move(favorites);
}
