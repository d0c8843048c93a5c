#pragma once
// The CryptoAPI providers the process shares. Acquiring one costs milliseconds, so each is
// acquired once, on first use; provider handles may be shared between threads. Null when the
// system has no such provider.
#include <windows.h>

#include <wincrypt.h>

// We build for XP, whose headers leave SHA-256 out (it came with SP3); where the provider
// lacks it, CryptCreateHash fails.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)  // 12: SHA-256's algorithm sub-id
#endif

HCRYPTPROV RsaFullProvider();  // MD5
HCRYPTPROV RsaAesProvider();   // SHA-256 and RSA signatures over it: the plain RSA provider has no SHA-2
