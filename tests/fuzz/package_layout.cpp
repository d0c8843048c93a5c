#include "fuzz/package_layout.h"

#include "store/rc5.h"

namespace {

constexpr std::size_t kPrefixBytes = 22;  // magic, header length, key

std::uint32_t ReadLe(const std::string& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string Le(std::uint32_t value, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// Whole blocks only; a trailing partial block stays as it is, as in the program.
std::string Cipher(const std::string& key, std::string data, bool encipher) {
    Rc5 rc5(key.data(), key.size());
    auto* bytes = reinterpret_cast<unsigned char*>(&data[0]);
    std::size_t blocks = data.size() / Rc5::kBlockBytes;
    if (encipher)
        rc5.EncipherBlocks(bytes, blocks);
    else
        rc5.DecipherBlocks(bytes, blocks);
    return data;
}

std::string PadToBlocks(std::string data) {
    data.resize((data.size() + Rc5::kBlockBytes - 1) / Rc5::kBlockBytes * Rc5::kBlockBytes, '\0');
    return data;
}

PackageLayout DecodeCurrent(const std::string& file) {
    PackageLayout layout;
    layout.form = PackageLayout::Form::Current;
    layout.declaredLength = ReadLe(file, 4, 2);
    layout.key = file.substr(6, 16);
    std::string header = file.substr(kPrefixBytes, layout.declaredLength);
    layout.header = Cipher(layout.key, header, false);
    while (!layout.header.empty() && layout.header.back() == '\0') layout.header.pop_back();
    if (file.size() > kPrefixBytes + layout.declaredLength)
        layout.payload = Cipher(layout.key, file.substr(kPrefixBytes + layout.declaredLength), false);
    // A header length that is not the enciphered header's is part of the input.
    layout.lengthChanged = layout.declaredLength != PadToBlocks(layout.header).size();
    return layout;
}

PackageLayout DecodeLegacy(const std::string& file, const std::string& fileName) {
    PackageLayout layout;
    std::string content = Cipher(fileName, file, false);
    if (content.size() < 4 + fileName.size() || content.compare(4, fileName.size(), fileName) != 0) {
        layout.raw = file;
        return layout;
    }
    layout.form = PackageLayout::Form::Legacy;
    layout.key = fileName;
    layout.declaredLength = ReadLe(content, 0, 4);
    layout.legacyName = fileName;
    layout.payload = content.substr(4 + fileName.size());
    layout.lengthChanged = layout.declaredLength != layout.payload.size();
    return layout;
}

}  // namespace

PackageLayout PackageLayout::Decode(const std::string& file, const std::string& fileName) {
    if (file.size() >= kPrefixBytes && file.compare(0, 4, "KSP1") == 0) return DecodeCurrent(file);
    if (file.compare(0, 4, "KSP1") != 0) return DecodeLegacy(file, fileName);
    PackageLayout layout;
    layout.raw = file;
    return layout;
}

std::string PackageLayout::Encode() const {
    switch (form) {
        case Form::Current: {
            std::string header = Cipher(key, PadToBlocks(this->header), true);
            std::uint32_t length = lengthChanged ? declaredLength : static_cast<std::uint32_t>(header.size());
            return "KSP1" + Le(length, 2) + key + header + Cipher(key, PadToBlocks(payload), true);
        }
        case Form::Legacy: {
            std::uint32_t length = lengthChanged ? declaredLength : static_cast<std::uint32_t>(payload.size());
            return Cipher(key, Le(length, 4) + legacyName + payload, true);
        }
        default:
            return raw;
    }
}

void PackageLayout::ChangeLengthField(Rng& rng) {
    static const std::uint32_t kEdges[] = {0,      1,      7,      8,          9,           0x7FFF,
                                           0x8000, 0xFFF8, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    std::uint32_t real =
        static_cast<std::uint32_t>(form == Form::Current ? PadToBlocks(header).size() : payload.size());
    // Near the real length (off by a block or a byte) as often as at the edges.
    declaredLength = rng.OneIn(2) ? kEdges[rng.Below(sizeof kEdges / sizeof kEdges[0])]
                                  : real + static_cast<std::uint32_t>(rng.Below(17)) - 8;
    lengthChanged = true;
}

void PackageLayout::ChangeKey(Rng& rng) {
    std::string& target = form == Form::Legacy ? legacyName : key;
    if (target.empty()) return;
    target[rng.Below(target.size())] ^= static_cast<char>(1u << rng.Below(8));
}
