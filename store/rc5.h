#pragma once
// RC5-32/12/16 in electronic-codebook mode on 8-byte blocks, as the package files use it.
#include <cstddef>
#include <cstdint>

#include "base/bytes.h"

class Rc5 {
public:
    static constexpr size_t kKeyBytes = 16;
    static constexpr size_t kBlockBytes = 8;

    // A shorter key is padded with zero bytes to 16; of a longer one the first 16 count.
    Rc5(const void* key, size_t keyLength);

    // Zero-padded to whole blocks (an empty buffer stays empty).
    Bytes Encipher(const Bytes& plain) const;
    // Whole blocks deciphered; a trailing partial block is passed through unchanged.
    Bytes Decipher(const Bytes& cipher) const;

    // In place, on whole blocks (A = bytes 0-3, B = bytes 4-7, little-endian).
    void EncipherBlocks(unsigned char* data, size_t blocks) const;
    void DecipherBlocks(unsigned char* data, size_t blocks) const;

private:
    static constexpr int kRounds = 12;
    std::uint32_t m_subkeys[2 * kRounds + 2];
};
