#pragma once
// How large a decoded picture has to be. A wallpaper is never drawn larger than the screen,
// so a JPEG can be decoded at a fraction of its size and still look as sharp.

struct DecodeHint {
    // The decoded picture still covers coverWidth x coverHeight (both sides) where the file is
    // that large; 0 x 0 decodes at the full size.
    int coverWidth = 0;
    int coverHeight = 0;
};
