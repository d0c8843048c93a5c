#pragma once
// A read-only edit that captures a key combination: it eats the keys pressed in it, keeps the
// last valid combination as one hot-key value (modifiers in the low word, key in the high)
// and shows its text. Typing never reaches the edit, so nothing else can be entered.
#include <windows.h>

#include <cstdint>

#include "ui/controls/subclassed_control.h"

class HotKeyEdit : public SubclassedControl {
public:
    HotKeyEdit() = default;

    // Takes over an edit of a dialog; false when the window is not there or cannot be subclassed.
    bool Attach(HWND edit);
    // The object attached to the window; null for any other window.
    static HotKeyEdit* FromWindow(HWND edit);

    std::uint32_t Value() const { return m_value; }
    // Holds the value and shows its text (empty for 0 or a combination that is not valid).
    void SetValue(std::uint32_t value);
    // The text again, in the language now selected.
    void Retext();

    // The modifiers held down now, as RegisterHotKey flags; either Windows key counts as WIN.
    static unsigned HeldModifiers();

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnKey(unsigned vkey);

    std::uint32_t m_value = 0;
};
