#pragma once
// One wallpaper image as the catalogue knows it, shared by the lists, the download tasks
// and the wallpaper cycle.
#include <memory>
#include <string>
#include <vector>

#include "base/path.h"

class Image {
public:
    // url and baseurl are trimmed of blanks at both ends; size and order start at 0.
    Image(int id, Path path, std::wstring url, std::wstring baseurl);

    int GetId() const { return m_id; }
    void SetId(int id) { m_id = id; }
    const Path& GetPath() const { return m_path; }
    const std::wstring& GetUrl() const { return m_url; }  // the file part
    const std::wstring& GetBaseUrl() const { return m_baseurl; }
    std::wstring GetFullUrl() const { return m_baseurl + m_url; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    void SetSize(int width, int height) {
        m_width = width;
        m_height = height;
    }
    int GetOrder() const { return m_order; }
    void SetOrder(int order) { m_order = order; }

    // Used when a package header is read into an existing record; the header may give back
    // the full URL the picture came from.
    void Reset(int id, Path path, std::wstring fullUrl = {}) {
        m_id = id;
        m_path = std::move(path);
        m_url = std::move(fullUrl);
        m_baseurl.clear();
    }

private:
    int m_id;  // the service's "pid"; -1 when the image has none
    int m_width = 0, m_height = 0;
    Path m_path;  // the image's package file
    std::wstring m_url;
    std::wstring m_baseurl;
    int m_order = 0;  // position in the list it came from
};

using ImagePtr = std::shared_ptr<Image>;
using ImageList = std::vector<ImagePtr>;
// Lists are shared between threads once made, so they are never changed after that.
using ImageListPtr = std::shared_ptr<const ImageList>;

struct FavoriteEntry {
    ImagePtr image;
    ImagePtr thumbnail;
    std::wstring pinying;    // kept as the service sent it
    std::wstring timestamp;  // likewise
};
using FavoriteList = std::vector<FavoriteEntry>;
using FavoriteListPtr = std::shared_ptr<const FavoriteList>;

// Whether the service's image id (above 0) is among the favourites.
inline bool IsFavorite(const FavoriteListPtr& favorites, int id) {
    if (!favorites || id <= 0) return false;
    for (const FavoriteEntry& entry : *favorites)
        if (entry.image && entry.image->GetId() == id) return true;
    return false;
}
