#pragma once
// JPEG pictures decoded by libjpeg-turbo at the smallest DCT scale (N/8) that still covers the
// size the caller needs. The rows go to the caller, which owns the bitmap they end up in.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "store/decode_hint.h"

// Recognised by the first bytes (a start-of-image marker and the next marker), not by a name.
bool LooksLikeJpeg(const unsigned char* data, std::size_t size);

// libjpeg's output side at a scale of eighths/8: rounded up.
std::uint32_t ScaledSide(std::uint32_t side, int eighths);

// The smallest N in 1..8 at which width x height scaled by N/8 still covers the hint's size on
// both sides; 8 for a picture smaller than that and for an empty hint.
int ChooseEighths(std::uint32_t width, std::uint32_t height, DecodeHint hint);

struct JpegRowSink {
    // The decoded size; false stops the decoding.
    std::function<bool(int width, int height)> begin;
    // count rows from firstRow on, top-down, 4 bytes a pixel: blue, green, red, unused.
    std::function<bool(int firstRow, int count, const unsigned char* pixels)> rows;
};

struct JpegOutcome {
    bool decoded = false;
    std::uint32_t fullWidth = 0, fullHeight = 0;  // the file's own size
};

// Bytes read a piece at a time (from a file), so that a large file is never held whole: fills
// up to size bytes of buffer and says how many; 0 at the end or on a failure. Must not throw.
using JpegReader = std::function<std::size_t(unsigned char* buffer, std::size_t size)>;

// Decodes the whole picture into the sink. Damaged entropy data still gives a picture (with
// blocks that could not be decoded left grey); a file cut short, one that cannot be decoded,
// or one whose scaled bitmap would be too large gives decoded == false (with a debugger line),
// as the system's loader refuses them. Never reads outside data[0, size).
JpegOutcome DecodeJpeg(const unsigned char* data, std::size_t size, DecodeHint hint, const JpegRowSink& sink);
JpegOutcome DecodeJpeg(const JpegReader& read, DecodeHint hint, const JpegRowSink& sink);
