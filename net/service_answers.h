#pragma once
// The image lists the service's answers carry: the image list, the partner's URL list and the
// favourites of the sign-in state.
#include <functional>
#include <string>

#include "base/path.h"
#include "store/image.h"

class TiXmlElement;

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
