#pragma once
// The wallpaper cycle's run-time lists: the downloaded images, the local pictures, the cursor
// over both, the image shown instead of the cursor's, and the favourites the service keeps for
// the signed-in user. Never written to config.xml. Owned by the Controller thread, unguarded.
#include <memory>
#include <vector>

#include "app/image_cursor.h"
#include "base/path.h"
#include "store/image.h"

using LocalImageListPtr = std::shared_ptr<const std::vector<Path>>;

class ImageLists {
public:
    // The lists and the cursor as one consistent whole: the cursor's indexes belong to these
    // lists, whatever is delivered meanwhile.
    struct Snapshot {
        ImageListPtr downloaded;
        LocalImageListPtr local;
        ImageCursor cursor;
        ImagePtr override;
        CursorLists Sizes(int interval, bool useLocal) const;
    };
    Snapshot GetSnapshot() const;
    // Moves the cursor by each step in turn (a step that moves drops the override image), in one
    // go against the lists as they are, and returns the result.
    Snapshot Move(const std::vector<int>& steps, int interval, bool useLocal);

    ImageListPtr GetDownloaded() const;
    void SetDownloaded(ImageListPtr images);  // a non-empty list resets its index to 0
    LocalImageListPtr GetLocal() const;
    void SetLocal(LocalImageListPtr images);  // likewise
    ImageCursor GetCursor() const;

    // Takes the downloaded image with this package, or this local picture, out of its list. The
    // cursor keeps its place, where the next one now stands (the first, past the end).
    void RemoveDownloaded(const Path& package);
    void RemoveLocal(const Path& picture);

    ImagePtr GetOverride() const;
    void SetOverride(ImagePtr image);
    FavoriteListPtr GetFavorites() const;
    void SetFavorites(FavoriteListPtr favorites);

private:
    ImageListPtr m_downloaded;
    LocalImageListPtr m_local;
    ImageCursor m_cursor;
    ImagePtr m_override;
    FavoriteListPtr m_favorites;
};
