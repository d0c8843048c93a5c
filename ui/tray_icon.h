#pragma once
// The notification-area icon with its tool-tip and balloons.
// Placeholder: the tray work builds it; until then nothing shows in the tray.
#include <windows.h>

#include <string>

class TrayIcon {
public:
    void Add(HWND, const std::wstring&, HICON) {}
    void SetTip(const std::wstring&) {}
    void ShowBalloon(const std::wstring&, unsigned) {}
    void Remove() {}
};
