#include "ui/tray/tray_icon.h"

#include <algorithm>

#include "base/debug_log.h"

namespace {

// Copies text into a fixed field, cut to what the field holds with its terminator.
template <size_t N>
void CopyCut(wchar_t (&field)[N], const std::wstring& text) {
    const size_t length = std::min(text.size(), N - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), field);
    field[length] = L'\0';
}

}  // namespace

TrayIcon::TrayIcon() {
    m_data.cbSize = sizeof(m_data);
    m_data.uID = 0;
}

TrayIcon::~TrayIcon() { Remove(); }

UINT TrayIcon::TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

bool TrayIcon::Add(HWND owner, UINT callbackMessage, const std::wstring& tip, HICON icon) {
    m_data.hWnd = owner;
    m_data.uCallbackMessage = callbackMessage;
    m_data.hIcon = icon;
    CopyCut(m_data.szTip, tip);
    return AddAgain();
}

bool TrayIcon::AddAgain() {
    if (!m_data.hWnd) return false;
    NOTIFYICONDATAW data = m_data;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_added = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    if (!m_added) DebugLog(L"The shell refused the tray icon\n");
    return m_added;
}

void TrayIcon::SetTip(const std::wstring& tip) {
    CopyCut(m_data.szTip, tip);
    if (!m_added) return;
    NOTIFYICONDATAW data = m_data;
    data.uFlags = NIF_TIP;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayIcon::ShowBalloon(const std::wstring& text, const std::wstring& title, DWORD iconFlags, UINT timeoutMs) {
    CopyCut(m_data.szInfo, text);
    CopyCut(m_data.szInfoTitle, title);
    m_data.dwInfoFlags = iconFlags;
    m_data.uTimeout = timeoutMs;
    if (!m_added) return;
    NOTIFYICONDATAW data = m_data;
    data.uFlags = NIF_INFO;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayIcon::Remove() {
    if (!m_added) return;
    NOTIFYICONDATAW data = m_data;
    data.uFlags = 0;
    Shell_NotifyIconW(NIM_DELETE, &data);
    m_added = false;
}
