#include "ui/controls/dialog_base.h"

#include <exception>

#include "base/debug_log.h"
#include "base/utf8.h"

HWND CDialogBase::CreateModeless(WORD templateId, HWND parent) {
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), parent, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (!window) LogLastError(L"CreateDialogParamW");
    return WindowExists() ? m_hwnd.load() : nullptr;
}

INT_PTR CDialogBase::RunModal(WORD templateId, HWND parent) {
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), parent, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (result == -1) LogLastError(L"DialogBoxParamW");
    return result;
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogBase* self = message == WM_INITDIALOG ? reinterpret_cast<CDialogBase*>(lParam)
                                                 : reinterpret_cast<CDialogBase*>(GetWindowLongPtrW(window, DWLP_USER));
    return Dispatch(self, window, message, wParam, lParam);
}

INT_PTR CDialogBase::Dispatch(CDialogBase* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG && self) {
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = window;
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        DebugLog(L"Unexpected failure in a window: " + FromUtf8(error.what()) + L"\n");
    } catch (...) {
        DebugLog(L"Unexpected failure in a window\n");
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_hwnd = nullptr;
    }
    return result;
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT type) {
    return MessageBoxW(owner, text.c_str(), title.c_str(), type | MB_SETFOREGROUND);
}
