#pragma once
// The notification-area icon: its tool-tip and its balloons; its clicks go to the owner. The icon
// comes back when the shell restarts (an Explorer crash or update), announced to every
// top-level window by the "TaskbarCreated" message.
#include <windows.h>
#include <shellapi.h>

#include <string>

class TrayIcon {
public:
    TrayIcon();
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Adds the icon for the owner window; clicks arrive there as callbackMessage. False when
    // the shell refuses it (it may have no tray yet).
    bool Add(HWND owner, UINT callbackMessage, const std::wstring& tip, HICON icon);
    void SetTip(const std::wstring& tip);
    // Text up to 255 characters, title up to 63: longer ones are cut.
    void ShowBalloon(const std::wstring& text, const std::wstring& title, DWORD iconFlags, UINT timeoutMs);
    void Remove();
    bool IsAdded() const { return m_added; }

    // The message the shell broadcasts after it restarted.
    static UINT TaskbarCreatedMessage();
    // Adds the icon again with its last tip; false when the shell refuses it this time.
    bool AddAgain();

    // The notify-icon record as the shell gets it (for tests of the text limits).
    const NOTIFYICONDATAW& Data() const { return m_data; }

private:
    NOTIFYICONDATAW m_data{};
    bool m_added = false;
};
