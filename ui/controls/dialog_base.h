#pragma once
// The base of the program's windows made from dialog templates: one static procedure that
// binds the object at WM_INITDIALOG, hands every message to the derived class and lets no
// exception unwind through the system's frames.
#include <windows.h>

#include <atomic>
#include <string>

class CDialogBase {
public:
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    HWND GetHwnd() const { return m_hwnd; }

protected:
    CDialogBase() = default;
    virtual ~CDialogBase() = default;

    // A modeless dialog from the template; null on failure.
    HWND CreateModeless(WORD templateId, HWND parent);
    // A modal dialog from the template; the value EndDialog gave, or -1 when it could not be made.
    INT_PTR RunModal(WORD templateId, HWND parent);

    // The dialog procedure's work: TRUE for handled, as a dialog procedure returns. A result
    // for the message itself goes through DWLP_MSGRESULT.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // The procedure for templates whose WM_INITDIALOG carries the object's address; a page of a
    // property sheet finds its object elsewhere and calls Dispatch itself.
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR Dispatch(CDialogBase* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    bool WindowExists() const { return m_hwnd && IsWindow(m_hwnd); }

    std::atomic<HWND> m_hwnd{nullptr};  // read on other threads to post to the window
};

// A message box that comes to the front: its owner is often the hidden or faded main window,
// and a box behind other windows is one the user never sees.
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT type);
