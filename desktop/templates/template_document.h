#pragma once
// The page a template makes for one picture: reading "index.tpl", the size the picture gets
// inside the page, and the variables filled in. No browser here, so all of it can be checked
// directly.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/path.h"
#include "desktop/wallpaper/wallpaper_layout.h"

namespace template_document {

constexpr std::uint64_t kMaxTemplateBytes = 1u << 20;  // a page, not a picture

struct Source {
    std::wstring text;     // the page with its variables
    std::wstring baseUri;  // the "file:" URL of index.tpl, for the page's own files
};
// "index.tpl" of the folder, decoded from UTF-8 (a byte-order mark some editors add is
// dropped). Nothing for an empty folder name, a missing, oversized or empty page, or a folder
// where the page should be.
std::optional<Source> ReadSource(const Path& folder);
std::wstring DecodeText(std::string_view bytes);

// The system's canonical "file:" URL of a path; empty when it cannot be made.
std::wstring FileUrl(const Path& path);

// The picture's place in the page: 640 x 480 for a landscape picture, else 480 x 640 (a
// square one counts as portrait), filled with the largest top-left region of the box's shape.
// Unlike the screen's fit rule this never falls back to a frame: the frame is the page itself.
struct ImageFit {
    wallpaper_layout::Size box;
    wallpaper_layout::Rect source;
};
ImageFit FitImage(wallpaper_layout::Size picture);

// "#RRGGBB" of a COLORREF value (0x00BBGGRR).
std::wstring ColorText(std::uint32_t colorref);

struct Values {
    std::wstring baseUri, imageUri;
    wallpaper_layout::Size image, screen;
    wallpaper_layout::Rect workArea;
    std::uint32_t frameColor = 0;  // COLORREF, the desktop colour marker already resolved
};
// Replaces every "{Name}" of the variables, exact case, one variable after the other.
std::wstring Fill(const std::wstring& text, const Values& values);

}  // namespace template_document
