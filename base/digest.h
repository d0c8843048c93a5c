#pragma once
// Message digests through the Windows CryptoAPI.
#include <cstddef>
#include <memory>
#include <string>

enum class HexCase { Lower, Upper };

// The MD5 digest of the bytes as 32 hexadecimal digits; empty if the system cannot compute it.
std::wstring Md5Hex(const void* data, size_t size, HexCase letters = HexCase::Lower);
// The SHA-256 digest of the bytes as 64 hexadecimal digits; empty if the system cannot compute
// it (systems older than XP SP3 have no provider for it).
std::wstring Sha256Hex(const void* data, size_t size, HexCase letters = HexCase::Lower);

// What a published checksum says of some bytes: 32 hexadecimal digits are their MD5, 64 their
// SHA-256, compared without regard to case. Anything else (nothing, another length, other
// characters), or a digest the system cannot compute, vouches for nothing.
enum class ChecksumVerdict { Match, Mismatch, Unverifiable };
ChecksumVerdict CheckDigest(const std::wstring& checksum, const void* data, size_t size);
// The same verdict from digests already computed (hexadecimal, either case; empty when unknown).
ChecksumVerdict CheckDigests(const std::wstring& checksum, const std::wstring& md5Hex, const std::wstring& sha256Hex);

// MD5 and SHA-256 of bytes that arrive in pieces (a file read in chunks), so that a checksum
// of either kind and a signature can be checked after a single pass.
class DigestStream {
public:
    DigestStream();
    ~DigestStream();
    DigestStream(const DigestStream&) = delete;
    DigestStream& operator=(const DigestStream&) = delete;

    void Add(const void* data, size_t size);
    // The raw digests (16 and 32 bytes) of everything added; empty when the system could not
    // compute one. Add nothing after these.
    std::string Md5();
    std::string Sha256();

private:
    struct Hashes;
    std::unique_ptr<Hashes> m_hashes;
};

std::wstring HexOf(const std::string& bytes, HexCase letters = HexCase::Lower);
