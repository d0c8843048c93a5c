#pragma once
// The main window's skinned controls: the fixed table of named buttons with their commands
// and tooltips, the links a layout adds, and the one tooltip control that explains them all.
// The table's order is the order Tab walks the bar in, left to right.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/handles.h"
#include "ui/controls/skin_button.h"

class SkinControls {
public:
    struct Entry {
        const wchar_t* name;       // as a layout's "Control" names it
        WORD id;                   // the command it sends
        const wchar_t* tooltipId;  // string id of its tooltip
        SkinButton button;
    };

    SkinControls();
    // Creates every named button (hidden) and the tooltip control; false when a window fails.
    bool Create(HWND parent);

    // The named button, the name compared without case; null when there is none.
    SkinButton* Find(const std::wstring& name);
    SkinButton* FindById(WORD id);
    // A new link button with the next link id (33000, 33001, ...).
    SkinButton* AddLink(const std::wstring& url, const std::wstring& tooltipId);

    // Tooltips from the string map: buttons with an empty fallback, links with their id. The
    // same texts, without mnemonic marks, name the buttons for screen readers.
    void Retext();
    // The tooltips' font for the window's DPI (Create sets it for the parent's).
    void ScaleTooltips(int dpi);
    // Whether the window is one of the buttons or links.
    bool Owns(HWND window) const;
    // Focus rectangles on the buttons: only while the keyboard is in use.
    void SetFocusCues(bool shown) { m_focusCues = shown; }
    bool FocusCuesShown() const { return m_focusCues; }
    // WM_DRAWITEM for any of the buttons; false when the item is not one of them.
    bool Draw(const DRAWITEMSTRUCT& item, HBITMAP background) const;
    // A click (WM_COMMAND from a button): true when it was a link and is opened.
    bool OpenLink(WORD id) const;

    static constexpr WORD kFirstLinkId = 33000;

private:
    struct Link {
        SkinButton button;
        std::wstring tooltipId;
    };
    void SetTooltip(HWND control, const std::wstring& text);

    HWND m_parent = nullptr;
    HWND m_tooltip = nullptr;
    ScopedHandle<GdiObjectTraits<HFONT>> m_tooltipFont;
    std::vector<std::unique_ptr<Entry>> m_entries;
    std::vector<std::unique_ptr<Link>> m_links;
    std::vector<HWND> m_tipped;  // controls the tooltip control knows
    bool m_focusCues = false;
};
