#include "base/digest.h"

#include <algorithm>

#include "base/crypt_provider.h"
#include "base/debug_log.h"
#include "base/handles.h"

namespace {

UniqueCryptHash CreateHash(HCRYPTPROV provider, ALG_ID algorithm) {
    HCRYPTHASH hash = 0;
    if (provider && !CryptCreateHash(provider, algorithm, 0, 0, &hash)) {
        LogLastError(L"CryptCreateHash");
        hash = 0;
    }
    return UniqueCryptHash(hash);
}

// A hash the system fails on is dropped: it yields no digest.
void AddToHash(UniqueCryptHash& hash, const void* data, size_t size) {
    // CryptHashData takes a DWORD count: feed anything larger in pieces.
    const BYTE* bytes = static_cast<const BYTE*>(data);
    while (hash && size > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        if (!CryptHashData(hash.get(), bytes, chunk, 0)) {
            LogLastError(L"CryptHashData");
            hash.reset();
        }
        bytes += chunk;
        size -= chunk;
    }
}

std::string HashValue(const UniqueCryptHash& hash) {
    if (!hash) return std::string();
    BYTE digest[64];
    DWORD length = sizeof digest;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0) || length == 0 || length > sizeof digest) {
        LogLastError(L"CryptGetHashParam");
        return std::string();
    }
    return std::string(reinterpret_cast<const char*>(digest), length);
}

std::wstring HashHex(HCRYPTPROV provider, ALG_ID algorithm, const void* data, size_t size, HexCase letters) {
    UniqueCryptHash hash = CreateHash(provider, algorithm);
    AddToHash(hash, data, size);
    return HexOf(HashValue(hash), letters);
}

}  // namespace

std::wstring Md5Hex(const void* data, size_t size, HexCase letters) {
    return HashHex(RsaFullProvider(), CALG_MD5, data, size, letters);
}

std::wstring Sha256Hex(const void* data, size_t size, HexCase letters) {
    return HashHex(RsaAesProvider(), CALG_SHA_256, data, size, letters);
}

std::wstring HexOf(const std::string& bytes, HexCase letters) {
    const wchar_t* hex = letters == HexCase::Upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring text;
    for (unsigned char byte : bytes) {
        text += hex[byte >> 4];
        text += hex[byte & 15];
    }
    return text;
}

struct DigestStream::Hashes {
    UniqueCryptHash md5 = CreateHash(RsaFullProvider(), CALG_MD5);
    UniqueCryptHash sha256 = CreateHash(RsaAesProvider(), CALG_SHA_256);
};

DigestStream::DigestStream() : m_hashes(std::make_unique<Hashes>()) {}
DigestStream::~DigestStream() = default;

void DigestStream::Add(const void* data, size_t size) {
    AddToHash(m_hashes->md5, data, size);
    AddToHash(m_hashes->sha256, data, size);
}

std::string DigestStream::Md5() { return HashValue(m_hashes->md5); }
std::string DigestStream::Sha256() { return HashValue(m_hashes->sha256); }

ChecksumVerdict CheckDigest(const std::wstring& checksum, const void* data, size_t size) {
    if (checksum.size() == 32) return CheckDigests(checksum, Md5Hex(data, size), L"");
    if (checksum.size() == 64) return CheckDigests(checksum, L"", Sha256Hex(data, size));
    return ChecksumVerdict::Unverifiable;
}

ChecksumVerdict CheckDigests(const std::wstring& checksum, const std::wstring& md5Hex, const std::wstring& sha256Hex) {
    // ASCII only: the C library counts full-width digits as hexadecimal too.
    auto hexDigit = [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    };
    if (checksum.empty() || !std::all_of(checksum.begin(), checksum.end(), hexDigit))
        return ChecksumVerdict::Unverifiable;
    auto lower = [](std::wstring text) {
        for (wchar_t& c : text)
            if (c >= L'A' && c <= L'F') c = static_cast<wchar_t>(c - L'A' + L'a');
        return text;
    };
    const std::wstring digest = lower(checksum.size() == 32   ? md5Hex
                                      : checksum.size() == 64 ? sha256Hex
                                                              : std::wstring());
    if (digest.size() != checksum.size()) return ChecksumVerdict::Unverifiable;
    const std::wstring expected = lower(checksum);
    return expected == digest ? ChecksumVerdict::Match : ChecksumVerdict::Mismatch;
}
