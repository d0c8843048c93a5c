#include "desktop/desktop_icons.h"

#include <windows.h>

#include <cstring>

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

}  // namespace

HWND FindDesktopIconView() {
    HWND found = nullptr;
    EnumChildWindows(GetDesktopWindow(), MatchIconView, reinterpret_cast<LPARAM>(&found));
    return found;
}

void SetIconTextTransparent(bool) {}
