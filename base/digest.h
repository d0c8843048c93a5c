#pragma once
// Message digests through the Windows CryptoAPI.
#include <cstddef>
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
