#include "desktop/skin/skin_bitmap.h"

#include "base/path.h"
#include "base/resource_source.h"
#include "store/picture.h"

HBITMAP LoadSkinBitmap(const ResourceSource& source, const std::wstring& name) {
    Path file = ResourceOverrideFolder() / (name + L".bmp");
    Picture loaded;
    if (file.Exists() && loaded.LoadFromFile(file)) {
        // Drawn onto white, so that what the picture leaves out is white, not black.
        Picture skin;
        const int width = loaded.GetWidth(), height = loaded.GetHeight();
        if (skin.Create(width, height, RGB(255, 255, 255)) &&
            loaded.Draw(skin.GetDC(), 0, 0, width, height, 0, 0, width, height))
            return skin.Detach();
    }
    return source.LoadModuleBitmap(name);
}
