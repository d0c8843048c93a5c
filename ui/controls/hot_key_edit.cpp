#include "ui/controls/hot_key_edit.h"

#include "ui/hot_keys/virtual_keys.h"

namespace {

bool IsDown(int vkey) { return (GetKeyState(vkey) & 0x8000) != 0; }

// Keys the dialog keeps for itself: Tab moves the focus on (SHIFT+Tab back), Enter and Esc
// alone press OK and Cancel. None of them is a valid hot key that way anyway.
bool BelongsToDialog(unsigned vkey) {
    const unsigned modifiers = HotKeyEdit::HeldModifiers();
    if (vkey == VK_TAB) return (modifiers & ~MOD_SHIFT) == 0;
    if (vkey == VK_RETURN || vkey == VK_ESCAPE) return modifiers == 0;
    return false;
}

}  // namespace

bool HotKeyEdit::Attach(HWND edit) {
    if (!Subclass(edit)) return false;
    SendMessageW(edit, EM_SETREADONLY, TRUE, 0);
    SetValue(m_value);
    return true;
}

HotKeyEdit* HotKeyEdit::FromWindow(HWND edit) { return dynamic_cast<HotKeyEdit*>(SubclassedControl::FromWindow(edit)); }

void HotKeyEdit::SetValue(std::uint32_t value) {
    m_value = value;
    Retext();
}

void HotKeyEdit::Retext() {
    if (GetHwnd()) SetWindowTextW(GetHwnd(), FormatHotKey(m_value).c_str());
}

unsigned HotKeyEdit::HeldModifiers() {
    unsigned modifiers = 0;
    if (IsDown(VK_LWIN) || IsDown(VK_RWIN)) modifiers |= MOD_WIN;
    if (IsDown(VK_MENU)) modifiers |= MOD_ALT;
    if (IsDown(VK_CONTROL)) modifiers |= MOD_CONTROL;
    if (IsDown(VK_SHIFT)) modifiers |= MOD_SHIFT;
    return modifiers;
}

// A combination that cannot be a hot key (SHIFT+A, a modifier on its own, the release of a
// key after its modifiers) leaves the held one as it was.
void HotKeyEdit::OnKey(unsigned vkey) {
    const unsigned modifiers = HeldModifiers();
    const std::uint32_t value = MakeHotKeyValue(modifiers, vkey);
    if (IsValidHotKey(modifiers, vkey) && !FormatHotKey(value).empty()) SetValue(value);
}

LRESULT HotKeyEdit::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: {
            // Every key comes here, so that ALT+letter or CTRL+Tab is a combination and not a
            // mnemonic or a page change, except the few the dialog needs to be usable.
            const MSG* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending && (pending->message == WM_KEYDOWN || pending->message == WM_SYSKEYDOWN) &&
                BelongsToDialog(static_cast<unsigned>(pending->wParam)))
                return Default(message, wParam, lParam);
            return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
        }
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
            // PrintScreen arrives as a key-up only, so releases count too.
            OnKey(static_cast<unsigned>(wParam & 0xFFFF));
            return 0;
        case WM_SYSKEYUP:  // would open the window menu on ALT's release
        case WM_CHAR:      // a read-only edit beeps at typing
        case WM_SYSCHAR:
        case WM_DEADCHAR:
        case WM_SYSDEADCHAR:
            return 0;
        default:
            return Default(message, wParam, lParam);
    }
}
