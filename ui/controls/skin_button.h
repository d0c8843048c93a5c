#pragma once
// A button of the skin: an owner-drawn child window that shows one bitmap over the window's
// background, see-through where the bitmap has its key colour, pushed in while pressed. In
// link mode a click opens an address instead of sending a command. A tab stop of its dialog;
// its window text (never drawn) is its name for screen readers.
#include <windows.h>

#include <string>

#include "base/handles.h"

class SkinButton {
public:
    SkinButton() = default;
    SkinButton(const SkinButton&) = delete;
    SkinButton& operator=(const SkinButton&) = delete;

    // A hidden child of parent with the command id; false when the window cannot be made.
    bool Create(HWND parent, WORD id);
    HWND GetHwnd() const { return m_window; }
    WORD GetId() const { return m_id; }

    // Takes ownership of the bitmap. With a key colour its pixels of that colour show the
    // background through.
    void SetBitmap(HBITMAP bitmap, bool keyed, COLORREF key);
    void Place(const RECT& box);
    void Show(bool shown);
    // The pressed look of a toggle (Freeze, hidden desktop icons).
    void SetPressed(bool pressed);
    bool IsPressed() const { return m_pressed; }
    // The name screen readers give it (the system's button proxy reads the window text).
    void SetName(const std::wstring& name);
    void SetLink(const std::wstring& url) { m_url = url; }
    const std::wstring& GetLink() const { return m_url; }

    // WM_DRAWITEM of the parent for this button: background (the parent's composed bitmap,
    // at the button's place), then the bitmap, one pixel lower and to the right while held or
    // pressed, dimmed while disabled, framed by a focus rectangle while it has the focus and
    // focusCues are on (the keyboard is in use).
    void Draw(const DRAWITEMSTRUCT& item, HBITMAP background, bool focusCues) const;
    // The button's click: opens the link (true) or leaves the command to the parent (false).
    bool OpenLinkIfAny() const;

private:
    HWND m_window = nullptr;
    WORD m_id = 0;
    UniqueBitmap m_bitmap;
    SIZE m_size{0, 0};
    bool m_keyed = false;
    COLORREF m_key = 0;
    bool m_pressed = false;
    std::wstring m_url;
};
