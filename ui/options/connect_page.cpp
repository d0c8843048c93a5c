#include "ui/options/connect_page.h"

#include <string>
#include <vector>

#include "base/text.h"
#include "net/internet_session.h"
#include "resources/resource.h"
#include "ui/options/page_controls.h"

namespace {

// The proxy types in list order; an entry's value is its index here.
const wchar_t* const kProxyTypes[] = {L"NoProxy", L"IE", L"HTTP", L"SOCKS"};
constexpr int kProxyTypeCount = 4;

const std::vector<Choice> kProxyChoices = {{L"PropSheet_Proxy_Type_NoProxy", 0},
                                           {L"PropSheet_Proxy_Type_IE", 1},
                                           {L"PropSheet_Proxy_Type_HTTP", 2},
                                           {L"PropSheet_Proxy_Type_SOCKS", 3}};

// Direct connections and the system's settings need no server of ours.
bool NeedsServer(const std::wstring& type) {
    return !EqualsIgnoringCase(type, L"NoProxy") && !EqualsIgnoringCase(type, L"IE");
}

// The type the list shows; the given one when none is selected.
std::wstring ShownType(HWND page, const std::wstring& unselected) {
    if (SendDlgItemMessageW(page, IDC_PROXY_TYPE, CB_GETCURSEL, 0, 0) == CB_ERR) return unselected;
    const int index = SelectedChoiceValue(page, IDC_PROXY_TYPE);
    return index >= 0 && index < kProxyTypeCount ? kProxyTypes[index] : unselected;
}

const int kServerControls[] = {IDC_PROXY_SERVER_LABEL, IDC_PROXY_SERVER,         IDC_PROXY_USERNAME_LABEL,
                               IDC_PROXY_USERNAME,     IDC_PROXY_PASSWORD_LABEL, IDC_PROXY_PASSWORD};

}  // namespace

ConnectPage::ConnectPage(OptionsDraft& draft) : PropertyPage(IDD_CONNECT_PAGE, L"PropSheet_Connect_Title", draft) {}

void ConnectPage::OnInit() {
    HWND page = m_hwnd;
    FillChoices(page, IDC_PROXY_TYPE, kProxyChoices);
    // A type the list does not know shows no selection and stays as it is.
    int index = -1;
    for (int i = 0; i < kProxyTypeCount; ++i)
        if (EqualsIgnoringCase(m_draft.proxyType, kProxyTypes[i])) index = i;
    SendDlgItemMessageW(page, IDC_PROXY_TYPE, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SetDlgItemTextW(page, IDC_PROXY_SERVER, m_draft.proxyServer.c_str());
    SetDlgItemTextW(page, IDC_PROXY_USERNAME, m_draft.proxyUsername.c_str());
    SetDlgItemTextW(page, IDC_PROXY_PASSWORD, m_draft.proxyPassword.c_str());
}

void ConnectPage::Retext() {
    SetItemText(IDC_PROXY_GROUP, L"PropSheet_Proxy_Group_Title");
    SetItemText(IDC_PROXY_TYPE_LABEL, L"PropSheet_Proxy_Type_Title");
    FillChoices(m_hwnd, IDC_PROXY_TYPE, kProxyChoices);
    SetItemText(IDC_PROXY_SERVER_LABEL, L"PropSheet_Proxy_Server_Title");
    SetItemText(IDC_PROXY_USERNAME_LABEL, L"PropSheet_Proxy_Username_Title");
    SetItemText(IDC_PROXY_PASSWORD_LABEL, L"PropSheet_Proxy_Password_Title");
}

bool ConnectPage::OnCommand(WORD id, WORD code) {
    if (id == IDC_PROXY_TYPE && code == CBN_SELCHANGE) OnPageTimer();
    return false;
}

// The server and its account are kept but greyed while the type does not use them.
void ConnectPage::OnPageTimer() {
    const bool needsServer = NeedsServer(ShownType(m_hwnd, m_draft.proxyType));
    for (int id : kServerControls) EnableItem(m_hwnd, id, needsServer);
}

bool ConnectPage::ReadBack() {
    HWND page = m_hwnd;
    const std::wstring type = ShownType(page, m_draft.proxyType);
    const std::wstring server = GetItemText(page, IDC_PROXY_SERVER);
    if (NeedsServer(type) && (server.empty() || !IsValidProxyServer(server))) {
        ShowError(L"Prompt_InvalidProxyServer", L"Prompt_InvalidProxyServer_Title");
        SetFocus(GetDlgItem(page, IDC_PROXY_SERVER));
        return false;
    }
    m_draft.proxyType = type;
    m_draft.proxyServer = server;
    m_draft.proxyUsername = GetItemText(page, IDC_PROXY_USERNAME);
    // A password is taken as typed: blanks may belong to it.
    HWND password = GetDlgItem(page, IDC_PROXY_PASSWORD);
    std::wstring secret(static_cast<size_t>(GetWindowTextLengthW(password)) + 1, L'\0');
    secret.resize(static_cast<size_t>(GetWindowTextW(password, &secret[0], static_cast<int>(secret.size()))));
    m_draft.proxyPassword = secret;
    return true;
}
