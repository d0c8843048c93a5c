#pragma once
// The security manager our browser site hands the control: whatever zone a template's page
// falls into, it may not run script, ActiveX, Java or behaviours, download anything, submit
// forms or refresh itself. Everything else keeps the system's answer.
#include <windows.h>

#include <urlmon.h>

class LockedSecurityManager : public IInternetSecurityManager {
public:
    // Starts with one reference, the caller's.
    LockedSecurityManager() = default;
    LockedSecurityManager(const LockedSecurityManager&) = delete;
    LockedSecurityManager& operator=(const LockedSecurityManager&) = delete;

    // The actions refused for every URL.
    static bool IsRefused(DWORD action);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IInternetSecurityManager: only the actions are ours, the rest is the default's.
    HRESULT STDMETHODCALLTYPE SetSecuritySite(IInternetSecurityMgrSite*) override { return INET_E_DEFAULT_ACTION; }
    HRESULT STDMETHODCALLTYPE GetSecuritySite(IInternetSecurityMgrSite** site) override;
    HRESULT STDMETHODCALLTYPE MapUrlToZone(LPCWSTR, DWORD*, DWORD) override { return INET_E_DEFAULT_ACTION; }
    HRESULT STDMETHODCALLTYPE GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) override {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy, DWORD policySize, BYTE* context,
                                               DWORD contextSize, DWORD flags, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE QueryCustomPolicy(LPCWSTR, REFGUID, BYTE**, DWORD*, BYTE*, DWORD, DWORD) override {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE SetZoneMapping(DWORD, LPCWSTR, DWORD) override { return INET_E_DEFAULT_ACTION; }
    HRESULT STDMETHODCALLTYPE GetZoneMappings(DWORD, IEnumString**, DWORD) override { return INET_E_DEFAULT_ACTION; }

private:
    virtual ~LockedSecurityManager() = default;

    LONG m_references = 1;
};
