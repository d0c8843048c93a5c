#pragma once
// The keys a hot key may use, which modifiers each needs, and the text of a key combination.
#include <cstddef>
#include <cstdint>
#include <string>

struct VirtualKey {
    enum Class {
        kNeedsCtrlAltOrWin = 0,  // letters, digits, punctuation: SHIFT alone would steal typing
        kNeedsModifier = 1,      // editing and navigation keys
        kAlone = 2,              // function, media and IME keys
        kNever = 3,              // mouse buttons, the modifiers themselves, the lock keys
    };
    Class keyClass;
    std::uint16_t code;
    const wchar_t* stringId;     // the Windows constant's name, looked up in the string map
    const wchar_t* displayName;  // shown when the string map has no text for the key
};

// The table in its order: lookups take the first entry with a code (0x15 reads KANA, 0x19 HANJA).
const VirtualKey* VirtualKeyTable();
std::size_t VirtualKeyCount();
const VirtualKey* FindVirtualKey(unsigned code);  // null when the code is not in the table

// Whether the combination may be a hot key: never key 0; always a key the table does not know.
bool IsValidHotKey(unsigned modifiers, unsigned vkey);

// A hot key as one value: modifiers (RegisterHotKey flags) in the low word, virtual key in the high.
inline std::uint32_t MakeHotKeyValue(unsigned modifiers, unsigned vkey) {
    return (static_cast<std::uint32_t>(vkey & 0xFFFF) << 16) | (modifiers & 0xFFFF);
}

// "CTRL+ALT+A", "WIN+PAGE UP"; empty for a combination that is not valid.
std::wstring FormatHotKey(std::uint32_t keyValue);
