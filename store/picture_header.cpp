#include "store/picture_header.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

using Format = PictureHeader::Format;

std::uint32_t ReadBe(const unsigned char* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | at[i];
    return value;
}

std::uint32_t ReadLe(const unsigned char* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}

bool StartsWith(const unsigned char* data, std::size_t size, const char* prefix, std::size_t length) {
    return size >= length && std::memcmp(data, prefix, length) == 0;
}

// SOF0..SOF15 carry the frame size; C4 (DHT), C8 (JPG) and CC (DAC) share the range but do not.
bool IsStartOfFrame(unsigned marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the marker segments up to the first frame header. Bytes between segments are skipped
// up to the next marker, as libjpeg does, so that a frame the decoder would find is found here too.
std::optional<PictureHeader> ReadJpeg(const unsigned char* data, std::size_t size) {
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) return std::nullopt;
    std::size_t at = 2;
    for (;;) {
        while (at < size && data[at] != 0xFF) ++at;
        while (at < size && data[at] == 0xFF) ++at;  // fill bytes
        if (at >= size) return std::nullopt;
        const unsigned marker = data[at++];
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no segment
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) return std::nullopt;  // no frame before the scan
        if (size - at < 2) return std::nullopt;
        const std::size_t length = ReadBe(data + at, 2);  // counts itself
        if (length < 2) return std::nullopt;
        if (IsStartOfFrame(marker)) {
            // length, sample precision, then height and width
            if (length < 7 || size - at < 7) return std::nullopt;
            return PictureHeader{Format::Jpeg, ReadBe(data + at + 5, 2), ReadBe(data + at + 3, 2)};
        }
        at += std::min(length, size - at);
    }
}

std::optional<PictureHeader> ReadPng(const unsigned char* data, std::size_t size) {
    if (!StartsWith(data, size, "\x89PNG\r\n\x1a\n", 8)) return std::nullopt;
    // The first chunk is IHDR: length, type, then width and height.
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return std::nullopt;
    return PictureHeader{Format::Png, ReadBe(data + 16, 4), ReadBe(data + 20, 4)};
}

// Skips a chain of sub-blocks: a length byte, that many bytes, ..., a zero length.
std::size_t SkipSubBlocks(const unsigned char* data, std::size_t size, std::size_t at) {
    while (at < size) {
        const std::size_t length = data[at++];
        if (length == 0) break;
        at += length;
    }
    return at;
}

std::size_t ColourTableBytes(unsigned packed) { return (packed & 0x80) ? std::size_t{3} << ((packed & 7) + 1) : 0; }

// The logical screen, grown to cover every image: decoders differ on whether an image that
// reaches beyond the screen enlarges the canvas. A cut-short file gives what was read so far.
std::optional<PictureHeader> ReadGif(const unsigned char* data, std::size_t size) {
    if (!StartsWith(data, size, "GIF87a", 6) && !StartsWith(data, size, "GIF89a", 6)) return std::nullopt;
    if (size < 10) return std::nullopt;
    PictureHeader header{Format::Gif, ReadLe(data + 6, 2), ReadLe(data + 8, 2)};
    if (size < 13) return header;
    std::size_t at = 13 + ColourTableBytes(data[10]);
    while (at < size) {
        const unsigned char block = data[at++];
        if (block == 0x21) {  // extension: a label, then sub-blocks
            at = SkipSubBlocks(data, size, at + 1);
        } else if (block == 0x2C) {  // image: left, top, width, height, flags
            if (size - at < 9) break;
            header.width = std::max(header.width, ReadLe(data + at, 2) + ReadLe(data + at + 4, 2));
            header.height = std::max(header.height, ReadLe(data + at + 2, 2) + ReadLe(data + at + 6, 2));
            at += 9 + ColourTableBytes(data[at + 8]);
            at = SkipSubBlocks(data, size, at + 1);  // after the LZW code size
        } else {
            break;  // the trailer, or something no decoder reads further
        }
    }
    return header;
}

// BITMAPCOREHEADER (12 bytes) has 16-bit sizes; the info headers (OS/2 2.x, BITMAPINFOHEADER
// and its successors) have signed 32-bit sizes at the same place. Other header lengths are no
// BMP that a decoder knows.
std::optional<PictureHeader> ReadBmp(const unsigned char* data, std::size_t size) {
    constexpr std::size_t kFileHeader = 14;
    if (size < kFileHeader + 4 || data[0] != 'B' || data[1] != 'M') return std::nullopt;
    const std::uint32_t infoSize = ReadLe(data + kFileHeader, 4);
    if (infoSize == 12) {
        if (size < kFileHeader + 8) return std::nullopt;
        return PictureHeader{Format::Bmp, ReadLe(data + 18, 2), ReadLe(data + 20, 2)};
    }
    const std::uint32_t infoSizes[] = {16, 40, 52, 56, 64, 108, 124};
    if (std::find(std::begin(infoSizes), std::end(infoSizes), infoSize) == std::end(infoSizes) ||
        size < kFileHeader + 12)
        return std::nullopt;
    const std::int32_t width = static_cast<std::int32_t>(ReadLe(data + 18, 4));
    const std::int64_t height = static_cast<std::int32_t>(ReadLe(data + 22, 4));  // negative when top-down
    if (width < 0) return std::nullopt;                                           // the decoder's to refuse
    return PictureHeader{Format::Bmp, static_cast<std::uint32_t>(width),
                         static_cast<std::uint32_t>(height < 0 ? -height : height)};
}

}  // namespace

std::optional<PictureHeader> ReadPictureHeader(const unsigned char* data, std::size_t size) {
    if (!data || size < 2) return std::nullopt;
    for (auto read : {ReadJpeg, ReadPng, ReadGif, ReadBmp})
        if (std::optional<PictureHeader> header = read(data, size)) return header;
    return std::nullopt;
}

const wchar_t* FormatName(PictureHeader::Format format) {
    switch (format) {
        case Format::Jpeg:
            return L"JPEG";
        case Format::Png:
            return L"PNG";
        case Format::Gif:
            return L"GIF";
        case Format::Bmp:
            return L"BMP";
    }
    return L"picture";
}

bool DecodedBitmapFits(std::uint64_t width, std::uint64_t height) {
    constexpr std::uint64_t kMaxPixels = kMaxDecodedBitmapBytes / 4;
    if (width == 0 || height == 0) return true;
    // width * height <= kMaxPixels, without the product overflowing
    return height <= kMaxPixels && width <= kMaxPixels / height;
}
