#pragma once
// A copy of a picture for the user to keep: the package's picture deciphered byte for byte as
// the service sent it, or the user's own file as it is, written into a folder without ever
// replacing a file there.
#include <optional>
#include <string>

#include "base/path.h"

// Writes the picture as baseName plus its extension into the folder (created when missing):
// "Scenery 2026-12-10.jpg", else "Scenery 2026-12-10 (2).jpg", and so on. A package's
// extension follows its bytes (JPEG, PNG, BMP, GIF; ".jpg" for anything else); a file keeps
// its own. Nothing is left behind on failure: empty when the source cannot be read (a damaged
// or missing package) or the copy cannot be written.
// Characters a file name cannot hold become "_".
std::optional<Path> SavePictureCopy(const Path& source, bool packaged, const Path& folder,
                                    const std::wstring& baseName);
