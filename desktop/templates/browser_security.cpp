#include "desktop/templates/browser_security.h"

namespace {

// URLACTION_BEHAVIOR_RUN, which the headers hide below IE 6 SP2; older systems never ask.
constexpr DWORD kBehaviorRun = 0x2000;

struct ActionRange {
    DWORD first, last;
};

// Downloads (files, fonts, ActiveX), controls, script, Java and behaviours, and the page
// reaching out: forms, refreshes, frames of other pages, saved user data, shell actions.
constexpr ActionRange kRefused[] = {
    {URLACTION_DOWNLOAD_MIN, URLACTION_DOWNLOAD_MAX},
    {URLACTION_ACTIVEX_MIN, URLACTION_ACTIVEX_MAX},
    {URLACTION_SCRIPT_MIN, URLACTION_SCRIPT_MAX},
    {URLACTION_HTML_SUBMIT_FORMS, URLACTION_HTML_META_REFRESH},
    {URLACTION_SHELL_MIN, URLACTION_SHELL_MAX},
    {URLACTION_JAVA_MIN, URLACTION_JAVA_MAX},
    {kBehaviorRun, kBehaviorRun},
};

}  // namespace

bool LockedSecurityManager::IsRefused(DWORD action) {
    for (const ActionRange& range : kRefused)
        if (action >= range.first && action <= range.last) return true;
    return false;
}

HRESULT STDMETHODCALLTYPE LockedSecurityManager::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IInternetSecurityManager) return E_NOINTERFACE;
    *object = static_cast<IInternetSecurityManager*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE LockedSecurityManager::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG STDMETHODCALLTYPE LockedSecurityManager::Release() {
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE LockedSecurityManager::GetSecuritySite(IInternetSecurityMgrSite** site) {
    if (site) *site = nullptr;
    return INET_E_DEFAULT_ACTION;
}

HRESULT STDMETHODCALLTYPE LockedSecurityManager::ProcessUrlAction(LPCWSTR, DWORD action, BYTE* policy, DWORD policySize,
                                                                  BYTE*, DWORD, DWORD, DWORD) {
    if (!IsRefused(action)) return INET_E_DEFAULT_ACTION;
    // The policy is a DWORD when the caller gives room for one; refused either way.
    if (policy && policySize >= sizeof(DWORD)) {
        const DWORD disallow = URLPOLICY_DISALLOW;
        CopyMemory(policy, &disallow, sizeof(disallow));
    }
    return S_FALSE;
}
