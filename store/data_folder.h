#pragma once
// The packages in the data folder: the list they make, and the clean-up of packages that no
// list needs any more.
#include <set>
#include <string>

#include "base/path.h"
#include "store/image.h"

// The images whose packages lie in dataDirectory, in the order the service gave them.
ImageListPtr ScanImageDirectory(const Path& dataDirectory);

// Deletes every file of dataDirectory that is neither an image of the current list nor an
// image or thumbnail of a favourite.
void CleanImageDirectory(const Path& dataDirectory, const ImageList* current, const FavoriteList* favorites);

// Deletes the files (not folders) of directory whose paths are not kept.
void DeleteFilesExcept(const Path& directory, const std::set<std::wstring>& keep);
