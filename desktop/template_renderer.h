#pragma once
// Wallpapers composed through an HTML template from the "templates" folder.
// Placeholder: the template work builds the renderer; until then no template loads, so the
// plain frame stays the active renderer.
#include <memory>

#include "base/path.h"
#include "desktop/wallpaper_renderer.h"

// Loads the template in the folder into the renderer, creating it when there is none yet.
// False, leaving the renderer as it was, when the template does not load.
inline bool LoadTemplate(std::unique_ptr<WallpaperRenderer>& /*renderer*/, const Path& /*folder*/) { return false; }
