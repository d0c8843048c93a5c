#include "store/rc5.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

Bytes RandomBytes(size_t size, unsigned seed) {
    std::mt19937 engine(seed);
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<unsigned char>(engine());
    return bytes;
}

Rc5 MakeRc5(const Bytes& key) { return Rc5(key.data(), key.size()); }

}  // namespace

// Rivest's RC5-32/12/16 examples: each plaintext is the previous ciphertext.
TEST(Rc5, PublishedVectors) {
    struct Vector {
        const char* key;
        const char* cipher;
    } const vectors[] = {
        {"00000000000000000000000000000000", "21A5DBEE154B8F6D"},
        {"915F4619BE41B2516355A50110A9CE91", "F7C013AC5B2B8952"},
        {"783348E75AEB0F2FD7B169BB8DC16787", "2F42B3B70369FC92"},
        {"DC49DB1375A5584F6485B413B5F12BAF", "65C178B284D197CC"},
        {"5269F149D41BA0152497574D7F153125", "EB44E415DA319824"},
    };
    Bytes plain(8, 0);
    for (const Vector& v : vectors) {
        Rc5 rc5 = MakeRc5(FromHex(v.key));
        Bytes cipher = rc5.Encipher(plain);
        EXPECT_EQ(cipher, FromHex(v.cipher)) << "key " << v.key;
        EXPECT_EQ(rc5.Decipher(cipher), plain) << "key " << v.key;
        plain = FromHex(v.cipher);
    }
}

TEST(Rc5, PaddingAndRoundTrips) {
    Rc5 rc5 = MakeRc5(FromHex("0123456789ABCDEF0011223344556677"));
    for (size_t size : {0, 1, 7, 8, 9, 1 << 20}) {
        Bytes plain = RandomBytes(size, static_cast<unsigned>(size));
        Bytes cipher = rc5.Encipher(plain);
        EXPECT_EQ(cipher.size(), (size + 7) / 8 * 8) << size;
        if (size) {
            EXPECT_NE(Bytes(cipher.begin(), cipher.begin() + 8),
                      Bytes(plain.begin(), plain.begin() + std::min<size_t>(8, size)))
                << size;
        }
        Bytes back = rc5.Decipher(cipher);
        ASSERT_EQ(back.size(), cipher.size()) << size;
        EXPECT_EQ(Bytes(back.begin(), back.begin() + size), plain) << size;
        EXPECT_EQ(Bytes(back.begin() + size, back.end()), Bytes(cipher.size() - size, 0)) << "padding of " << size;
    }
}

TEST(Rc5, DecipherPassesTrailingPartialBlockThrough) {
    Rc5 rc5 = MakeRc5(FromHex("00112233445566778899AABBCCDDEEFF"));
    for (size_t size : {1, 7, 9, 15, 37}) {
        Bytes cipher = RandomBytes(size, 7);
        Bytes plain = rc5.Decipher(cipher);
        ASSERT_EQ(plain.size(), size);
        size_t whole = size / 8 * 8;
        EXPECT_EQ(Bytes(plain.begin() + whole, plain.end()), Bytes(cipher.begin() + whole, cipher.end())) << size;
        EXPECT_EQ(rc5.Encipher(Bytes(plain.begin(), plain.begin() + whole)),
                  Bytes(cipher.begin(), cipher.begin() + whole))
            << size;
    }
}

// Every block on its own, wherever it sits in a buffer: catches mixed-up words or blocks
// when several are processed together.
TEST(Rc5, BlocksAreIndependent) {
    Rc5 rc5 = MakeRc5(FromHex("FFEEDDCCBBAA99887766554433221100"));
    Bytes plain = RandomBytes(8 * 13, 3);
    Bytes cipher = plain;
    rc5.EncipherBlocks(cipher.data(), 13);
    for (size_t block = 0; block < 13; ++block) {
        Bytes one(plain.begin() + 8 * block, plain.begin() + 8 * block + 8);
        rc5.EncipherBlocks(one.data(), 1);
        EXPECT_EQ(one, Bytes(cipher.begin() + 8 * block, cipher.begin() + 8 * block + 8)) << "block " << block;
    }
    rc5.DecipherBlocks(cipher.data(), 13);
    EXPECT_EQ(cipher, plain);
}

TEST(Rc5, KeyIsPaddedOrCutToSixteenBytes) {
    Bytes plain = RandomBytes(64, 11);
    Bytes shortKey = {'a', 'b', 'c'};
    Bytes padded = shortKey;
    padded.resize(16, 0);
    EXPECT_EQ(MakeRc5(shortKey).Encipher(plain), MakeRc5(padded).Encipher(plain));

    Bytes longKey = RandomBytes(24, 5);
    Bytes cut(longKey.begin(), longKey.begin() + 16);
    EXPECT_EQ(MakeRc5(longKey).Encipher(plain), MakeRc5(cut).Encipher(plain));

    // ...but each of the sixteen bytes counts.
    for (size_t i = 0; i < 16; ++i) {
        Bytes changed = cut;
        changed[i] ^= 1;
        EXPECT_NE(MakeRc5(changed).Encipher(plain), MakeRc5(cut).Encipher(plain)) << "key byte " << i;
    }
    EXPECT_EQ(Rc5(nullptr, 0).Encipher(Bytes(8, 0)), FromHex("21A5DBEE154B8F6D"));
}
