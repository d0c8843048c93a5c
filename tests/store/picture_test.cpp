#include "store/picture.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/handles.h"
#include "store/picture_header.h"
#include "support/test_support.h"

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kGrey = RGB(128, 128, 128);

// Every fixture shows the same 40 x 30 picture in four quadrants: red top left, blue top
// right, green bottom left, yellow bottom right. Telling top from bottom catches pictures
// that come out upside down.
constexpr int kWidth = 40;
constexpr int kHeight = 30;

COLORREF QuadrantColour(int x, int y, int width, int height) {
    bool right = x >= width / 2, bottom = y >= height / 2;
    return bottom ? (right ? kYellow : kGreen) : (right ? kBlue : kRed);
}

// The quadrant picture as JPEG and GIF files, made once with an image editor for these tests.
const unsigned char kQuadrantsJpeg[] = {
    0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
    0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x03, 0x02, 0x02, 0x03, 0x02, 0x02, 0x03, 0x03, 0x03, 0x03, 0x04, 0x03, 0x03,
    0x04, 0x05, 0x08, 0x05, 0x05, 0x04, 0x04, 0x05, 0x0a, 0x07, 0x07, 0x06, 0x08, 0x0c, 0x0a, 0x0c, 0x0c, 0x0b, 0x0a,
    0x0b, 0x0b, 0x0d, 0x0e, 0x12, 0x10, 0x0d, 0x0e, 0x11, 0x0e, 0x0b, 0x0b, 0x10, 0x16, 0x10, 0x11, 0x13, 0x14, 0x15,
    0x15, 0x15, 0x0c, 0x0f, 0x17, 0x18, 0x16, 0x14, 0x18, 0x12, 0x14, 0x15, 0x14, 0xff, 0xdb, 0x00, 0x43, 0x01, 0x03,
    0x04, 0x04, 0x05, 0x04, 0x05, 0x09, 0x05, 0x05, 0x09, 0x14, 0x0d, 0x0b, 0x0d, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0xff, 0xc0, 0x00, 0x11, 0x08, 0x00, 0x1e, 0x00, 0x28, 0x03, 0x01, 0x11, 0x00,
    0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xff, 0xc4, 0x00, 0x18, 0x00, 0x01, 0x00, 0x03, 0x01, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x07, 0x08, 0x09, 0xff, 0xc4, 0x00, 0x30, 0x10, 0x00,
    0x01, 0x01, 0x04, 0x03, 0x0f, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x03, 0x05,
    0x11, 0x12, 0x01, 0x07, 0x13, 0x02, 0x04, 0x08, 0x14, 0x16, 0x18, 0x46, 0x55, 0x57, 0x84, 0x94, 0x95, 0xc3, 0xd1,
    0xd3, 0x15, 0x45, 0x51, 0x83, 0xc2, 0xff, 0xc4, 0x00, 0x18, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x09, 0x06, 0x07, 0xff, 0xc4, 0x00, 0x32, 0x11, 0x00,
    0x01, 0x00, 0x07, 0x02, 0x0b, 0x09, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03,
    0x04, 0x06, 0x11, 0x12, 0x07, 0x13, 0x08, 0x14, 0x15, 0x17, 0x45, 0x53, 0x83, 0x92, 0x94, 0xc3, 0xd1, 0x05, 0x31,
    0x43, 0x55, 0x56, 0x82, 0xc1, 0xd2, 0xd3, 0x16, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11,
    0x00, 0x3f, 0x00, 0xce, 0x87, 0x86, 0x1a, 0xa6, 0x00, 0x20, 0x35, 0xab, 0xed, 0x7f, 0x6f, 0xe0, 0xb8, 0xf0, 0x64,
    0xd3, 0x1b, 0x0e, 0x71, 0x1c, 0xe1, 0x0f, 0xa2, 0xb6, 0xdc, 0xa2, 0x00, 0x5c, 0x64, 0x74, 0x00, 0x34, 0xb6, 0x45,
    0xa8, 0x75, 0x13, 0xcf, 0x83, 0x69, 0xd8, 0xc2, 0xcc, 0x79, 0xd3, 0x5a, 0xae, 0xf2, 0x3a, 0x9a, 0x7b, 0x9d, 0x28,
    0x0b, 0xcf, 0x9c, 0xf8, 0x96, 0x3f, 0x71, 0x91, 0x6a, 0x1d, 0x44, 0xf3, 0xe0, 0xda, 0x76, 0x18, 0xf3, 0xa6, 0xb5,
    0x5d, 0xe4, 0x75, 0x19, 0xd2, 0x80, 0xbc, 0xf9, 0xcf, 0x89, 0x63, 0xf7, 0x22, 0xab, 0x9a, 0xa0, 0x5e, 0x29, 0xb1,
    0x2f, 0x46, 0x44, 0xa8, 0x9e, 0xd6, 0x13, 0xda, 0xe2, 0x2e, 0x96, 0xed, 0xac, 0xe6, 0x96, 0x59, 0xa5, 0xb8, 0xa6,
    0x11, 0x85, 0x30, 0x8f, 0xc5, 0x25, 0x7f, 0x83, 0xe4, 0x69, 0x0c, 0x43, 0xd9, 0x53, 0x2c, 0xf6, 0x9b, 0x07, 0x6b,
    0xcb, 0x9a, 0x6f, 0x5b, 0x33, 0x67, 0x55, 0x37, 0xb3, 0xa6, 0xb5, 0x91, 0x39, 0x4d, 0x13, 0x94, 0xe5, 0x34, 0x4f,
    0xbd, 0x04, 0xcf, 0x6d, 0x11, 0x17, 0x63, 0x45, 0x79, 0x3f, 0xf9, 0xe7, 0xc6, 0x4f, 0x77, 0x57, 0xb5, 0xdc, 0xb4,
    0x51, 0xad, 0x15, 0x5d, 0xd3, 0x55, 0x09, 0x5a, 0x9a, 0xa9, 0x5a, 0x53, 0x94, 0xe4, 0x99, 0x77, 0x24, 0x8a, 0xe6,
    0xeb, 0x5a, 0xfb, 0x31, 0x58, 0xf2, 0x0b, 0xef, 0xc6, 0x57, 0xf9, 0xd9, 0xb3, 0xcf, 0x50, 0xb9, 0x71, 0x4c, 0x3f,
    0x42, 0x68, 0xc4, 0x1e, 0xf5, 0x4b, 0x6e, 0xa7, 0xa0, 0xcd, 0xd6, 0xb5, 0xf6, 0x62, 0xb1, 0xe4, 0x17, 0xdf, 0x8c,
    0x67, 0x66, 0xcf, 0x3d, 0x42, 0xe5, 0xc5, 0x30, 0xfd, 0x06, 0x20, 0xf7, 0xaa, 0x5b, 0x75, 0x3d, 0x0e, 0x80, 0x98,
    0x42, 0x41, 0x80, 0x02, 0xe5, 0xc1, 0xd3, 0x48, 0x77, 0x7e, 0xa9, 0xc2, 0x45, 0x1e, 0x0f, 0xbb, 0xe0, 0xaa, 0xac,
    0x2b, 0x49, 0x6c, 0xb9, 0xa5, 0xca, 0x70, 0xa5, 0x56, 0x00, 0x31, 0xa9, 0xee, 0xa6, 0x55, 0x00, 0x0b, 0x97, 0x07,
    0x4d, 0x21, 0xdd, 0xfa, 0xa7, 0x09, 0x14, 0x78, 0x3e, 0xef, 0x82, 0xaa, 0xb0, 0xad, 0x25, 0xb2, 0xe6, 0x97, 0x29,
    0xc2, 0x95, 0x58, 0x00, 0xff, 0xd9,
};
const unsigned char kQuadrantsGif[] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x28, 0x00, 0x1e, 0x00, 0xf2, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0x00, 0xff,
    0x00, 0xff, 0x00, 0xff, 0xff, 0x00, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21,
    0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xff, 0x0b, 0x49, 0x6d, 0x61, 0x67, 0x65, 0x4d, 0x61, 0x67, 0x69,
    0x63, 0x6b, 0x0d, 0x67, 0x61, 0x6d, 0x6d, 0x61, 0x3d, 0x30, 0x2e, 0x34, 0x35, 0x34, 0x35, 0x35, 0x00, 0x2c, 0x00,
    0x00, 0x00, 0x00, 0x28, 0x00, 0x1e, 0x00, 0x00, 0x03, 0x70, 0x08, 0xba, 0xdc, 0x1d, 0x30, 0xca, 0x39, 0x9d, 0xb5,
    0x34, 0xe7, 0xcb, 0x97, 0xfe, 0x51, 0xd7, 0x81, 0xa0, 0xc8, 0x91, 0x9f, 0x79, 0xa1, 0x9a, 0x8a, 0xb1, 0x94, 0xeb,
    0xc0, 0xb1, 0xcc, 0xd0, 0x95, 0xed, 0xe1, 0xa1, 0xae, 0xf0, 0x3d, 0x1f, 0x10, 0xe2, 0xfb, 0x0d, 0x8b, 0x80, 0x61,
    0x00, 0xa9, 0x14, 0x38, 0x9f, 0xd0, 0x68, 0x74, 0x40, 0xad, 0x5a, 0xaf, 0x57, 0xa9, 0x56, 0x8b, 0xed, 0x76, 0xb7,
    0xe0, 0xa7, 0x77, 0x5c, 0x0d, 0x87, 0xc9, 0x64, 0x33, 0x18, 0x3d, 0x56, 0x6f, 0xd9, 0x5e, 0x37, 0x17, 0x8e, 0x95,
    0x4b, 0xe9, 0x75, 0x3b, 0x14, 0x9f, 0xd5, 0x8b, 0xf9, 0x65, 0x7e, 0x4e, 0x80, 0x81, 0x82, 0x84, 0x54, 0x82, 0x83,
    0x87, 0x89, 0x02, 0x87, 0x03, 0x8c, 0x8e, 0x09, 0x00, 0x3b,
};

