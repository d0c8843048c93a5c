#include "ui/hot_keys/virtual_keys.h"

#include <windows.h>

#include "base/localization.h"

namespace {

// Class by class; where a code appears twice the first name wins.
const VirtualKey kKeys[] = {
    {VirtualKey::kNeedsCtrlAltOrWin, 0x2C, L"VK_SNAPSHOT", L"PrintScreen"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x2F, L"VK_HELP", L"HELP"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x30, L"VK_0", L"0"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x31, L"VK_1", L"1"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x32, L"VK_2", L"2"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x33, L"VK_3", L"3"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x34, L"VK_4", L"4"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x35, L"VK_5", L"5"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x36, L"VK_6", L"6"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x37, L"VK_7", L"7"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x38, L"VK_8", L"8"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x39, L"VK_9", L"9"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x41, L"VK_A", L"A"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x42, L"VK_B", L"B"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x43, L"VK_C", L"C"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x44, L"VK_D", L"D"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x45, L"VK_E", L"E"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x46, L"VK_F", L"F"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x47, L"VK_G", L"G"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x48, L"VK_H", L"H"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x49, L"VK_I", L"I"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x4A, L"VK_J", L"J"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x4B, L"VK_K", L"K"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x4C, L"VK_L", L"L"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x4D, L"VK_M", L"M"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x4E, L"VK_N", L"N"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x4F, L"VK_O", L"O"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x50, L"VK_P", L"P"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x51, L"VK_Q", L"Q"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x52, L"VK_R", L"R"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x53, L"VK_S", L"S"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x54, L"VK_T", L"T"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x55, L"VK_U", L"U"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x56, L"VK_V", L"V"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x57, L"VK_W", L"W"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x58, L"VK_X", L"X"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x59, L"VK_Y", L"Y"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0x5A, L"VK_Z", L"Z"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xBA, L"VK_OEM_1", L";"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xBB, L"VK_OEM_PLUS", L"+"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xBC, L"VK_OEM_COMMA", L","},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xBD, L"VK_OEM_MINUS", L"-"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xBE, L"VK_OEM_PERIOD", L"."},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xBF, L"VK_OEM_2", L"/"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xC0, L"VK_OEM_3", L"~"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xDB, L"VK_OEM_4", L"["},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xDC, L"VK_OEM_5", L"\\"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xDD, L"VK_OEM_6", L"]"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xDE, L"VK_OEM_7", L"'"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xDF, L"VK_OEM_8", L"OEM_8"},
    {VirtualKey::kNeedsCtrlAltOrWin, 0xE2, L"VK_OEM_102", L"OEM_102"},
    {VirtualKey::kNeedsModifier, 0x08, L"VK_BACK", L"BACKSPACE"},
    {VirtualKey::kNeedsModifier, 0x09, L"VK_TAB", L"TAB"},
    {VirtualKey::kNeedsModifier, 0x0C, L"VK_CLEAR", L"CLEAR"},
    {VirtualKey::kNeedsModifier, 0x0D, L"VK_RETURN", L"RETURN"},
    {VirtualKey::kNeedsModifier, 0x13, L"VK_PAUSE", L"PAUSE"},
    {VirtualKey::kNeedsModifier, 0x1B, L"VK_ESCAPE", L"ESC"},
    {VirtualKey::kNeedsModifier, 0x20, L"VK_SPACE", L"SPACE"},
    {VirtualKey::kNeedsModifier, 0x21, L"VK_PRIOR", L"PAGE UP"},
    {VirtualKey::kNeedsModifier, 0x22, L"VK_NEXT", L"PAGE DOWN"},
    {VirtualKey::kNeedsModifier, 0x23, L"VK_END", L"END"},
    {VirtualKey::kNeedsModifier, 0x24, L"VK_HOME", L"HOME"},
    {VirtualKey::kNeedsModifier, 0x25, L"VK_LEFT", L"LEFT"},
    {VirtualKey::kNeedsModifier, 0x26, L"VK_UP", L"UP"},
    {VirtualKey::kNeedsModifier, 0x27, L"VK_RIGHT", L"RIGHT"},
    {VirtualKey::kNeedsModifier, 0x28, L"VK_DOWN", L"DOWN"},
    {VirtualKey::kNeedsModifier, 0x29, L"VK_SELECT", L"SELECT"},
    {VirtualKey::kNeedsModifier, 0x2A, L"VK_PRINT", L"PRINT"},
    {VirtualKey::kNeedsModifier, 0x2B, L"VK_EXECUTE", L"EXECUTE"},
    {VirtualKey::kNeedsModifier, 0x2D, L"VK_INSERT", L"INSERT"},
    {VirtualKey::kNeedsModifier, 0x2E, L"VK_DELETE", L"DELETE"},
    {VirtualKey::kNeedsModifier, 0x5D, L"VK_APPS", L"APPS"},
    {VirtualKey::kNeedsModifier, 0x5F, L"VK_SLEEP", L"SLEEP"},
    {VirtualKey::kNeedsModifier, 0x60, L"VK_NUMPAD0", L"NUMPAD0"},
    {VirtualKey::kNeedsModifier, 0x61, L"VK_NUMPAD1", L"NUMPAD1"},
    {VirtualKey::kNeedsModifier, 0x62, L"VK_NUMPAD2", L"NUMPAD2"},
    {VirtualKey::kNeedsModifier, 0x63, L"VK_NUMPAD3", L"NUMPAD3"},
    {VirtualKey::kNeedsModifier, 0x64, L"VK_NUMPAD4", L"NUMPAD4"},
    {VirtualKey::kNeedsModifier, 0x65, L"VK_NUMPAD5", L"NUMPAD5"},
    {VirtualKey::kNeedsModifier, 0x66, L"VK_NUMPAD6", L"NUMPAD6"},
    {VirtualKey::kNeedsModifier, 0x67, L"VK_NUMPAD7", L"NUMPAD7"},
    {VirtualKey::kNeedsModifier, 0x68, L"VK_NUMPAD8", L"NUMPAD8"},
    {VirtualKey::kNeedsModifier, 0x69, L"VK_NUMPAD9", L"NUMPAD9"},
    {VirtualKey::kNeedsModifier, 0x6A, L"VK_MULTIPLY", L"NUMPAD*"},
    {VirtualKey::kNeedsModifier, 0x6B, L"VK_ADD", L"NUMPAD+"},
    {VirtualKey::kNeedsModifier, 0x6C, L"VK_SEPARATOR", L"SEPARATOR"},
    {VirtualKey::kNeedsModifier, 0x6D, L"VK_SUBTRACT", L"NUMPAD-"},
    {VirtualKey::kNeedsModifier, 0x6E, L"VK_DECIMAL", L"NUMPAD."},
    {VirtualKey::kNeedsModifier, 0x6F, L"VK_DIVIDE", L"NUMPAD/"},
    {VirtualKey::kAlone, 0x70, L"VK_F1", L"F1"},
    {VirtualKey::kAlone, 0x71, L"VK_F2", L"F2"},
    {VirtualKey::kAlone, 0x72, L"VK_F3", L"F3"},
    {VirtualKey::kAlone, 0x73, L"VK_F4", L"F4"},
    {VirtualKey::kAlone, 0x74, L"VK_F5", L"F5"},
    {VirtualKey::kAlone, 0x75, L"VK_F6", L"F6"},
    {VirtualKey::kAlone, 0x76, L"VK_F7", L"F7"},
    {VirtualKey::kAlone, 0x77, L"VK_F8", L"F8"},
    {VirtualKey::kAlone, 0x78, L"VK_F9", L"F9"},
    {VirtualKey::kAlone, 0x79, L"VK_F10", L"F10"},
    {VirtualKey::kAlone, 0x7A, L"VK_F11", L"F11"},
    {VirtualKey::kAlone, 0x7B, L"VK_F12", L"F12"},
    {VirtualKey::kAlone, 0x7C, L"VK_F13", L"F13"},
    {VirtualKey::kAlone, 0x7D, L"VK_F14", L"F14"},
    {VirtualKey::kAlone, 0x7E, L"VK_F15", L"F15"},
    {VirtualKey::kAlone, 0x7F, L"VK_F16", L"F16"},
    {VirtualKey::kAlone, 0x80, L"VK_F17", L"F17"},
    {VirtualKey::kAlone, 0x81, L"VK_F18", L"F18"},
    {VirtualKey::kAlone, 0x82, L"VK_F19", L"F19"},
    {VirtualKey::kAlone, 0x83, L"VK_F20", L"F20"},
    {VirtualKey::kAlone, 0x84, L"VK_F21", L"F21"},
    {VirtualKey::kAlone, 0x85, L"VK_F22", L"F22"},
    {VirtualKey::kAlone, 0x86, L"VK_F23", L"F23"},
    {VirtualKey::kAlone, 0x87, L"VK_F24", L"F24"},
    {VirtualKey::kAlone, 0xA6, L"VK_BROWSER_BACK", L"BROWSER_BACK"},
    {VirtualKey::kAlone, 0xA7, L"VK_BROWSER_FORWARD", L"BROWSER_FORWARD"},
    {VirtualKey::kAlone, 0xA8, L"VK_BROWSER_REFRESH", L"BROWSER_REFRESH"},
    {VirtualKey::kAlone, 0xA9, L"VK_BROWSER_STOP", L"BROWSER_STOP"},
    {VirtualKey::kAlone, 0xAA, L"VK_BROWSER_SEARCH", L"BROWSER_SEARCH"},
    {VirtualKey::kAlone, 0xAB, L"VK_BROWSER_FAVORITES", L"BROWSER_FAVORITES"},
    {VirtualKey::kAlone, 0xAC, L"VK_BROWSER_HOME", L"BROWSER_HOME"},
    {VirtualKey::kAlone, 0xAD, L"VK_VOLUME_MUTE", L"VOLUME_MUTE"},
    {VirtualKey::kAlone, 0xAE, L"VK_VOLUME_DOWN", L"VOLUME_DOWN"},
    {VirtualKey::kAlone, 0xAF, L"VK_VOLUME_UP", L"VOLUME_UP"},
    {VirtualKey::kAlone, 0xB0, L"VK_MEDIA_NEXT_TRACK", L"MEDIA_NEXT_TRACK"},
    {VirtualKey::kAlone, 0xB1, L"VK_MEDIA_PREV_TRACK", L"MEDIA_PREV_TRACK"},
    {VirtualKey::kAlone, 0xB2, L"VK_MEDIA_STOP", L"MEDIA_STOP"},
    {VirtualKey::kAlone, 0xB3, L"VK_MEDIA_PLAY_PAUSE", L"MEDIA_PLAY_PAUSE"},
    {VirtualKey::kAlone, 0xB4, L"VK_LAUNCH_MAIL", L"LAUNCH_MAIL"},
    {VirtualKey::kAlone, 0xB5, L"VK_LAUNCH_MEDIA_SELECT", L"LAUNCH_MEDIA_SELECT"},
    {VirtualKey::kAlone, 0xB6, L"VK_LAUNCH_APP1", L"LAUNCH_APP1"},
    {VirtualKey::kAlone, 0xB7, L"VK_LAUNCH_APP2", L"LAUNCH_APP2"},
    {VirtualKey::kAlone, 0xE5, L"VK_PROCESSKEY", L"PROCESSKEY"},
    {VirtualKey::kAlone, 0xF6, L"VK_ATTN", L"Attn"},
    {VirtualKey::kAlone, 0xF7, L"VK_CRSEL", L"CrSel"},
    {VirtualKey::kAlone, 0xF8, L"VK_EXSEL", L"ExSel"},
    {VirtualKey::kAlone, 0xF9, L"VK_EREOF", L"Erase EOF"},
    {VirtualKey::kAlone, 0xFA, L"VK_PLAY", L"PLAY"},
    {VirtualKey::kAlone, 0xFB, L"VK_ZOOM", L"ZOOM"},
    {VirtualKey::kAlone, 0xFD, L"VK_PA1", L"PA1"},
    {VirtualKey::kAlone, 0xFE, L"VK_OEM_CLEAR", L"CLEAR"},
    {VirtualKey::kAlone, 0x15, L"VK_KANA", L"KANA"},
    {VirtualKey::kAlone, 0x15, L"VK_HANGUL", L"HANGUL"},
    {VirtualKey::kAlone, 0x17, L"VK_JUNJA", L"JUNJA"},
    {VirtualKey::kAlone, 0x18, L"VK_FINAL", L"FINAL"},
    {VirtualKey::kAlone, 0x19, L"VK_HANJA", L"HANJA"},
    {VirtualKey::kAlone, 0x19, L"VK_KANJI", L"KANJI"},
    {VirtualKey::kAlone, 0x1C, L"VK_CONVERT", L"IME convert"},
    {VirtualKey::kAlone, 0x1D, L"VK_NONCONVERT", L"IME nonconvert"},
    {VirtualKey::kAlone, 0x1E, L"VK_ACCEPT", L"IME accept"},
    {VirtualKey::kAlone, 0x1F, L"VK_MODECHANGE", L"IME mode change request"},
    {VirtualKey::kNever, 0x01, L"VK_LBUTTON", L"LBUTTON"},
    {VirtualKey::kNever, 0x02, L"VK_RBUTTON", L"RBUTTON"},
    {VirtualKey::kNever, 0x03, L"VK_CANCEL", L"CANCEL"},
    {VirtualKey::kNever, 0x04, L"VK_MBUTTON", L"MBUTTON"},
    {VirtualKey::kNever, 0x05, L"VK_XBUTTON1", L"XBUTTON1"},
    {VirtualKey::kNever, 0x06, L"VK_XBUTTON2", L"XBUTTON2"},
    {VirtualKey::kNever, 0x10, L"VK_SHIFT", L"SHIFT"},
    {VirtualKey::kNever, 0x11, L"VK_CONTROL", L"CTRL"},
    {VirtualKey::kNever, 0x12, L"VK_MENU", L"ALT"},
    {VirtualKey::kNever, 0x14, L"VK_CAPITAL", L"CAPITAL"},
    {VirtualKey::kNever, 0x90, L"VK_NUMLOCK", L"NUMLOCK"},
    {VirtualKey::kNever, 0x91, L"VK_SCROLL", L"SCROLL"},
    {VirtualKey::kNever, 0xA0, L"VK_LSHIFT", L"LSHIFT"},
    {VirtualKey::kNever, 0xA1, L"VK_RSHIFT", L"RSHIFT"},
    {VirtualKey::kNever, 0xA2, L"VK_LCONTROL", L"LCONTROL"},
    {VirtualKey::kNever, 0xA3, L"VK_RCONTROL", L"RCONTROL"},
    {VirtualKey::kNever, 0xA4, L"VK_LMENU", L"LMENU"},
    {VirtualKey::kNever, 0xA5, L"VK_RMENU", L"RMENU"},
    {VirtualKey::kNever, 0x5B, L"VK_LWIN", L"LWIN"},
    {VirtualKey::kNever, 0x5C, L"VK_RWIN", L"RWIN"},
};

