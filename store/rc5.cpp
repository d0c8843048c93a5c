#include "store/rc5.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kP = 0xB7E15163;
constexpr std::uint32_t kQ = 0x9E3779B9;

// Written so that GCC emits single rol/ror instructions.
inline std::uint32_t RotateLeft(std::uint32_t x, std::uint32_t n) { return (x << (n & 31)) | (x >> ((32 - n) & 31)); }
inline std::uint32_t RotateRight(std::uint32_t x, std::uint32_t n) { return (x >> (n & 31)) | (x << ((32 - n) & 31)); }

// memcpy compiles to one plain load or store; the byte shuffle only matters on big-endian hosts.
inline std::uint32_t LoadWord(const unsigned char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap32(word);
#endif
    return word;
}
inline void StoreWord(unsigned char* p, std::uint32_t word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap32(word);
#endif
    std::memcpy(p, &word, 4);
}

inline void EncipherRound(std::uint32_t& a, std::uint32_t& b, const std::uint32_t* s) {
    a = RotateLeft(a ^ b, b) + s[0];
    b = RotateLeft(b ^ a, a) + s[1];
}
inline void DecipherRound(std::uint32_t& a, std::uint32_t& b, const std::uint32_t* s) {
    b = RotateRight(b - s[1], a) ^ a;
    a = RotateRight(a - s[0], b) ^ b;
}

// Blocks are independent in ECB mode, so four run side by side: one block alone is a chain
// of dependent rotations and leaves most of the processor idle. Plain locals, not arrays,
// so that all eight words stay in registers.
template <int Rounds>
void EncipherFour(const std::uint32_t* s, unsigned char* p) {
    std::uint32_t a0 = LoadWord(p) + s[0], b0 = LoadWord(p + 4) + s[1];
    std::uint32_t a1 = LoadWord(p + 8) + s[0], b1 = LoadWord(p + 12) + s[1];
    std::uint32_t a2 = LoadWord(p + 16) + s[0], b2 = LoadWord(p + 20) + s[1];
    std::uint32_t a3 = LoadWord(p + 24) + s[0], b3 = LoadWord(p + 28) + s[1];
#pragma GCC unroll 12
    for (int i = 1; i <= Rounds; ++i) {
        EncipherRound(a0, b0, s + 2 * i);
        EncipherRound(a1, b1, s + 2 * i);
        EncipherRound(a2, b2, s + 2 * i);
        EncipherRound(a3, b3, s + 2 * i);
    }
    StoreWord(p, a0), StoreWord(p + 4, b0), StoreWord(p + 8, a1), StoreWord(p + 12, b1);
    StoreWord(p + 16, a2), StoreWord(p + 20, b2), StoreWord(p + 24, a3), StoreWord(p + 28, b3);
}

template <int Rounds>
void DecipherFour(const std::uint32_t* s, unsigned char* p) {
    std::uint32_t a0 = LoadWord(p), b0 = LoadWord(p + 4), a1 = LoadWord(p + 8), b1 = LoadWord(p + 12);
    std::uint32_t a2 = LoadWord(p + 16), b2 = LoadWord(p + 20), a3 = LoadWord(p + 24), b3 = LoadWord(p + 28);
#pragma GCC unroll 12
    for (int i = Rounds; i >= 1; --i) {
        DecipherRound(a0, b0, s + 2 * i);
        DecipherRound(a1, b1, s + 2 * i);
        DecipherRound(a2, b2, s + 2 * i);
        DecipherRound(a3, b3, s + 2 * i);
    }
    StoreWord(p, a0 - s[0]), StoreWord(p + 4, b0 - s[1]), StoreWord(p + 8, a1 - s[0]), StoreWord(p + 12, b1 - s[1]);
    StoreWord(p + 16, a2 - s[0]), StoreWord(p + 20, b2 - s[1]), StoreWord(p + 24, a3 - s[0]);
    StoreWord(p + 28, b3 - s[1]);
}

template <int Rounds>
void EncipherOne(const std::uint32_t* s, unsigned char* p) {
    std::uint32_t a = LoadWord(p) + s[0], b = LoadWord(p + 4) + s[1];
    for (int i = 1; i <= Rounds; ++i) EncipherRound(a, b, s + 2 * i);
    StoreWord(p, a), StoreWord(p + 4, b);
}

template <int Rounds>
void DecipherOne(const std::uint32_t* s, unsigned char* p) {
    std::uint32_t a = LoadWord(p), b = LoadWord(p + 4);
    for (int i = Rounds; i >= 1; --i) DecipherRound(a, b, s + 2 * i);
    StoreWord(p, a - s[0]), StoreWord(p + 4, b - s[1]);
}

}  // namespace

Rc5::Rc5(const void* key, size_t keyLength) {
    constexpr size_t kWords = kKeyBytes / 4;
    constexpr size_t kSubkeys = 2 * kRounds + 2;
    unsigned char bytes[kKeyBytes] = {};
    if (key) std::memcpy(bytes, key, std::min(keyLength, kKeyBytes));
    std::uint32_t l[kWords];
    for (size_t i = 0; i < kWords; ++i) l[i] = LoadWord(bytes + 4 * i);

    m_subkeys[0] = kP;
    for (size_t i = 1; i < kSubkeys; ++i) m_subkeys[i] = m_subkeys[i - 1] + kQ;
    std::uint32_t a = 0, b = 0;
    size_t i = 0, j = 0;
    for (size_t step = 0; step < 3 * std::max(kSubkeys, kWords); ++step) {
        a = m_subkeys[i] = RotateLeft(m_subkeys[i] + a + b, 3);
        b = l[j] = RotateLeft(l[j] + a + b, a + b);
        i = (i + 1) % kSubkeys;
        j = (j + 1) % kWords;
    }
}

void Rc5::EncipherBlocks(unsigned char* data, size_t blocks) const {
    size_t done = 0;
    for (; done + 4 <= blocks; done += 4) EncipherFour<kRounds>(m_subkeys, data + done * kBlockBytes);
    for (; done < blocks; ++done) EncipherOne<kRounds>(m_subkeys, data + done * kBlockBytes);
}

void Rc5::DecipherBlocks(unsigned char* data, size_t blocks) const {
    size_t done = 0;
    for (; done + 4 <= blocks; done += 4) DecipherFour<kRounds>(m_subkeys, data + done * kBlockBytes);
    for (; done < blocks; ++done) DecipherOne<kRounds>(m_subkeys, data + done * kBlockBytes);
}

Bytes Rc5::Encipher(const Bytes& plain) const {
    size_t blocks = (plain.size() + kBlockBytes - 1) / kBlockBytes;
    Bytes cipher(blocks * kBlockBytes, 0);
    if (!plain.empty()) std::memcpy(cipher.data(), plain.data(), plain.size());
    if (blocks) EncipherBlocks(cipher.data(), blocks);
    return cipher;
}

Bytes Rc5::Decipher(const Bytes& cipher) const {
    Bytes plain(cipher);
    if (!plain.empty()) DecipherBlocks(plain.data(), plain.size() / kBlockBytes);
    return plain;
}