Bytes FromArray(const unsigned char* data, size_t size) { return Bytes(data, data + size); }

void PutLe(Bytes& bytes, size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}
std::uint32_t GetLe(const Bytes& bytes, size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

// A 24-bit BMP written field by field, independent of the code under test; rows bottom-up,
// or top-down with a negative height.
Bytes MakeBmp(int width, int height, const std::function<COLORREF(int, int)>& pixel, bool topDown = false) {
    size_t stride = (width * 3 + 3) / 4 * 4;
    Bytes bytes(54 + stride * height, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    PutLe(bytes, 10, 54, 4);
    PutLe(bytes, 14, 40, 4);
    PutLe(bytes, 18, width, 4);
    PutLe(bytes, 22, static_cast<std::uint32_t>(topDown ? -height : height), 4);
    PutLe(bytes, 26, 1, 2);
    PutLe(bytes, 28, 24, 2);
    PutLe(bytes, 34, static_cast<std::uint32_t>(stride * height), 4);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            COLORREF colour = pixel(x, topDown ? row : height - 1 - row);
            size_t at = 54 + row * stride + x * 3;
            bytes[at] = GetBValue(colour);
            bytes[at + 1] = GetGValue(colour);
            bytes[at + 2] = GetRValue(colour);
        }
    }
    return bytes;
}

Bytes QuadrantsBmp(int width = kWidth, int height = kHeight) {
    return MakeBmp(width, height, [&](int x, int y) { return QuadrantColour(x, y, width, height); });
}

