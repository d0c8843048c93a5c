#include "ui/options/property_page.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kPageTimer = 1;
constexpr UINT kPageTimerMs = 500;

}  // namespace

PropertyPage::PropertyPage(WORD templateId, std::wstring titleId, OptionsDraft& draft)
    : m_draft(draft), m_templateId(templateId), m_titleId(std::move(titleId)) {}

PropertyPage::~PropertyPage() = default;

PROPSHEETPAGEW PropertyPage::Describe() {
    m_title = GetString(m_titleId);
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_USETITLE;
    page.hInstance = GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(m_templateId);
    page.pszTitle = m_title.c_str();
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

// WM_INITDIALOG of a page carries its PROPSHEETPAGE, whose lParam is the page object.
INT_PTR CALLBACK PropertyPage::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<PropertyPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
    } else {
        self = reinterpret_cast<CDialogBase*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    return Dispatch(self, window, message, wParam, lParam);
}

INT_PTR PropertyPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            m_initialising = true;
            OnInit();
            Retext();
            OnPageTimer();
            m_initialising = false;
            ::SetTimer(m_hwnd, kPageTimer, kPageTimerMs, nullptr);
            return TRUE;
        case WM_TIMER:
            if (wParam == kPageTimer) OnPageTimer();
            return TRUE;
        case WM_DESTROY:
            ::KillTimer(m_hwnd, kPageTimer);
            return FALSE;
        case WM_COMMAND: {
            const WORD id = LOWORD(wParam), code = HIWORD(wParam);
            const bool handled = OnCommand(id, code);
            // A user's edit of an ordinary control makes the page one with changes.
            if (!m_initialising && !TracksOwnChanges() &&
                (code == BN_CLICKED || code == EN_CHANGE || code == CBN_SELCHANGE || code == LBN_SELCHANGE))
                SetChanged(true);
            return handled ? TRUE : FALSE;
        }
        case WM_NOTIFY: {
            const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.code == PSN_APPLY) {
                // The sheet asks every made page in turn; a refusal keeps it open on this page.
                HWND sheet = GetParent(m_hwnd);
                bool valid = ReadBack();
                if (!valid)
                    PropSheet_SetCurSel(sheet, nullptr, PropSheet_HwndToIndex(sheet, m_hwnd.load()));
                else if (m_applied)
                    valid = m_applied();
                // Set last: the commit's message box runs a loop that may reset it.
                SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, valid ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return OnMessage(message, wParam, lParam);
}

void PropertyPage::OnLanguageChanged() {
    if (WindowExists()) Retext();
}

void PropertyPage::SetChanged(bool changed) {
    HWND page = m_hwnd, sheet = GetParent(page);
    if (!sheet) return;
    if (changed)
        PropSheet_Changed(sheet, page);
    else
        PropSheet_UnChanged(sheet, page);
}

void PropertyPage::SetItemText(int controlId, const wchar_t* stringId) {
    SetDlgItemTextW(m_hwnd, controlId, GetString(stringId).c_str());
}

void PropertyPage::ShowError(const wchar_t* textId, const wchar_t* titleId) {
    const std::wstring text = GetString(textId), title = GetString(titleId);
    if (m_report)
        m_report(m_hwnd, text, title);
    else
        MessageBoxW(m_hwnd, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}
