#include "ui/dialogs/login_dialog.h"

#include <vector>

#include "base/debug_log.h"
#include "base/digest.h"
#include "base/localization.h"
#include "base/text.h"
#include "base/utf8.h"
#include "resources/resource.h"

namespace {

void SetText(HWND dialog, int id, const wchar_t* stringId) { SetDlgItemTextW(dialog, id, GetString(stringId).c_str()); }

}  // namespace

LoginDialog::LoginDialog(std::wstring username, std::wstring registerUrl)
    : m_username(std::move(username)), m_registerUrl(std::move(registerUrl)) {}

LoginDialog::~LoginDialog() = default;

bool LoginDialog::Run(HWND owner) {
    m_password.clear();
    return RunModal(IDD_LOGIN, owner) == IDOK;
}

INT_PTR LoginDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                OnOk();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                SetDlgItemTextW(m_hwnd, IDC_LOGIN_PASSWORD, L"");
                EndDialog(m_hwnd, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

void LoginDialog::OnInit() {
    HWND dialog = m_hwnd;
    SetWindowTextW(dialog, GetString(L"LoginDlg_Title").c_str());
    SetText(dialog, IDC_LOGIN_PROMPT, L"LoginDlg_Login_Prompt");
    SetText(dialog, IDC_LOGIN_USERNAME_LABEL, L"LoginDlg_Username_Title");
    SetText(dialog, IDC_LOGIN_PASSWORD_LABEL, L"LoginDlg_Password_Title");
    SetText(dialog, IDC_LOGIN_REGISTER, L"LoginDlg_Register");
    SetText(dialog, IDOK, L"Button_Ok_Title");
    SetText(dialog, IDCANCEL, L"Button_Cancel_Title");
    SetDlgItemTextW(dialog, IDC_LOGIN_USERNAME, m_username.c_str());
    if (m_register.Attach(GetDlgItem(dialog, IDC_LOGIN_REGISTER))) {
        m_register.SetTarget(m_registerUrl);
        m_register.SetOpener(m_opener);
    }
    // Opened from the tray or a hot key the owner may be hidden: come to the front.
    SetForegroundWindow(dialog);
}

std::wstring LoginDialog::ReadUsername() const {
    HWND edit = GetDlgItem(m_hwnd, IDC_LOGIN_USERNAME);
    std::wstring text(GetWindowTextLengthW(edit) + 1, L'\0');
    text.resize(GetWindowTextW(edit, &text[0], static_cast<int>(text.size())));
    return Trim(text);
}

void LoginDialog::OnOk() {
    const std::wstring username = ReadUsername();
    if (username.empty()) {
        SetFocus(GetDlgItem(m_hwnd, IDC_LOGIN_USERNAME));
        return;
    }
    // The plain password lives only in these two buffers, wiped as soon as it is digested.
    HWND edit = GetDlgItem(m_hwnd, IDC_LOGIN_PASSWORD);
    std::vector<wchar_t> password(GetWindowTextLengthW(edit) + 1, L'\0');
    const int length = GetWindowTextW(edit, password.data(), static_cast<int>(password.size()));
    std::string bytes = ToUtf8(std::wstring_view(password.data(), length > 0 ? length : 0));
    std::wstring digest = Md5Hex(bytes.data(), bytes.size(), HexCase::Upper);
    SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
    if (!bytes.empty()) SecureZeroMemory(&bytes[0], bytes.size());
    if (digest.empty()) {
        DebugLog(L"No digest for the password: the sign-in is not sent\n");
        return;
    }
    SetWindowTextW(edit, L"");
    m_username = username;
    m_password = digest;
    EndDialog(m_hwnd, IDOK);
}
