#pragma once
// The pixel size a picture file claims in its header, read without decoding anything, so that
// a picture too large to hold in memory is refused before a decoder allocates for it.
#include <cstddef>
#include <cstdint>
#include <optional>

struct PictureHeader {
    enum class Format { Jpeg, Png, Gif, Bmp };

    Format format;
    std::uint32_t width;
    std::uint32_t height;
};

// Recognises JPEG (the first SOFn frame), PNG (IHDR), GIF (the logical screen, grown to cover
// every image descriptor) and BMP (info or core header; a top-down height counts by its size).
// Nothing for other formats or a header cut short before the size; the decoder has the last
// word on those. Never reads outside data[0, size).
std::optional<PictureHeader> ReadPictureHeader(const unsigned char* data, std::size_t size);

const wchar_t* FormatName(PictureHeader::Format format);

// A decoded bitmap is held at 32 bits per pixel; beyond this it is refused.
constexpr std::uint64_t kMaxDecodedBitmapBytes = std::uint64_t{256} << 20;

// Whether a width x height bitmap at 32 bits per pixel stays within kMaxDecodedBitmapBytes.
bool DecodedBitmapFits(std::uint64_t width, std::uint64_t height);
