#include "desktop/templates/browser_host.h"

#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>
#include <ole2.h>
#include <shlwapi.h>
#include <wininet.h>

#include "base/debug_log.h"
#include "base/job_thread.h"
#include "desktop/templates/browser_site.h"
#include "store/picture.h"

namespace {

constexpr wchar_t kWindowClass[] = L"KestraneBrowserHost";
constexpr UINT_PTR kTimeoutTimer = 1;

void LogFailure(const wchar_t* call, HRESULT result) { LogError(call, static_cast<unsigned long>(result)); }
bool Fail(const wchar_t* call, HRESULT result) {
    LogFailure(call, result);
    return false;
}

// OLE on top of the thread's COM apartment: the control's in-place activation wants it.
class OleSession {
public:
    OleSession() : m_initialised(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession() {
        if (m_initialised) OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

private:
    bool m_initialised;
};

struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyWindow(h); }
};
using UniqueWindow = ScopedHandle<WindowTraits>;

std::wstring TakeString(BSTR text) {
    std::wstring copy = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return copy;
}

std::wstring Canonical(const std::wstring& url) {
    wchar_t canonical[INTERNET_MAX_URL_LENGTH];
    DWORD length = INTERNET_MAX_URL_LENGTH;
    return SUCCEEDED(UrlCanonicalizeW(url.c_str(), canonical, &length, 0)) ? std::wstring(canonical) : url;
}

HRESULT Navigate(IWebBrowser2* browser, const std::wstring& url) {
    VARIANT target, empty;
    VariantInit(&target);
    VariantInit(&empty);
    V_VT(&target) = VT_BSTR;
    V_BSTR(&target) = SysAllocString(url.c_str());
    if (!V_BSTR(&target)) return E_OUTOFMEMORY;
    HRESULT result = browser->Navigate2(&target, &empty, &empty, &empty, &empty);
    VariantClear(&target);
    return result;
}

bool RegisterHostClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
    LogLastError(L"RegisterClassExW");
    return false;
}

}  // namespace

// The window, the control and our site and event subscription, torn down in reverse order.
struct BrowserHost::Control {
    OleSession ole;
    UniqueWindow window;
    ComPtr<BrowserSite> site;
    ComPtr<IOleObject> object;
    ComPtr<IWebBrowser2> browser;
    ComPtr<IConnectionPoint> events;
    DWORD cookie = 0;

    ~Control() {
        if (events && cookie) events->Unadvise(cookie);
        if (browser) browser->Stop();
        if (object) {
            object->Close(OLECLOSE_NOSAVE);
            object->SetClientSite(nullptr);
        }
        if (site) site->Detach();
    }

    bool Create(BrowserHost* host) {
        if (!RegisterHostClass(&BrowserHost::WindowProc)) return false;
        window.reset(CreateWindowExW(0, kWindowClass, L"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), host));
        if (!window) {
            LogLastError(L"CreateWindowExW");
            return false;
        }
        *site.put() = new BrowserSite(window.get(), [host](const std::wstring& url) { host->OnDocumentComplete(url); });
        HRESULT result =
            CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.put_void());
        if (FAILED(result)) return Fail(L"CoCreateInstance(WebBrowser)", result);
        if (FAILED(result = object->SetClientSite(static_cast<IOleClientSite*>(site.get()))))
            return Fail(L"IOleObject::SetClientSite", result);
        RECT area;
        GetClientRect(window.get(), &area);
        if (FAILED(result = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site.get()),
                                           0, window.get(), &area)))
            return Fail(L"IOleObject::DoVerb", result);
        if (FAILED(result = object->QueryInterface(IID_IWebBrowser2, browser.put_void())))
            return Fail(L"QueryInterface(IWebBrowser2)", result);
        browser->put_Silent(VARIANT_TRUE);  // a hidden window must never raise script error boxes
        ComPtr<IConnectionPointContainer> points;
        if (FAILED(result = browser->QueryInterface(IID_IConnectionPointContainer, points.put_void())) ||
            FAILED(result = points->FindConnectionPoint(DIID_DWebBrowserEvents2, events.put())) ||
            FAILED(result = events->Advise(static_cast<IDispatch*>(site.get()), &cookie)))
            return Fail(L"Subscribing to the browser's events", result);
        browser->put_RegisterAsDropTarget(VARIANT_FALSE);
        site->SetPage(L"about:blank");
        if (FAILED(result = Navigate(browser.get(), L"about:blank"))) return Fail(L"IWebBrowser2::Navigate2", result);
        return true;
    }
};

BrowserHost::BrowserHost(unsigned timeoutMs) : m_timeoutMs(timeoutMs) {}

BrowserHost::~BrowserHost() {
    // The control's apartment may be gone by now; touching it from here could crash, so it
    // is left alone. Its owner releases it on its own thread first.
    if (m_control && GetCurrentThreadId() != m_thread) {
        DebugLog(L"The browser control was not released on its own thread\n");
        (void)m_control.release();
    }
}

bool BrowserHost::Ready() {
    if (m_control) return true;
    m_control = std::make_unique<Control>();
    m_thread = GetCurrentThreadId();
    if (!m_control->Create(this)) m_control.reset();
    return m_control != nullptr;
}

void BrowserHost::Release() {
    if (m_control && GetCurrentThreadId() != m_thread) return;  // see the destructor
    m_control.reset();
}

