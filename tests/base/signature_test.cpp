// Update signatures: openssl's RSA PKCS #1 v1.5 SHA-256 signatures checked with the CryptoAPI,
// against fixtures made by the development-only key and a throwaway one.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/digest.h"
#include "base/signature.h"
#include "support/signature_fixtures.h"

namespace {

std::string Sha256Of(const std::string& bytes) {
    DigestStream digests;
    digests.Add(bytes.data(), bytes.size());
    return digests.Sha256();
}

}  // namespace

TEST(Signature, OnlyATrustedKeysSignatureOfTheseBytesVerifies) {
    using namespace fixtures;
    const std::string digest = Sha256Of(kSignedMessage);
    ASSERT_EQ(digest.size(), 32u);
    const std::wstring good = kDevelopmentSignature;
    EXPECT_TRUE(VerifySignature(kDevelopmentPublicKey, good, digest));
    const std::string both = std::string(kOtherPublicKey) + kDevelopmentPublicKey;
    EXPECT_EQ(PublicKeysFromPem(both).size(), 2u);
    EXPECT_TRUE(VerifySignature(both, good, digest)) << "any key of the list will do: keys can be rotated";

    std::string flipped = kSignedMessage;
    flipped[3] ^= 1;
    EXPECT_FALSE(VerifySignature(kDevelopmentPublicKey, good, Sha256Of(flipped))) << "a bit flipped in the data";
    std::wstring damaged = good;
    const size_t at = damaged.find(L'A', 200);
    ASSERT_NE(at, std::wstring::npos);
    damaged[at] = L'B';  // one bit of the signature
    EXPECT_FALSE(VerifySignature(kDevelopmentPublicKey, damaged, digest)) << "a bit flipped in the signature";
    EXPECT_FALSE(VerifySignature(kDevelopmentPublicKey, kOtherKeySignature, digest)) << "signed by another key";
    EXPECT_FALSE(VerifySignature(kOtherPublicKey, good, digest)) << "a key nobody trusts here";
    EXPECT_TRUE(VerifySignature(kOtherPublicKey, kOtherKeySignature, digest));

    EXPECT_FALSE(VerifySignature("", good, digest)) << "an empty key list trusts nothing";
    EXPECT_FALSE(VerifySignature("-----BEGIN PUBLIC KEY-----\n@@@\n-----END PUBLIC KEY-----\n", good, digest));
    EXPECT_TRUE(PublicKeysFromPem("-----BEGIN PUBLIC KEY-----\nMIIB").empty()) << "a block without its end";
    EXPECT_FALSE(VerifySignature(kDevelopmentPublicKey, good, digest.substr(0, 31)));
    EXPECT_FALSE(VerifySignature(kDevelopmentPublicKey, good.substr(0, good.size() / 2), digest)) << "truncated";
    for (const wchar_t* bad : {L"", L"  \r\n", L"!!!!", L"AAAA", L"wn8cOsos*kIe", L"\u00e9\u00e9\u00e9\u00e9"})
        EXPECT_FALSE(VerifySignature(kDevelopmentPublicKey, bad, digest)) << bad;
    EXPECT_FALSE(VerifySignature(kDevelopmentPublicKey, std::wstring(1 << 20, L'A'), digest)) << "oversized";

    std::mt19937 random(20261209);
    const wchar_t* alphabet = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int round = 0; round < 20; ++round) {
        std::wstring noise(512, L'A');
        for (wchar_t& c : noise) c = alphabet[random() % 64];
        EXPECT_FALSE(VerifySignature(kDevelopmentPublicKey, noise, digest)) << "random base64";
        std::string keyNoise(600, '\0');
        for (char& c : keyNoise) c = static_cast<char>(random());
        EXPECT_FALSE(
            VerifySignature("-----BEGIN PUBLIC KEY-----" + keyNoise + "-----END PUBLIC KEY-----", good, digest));
    }
}
