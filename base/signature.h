#pragma once
// Detached signatures as `openssl dgst -sha256 -sign` makes them (RSA, PKCS #1 v1.5, SHA-256),
// checked with the CryptoAPI against a list of trusted public keys.
#include <string>
#include <string_view>
#include <vector>

// The DER SubjectPublicKeyInfo of each "PUBLIC KEY" block of a PEM text, in order; blocks
// that are not base64 are left out.
std::vector<std::string> PublicKeysFromPem(std::string_view pem);

// True when signatureBase64 (line breaks and spaces allowed) is a signature of the SHA-256
// digest (32 raw bytes) by one of the keys in trustedKeysPem. Anything else is false: no key,
// a malformed signature, another key, another digest.
bool VerifySignature(std::string_view trustedKeysPem, const std::wstring& signatureBase64, const std::string& sha256);