LRESULT CALLBACK BrowserHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* host = reinterpret_cast<BrowserHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_TIMER && wParam == kTimeoutTimer && host) {
        KillTimer(window, kTimeoutTimer);
        host->OnTimeout();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void BrowserHost::OnDocumentComplete(const std::wstring& url) {
    if (!m_waitingThread || !m_control || !m_control->browser) return;
    BSTR location = nullptr;
    if (FAILED(m_control->browser->get_LocationURL(&location))) return;
    // Frames and the blank first page complete too; only the page itself ends the wait.
    const std::wstring completed = Canonical(url);
    if (completed != Canonical(TakeString(location)) || completed == L"about:blank") return;
    m_completed = true;
    EndNestedLoop(m_waitingThread);
    m_waitingThread = 0;
}

void BrowserHost::OnTimeout() {
    if (!m_waitingThread) return;
    m_timedOut = true;
    EndNestedLoop(m_waitingThread);
    m_waitingThread = 0;
}

PageCapture::Result BrowserHost::LoadAndCapture(const std::wstring& url) {
    Result result;
    if (m_waitingThread || !Ready()) return result;
    m_completed = m_timedOut = false;
    m_waitingThread = GetCurrentThreadId();
    m_control->site->SetPage(url);
    HRESULT navigated = Navigate(m_control->browser.get(), url);
    if (FAILED(navigated)) {
        LogFailure(L"IWebBrowser2::Navigate2", navigated);
        m_waitingThread = 0;
        return result;
    }
    // A page that never finishes loading must not hold this thread for ever.
    SetTimer(m_control->window.get(), kTimeoutTimer, m_timeoutMs, nullptr);
    const bool ended = RunNestedLoop();
    KillTimer(m_control->window.get(), kTimeoutTimer);
    m_waitingThread = 0;
    if (!ended) return result;  // the thread is quitting
    if (!m_completed) {
        // The time-out, or the program closing (EndNestedLoop from outside): no page to take.
        m_control->browser->Stop();
        if (m_timedOut) {
            DebugLog(L"The template page did not finish loading in time\n");
            result.outcome = Outcome::TimedOut;
        }
        return result;
    }
    result.bitmap = Capture();
    if (result.bitmap) result.outcome = Outcome::Captured;
    return result;
}

namespace {

// The first child element of the body with a size of its own; null when there is none.
ComPtr<IHTMLElement> FirstSizedChild(IHTMLElement* body) {
    ComPtr<IDispatch> list;
    ComPtr<IHTMLElementCollection> children;
    long count = 0;
    if (FAILED(body->get_children(list.put())) || !list ||
        FAILED(list->QueryInterface(IID_IHTMLElementCollection, children.put_void())) ||
        FAILED(children->get_length(&count)))
        return {};
    for (long i = 0; i < count; ++i) {
        VARIANT index, none;
        VariantInit(&none);
        V_VT(&index) = VT_I4;
        V_I4(&index) = i;
        ComPtr<IDispatch> item;
        ComPtr<IHTMLElement> element;
        long width = 0, height = 0;
        if (FAILED(children->item(index, none, item.put())) || !item ||
            FAILED(item->QueryInterface(IID_IHTMLElement, element.put_void())))
            continue;
        if (SUCCEEDED(element->get_offsetWidth(&width)) && SUCCEEDED(element->get_offsetHeight(&height)) &&
            width != 0 && height != 0)
            return element;
    }
    return {};
}

// The element's box in the page; empty when the page has no body.
RECT ShownElement(IHTMLDocument2* document) {
    ComPtr<IHTMLElement> body;
    if (FAILED(document->get_body(body.put())) || !body) return RECT{};
    ComPtr<IHTMLElement> child = FirstSizedChild(body.get());
    IHTMLElement* shown = child ? child.get() : body.get();
    long x = 0, y = 0, width = 0, height = 0;
    shown->get_offsetLeft(&x);
    shown->get_offsetTop(&y);
    shown->get_offsetWidth(&width);
    shown->get_offsetHeight(&height);
    return RECT{x, y, x + width, y + height};
}

}  // namespace

// The document paints itself for printing into a white bitmap reaching to the element's far
// corner; the element's rectangle is then copied out of it.
UniqueBitmap BrowserHost::Capture() {
    ComPtr<IDispatch> page;
    ComPtr<IHTMLDocument2> document;
    if (FAILED(m_control->browser->get_Document(page.put())) || !page ||
        FAILED(page->QueryInterface(IID_IHTMLDocument2, document.put_void())))
        return {};
    const RECT element = ShownElement(document.get());
    const int width = element.right - element.left, height = element.bottom - element.top;
    if (width <= 0 || height <= 0 || element.left < 0 || element.top < 0) {
        DebugLog(L"The template page shows nothing to capture\n");
        return {};
    }
    FitWindow(element.right, element.bottom);

    ComPtr<IViewObject> view;
    Picture whole, cut;
    RECTL bounds{0, 0, element.right, element.bottom};
    HRESULT drawn = E_FAIL;
    if (SUCCEEDED(document->QueryInterface(IID_IViewObject, view.put_void())) &&
        whole.Create(element.right, element.bottom))
        drawn =
            view->Draw(DVASPECT_DOCPRINT, -1, nullptr, nullptr, nullptr, whole.GetDC(), &bounds, nullptr, nullptr, 0);
    if (FAILED(drawn)) {
        LogFailure(L"IViewObject::Draw", drawn);
        return {};
    }
    if (!cut.Create(width, height) ||
        !BitBlt(cut.GetDC(), 0, 0, width, height, whole.GetDC(), element.left, element.top, SRCCOPY))
        return {};
    return UniqueBitmap(cut.Detach());
}

// The window's client area and the control both become width x height.
void BrowserHost::FitWindow(int width, int height) {
    HWND window = m_control->window.get();
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ComPtr<IOleInPlaceObject> inPlace;
    RECT client{0, 0, width, height};
    if (SUCCEEDED(m_control->object->QueryInterface(IID_IOleInPlaceObject, inPlace.put_void())))
        inPlace->SetObjectRects(&client, &client);
}
