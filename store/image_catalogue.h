#pragma once
// The lists of images formed from the service's answers and from the packages on disk, and
// the clean-up of packages that no list needs any more.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/image.h"
#include "store/path.h"

class TiXmlElement;

using FavoriteList = std::vector<FavoriteEntry>;
using FavoriteListPtr = std::shared_ptr<FavoriteList>;

// The "Image" children of an image-list answer ("pid", "baseurl", "file"), with packages in
// directory. Null when no element is given.
ImageListPtr ParseImageList(const TiXmlElement* imageList, const Path& directory);

// One picture URL a line ("\r\n"); lines that do not end in ".jpg" are left out.
ImageListPtr ParseImageUrlList(const std::wstring& text, const Path& directory);

// Asked for each favourite whose thumbnail package is not on disk yet.
using ThumbnailRequest = std::function<void(const ImagePtr& thumbnail)>;

// The "Image" children of a "Favorites" answer element. Images go to dataDirectory,
// thumbnails to favoritesDirectory, whose other files are deleted afterwards.
// Throws DownloadException (Error_Null_Parameter) when no element is given.
FavoriteListPtr ParseFavoriteList(const TiXmlElement* favorites, const Path& dataDirectory,
                                  const Path& favoritesDirectory, const ThumbnailRequest& requestThumbnail);

// The images whose packages lie in dataDirectory, in the order the service gave them.
ImageListPtr ScanImageDirectory(const Path& dataDirectory);

// Deletes every file of dataDirectory that is neither an image of the current list nor an
// image or thumbnail of a favourite.
void CleanImageDirectory(const Path& dataDirectory, const ImageList* current, const FavoriteList* favorites);
