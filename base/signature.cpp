#include "base/signature.h"

#include <algorithm>

#include "base/crypt_provider.h"
#include "base/debug_log.h"
#include "base/handles.h"

namespace {

// A signature is as long as the key's modulus: 384 bytes for RSA 3072, 1024 for the largest
// key anyone signs with. Longer text is not a signature and is not decoded.
constexpr size_t kMaxSignatureBytes = 1024;
constexpr size_t kSha256Bytes = 32;

template <typename Char>
std::string DecodeBase64(const std::basic_string<Char>& text) {
    DWORD size = 0;
    auto decode = [&](BYTE* out) {
        if constexpr (sizeof(Char) == 1)
            return CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, out, &size,
                                        nullptr, nullptr);
        else
            return CryptStringToBinaryW(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, out, &size,
                                        nullptr, nullptr);
    };
    if (text.empty() || !decode(nullptr) || size == 0) return std::string();
    std::string bytes(size, '\0');
    if (!decode(reinterpret_cast<BYTE*>(&bytes[0]))) return std::string();
    bytes.resize(size);
    return bytes;
}

UniqueCryptKey ImportPublicKey(HCRYPTPROV provider, const std::string& der) {
    CERT_PUBLIC_KEY_INFO* info = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, reinterpret_cast<const BYTE*>(der.data()),
                             static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &size)) {
        LogLastError(L"CryptDecodeObjectEx");
        return UniqueCryptKey();
    }
    HCRYPTKEY key = 0;
    if (!CryptImportPublicKeyInfo(provider, X509_ASN_ENCODING, info, &key)) {
        LogLastError(L"CryptImportPublicKeyInfo");
        key = 0;
    }
    LocalFree(info);
    return UniqueCryptKey(key);
}

// signature is little-endian, as CryptoAPI wants it.
bool VerifyWithKey(HCRYPTPROV provider, const std::string& keyDer, const std::string& signature,
                   const std::string& sha256) {
    UniqueCryptKey key = ImportPublicKey(provider, keyDer);
    HCRYPTHASH rawHash = 0;
    if (!key || !CryptCreateHash(provider, CALG_SHA_256, 0, 0, &rawHash)) return false;
    UniqueCryptHash hash(rawHash);
    if (!CryptSetHashParam(hash.get(), HP_HASHVAL, reinterpret_cast<const BYTE*>(sha256.data()), 0)) {
        LogLastError(L"CryptSetHashParam");
        return false;
    }
    return CryptVerifySignatureW(hash.get(), reinterpret_cast<const BYTE*>(signature.data()),
                                 static_cast<DWORD>(signature.size()), key.get(), nullptr, 0) != FALSE;
}

}  // namespace

std::vector<std::string> PublicKeysFromPem(std::string_view pem) {
    static constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
    static constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
    std::vector<std::string> keys;
    for (size_t at = pem.find(kBegin); at != std::string_view::npos; at = pem.find(kBegin, at)) {
        at += kBegin.size();
        const size_t end = pem.find(kEnd, at);
        if (end == std::string_view::npos) break;
        std::string der = DecodeBase64(std::string(pem.substr(at, end - at)));
        if (!der.empty()) keys.push_back(std::move(der));
        at = end + kEnd.size();
    }
    return keys;
}

bool VerifySignature(std::string_view trustedKeysPem, const std::wstring& signatureBase64, const std::string& sha256) {
    const HCRYPTPROV provider = RsaAesProvider();
    if (!provider || sha256.size() != kSha256Bytes) return false;
    std::wstring text;
    for (wchar_t c : signatureBase64)
        if (c != L' ' && c != L'\t' && c != L'\r' && c != L'\n') text += c;
    if (text.size() > (kMaxSignatureBytes + 2) / 3 * 4) return false;
    std::string signature = DecodeBase64(text);
    if (signature.empty()) return false;
    // openssl writes the signature big-endian.
    std::reverse(signature.begin(), signature.end());
    for (const std::string& key : PublicKeysFromPem(trustedKeysPem))
        if (VerifyWithKey(provider, key, signature, sha256)) return true;
    return false;
}
