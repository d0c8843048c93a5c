#include "ui/main_window/bar_keyboard.h"

#include "resources/resource.h"
#include "ui/main_window/skin_controls.h"

namespace {

// Kept by the bar itself, from the input it sees: Wine keeps no keyboard-cue state for windows
// and reports the cues as always on. The system's state is told as well, for what draws itself
// from it.
void ShowFocusCues(HWND bar, SkinControls& controls, bool shown) {
    if (controls.FocusCuesShown() == shown) return;
    controls.SetFocusCues(shown);
    SendMessageW(bar, WM_CHANGEUISTATE, MAKEWPARAM(shown ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS), 0);
    HWND focus = GetFocus();
    if (focus && IsChild(bar, focus)) InvalidateRect(focus, nullptr, FALSE);
}

bool IsBarMessage(HWND bar, const MSG& message) {
    return message.hwnd && (message.hwnd == bar || IsChild(bar, message.hwnd));
}

}  // namespace

namespace BarKeyboard {

bool PreTranslate(HWND bar, const MSG& message, SkinControls& controls) {
    if (!bar || !IsBarMessage(bar, message)) return false;
    switch (message.message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_NCLBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
            ShowFocusCues(bar, controls, false);
            return false;
        case WM_KEYDOWN:
            break;
        default:
            return false;
    }
    switch (message.wParam) {
        case VK_TAB:
            ShowFocusCues(bar, controls, true);
            return false;  // the dialog manager walks the tab stops
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            // Along the tab stops, not the dialog's groups: the progress strip is no stop.
            ShowFocusCues(bar, controls, true);
            const bool back = message.wParam == VK_LEFT || message.wParam == VK_UP;
            HWND focus = GetFocus();
            HWND next = GetNextDlgTabItem(bar, focus && IsChild(bar, focus) ? focus : nullptr, back);
            if (next) SendMessageW(bar, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
            return true;
        }
        case VK_RETURN: {
            // Buttons of the BUTTON class click on Space only; the dialog manager would send IDOK.
            HWND focus = GetFocus();
            if (!controls.Owns(focus)) return false;
            const bool repeated = (message.lParam & (1 << 30)) != 0;
            if (!repeated && IsWindowEnabled(focus))
                SendMessageW(bar, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                             reinterpret_cast<LPARAM>(focus));
            return true;
        }
        case VK_SPACE:
            ShowFocusCues(bar, controls, true);
            return false;
        case VK_ESCAPE:
            SendMessageW(bar, WM_COMMAND, MAKEWPARAM(ID_HIDE_MAIN_WINDOW, 0), 0);
            return true;
        default:
            return false;
    }
}

bool OnActivate(HWND bar, WPARAM state, SkinControls& controls) {
    if (LOWORD(state) == WA_INACTIVE) return false;
    ShowFocusCues(bar, controls, false);
    HWND first = GetNextDlgTabItem(bar, nullptr, FALSE);
    if (!first) return false;
    SetFocus(first);
    return true;
}

}  // namespace BarKeyboard
