#include "desktop/browser_site.h"

#include <exdisp.h>
#include <exdispid.h>

BrowserSite::BrowserSite(HWND window, DocumentComplete onDocumentComplete)
    : m_window(window), m_onDocumentComplete(std::move(onDocumentComplete)) {}

void BrowserSite::Detach() {
    m_window = nullptr;
    m_onDocumentComplete = nullptr;
}

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

HRESULT STDMETHODCALLTYPE BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                                              EXCEPINFO*, UINT*) {
    if (id != DISPID_DOCUMENTCOMPLETE) return DISP_E_MEMBERNOTFOUND;
    // DocumentComplete(IDispatch* frame, VARIANT* url): arguments come last to first.
    if (!parameters || parameters->cArgs != 2) return DISP_E_BADPARAMCOUNT;
    const VARIANT* url = &parameters->rgvarg[0];
    if (V_VT(url) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(url)) url = V_VARIANTREF(url);
    if (V_VT(url) != VT_BSTR) return S_OK;
    // A copy: the host may detach this site from inside the call.
    DocumentComplete notify = m_onDocumentComplete;
    if (notify) notify(V_BSTR(url) ? std::wstring(V_BSTR(url), SysStringLen(V_BSTR(url))) : std::wstring());
    return S_OK;
}
