#include "desktop/templates/browser_site.h"

#include <exdisp.h>
#include <exdispid.h>
#include <shlwapi.h>
#include <wininet.h>

#include <new>

#include "base/text.h"
#include "desktop/templates/browser_security.h"

namespace {

std::wstring Canonical(const std::wstring& url) {
    wchar_t canonical[INTERNET_MAX_URL_LENGTH];
    DWORD length = INTERNET_MAX_URL_LENGTH;
    return SUCCEEDED(UrlCanonicalizeW(url.c_str(), canonical, &length, 0)) ? std::wstring(canonical) : url;
}

// The file a "file:" URL or a plain path names ("C:\..." or "\\server\..."; the control
// reports some file navigations so); empty for anything else.
std::wstring FileOf(const std::wstring& url) {
    wchar_t path[INTERNET_MAX_URL_LENGTH];
    DWORD length = INTERNET_MAX_URL_LENGTH;
    if (UrlIsFileUrlW(url.c_str()))
        return SUCCEEDED(PathCreateFromUrlW(url.c_str(), path, &length, 0)) ? std::wstring(path) : std::wstring();
    const bool drive = url.size() >= 3 && iswalpha(url[0]) && url[1] == L':' && url[2] == L'\\';
    if ((!drive && url.compare(0, 2, L"\\\\") != 0) || url.size() >= MAX_PATH) return {};
    wchar_t canonical[MAX_PATH];
    return PathCanonicalizeW(canonical, url.c_str()) ? std::wstring(canonical) : std::wstring();
}

bool SameUrl(const std::wstring& a, const std::wstring& b) {
    const std::wstring first = Canonical(a), second = Canonical(b);
    if (first == second) return true;
    // A query or fragment makes another page, even of the same file.
    if (first.find_first_of(L"?#") != std::wstring::npos || second.find_first_of(L"?#") != std::wstring::npos)
        return false;
    // The same file may be spelt in another case or with other escapes.
    const std::wstring firstFile = FileOf(first), secondFile = FileOf(second);
    return !firstFile.empty() && !secondFile.empty() && EqualsIgnoringCase(firstFile, secondFile);
}

// An argument passed by value or through a VARIANT reference.
const VARIANT& Dereferenced(const VARIANT& argument) {
    if (V_VT(&argument) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&argument)) return *V_VARIANTREF(&argument);
    return argument;
}

std::wstring StringOf(const VARIANT& argument) {
    const VARIANT& value = Dereferenced(argument);
    if (V_VT(&value) != VT_BSTR || !V_BSTR(&value)) return {};
    return std::wstring(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
}

// The event's "Cancel" out-argument; null when the caller passed something else.
VARIANT_BOOL* CancelOf(const VARIANT& argument) {
    const VARIANT& value = Dereferenced(argument);
    return V_VT(&value) == (VT_BYREF | VT_BOOL) ? V_BOOLREF(&value) : nullptr;
}

HRESULT SetCancel(const DISPPARAMS& parameters, UINT index, bool cancel) {
    VARIANT_BOOL* flag = index < parameters.cArgs ? CancelOf(parameters.rgvarg[index]) : nullptr;
    if (!flag) return DISP_E_TYPEMISMATCH;
    *flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

}  // namespace

BrowserSite::BrowserSite(HWND window, DocumentComplete onDocumentComplete)
    : m_window(window), m_onDocumentComplete(std::move(onDocumentComplete)) {}

void BrowserSite::Detach() {
    m_window = nullptr;
    m_onDocumentComplete = nullptr;
    m_page.clear();
}

void BrowserSite::SetPage(const std::wstring& url) { m_page = url; }

bool BrowserSite::IsPage(const std::wstring& url) const { return !m_page.empty() && SameUrl(url, m_page); }

HRESULT STDMETHODCALLTYPE BrowserSite::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2)
        *object = static_cast<IDispatch*>(this);
    else if (iid == IID_IDocHostUIHandler)
        *object = static_cast<IDocHostUIHandler*>(this);
    else if (iid == __uuidof(IDocHostShowUI))  // not in MinGW's uuid library
        *object = static_cast<IDocHostShowUI*>(this);
    else if (iid == IID_IServiceProvider)
        *object = static_cast<IServiceProvider*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE BrowserSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }

ULONG STDMETHODCALLTYPE BrowserSite::Release() {
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                        RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* info) {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;  // the frame is the document window too
    if (!m_window || !GetClientRect(m_window, position)) SetRectEmpty(position);
    *clip = *position;
    info->cb = sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    info->hwndFrame = m_window;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                              VARIANT* result, EXCEPINFO*, UINT*) {
    if (id == DISPID_AMBIENT_DLCONTROL) {
        if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(kDownloadControl);
        return S_OK;
    }
    if (!parameters) return DISP_E_PARAMNOTOPTIONAL;
    return OnEvent(id, *parameters);
}

// Arguments come last to first.
HRESULT BrowserSite::OnEvent(DISPID id, const DISPPARAMS& parameters) {
    switch (id) {
        case DISPID_BEFORENAVIGATE2:  // (frame, url, flags, target, post data, headers, cancel)
            if (parameters.cArgs != 7) return DISP_E_BADPARAMCOUNT;
            return SetCancel(parameters, 0, !IsPage(StringOf(parameters.rgvarg[5])));
        case DISPID_NEWWINDOW2:  // (new browser, cancel)
            if (parameters.cArgs != 2) return DISP_E_BADPARAMCOUNT;
            return SetCancel(parameters, 0, true);
        case DISPID_NEWWINDOW3:  // (new browser, cancel, flags, opener's url, url)
            if (parameters.cArgs != 5) return DISP_E_BADPARAMCOUNT;
            return SetCancel(parameters, 3, true);
        case DISPID_FILEDOWNLOAD: {  // (for the page shown, cancel)
            if (parameters.cArgs != 2) return DISP_E_BADPARAMCOUNT;
            // The page itself loads through this event too; its navigation was checked already.
            const VARIANT& document = Dereferenced(parameters.rgvarg[1]);
            const bool page = V_VT(&document) == VT_BOOL && V_BOOL(&document) != VARIANT_FALSE;
            return SetCancel(parameters, 0, !page);
        }
        case DISPID_DOCUMENTCOMPLETE: {  // (frame, url)
            if (parameters.cArgs != 2) return DISP_E_BADPARAMCOUNT;
            const VARIANT& url = Dereferenced(parameters.rgvarg[0]);
            if (V_VT(&url) != VT_BSTR) return S_OK;
            // A copy: the host may detach this site from inside the call.
            DocumentComplete notify = m_onDocumentComplete;
            if (notify) notify(StringOf(url));
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info || info->cbSize < sizeof(DOCHOSTUIINFO)) return E_INVALIDARG;
    info->dwFlags = kHostFlags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** target) {
    if (target) *target = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetExternal(IDispatch** external) {
    if (!external) return E_POINTER;
    *external = nullptr;  // "window.external" is nothing
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
    if (translated) *translated = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE BrowserSite::FilterDataObject(IDataObject*, IDataObject** filtered) {
    if (filtered) *filtered = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE BrowserSite::ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT* result) {
    if (result) *result = IDCANCEL;  // shown and dismissed, as far as the page can tell
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserSite::QueryService(REFGUID service, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (service != SID_SInternetSecurityManager) return E_NOINTERFACE;
    auto* manager = new (std::nothrow) LockedSecurityManager;
    if (!manager) return E_OUTOFMEMORY;
    const HRESULT result = manager->QueryInterface(iid, object);
    manager->Release();
    return result;
}
