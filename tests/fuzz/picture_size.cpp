#include "fuzz/picture_size.h"

#include <vector>

namespace {

void PutBe(std::string& bytes, std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<char>((value >> (8 * (count - 1 - i))) & 0xFF);
}

void PutLe(std::string& bytes, std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t Crc32(const std::string& bytes, std::size_t from, std::size_t to) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = from; i < to; ++i) {
        crc ^= static_cast<unsigned char>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Sides worth trying: empty, tiny, at the 15- and 16-bit edges, and far beyond any screen.
std::uint32_t PickSide(std::uint32_t maxSide, std::uint32_t fieldMax, Rng& rng) {
    static const std::uint32_t kSides[] = {0,     1,      2,        3,          16,          255,        256,
                                           1000,  4096,   0x7FFF,   0x8000,     20000,       30000,      0xFFFF,
                                           65536, 100000, 1u << 24, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    std::vector<std::uint32_t> allowed;
    for (std::uint32_t side : kSides)
        if (side <= maxSide && side <= fieldMax) allowed.push_back(side);
    return allowed[rng.Below(allowed.size())];
}

// Start-of-frame markers of every JPEG coding: 0xC0..0xCF without DHT, JPG and DAC.
std::size_t FindJpegFrame(const std::string& bytes) {
    for (std::size_t i = 2; i + 9 <= bytes.size(); ++i) {
        auto marker = static_cast<unsigned char>(bytes[i + 1]);
        if (static_cast<unsigned char>(bytes[i]) == 0xFF && marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
            marker != 0xC8 && marker != 0xCC)
            return i;
    }
    return std::string::npos;
}

}  // namespace

void ChangePictureSize(std::string& bytes, std::uint32_t maxSide, Rng& rng) {
    auto starts = [&](const char* signature, std::size_t length) {
        return bytes.compare(0, length, signature, length) == 0;
    };
    if (starts("\xFF\xD8", 2)) {
        std::size_t frame = FindJpegFrame(bytes);
        if (frame == std::string::npos) return;
        PutBe(bytes, frame + 5, PickSide(maxSide, 0xFFFF, rng), 2);  // height
        PutBe(bytes, frame + 7, PickSide(maxSide, 0xFFFF, rng), 2);  // width
    } else if (starts("GIF8", 4) && bytes.size() >= 13) {
        std::uint32_t width = PickSide(maxSide, 0xFFFF, rng), height = PickSide(maxSide, 0xFFFF, rng);
        PutLe(bytes, 6, width, 2);
        PutLe(bytes, 8, height, 2);
        std::size_t image = bytes.find('\x2C', 13);  // the first image descriptor, most likely
        if (image != std::string::npos && image + 9 <= bytes.size() && rng.OneIn(2)) {
            PutLe(bytes, image + 5, width, 2);
            PutLe(bytes, image + 7, height, 2);
        }
    } else if (starts("BM", 2) && bytes.size() >= 34) {
        PutLe(bytes, 18, PickSide(maxSide, 0xFFFFFFFFu, rng), 4);
        PutLe(bytes, 22, PickSide(maxSide, 0xFFFFFFFFu, rng), 4);
        // Run-length coding: the pixels no longer have to fit in the file.
        if (rng.OneIn(2)) PutLe(bytes, 30, rng.OneIn(2) ? 1 : 2, 4);
    } else if (starts("\x89PNG\r\n\x1A\n", 8) && bytes.size() >= 33) {
        PutBe(bytes, 16, PickSide(maxSide, 0x7FFFFFFF, rng), 4);
        PutBe(bytes, 20, PickSide(maxSide, 0x7FFFFFFF, rng), 4);
        PutBe(bytes, 29, Crc32(bytes, 12, 29), 4);  // the IHDR chunk's CRC, or the decoder stops there
    }
}
