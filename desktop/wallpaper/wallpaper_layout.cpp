#include "desktop/wallpaper/wallpaper_layout.h"

#include <algorithm>
#include <cstdint>

namespace wallpaper_layout {

namespace {

using Wide = std::int64_t;  // products of pixel counts outgrow int for large pictures

}  // namespace

Size CropToAspect(Size picture, Size target) {
    if (target.width <= 0 || target.height <= 0) return picture;
    if (Wide(picture.width) * target.height < Wide(target.width) * picture.height)
        return {picture.width, static_cast<int>(Wide(picture.width) * target.height / target.width)};
    return {static_cast<int>(Wide(target.width) * picture.height / target.height), picture.height};
}

bool KeepsEnough(Size crop, Size picture) {
    return 10 * Wide(crop.width) * crop.height >= 7 * Wide(picture.width) * picture.height;
}

FitDecision DecideFit(Size picture, Size screen, int frameType, int stretchPercent) {
    FitDecision framed;
    if (frameType == 1 || (frameType == 0 && (picture.width < screen.width || picture.height < screen.height)))
        return framed;
    if (picture == screen) return {Fit::AsIs, {0, 0, picture.width, picture.height}};
    Size crop = CropToAspect(picture, screen);
    if (!KeepsEnough(crop, picture)) return framed;
    if (Wide(crop.width) * (stretchPercent + 100) < Wide(screen.width) * 100) return framed;
    return {Fit::Scaled, {0, 0, crop.width, crop.height}};
}

Placement PlaceFramed(Size picture, Rect workArea) {
    const int areaWidth = workArea.Width(), areaHeight = workArea.Height();
    const int margin = std::min(areaWidth / 9, areaHeight / 9);
    Size box{std::min(areaWidth - 2 * margin, picture.width), std::min(areaHeight - 2 * margin, picture.height)};
    Placement placement;
    Size crop = CropToAspect(picture, box);
    if (KeepsEnough(crop, picture)) {
        placement.source = {0, 0, crop.width, crop.height};
    } else {
        placement.source = {0, 0, picture.width, picture.height};
        if (Wide(picture.width) * box.height < Wide(picture.height) * box.width)
            box.width = static_cast<int>(Wide(picture.width) * box.height / picture.height);
        else
            box.height = static_cast<int>(Wide(picture.height) * box.width / picture.width);
    }
    const int left = workArea.left + (areaWidth - box.width) / 2, top = workArea.top + (areaHeight - box.height) / 2;
    placement.destination = {left, top, left + box.width, top + box.height};
    return placement;
}

}  // namespace wallpaper_layout