constexpr unsigned kAnyModifier = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;

}  // namespace

const VirtualKey* VirtualKeyTable() { return kKeys; }
std::size_t VirtualKeyCount() { return sizeof(kKeys) / sizeof(kKeys[0]); }

const VirtualKey* FindVirtualKey(unsigned code) {
    for (const VirtualKey& key : kKeys)
        if (key.code == code) return &key;
    return nullptr;
}

bool IsValidHotKey(unsigned modifiers, unsigned vkey) {
    if (vkey == 0) return false;
    const VirtualKey* key = FindVirtualKey(vkey);
    if (!key) return true;
    switch (key->keyClass) {
        case VirtualKey::kNeedsCtrlAltOrWin:
            return (modifiers & (MOD_CONTROL | MOD_ALT | MOD_WIN)) != 0;
        case VirtualKey::kNeedsModifier:
            return (modifiers & kAnyModifier) != 0;
        case VirtualKey::kAlone:
            return true;
        case VirtualKey::kNever:
        default:
            return false;
    }
}

std::wstring FormatHotKey(std::uint32_t keyValue) {
    const unsigned modifiers = keyValue & 0xFFFF, vkey = keyValue >> 16;
    if (!IsValidHotKey(modifiers, vkey)) return L"";
    std::wstring text;
    if (modifiers & MOD_CONTROL) text += L"CTRL+";
    if (modifiers & MOD_ALT) text += L"ALT+";
    if (modifiers & MOD_WIN) text += L"WIN+";
    if (modifiers & MOD_SHIFT) text += L"SHIFT+";
    // A string map may name any key by its constant or by its number ("VK_#65").
    const std::wstring numberId = L"VK_#" + std::to_wstring(vkey);
    if (const VirtualKey* key = FindVirtualKey(vkey)) {
        std::wstring name = GetString(key->stringId, L"");
        return text + (name.empty() ? GetString(numberId, key->displayName) : name);
    }
    return text + GetString(numberId, L"#" + std::to_wstring(vkey));
}