// An 8-bit run-length BMP whose first code ends the bitmap: a real picture of any size in
// 60 bytes, which the decoder expands to its full size.
Bytes RunLengthBmp(int width, int height) {
    Bytes bytes(60, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe(bytes, 2, 60, 4);
    PutLe(bytes, 10, 58, 4);  // one palette entry before the pixels
    PutLe(bytes, 14, 40, 4);
    PutLe(bytes, 18, width, 4);
    PutLe(bytes, 22, height, 4);
    PutLe(bytes, 26, 1, 2);
    PutLe(bytes, 28, 8, 2);
    PutLe(bytes, 30, BI_RLE8, 4);
    PutLe(bytes, 34, 2, 4);
    PutLe(bytes, 46, 1, 4);  // colours used
    bytes[59] = 1;           // 00 01: end of bitmap
    return bytes;
}

// The file and info headers of a BMP with the old 12-byte core header (16-bit sizes).
Bytes CoreBmpHeader(int width, int height) {
    Bytes bytes(26, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe(bytes, 10, 26, 4);
    PutLe(bytes, 14, 12, 4);
    PutLe(bytes, 18, width, 2);
    PutLe(bytes, 20, height, 2);
    PutLe(bytes, 22, 1, 2);
    PutLe(bytes, 24, 24, 2);
    return bytes;
}

std::uint32_t Crc32(const unsigned char* data, size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void AppendBe(Bytes& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(value >> shift));
}

// Signature, IHDR for 8-bit RGB and IEND, with correct checksums: a PNG as far as its header
// goes, without image data.
Bytes PngHeader(std::uint32_t width, std::uint32_t height) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    auto chunk = [&png](const char* type, const Bytes& data) {
        AppendBe(png, static_cast<std::uint32_t>(data.size()));
        const size_t start = png.size();
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), data.begin(), data.end());
        AppendBe(png, Crc32(png.data() + start, png.size() - start));
    };
    Bytes ihdr;
    AppendBe(ihdr, width);
    AppendBe(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    chunk("IHDR", ihdr);
    chunk("IEND", {});
    return png;
}

// The quadrant JPEG with the size in its frame header replaced.
Bytes JpegClaiming(int width, int height) {
    Bytes jpeg = FromArray(kQuadrantsJpeg, sizeof kQuadrantsJpeg);
    const unsigned char sof0[] = {0xFF, 0xC0};
    auto at = std::search(jpeg.begin(), jpeg.end(), std::begin(sof0), std::end(sof0)) - jpeg.begin();
    jpeg.at(at + 5) = static_cast<unsigned char>(height >> 8);
    jpeg.at(at + 6) = static_cast<unsigned char>(height);
    jpeg.at(at + 7) = static_cast<unsigned char>(width >> 8);
    jpeg.at(at + 8) = static_cast<unsigned char>(width);
    return jpeg;
}

// The quadrant GIF with its logical screen and its one image placed and sized anew.
constexpr size_t kGifImageAt = 74;  // after the colour table and two extensions
Bytes GifClaiming(int screenWidth, int screenHeight, int left, int top, int width, int height) {
    Bytes gif = FromArray(kQuadrantsGif, sizeof kQuadrantsGif);
    PutLe(gif, 6, screenWidth, 2);
    PutLe(gif, 8, screenHeight, 2);
    PutLe(gif, kGifImageAt + 1, left, 2);
    PutLe(gif, kGifImageAt + 3, top, 2);
    PutLe(gif, kGifImageAt + 5, width, 2);
    PutLe(gif, kGifImageAt + 7, height, 2);
    return gif;
}

// A copy of the bytes that ends where an unreadable page begins: a reader that looks even one
// byte past the end crashes the test instead of reading garbage.
class GuardedCopy {
public:
    explicit GuardedCopy(const Bytes& bytes) : m_size(bytes.size()) {
        SYSTEM_INFO system{};
        GetSystemInfo(&system);
        const size_t page = system.dwPageSize, readable = (bytes.size() / page + 1) * page;
        m_base = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, readable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD previous = 0;
        if (!m_base || !VirtualProtect(m_base + readable, page, PAGE_NOACCESS, &previous)) {
            ADD_FAILURE() << "cannot set up a guard page";
            return;
        }
        m_data = m_base + readable - bytes.size();
        std::copy(bytes.begin(), bytes.end(), m_data);
    }
    ~GuardedCopy() {
        if (m_base) VirtualFree(m_base, 0, MEM_RELEASE);
    }
    GuardedCopy(const GuardedCopy&) = delete;
    GuardedCopy& operator=(const GuardedCopy&) = delete;
    std::optional<PictureHeader> Read() const { return m_data ? ReadPictureHeader(m_data, m_size) : std::nullopt; }

private:
    unsigned char* m_base = nullptr;
    unsigned char* m_data = nullptr;
    size_t m_size;
};

std::string Describe(const std::optional<PictureHeader>& header) {
    if (!header) return "nothing";
    const char* names[] = {"JPEG", "PNG", "GIF", "BMP"};
    return std::string(names[static_cast<int>(header->format)]) + " " + std::to_string(header->width) + " x " +
           std::to_string(header->height);
}

