#include "base/digest.h"

#include <algorithm>

#include "base/debug_log.h"
#include "base/handles.h"

namespace {

// Acquiring a provider costs milliseconds; one for the process serves every digest
// (provider handles may be shared between threads).
HCRYPTPROV Provider() {
    static const UniqueCryptProvider provider = [] {
        HCRYPTPROV handle = 0;
        if (!CryptAcquireContextW(&handle, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
            LogLastError(L"CryptAcquireContextW");
            handle = 0;
        }
        return UniqueCryptProvider(handle);
    }();
    return provider.get();
}

}  // namespace

std::wstring Md5Hex(const void* data, size_t size) {
    HCRYPTPROV provider = Provider();
    if (!provider) return std::wstring();
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
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

    BYTE digest[16];
    DWORD length = sizeof digest;
    if (!CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0) || length != sizeof digest) {
        LogLastError(L"CryptGetHashParam");
        return std::wstring();
    }
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring text;
    for (BYTE b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}
