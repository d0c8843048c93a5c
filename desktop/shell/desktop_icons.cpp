#include "desktop/shell/desktop_icons.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "base/handles.h"

namespace {

bool HasClass(HWND window, const wchar_t* name) {
    wchar_t buffer[64] = {};
    return window && GetClassNameW(window, buffer, 64) > 0 && wcscmp(buffer, name) == 0;
}

BOOL CALLBACK MatchIconView(HWND window, LPARAM result) {
    if (!HasClass(window, L"SysListView32")) return TRUE;
    HWND parent = GetParent(window);
    if (!HasClass(parent, L"SHELLDLL_DefView")) return TRUE;
    HWND grandparent = GetParent(parent);
    if (!HasClass(grandparent, L"Progman") && !HasClass(grandparent, L"WorkerW")) return TRUE;
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
}

// 5.1 (XP) and later keep the label shadow as a setting; asked once.
bool IsNewerSystem() {
    static const bool newer = [] {
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof(version);
        if (!GetVersionExW(&version)) return true;
        return version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion > 0);
    }();
    return newer;
}

}  // namespace

HWND FindDesktopIconView() {
    HWND found = nullptr;
    EnumChildWindows(GetDesktopWindow(), MatchIconView, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool ShowDesktopIconView(bool visible, IconViewWait wait) {
    HWND view = FindDesktopIconView();
    if (!view) return false;
    int command = visible ? SW_SHOW : SW_HIDE;
    if (wait == IconViewWait::Yes)
        ShowWindow(view, command);
    else
        ShowWindowAsync(view, command);
    return true;
}

void SetIconTextTransparent(bool transparent) {
    if (IsNewerSystem()) {
        HKEY raw = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", 0,
                            nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) == ERROR_SUCCESS) {
            UniqueKey key(raw);
            DWORD value = transparent ? 1 : 0;
            RegSetValueExW(key.get(), L"ListviewShadow", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof(value));
        }
        // A settings broadcast makes the shell read the value again. The cursor shadow is
        // only the vehicle: it is set to what it already is.
        BOOL shadow = TRUE;
        SystemParametersInfoW(SPI_GETCURSORSHADOW, 0, &shadow, 0);
        SystemParametersInfoW(SPI_SETCURSORSHADOW, 0, reinterpret_cast<PVOID>(static_cast<INT_PTR>(shadow)),
                              SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
        return;
    }
    if (HWND view = FindDesktopIconView()) {
        COLORREF background = transparent ? CLR_NONE : GetSysColor(COLOR_BACKGROUND);
        SendMessageW(view, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(background));
        InvalidateRect(view, nullptr, TRUE);
    }
}
