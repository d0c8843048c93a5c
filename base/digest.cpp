#include "base/digest.h"

#include <algorithm>

#include "base/debug_log.h"
#include "base/handles.h"

// We build for XP, whose headers leave SHA-256 out (it came with SP3); where the provider
// lacks it, CryptCreateHash fails and the digest is empty.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)  // 12: SHA-256's algorithm sub-id
#endif

namespace {

// Acquiring a provider costs milliseconds; one per type for the process serves every digest
// (provider handles may be shared between threads).
UniqueCryptProvider AcquireProvider(DWORD type) {
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextW(&handle, nullptr, nullptr, type, CRYPT_VERIFYCONTEXT)) {
        LogLastError(L"CryptAcquireContextW");
        handle = 0;
    }
    return UniqueCryptProvider(handle);
}

HCRYPTPROV RsaFullProvider() {
    static const UniqueCryptProvider provider = AcquireProvider(PROV_RSA_FULL);
    return provider.get();
}

// The plain RSA provider has no SHA-2.
HCRYPTPROV RsaAesProvider() {
    static const UniqueCryptProvider provider = AcquireProvider(PROV_RSA_AES);
    return provider.get();
}

std::wstring HashHex(HCRYPTPROV provider, ALG_ID algorithm, const void* data, size_t size, HexCase letters) {
    if (!provider) return std::wstring();
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, algorithm, 0, 0, &hash)) {
        LogLastError(L"CryptCreateHash");
        return std::wstring();
    }
    UniqueCryptHash ownedHash(hash);
    // CryptHashData takes a DWORD count: feed anything larger in pieces.
    const BYTE* bytes = static_cast<const BYTE*>(data);
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        if (!CryptHashData(hash, bytes, chunk, 0)) {
            LogLastError(L"CryptHashData");
            return std::wstring();
        }
        bytes += chunk;
        size -= chunk;
    }

    BYTE digest[64];
    DWORD length = sizeof digest;
    if (!CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0) || length == 0 || length > sizeof digest) {
        LogLastError(L"CryptGetHashParam");
        return std::wstring();
    }
    const wchar_t* hex = letters == HexCase::Upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring text;
    for (DWORD i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 15];
    }
    return text;
}

}  // namespace

std::wstring Md5Hex(const void* data, size_t size, HexCase letters) {
    return HashHex(RsaFullProvider(), CALG_MD5, data, size, letters);
}

std::wstring Sha256Hex(const void* data, size_t size, HexCase letters) {
    return HashHex(RsaAesProvider(), CALG_SHA_256, data, size, letters);
}

ChecksumVerdict CheckDigest(const std::wstring& checksum, const void* data, size_t size) {
    // ASCII only: the C library counts full-width digits as hexadecimal too.
    auto hexDigit = [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    };
    if (checksum.empty() || !std::all_of(checksum.begin(), checksum.end(), hexDigit))
        return ChecksumVerdict::Unverifiable;
    std::wstring digest;
    if (checksum.size() == 32)
        digest = Md5Hex(data, size, HexCase::Lower);
    else if (checksum.size() == 64)
        digest = Sha256Hex(data, size, HexCase::Lower);
    if (digest.empty()) return ChecksumVerdict::Unverifiable;
    std::wstring expected = checksum;
    for (wchar_t& c : expected)
        if (c >= L'A' && c <= L'F') c = static_cast<wchar_t>(c - L'A' + L'a');
    return expected == digest ? ChecksumVerdict::Match : ChecksumVerdict::Mismatch;
}
