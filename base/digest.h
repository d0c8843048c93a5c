#pragma once
// Message digests through the Windows CryptoAPI.
#include <string>

// The MD5 digest of the bytes as 32 lowercase hexadecimal digits; empty if the system
// cannot compute it.
std::wstring Md5Hex(const void* data, size_t size);
