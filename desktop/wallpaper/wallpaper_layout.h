#pragma once
// Where a picture goes on the screen: the fit rule for filling it, and the framed placement
// inside the work area. Plain arithmetic, so that it can be checked exactly.
namespace wallpaper_layout {

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size& o) const { return width == o.width && height == o.height; }
};
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The largest top-left region of the picture with the target's aspect ratio.
Size CropToAspect(Size picture, Size target);
// Whether a crop keeps at least 70 % of the picture.
bool KeepsEnough(Size crop, Size picture);

enum class Fit { AsIs, Scaled, Framed };
struct FitDecision {
    Fit fit = Fit::Framed;
    Rect source;  // for Scaled: the crop, drawn over the whole screen
};
// frameType 0: framed when the picture is smaller than the screen, else the fit rule;
// 1: always framed; 2: the fit rule, which itself falls back to framing.
FitDecision DecideFit(Size picture, Size screen, int frameType, int stretchPercent);

struct Placement {
    Rect source;       // region of the picture
    Rect destination;  // where it goes on the screen
};
// A ninth of the work area's smaller side as margin, never enlarging the picture, cropped to
// the box's shape when that keeps enough of it, centred in the work area.
Placement PlaceFramed(Size picture, Rect workArea);

}  // namespace wallpaper_layout
