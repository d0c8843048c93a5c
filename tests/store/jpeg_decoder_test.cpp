// JPEG pictures through libjpeg-turbo: the picture the system's loader gives, the DCT scale a
// cover size asks for, and files cut short, damaged or far too large to decode whole.
#include "store/jpeg_decoder.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "base/bytes.h"
#include "store/picture.h"
#include "support/test_support.h"

namespace {

// Made at build time by make_jpeg_samples.sh.
Bytes Sample(const std::wstring& name) {
    const std::string bytes = ReadAll(TestExecutableDirectory() / L"jpeg-samples" / name);
    EXPECT_FALSE(bytes.empty()) << "no sample " << std::string(name.begin(), name.end());
    return Bytes(bytes.begin(), bytes.end());
}

// The system's loader also takes a picture behind its own "lt\0\0" length header, which our
// JPEG path does not recognise: the same bytes can be decoded both ways.
Bytes ForSystemLoader(const Bytes& jpeg) {
    Bytes bytes = {'l', 't', 0, 0};
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(jpeg.size() >> (8 * i)));
    bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
    return bytes;
}

// An Exif block right after the start marker, as cameras write it: one entry, the orientation
// (6: turn a quarter clockwise to show).
Bytes WithExifOrientation(const Bytes& jpeg, unsigned char orientation) {
    const unsigned char exif[] = {0xFF, 0xE1, 0,    34, 'E', 'x', 'i', 'f', 0, 0, 'I',         'I', 42, 0, 8, 0, 0, 0,
                                  1,    0,    0x12, 1,  3,   0,   1,   0,   0, 0, orientation, 0,   0,  0, 0, 0, 0, 0};
    Bytes bytes(jpeg.begin(), jpeg.begin() + 2);
    bytes.insert(bytes.end(), std::begin(exif), std::end(exif));
    bytes.insert(bytes.end(), jpeg.begin() + 2, jpeg.end());
    return bytes;
}

// A greyscale baseline JPEG whose every block is flat mid-grey. With one-code Huffman tables
// a block takes two bits, so a picture of any size fits in a few megabytes.
Bytes FlatGreyJpeg(int width, int height) {
    Bytes jpeg = {0xFF, 0xD8};
    auto segment = [&jpeg](unsigned char marker, Bytes body) {
        const size_t length = body.size() + 2;
        jpeg.insert(jpeg.end(),
                    {0xFF, marker, static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length)});
        jpeg.insert(jpeg.end(), body.begin(), body.end());
    };
    Bytes quantisation(65, 1);
    quantisation[0] = 0;
    segment(0xDB, quantisation);
    segment(0xC0, {8, static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
                   static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width), 1, 1, 0x11, 0});
    for (unsigned char tableClass : {0x00, 0x10}) {  // DC: difference 0; AC: end of block
        Bytes table(18, 0);
        table[0] = tableClass;
        table[1] = 1;  // one code of one bit, "0", for the symbol 0
        segment(0xC4, table);
    }
    segment(0xDA, {1, 1, 0x00, 0, 63, 0});
    const std::uint64_t blocks = std::uint64_t((width + 7) / 8) * ((height + 7) / 8);
    jpeg.resize(jpeg.size() + static_cast<size_t>((blocks * 2 + 7) / 8), 0);
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

struct Difference {
    double mean = 0;  // over every channel of every pixel
    int largest = 0;
};

Difference Compare(const Picture& a, const Picture& b) {
    Difference difference;
    const int width = a.GetWidth(), height = a.GetHeight();
    double total = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF p = GetPixel(a.GetDC(), x, y), q = GetPixel(b.GetDC(), x, y);
            for (int shift : {0, 8, 16}) {
                const int d = std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF));
                total += d;
                difference.largest = std::max(difference.largest, d);
            }
        }
    difference.mean = total / (3.0 * width * height);
    return difference;
}

bool Near(COLORREF actual, COLORREF expected, int tolerance) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > tolerance) return false;
    return true;
}

// Red top left, blue top right, lime bottom left, yellow bottom right, seen at the middle of
// each quadrant.
void ExpectQuadrants(const Picture& picture) {
    const int w = picture.GetWidth(), h = picture.GetHeight();
    const struct {
        int x, y;
        COLORREF colour;
    } points[] = {{w / 4, h / 4, RGB(255, 0, 0)},
                  {3 * w / 4, h / 4, RGB(0, 0, 255)},
                  {w / 4, 3 * h / 4, RGB(0, 255, 0)},
                  {3 * w / 4, 3 * h / 4, RGB(255, 255, 0)}};
    for (const auto& p : points)
        EXPECT_TRUE(Near(GetPixel(picture.GetDC(), p.x, p.y), p.colour, 24)) << "at " << p.x << "," << p.y;
}

}  // namespace

