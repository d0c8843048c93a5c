#include "ui/controls/subclassed_control.h"

#include <commctrl.h>

#include <exception>

#include "base/debug_log.h"
#include "base/utf8.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x4B53;  // "KS"
// Names the object on its window (the import library has no GetWindowSubclass).
constexpr wchar_t kObjectProperty[] = L"Kestrane.Control";

}  // namespace

SubclassedControl::~SubclassedControl() { Unsubclass(); }

SubclassedControl* SubclassedControl::FromWindow(HWND window) {
    return window ? static_cast<SubclassedControl*>(GetPropW(window, kObjectProperty)) : nullptr;
}

bool SubclassedControl::Subclass(HWND window) {
    Unsubclass();
    if (!window || !IsWindow(window)) return false;
    if (!SetWindowSubclass(window, Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        LogLastError(L"SetWindowSubclass");
        return false;
    }
    m_window = window;
    SetPropW(window, kObjectProperty, this);
    return true;
}

void SubclassedControl::Unsubclass() {
    if (m_window && IsWindow(m_window)) {
        RemoveWindowSubclass(m_window, Procedure, kSubclassId);
        RemovePropW(m_window, kObjectProperty);
    }
    m_window = nullptr;
}

LRESULT SubclassedControl::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(m_window, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
    SubclassedControl* self = reinterpret_cast<SubclassedControl*>(data);
    if (!self || self->m_window != window) return DefSubclassProc(window, message, wParam, lParam);
    try {
        if (message != WM_NCDESTROY) return self->OnMessage(message, wParam, lParam);
        self->OnWindowGone();
    } catch (const std::exception& error) {
        DebugLog(L"Unexpected failure in a control: " + FromUtf8(error.what()) + L"\n");
    } catch (...) {
        DebugLog(L"Unexpected failure in a control\n");
    }
    if (message == WM_NCDESTROY) self->Unsubclass();
    return DefSubclassProc(window, message, wParam, lParam);
}
