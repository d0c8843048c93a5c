#include "base/crypt_provider.h"

#include "base/debug_log.h"
#include "base/handles.h"

namespace {

UniqueCryptProvider AcquireProvider(DWORD type) {
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextW(&handle, nullptr, nullptr, type, CRYPT_VERIFYCONTEXT)) {
        LogLastError(L"CryptAcquireContextW");
        handle = 0;
    }
    return UniqueCryptProvider(handle);
}

}  // namespace

HCRYPTPROV RsaFullProvider() {
    static const UniqueCryptProvider provider = AcquireProvider(PROV_RSA_FULL);
    return provider.get();
}

HCRYPTPROV RsaAesProvider() {
    static const UniqueCryptProvider provider = AcquireProvider(PROV_RSA_AES);
    return provider.get();
}