::testing::AssertionResult ColourNear(COLORREF actual, COLORREF expected, int tolerance) {
    int dr = std::abs(GetRValue(actual) - GetRValue(expected));
    int dg = std::abs(GetGValue(actual) - GetGValue(expected));
    int db = std::abs(GetBValue(actual) - GetBValue(expected));
    if (dr <= tolerance && dg <= tolerance && db <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour (" << int(GetRValue(actual)) << "," << int(GetGValue(actual)) << ","
                                         << int(GetBValue(actual)) << ") is not within " << tolerance << " of ("
                                         << int(GetRValue(expected)) << "," << int(GetGValue(expected)) << ","
                                         << int(GetBValue(expected)) << ")";
}

COLORREF PixelAt(const Picture& picture, int x, int y) { return GetPixel(picture.GetDC(), x, y); }

// Corners and quadrant centres; corners tell a mirrored or upside-down picture apart.
void ExpectQuadrants(const Picture& picture, int tolerance, const std::string& what) {
    SCOPED_TRACE(what);
    const int w = picture.GetWidth(), h = picture.GetHeight();
    const POINT points[] = {{1, 1},         {w - 2, 1},         {1, h - 2},         {w - 2, h - 2},
                            {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (POINT p : points)
        EXPECT_TRUE(ColourNear(PixelAt(picture, p.x, p.y), QuadrantColour(p.x, p.y, w, h), tolerance))
            << "at " << p.x << "," << p.y;
}

// The quadrants painted straight onto a blank picture: exact colours, no decoder involved.
void PaintQuadrants(Picture& picture, int width, int height) {
    ASSERT_TRUE(picture.Create(width, height, kGrey));
    const COLORREF colours[] = {kRed, kBlue, kGreen, kYellow};
    for (int i = 0; i < 4; ++i) {
        RECT r = {i % 2 ? width / 2 : 0, i / 2 ? height / 2 : 0, i % 2 ? width : width / 2,
                  i / 2 ? height : height / 2};
        UniqueBrush brush(CreateSolidBrush(colours[i]));
        FillRect(picture.GetDC(), &r, brush.get());
    }
}

void ExpectEmpty(const Picture& picture) {
    EXPECT_TRUE(picture.IsEmpty());
    EXPECT_EQ(picture.GetWidth(), -1);
    EXPECT_EQ(picture.GetHeight(), -1);
    EXPECT_EQ(picture.GetSize().cx, -1);
    EXPECT_EQ(picture.GetSize().cy, -1);
    EXPECT_EQ(picture.GetDC(), nullptr);
}

// The quadrant picture as JPEG, GIF and BMP.
std::vector<Bytes> Fixtures() {
    return {FromArray(kQuadrantsJpeg, sizeof kQuadrantsJpeg), FromArray(kQuadrantsGif, sizeof kQuadrantsGif),
            QuadrantsBmp()};
}

}  // namespace

TEST(PictureLoad, JpegGifAndBmpComeOutUprightAtTheirSize) {
    struct Case {
        const char* name;
        Bytes bytes;
        int tolerance;  // JPEG is lossy; the others keep exact colours
    };
    const std::vector<Bytes> fixtures = Fixtures();
    const Bytes topDown = MakeBmp(
        kWidth, kHeight, [](int x, int y) { return QuadrantColour(x, y, kWidth, kHeight); }, true);
    const Case cases[] = {
        {"jpeg", fixtures[0], 48}, {"gif", fixtures[1], 0}, {"bmp", fixtures[2], 0}, {"top-down bmp", topDown, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Picture picture;
        ASSERT_TRUE(picture.LoadFromBytes(c.bytes));
        EXPECT_FALSE(picture.IsEmpty());
        EXPECT_EQ(picture.GetWidth(), kWidth);
        EXPECT_EQ(picture.GetHeight(), kHeight);
        EXPECT_NE(picture.GetDC(), nullptr);
        ExpectQuadrants(picture, c.tolerance, c.name);
    }
}

TEST(PictureLoad, LoadingReplacesThePreviousPicture) {
    Picture picture;
    ASSERT_TRUE(picture.LoadFromBytes(QuadrantsBmp(8, 6)));
    ASSERT_TRUE(picture.LoadFromBytes(QuadrantsBmp(12, 10)));
    EXPECT_EQ(picture.GetWidth(), 12);
    EXPECT_EQ(picture.GetHeight(), 10);
    ExpectQuadrants(picture, 0, "second picture");
}

TEST(PictureLoad, BadBytesFailAndLeaveThePictureEmpty) {
    std::vector<std::pair<std::string, Bytes>> cases;
    cases.emplace_back("no bytes", Bytes());
    for (const Bytes& whole : Fixtures())
        for (size_t length : {1, 2, 6, 13, 40})
            cases.emplace_back(
                "the first " + std::to_string(length) + " bytes of a " + std::to_string(whole.size()) + "-byte picture",
                Bytes(whole.begin(), whole.begin() + length));
    const Bytes bmp = QuadrantsBmp();
    for (size_t length : {size_t{60}, bmp.size() / 2, bmp.size() - 1})
        cases.emplace_back("a BMP cut to " + std::to_string(length) + " bytes",
                           Bytes(bmp.begin(), bmp.begin() + length));
    // A BMP header that claims a picture far larger than its bytes.
    Bytes huge = QuadrantsBmp(4, 4);
    PutLe(huge, 18, 1000000, 4);
    PutLe(huge, 22, 1000000, 4);
    cases.emplace_back("oversized BMP", huge);
    std::mt19937 random(20240601);
    for (int i = 0; i < 8; ++i) {
        Bytes bytes(64 + random() % 4096);
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
        cases.emplace_back("random bytes #" + std::to_string(i), bytes);
    }
    const std::string text = "This is a plain text note, not a picture.\r\n";
    cases.emplace_back("text", Bytes(text.begin(), text.end()));
    Bytes zip = {'P', 'K', 3, 4, 20, 0, 0, 0, 8, 0};
    zip.resize(300, 0x55);
    cases.emplace_back("zip archive", zip);
    // An icon directory whose image offset and size wrap past 4 GB: the OLE loader trusts it.
    cases.emplace_back("lying icon",
                       Bytes{0, 0, 1, 0, 1, 0, 8, 6, 0, 0, 1, 0, 0x18, 0, 0x20, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF});
    // The loader takes any first word of zero for an icon, also behind its own length header.
    cases.emplace_back("zero word", Bytes{0, 0, 0x5A, 0x3C, 1, 0, 8, 6, 0, 0, 1, 0, 0x18, 0, 0x20, 0, 0, 0, 0x60});
    cases.emplace_back("zero word behind a length header",
                       Bytes{'l', 't', 0, 0, 22, 0,    0, 0,    0, 0, 1, 0,    1,    0,    8,
                             6,   0,   0, 1, 0,  0x18, 0, 0x20, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        Picture picture;
        ASSERT_TRUE(picture.Create(5, 5));
        EXPECT_FALSE(picture.LoadFromBytes(c.second));
        ExpectEmpty(picture);
    }
}

// Damaged files may or may not decode, depending on the decoder; either way the result is
// whole: a full-size picture, or an empty one.
TEST(PictureLoad, DamagedPicturesGiveAWholePictureOrNone) {
    std::mt19937 random(7);
    for (const Bytes& whole : Fixtures()) {
        for (int i = 0; i < 40; ++i) {
            Bytes bytes = whole;
            if (i % 2) {
                bytes.resize(16 + random() % (whole.size() - 16));
            } else {
                for (int flips = 0; flips < 4; ++flips) bytes[random() % bytes.size()] ^= 1 << (random() % 8);
            }
            SCOPED_TRACE("case " + std::to_string(i) + " of a " + std::to_string(whole.size()) + "-byte picture");
            Picture picture;
            if (picture.LoadFromBytes(bytes)) {
                EXPECT_NE(picture.GetDC(), nullptr);
                EXPECT_GT(picture.GetWidth(), 0);
                EXPECT_GT(picture.GetHeight(), 0);
            } else {
                ExpectEmpty(picture);
            }
        }
    }
}

TEST(PictureLoad, FromFile) {
    TempDir dir;
    Bytes bmp = QuadrantsBmp();
    Path path = dir / L"quadrants.bmp";
    WriteAll(path, std::string(bmp.begin(), bmp.end()));

    Picture constructed(path);
    EXPECT_EQ(constructed.GetWidth(), kWidth);
    ExpectQuadrants(constructed, 0, "constructed from a file");

    Picture loaded;
    EXPECT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(loaded.GetHeight(), kHeight);
    EXPECT_FALSE(loaded.LoadFromFile(dir / L"missing.bmp"));
    ExpectEmpty(loaded);
    EXPECT_FALSE(loaded.LoadFromFile(dir.path())) << "a folder is not a picture";

    Picture missing(dir / L"missing.jpg");
    ExpectEmpty(missing);

    // Another program may hold the file open for reading, as viewers do.
    UniqueFile open(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(open);
    EXPECT_TRUE(loaded.LoadFromFile(path));
}

// Decoders allocate for the size a header claims, so a few bytes can ask for gigabytes.
TEST(PictureLoad, PicturesTooLargeToDecodeAreRefusedBeforeDecoding) {
    Bytes bmp = QuadrantsBmp(4, 4);
    PutLe(bmp, 18, 30000, 4);
    PutLe(bmp, 22, 30000, 4);
    Bytes topDownBmp = bmp;
    PutLe(topDownBmp, 22, static_cast<std::uint32_t>(-30000), 4);
    const std::pair<std::string, Bytes> cases[] = {
        {"JPEG claiming 30000 x 30000", JpegClaiming(30000, 30000)},
        {"JPEG claiming 8193 x 8192, just over", JpegClaiming(8193, 8192)},
        {"PNG claiming 30000 x 30000", PngHeader(30000, 30000)},
        {"GIF claiming 30000 x 30000", GifClaiming(30000, 30000, 0, 0, 30000, 30000)},
        {"GIF whose image reaches 30000 x 30000", GifClaiming(kWidth, kHeight, 29960, 29970, 40, 30)},
        {"BMP claiming 30000 x 30000", bmp},
        {"top-down BMP claiming 30000 x 30000", topDownBmp},
        {"core-header BMP claiming 30000 x 30000", CoreBmpHeader(30000, 30000)},
        {"run-length BMP of 8193 x 8192, which decodes", RunLengthBmp(8193, 8192)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        Picture picture;
        ASSERT_TRUE(picture.Create(5, 5));
        EXPECT_FALSE(picture.LoadFromBytes(c.second));
        ExpectEmpty(picture);
    }

    TempDir dir;
    const Bytes jpeg = JpegClaiming(30000, 30000);
    WriteAll(dir / L"huge.jpg", std::string(jpeg.begin(), jpeg.end()));
    Picture fromFile;
    EXPECT_FALSE(fromFile.LoadFromFile(dir / L"huge.jpg"));
    ExpectEmpty(fromFile);

    // A metafile has no header we read; its size is known once loaded, before the bitmap is made.
    int dpi = 0;
    {
        WindowDc screen;
        dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
    }
    const LONG side = MulDiv(8200, 2540, dpi);  // in 0.01 mm: just over the limit, whatever the rounding
    RECT frame = {0, 0, side, side};
    HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
    ASSERT_NE(recorder, nullptr);
    Rectangle(recorder, 0, 0, 100, 100);
    HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
    ASSERT_NE(metafile, nullptr);
    Bytes emf(GetEnhMetaFileBits(metafile, 0, nullptr));
    GetEnhMetaFileBits(metafile, static_cast<UINT>(emf.size()), emf.data());
    DeleteEnhMetaFile(metafile);
    Picture drawing;
    EXPECT_FALSE(drawing.LoadFromBytes(emf)) << "a metafile framing 8200 x 8200 pixels";
    ExpectEmpty(drawing);

    // A large photograph stays well inside the limit.
    Picture large;
    ASSERT_TRUE(large.LoadFromBytes(RunLengthBmp(6000, 4000)));
    EXPECT_EQ(large.GetWidth(), 6000);
    EXPECT_EQ(large.GetHeight(), 4000);
}

TEST(PictureHeader, ReadsTheSizeEachFormatClaims) {
    using Format = PictureHeader::Format;
    // Segments to skip before a progressive frame: an APP1 whose contents look like a frame
    // header, a DHT (whose marker lies in the frame-marker range) and fill bytes.
    const Bytes jpegWithDecoys = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x0A, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x75, 0x30, 0x75,
                                  0xFF, 0xC4, 0x00, 0x07, 0x00, 0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xC2, 0x00,
                                  0x0B, 0x08, 0x01, 0xC8, 0x00, 0x7B, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xD9};
    const Bytes scanBeforeFrame = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xC0, 0x00,
                                   0x11, 0x08, 0x75, 0x30, 0x75, 0x30, 0x03, 0xFF, 0xD9};
    Bytes negativeWidth = QuadrantsBmp();
    PutLe(negativeWidth, 18, static_cast<std::uint32_t>(-kWidth), 4);
    Bytes unknownInfoHeader = QuadrantsBmp();
    PutLe(unknownInfoHeader, 14, 20, 4);
    const std::string text = "BMP is a picture format; this note is not one.";
    struct Case {
        std::string name;
        Bytes bytes;
        std::optional<PictureHeader> expected;
    };
    const Case cases[] = {
        {"quadrant JPEG", FromArray(kQuadrantsJpeg, sizeof kQuadrantsJpeg), PictureHeader{Format::Jpeg, 40, 30}},
        {"progressive JPEG after decoy segments", jpegWithDecoys, PictureHeader{Format::Jpeg, 123, 456}},
        {"JPEG with a scan before any frame", scanBeforeFrame, std::nullopt},
        {"PNG", PngHeader(640, 480), PictureHeader{Format::Png, 640, 480}},
        {"quadrant GIF", FromArray(kQuadrantsGif, sizeof kQuadrantsGif), PictureHeader{Format::Gif, 40, 30}},
        {"GIF whose image reaches past its screen", GifClaiming(40, 30, 100, 50, 40, 30),
         PictureHeader{Format::Gif, 140, 80}},
        {"GIF with a zero-sized screen", GifClaiming(0, 0, 0, 0, 40, 30), PictureHeader{Format::Gif, 40, 30}},
        {"bottom-up BMP", QuadrantsBmp(), PictureHeader{Format::Bmp, 40, 30}},
        {"top-down BMP",
         MakeBmp(
             40, 30, [](int, int) { return kRed; }, true),
         PictureHeader{Format::Bmp, 40, 30}},
        {"core-header BMP", CoreBmpHeader(300, 200), PictureHeader{Format::Bmp, 300, 200}},
        {"BMP with a negative width", negativeWidth, std::nullopt},
        {"BMP with an unknown info header", unknownInfoHeader, std::nullopt},
        {"text that starts like a BMP", Bytes(text.begin(), text.end()), std::nullopt},
    };
    for (const Case& c : cases) {
        GuardedCopy copy(c.bytes);
        EXPECT_EQ(Describe(copy.Read()), Describe(c.expected)) << c.name;
    }
}

TEST(PictureHeader, CutShortOrRandomBytesAreNeverReadPastTheirEnd) {
    const Bytes bmp = QuadrantsBmp();
    const Bytes wholes[] = {FromArray(kQuadrantsJpeg, sizeof kQuadrantsJpeg),
                            FromArray(kQuadrantsGif, sizeof kQuadrantsGif),
                            GifClaiming(40, 30, 100, 50, 40, 30),
                            PngHeader(640, 480),
                            Bytes(bmp.begin(), bmp.begin() + 54),
                            CoreBmpHeader(300, 200)};
    for (const Bytes& whole : wholes) {
        const std::optional<PictureHeader> full = GuardedCopy(whole).Read();
        ASSERT_TRUE(full) << "a " << whole.size() << "-byte picture";
        for (size_t length = 0; length < whole.size(); ++length) {
            const std::optional<PictureHeader> cut = GuardedCopy(Bytes(whole.begin(), whole.begin() + length)).Read();
            // A cut may hide the size, or part of what a GIF's images add to it, but never invents one.
            const bool plausible =
                !cut || (cut->format == full->format && cut->width <= full->width && cut->height <= full->height);
            EXPECT_TRUE(plausible) << Describe(cut) << " from the first " << length << " bytes of " << Describe(full);
        }
    }
    std::mt19937 random(99);
    const unsigned char starts[][2] = {{0xFF, 0xD8}, {'G', 'I'}, {'B', 'M'}, {0x89, 'P'}};
    for (int i = 0; i < 400; ++i) {
        Bytes bytes(random() % 300);
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
        // Mostly the right signatures, so that the walks get past their first check.
        const auto& start = starts[i % 4];
        if (bytes.size() >= 2) std::copy(start, start + 2, bytes.begin());
        if (i % 4 == 1 && bytes.size() >= 6) std::copy_n("GIF89a", 6, bytes.begin());
        if (i % 4 == 3 && bytes.size() >= 16) std::copy_n("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16, bytes.begin());
        GuardedCopy(bytes).Read();
    }
}

TEST(PictureHeader, DecodedBitmapsAreLimitedTo256MegabytesAt32BitsAPixel) {
    EXPECT_TRUE(DecodedBitmapFits(8192, 8192)) << "exactly 256 MB";
    EXPECT_FALSE(DecodedBitmapFits(8193, 8192));
    EXPECT_FALSE(DecodedBitmapFits(8192, 8193));
    EXPECT_TRUE(DecodedBitmapFits(std::uint64_t{1} << 26, 1));
    EXPECT_FALSE(DecodedBitmapFits(1, (std::uint64_t{1} << 26) + 1));
    EXPECT_TRUE(DecodedBitmapFits(6000, 4000));
    EXPECT_TRUE(DecodedBitmapFits(0, 30000)) << "an empty size is for the decoder to refuse";
    // Products that wrap around in 64 bits must not pass for small ones.
    EXPECT_FALSE(DecodedBitmapFits(std::uint64_t{1} << 32, std::uint64_t{1} << 32));
    EXPECT_FALSE(DecodedBitmapFits(0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_FALSE(DecodedBitmapFits(std::uint64_t{1} << 62, 4));
}

TEST(PictureState, EmptyPictureHasNoSizeAndRefusesWork) {
    Picture picture;
    ExpectEmpty(picture);
    Picture target;
    ASSERT_TRUE(target.Create(10, 10));
    EXPECT_FALSE(picture.Draw(target.GetDC(), 0, 0, 10, 10, 0, 0, 10, 10));
    EXPECT_FALSE(picture.Draw(target.GetDC(), 0, 0, 20, 20, 0, 0, 10, 10));
    Bytes bytes = {1, 2, 3};
    EXPECT_FALSE(picture.SaveToBytes(bytes));
    EXPECT_EQ(bytes, (Bytes{1, 2, 3})) << "a failed save leaves the output alone";
    picture.Release();
    ExpectEmpty(picture);
}

TEST(PictureState, CreateFillsWithTheColourAndReleaseEmpties) {
    Picture picture;
    ASSERT_TRUE(picture.Create(7, 5, RGB(10, 200, 30)));
    EXPECT_EQ(picture.GetWidth(), 7);
    EXPECT_EQ(picture.GetHeight(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_TRUE(ColourNear(PixelAt(picture, x, y), RGB(10, 200, 30), 8));
    ASSERT_TRUE(picture.Create(3, 2));
    EXPECT_EQ(picture.GetWidth(), 3);
    EXPECT_EQ(PixelAt(picture, 2, 1), RGB(255, 255, 255)) << "white unless told otherwise";

    const SIZE bad[] = {{0, 5}, {5, 0}, {-1, 5}, {5, -3}};
    for (SIZE size : bad) {
        EXPECT_FALSE(picture.Create(size.cx, size.cy)) << size.cx << " x " << size.cy;
        ExpectEmpty(picture);
    }
    ASSERT_TRUE(picture.Create(4, 4));
    picture.Release();
    ExpectEmpty(picture);
}

// A bitmap not selected into any DC, painted with the quadrants.
static UniqueBitmap QuadrantsBitmap(int width, int height) {
    Picture painted;
    PaintQuadrants(painted, width, height);
    WindowDc screen;
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
    ScopedSelect selected(dc.get(), bitmap.get());
    BitBlt(dc.get(), 0, 0, width, height, painted.GetDC(), 0, 0, SRCCOPY);
    return bitmap;
}

TEST(PictureCopy, CopyFromBitmapKeepsOrCutsTheSize) {
    UniqueBitmap bitmap = QuadrantsBitmap(kWidth, kHeight);
    ASSERT_TRUE(bitmap);
    struct Case {
        int maxWidth, maxHeight, width, height;
    };
    const Case cases[] = {
        {Picture::kUnset, Picture::kUnset, kWidth, kHeight},
        {100, 100, kWidth, kHeight},  // larger maxima keep the bitmap's size
        {25, 10, 25, 10},
        {100, 12, kWidth, 12},
        {12, Picture::kUnset, kWidth, kHeight},  // one maximum alone does not cut
        {Picture::kUnset, 12, kWidth, kHeight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.maxWidth) + " x " + std::to_string(c.maxHeight));
        Picture picture;
        ASSERT_TRUE(picture.CopyFromBitmap(bitmap.get(), c.maxWidth, c.maxHeight));
        ASSERT_EQ(picture.GetWidth(), c.width);
        ASSERT_EQ(picture.GetHeight(), c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(PixelAt(picture, x, y), QuadrantColour(x, y, kWidth, kHeight)) << "at " << x << "," << y;
    }

    Picture again;
    EXPECT_TRUE(again.CopyFromBitmap(bitmap.get())) << "the bitmap stays usable after a copy";
    EXPECT_FALSE(again.CopyFromBitmap(nullptr));
    ExpectEmpty(again);
    UniqueBrush brush(CreateSolidBrush(kRed));
    EXPECT_FALSE(again.CopyFromBitmap(reinterpret_cast<HBITMAP>(brush.get()))) << "not a bitmap";
    ExpectEmpty(again);
    // A bitmap can be selected into one DC at a time, so one held by somebody else cannot be read.
    UniqueMemoryDc holder(CreateCompatibleDC(nullptr));
    ScopedSelect held(holder.get(), bitmap.get());
    ASSERT_TRUE(again.Create(3, 3));
    EXPECT_FALSE(again.CopyFromBitmap(bitmap.get()));
    ExpectEmpty(again);
}

TEST(PictureCopy, CopyFromItsOwnBitmapCrops) {
    Picture picture;
    PaintQuadrants(picture, kWidth, kHeight);
    HBITMAP own = static_cast<HBITMAP>(GetCurrentObject(picture.GetDC(), OBJ_BITMAP));
    ASSERT_TRUE(picture.CopyFromBitmap(own, 30, 20));
    EXPECT_EQ(picture.GetWidth(), 30);
    EXPECT_EQ(picture.GetHeight(), 20);
    EXPECT_EQ(PixelAt(picture, 0, 0), kRed);
    EXPECT_EQ(PixelAt(picture, 29, 0), kBlue);
    EXPECT_EQ(PixelAt(picture, 0, 19), kGreen);
    EXPECT_EQ(PixelAt(picture, 29, 19), kYellow);
}

TEST(PictureDraw, EqualSizesCopyExactly) {
    Picture source;
    PaintQuadrants(source, kWidth, kHeight);
    Picture target;
    ASSERT_TRUE(target.Create(60, 50, kGrey));
    // The bottom-right quadrant of the source, placed at (10, 5).
    ASSERT_TRUE(source.Draw(target.GetDC(), 10, 5, 20, 15, 20, 15, 20, 15));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x) {
            bool inside = x >= 10 && x < 30 && y >= 5 && y < 20;
            ASSERT_EQ(PixelAt(target, x, y), inside ? kYellow : kGrey) << "at " << x << "," << y;
        }

    RECT whole = {0, 0, kWidth, kHeight};
    RECT shifted = {3, 4, 3 + kWidth, 4 + kHeight};
    ASSERT_TRUE(source.Draw(target.GetDC(), shifted, whole));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(PixelAt(target, x + 3, y + 4), PixelAt(source, x, y)) << "at " << x << "," << y;
}

// Every target pixel: outside the destination untouched, inside the scaled quadrant colour,
// except within a few pixels of an edge between quadrants where smoothing may blend.
static void ExpectScaledQuadrants(const Picture& target, RECT destination,
                                  const std::function<COLORREF(int, int)>& expected) {
    const int w = destination.right - destination.left, h = destination.bottom - destination.top;
    constexpr int kBlend = 2, kTolerance = 24;
    for (int y = 0; y < target.GetHeight(); ++y)
        for (int x = 0; x < target.GetWidth(); ++x) {
            POINT p = {x, y};
            COLORREF actual = PixelAt(target, x, y);
            if (!PtInRect(&destination, p)) {
                ASSERT_EQ(actual, kGrey) << "outside the destination at " << x << "," << y;
                continue;
            }
            int dx = x - destination.left, dy = y - destination.top;
            if (std::abs(dx - w / 2) <= kBlend || std::abs(dy - h / 2) <= kBlend) continue;
            ASSERT_TRUE(ColourNear(actual, expected(dx, dy), kTolerance)) << "at " << x << "," << y;
        }
}

TEST(PictureDraw, ScalingKeepsTheGeometry) {
    Picture source;
    PaintQuadrants(source, kWidth, kHeight);
    // Larger, smaller, squashed, and stretched in one direction only.
    const RECT destinations[] = {{4, 6, 84, 66}, {4, 6, 24, 21}, {0, 0, 50, 20}, {2, 2, 42, 62}};
    for (RECT destination : destinations) {
        const int w = destination.right - destination.left, h = destination.bottom - destination.top;
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        Picture target;
        ASSERT_TRUE(target.Create(90, 70, kGrey));
        ASSERT_TRUE(source.Draw(target.GetDC(), destination, RECT{0, 0, kWidth, kHeight}));
        ExpectScaledQuadrants(target, destination, [&](int x, int y) { return QuadrantColour(x, y, w, h); });
    }

    // Only the right half of the source, stretched to twice its size: blue over yellow.
    Picture target;
    ASSERT_TRUE(target.Create(90, 70, kGrey));
    ASSERT_TRUE(source.Draw(target.GetDC(), 10, 5, 40, 60, 20, 0, 20, 30));
    ExpectScaledQuadrants(target, RECT{10, 5, 50, 65}, [](int, int y) { return y < 30 ? kBlue : kYellow; });
}

TEST(PictureDraw, RefusesNoTargetAndEmptyRectangles) {
    Picture source;
    PaintQuadrants(source, kWidth, kHeight);
    Picture target;
    ASSERT_TRUE(target.Create(10, 10, kGrey));
    EXPECT_FALSE(source.Draw(nullptr, 0, 0, 10, 10, 0, 0, 10, 10));
    EXPECT_FALSE(source.Draw(target.GetDC(), 0, 0, 0, 10, 0, 0, 10, 10));
    EXPECT_FALSE(source.Draw(target.GetDC(), 0, 0, 10, 10, 0, 0, 10, -10));
    EXPECT_EQ(PixelAt(target, 0, 0), kGrey);
}

TEST(PictureSave, SaveToBytesWritesA24BitBottomUpBmp) {
    // An odd width, so that every row needs padding to four bytes.
    constexpr int kOddWidth = 41;
    Picture picture;
    PaintQuadrants(picture, kOddWidth, kHeight);
    Bytes bmp;
    ASSERT_TRUE(picture.SaveToBytes(bmp));

    const size_t stride = 124;  // 41 * 3 = 123, padded
    ASSERT_EQ(bmp.size(), 54 + stride * kHeight);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(GetLe(bmp, 2, 4), bmp.size()) << "file size";
    EXPECT_EQ(GetLe(bmp, 10, 4), 54u) << "pixel offset";
    EXPECT_EQ(GetLe(bmp, 14, 4), 40u) << "info header size";
    EXPECT_EQ(GetLe(bmp, 18, 4), static_cast<std::uint32_t>(kOddWidth));
    EXPECT_EQ(GetLe(bmp, 22, 4), static_cast<std::uint32_t>(kHeight)) << "positive: bottom-up";
    EXPECT_EQ(GetLe(bmp, 26, 2), 1u) << "planes";
    EXPECT_EQ(GetLe(bmp, 28, 2), 24u) << "bits per pixel";
    EXPECT_EQ(GetLe(bmp, 30, 4), 0u) << "BI_RGB";
    EXPECT_EQ(GetLe(bmp, 34, 4), stride * kHeight) << "image size";

    // The first stored row is the bottom of the picture; pixels are blue, green, red.
    for (int row = 0; row < kHeight; ++row)
        for (int x = 0; x < kOddWidth; ++x) {
            COLORREF expected = QuadrantColour(x, kHeight - 1 - row, kOddWidth, kHeight);
            size_t at = 54 + row * stride + x * 3;
            ASSERT_EQ(RGB(bmp[at + 2], bmp[at + 1], bmp[at]), expected) << "row " << row << ", x " << x;
        }
}

TEST(PictureSave, SavedFileLoadsBackUnchanged) {
    TempDir dir;
    Path path = dir / L"saved.bmp";
    WriteAll(path, "an older file that the save replaces");
    Picture picture;
    PaintQuadrants(picture, 33, 21);
    ASSERT_TRUE(picture.SaveToFile(path));

    Bytes bytes;
    ASSERT_TRUE(picture.SaveToBytes(bytes));
    EXPECT_EQ(ReadAll(path), std::string(bytes.begin(), bytes.end()));

    Picture loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path));
    ASSERT_EQ(loaded.GetWidth(), 33);
    ASSERT_EQ(loaded.GetHeight(), 21);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 33; ++x) ASSERT_EQ(PixelAt(loaded, x, y), PixelAt(picture, x, y)) << "at " << x << "," << y;
}

TEST(PictureSave, EmptyPictureWritesNoFile) {
    TempDir dir;
    Picture empty;
    EXPECT_FALSE(empty.SaveToFile(dir / L"new.bmp"));
    EXPECT_FALSE((dir / L"new.bmp").Exists());
    EXPECT_TRUE(dir.path().ListDirectory().empty()) << "no temporary file left behind";

    WriteAll(dir / L"old.bmp", "keep me");
    EXPECT_FALSE(empty.SaveToFile(dir / L"old.bmp"));
    EXPECT_EQ(ReadAll(dir / L"old.bmp"), "keep me");

    Picture picture;
    ASSERT_TRUE(picture.Create(4, 4));
    EXPECT_FALSE(picture.SaveToFile(dir / L"no such folder" / L"x.bmp"));
    EXPECT_EQ(dir.path().ListDirectory().size(), 1u) << "a failed write leaves nothing behind";
}