TEST(JpegDecoder, GivesThePictureTheSystemLoaderGives) {
    const std::pair<const char*, Bytes> cases[] = {
        {"baseline", Sample(L"texture.jpg")},
        {"progressive", Sample(L"texture-progressive.jpg")},
        {"greyscale", Sample(L"texture-grey.jpg")},
        {"Adobe CMYK", Sample(L"texture-cmyk.jpg")},
        // The system's loader ignores the orientation, so ours does: shown as stored.
        {"turned by Exif", WithExifOrientation(Sample(L"quadrants.jpg"), 6)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        Picture ours, system;
        ASSERT_TRUE(ours.LoadFromBytes(c.second));
        ASSERT_TRUE(system.LoadFromBytes(ForSystemLoader(c.second)));
        ASSERT_EQ(ours.GetWidth(), system.GetWidth());
        ASSERT_EQ(ours.GetHeight(), system.GetHeight());
        // Both are libjpeg at heart; rounding in upsampling and colour conversion may differ.
        const Difference difference = Compare(ours, system);
        EXPECT_LE(difference.mean, 1.0);
        EXPECT_LE(difference.largest, 24);
    }
    Picture turned;
    ASSERT_TRUE(turned.LoadFromBytes(cases[4].second));
    EXPECT_EQ(turned.GetWidth(), 160);
    ExpectQuadrants(turned);
}

TEST(JpegDecoder, DecodesAtTheSmallestEighthThatCoversTheHint) {
    struct Case {
        std::uint32_t width, height;
        DecodeHint hint;
        int eighths;
    };
    const Case cases[] = {
        {4000, 3000, {1024, 768}, 3},   // 2/8 is 1000 x 750: too narrow
        {6000, 4000, {1920, 1080}, 3},  // 2/8 is 1500 x 1000
        {3840, 2160, {1920, 1080}, 4},  // exactly half
        {2047, 1535, {1024, 768}, 4},   // half, rounded up, just covers
        {1080, 1920, {1920, 1080}, 8},  // upright on a wide screen: its width is short already
        {20000, 15000, {1920, 1080}, 1},
        {1280, 720, {1920, 1080}, 8},  // smaller than the screen: never enlarged
        {4000, 3000, {}, 8},           // no hint: the full size
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseEighths(c.width, c.height, c.hint), c.eighths)
            << c.width << " x " << c.height << " to cover " << c.hint.coverWidth << " x " << c.hint.coverHeight;

    TempDir dir;
    const Bytes large = Sample(L"quadrants-4000x3000.jpg");
    WriteAll(dir / L"large.jpg", std::string(large.begin(), large.end()));
    Picture scaled;
    ASSERT_TRUE(scaled.LoadFromFile(dir / L"large.jpg", DecodeHint{1024, 768}));
    EXPECT_EQ(scaled.GetWidth(), 1500);
    EXPECT_EQ(scaled.GetHeight(), 1125);
    EXPECT_EQ(scaled.GetFullSize().cx, 4000) << "the file's own size is kept";
    EXPECT_EQ(scaled.GetFullSize().cy, 3000);
    ExpectQuadrants(scaled);
    Picture whole;
    ASSERT_TRUE(whole.LoadFromBytes(large));
    EXPECT_EQ(whole.GetWidth(), 4000) << "without a hint";
    EXPECT_EQ(whole.GetFullSize().cx, 4000);
}

// The system's loader refuses a JPEG cut short, even by its end marker alone; so do we, at any
// scale. Damaged data gives the whole picture or nothing.
TEST(JpegDecoder, CutShortOrDamagedJpegsLoadWholeOrNotAtAll) {
    TempDir dir;
    for (const wchar_t* name : {L"texture.jpg", L"texture-progressive.jpg"}) {
        const Bytes whole = Sample(name);
        for (size_t length : {whole.size() / 8, whole.size() / 2, whole.size() - 100, whole.size() - 2}) {
            SCOPED_TRACE(std::to_string(length) + " of " + std::to_string(whole.size()) + " bytes");
            const Bytes cut(whole.begin(), whole.begin() + length);
            Picture ours, system;
            EXPECT_FALSE(ours.LoadFromBytes(cut));
            EXPECT_FALSE(ours.LoadFromBytes(cut, DecodeHint{40, 30}));
            WriteAll(dir / L"cut.jpg", std::string(cut.begin(), cut.end()));
            EXPECT_FALSE(ours.LoadFromFile(dir / L"cut.jpg")) << "read piece by piece";
            EXPECT_FALSE(system.LoadFromBytes(ForSystemLoader(cut))) << "the system's loader changed its mind";
        }
        std::mt19937 random(11);
        for (int i = 0; i < 40; ++i) {
            // Random bytes after the headers (the first 600 bytes), or a few bytes changed anywhere.
            Bytes bytes = whole;
            if (i % 2)
                for (size_t at = 600; at + 2 < bytes.size(); ++at) bytes[at] = static_cast<unsigned char>(random());
            else
                for (int flips = 0; flips < 6; ++flips)
                    bytes[random() % bytes.size()] = static_cast<unsigned char>(random());
            for (DecodeHint hint : {DecodeHint{}, DecodeHint{40, 30}}) {
                Picture picture;
                if (picture.LoadFromBytes(bytes, hint)) {
                    // A changed header may claim another size; the picture is whole at that size.
                    const SIZE full = picture.GetFullSize();
                    const int eighths = ChooseEighths(full.cx, full.cy, hint);
                    EXPECT_EQ(picture.GetWidth(), static_cast<int>(ScaledSide(full.cx, eighths))) << "case " << i;
                    EXPECT_EQ(picture.GetHeight(), static_cast<int>(ScaledSide(full.cy, eighths))) << "case " << i;
                } else {
                    EXPECT_TRUE(picture.IsEmpty()) << "case " << i;
                }
            }
        }
    }
}

TEST(JpegDecoder, AHugePictureLoadsWhenItsScaledBitmapFits) {
    const Bytes huge = FlatGreyJpeg(30000, 30000);
    Picture whole;
    EXPECT_FALSE(whole.LoadFromBytes(huge)) << "3.6 GB decoded whole";
    Picture scaled;
    ASSERT_TRUE(scaled.LoadFromBytes(huge, DecodeHint{1920, 1080})) << "56 MB at 1/8";
    EXPECT_EQ(scaled.GetWidth(), 3750);
    EXPECT_EQ(scaled.GetHeight(), 3750);
    EXPECT_EQ(scaled.GetFullSize().cx, 30000);
    EXPECT_TRUE(Near(GetPixel(scaled.GetDC(), 3749, 3749), RGB(128, 128, 128), 1));
}
