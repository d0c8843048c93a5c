#pragma once
// Pop-up menus drawn by their owner window in a flat style: a shaded icon column on the left
// (check boxes, thumbnails), a lighter item area, the selected item as a framed rectangle,
// etched separators, and item texts split at a tab into a left and a right-aligned part.
// Each item's data starts with the text a screen reader reads for it (MSAAMENUINFO).
#include <windows.h>
#include <oleacc.h>

#include <deque>
#include <string>

#include "base/handles.h"

class FlatMenuStyle {
public:
    // Sizes at 96 DPI; the menus scale them to their owner window's DPI.
    static constexpr int kIconColumnWidth = 29;  // room for a 25 x 25 thumbnail
    static constexpr int kTextIndent = 14;       // from the icon column to the text
    static constexpr int kRightMargin = 12;      // after the right-aligned part
    static constexpr int kSeparatorHeight = 7;

    FlatMenuStyle();
    FlatMenuStyle(const FlatMenuStyle&) = delete;
    FlatMenuStyle& operator=(const FlatMenuStyle&) = delete;

    // Fonts and sizes for the DPI of the window that shows the next menu.
    void SetDpi(int dpi);
    int GetDpi() const { return m_dpi; }

    // Makes every item of the menu and of its sub-menus owner-drawn. Their texts, bitmaps
    // (MIIM_BITMAP) and kinds are kept here until the next Apply: apply it to the menu about to
    // be tracked.
    void Apply(HMENU menu);

    // The owner window's WM_MEASUREITEM and WM_DRAWITEM; false for items this style did not make.
    bool OnMeasureItem(MEASUREITEMSTRUCT& measure) const;
    bool OnDrawItem(const DRAWITEMSTRUCT& draw) const;
    // The owner window's WM_MENUCHAR: false for a menu none of whose items this style made.
    bool OnMenuChar(wchar_t key, HMENU menu, LRESULT& answer) const;

private:
    struct Item {
        // First, as screen readers look for it at the start of an owner-drawn item's data.
        MSAAMENUINFO accessible{};
        std::wstring text;         // the whole text, with its mnemonic mark
        std::wstring left, right;  // the text before and after its first tab
        HBITMAP image = nullptr;   // not owned
        bool separator = false;
    };
    const Item* Find(ULONG_PTR data) const;
    void ApplyTo(HMENU menu);
    int Scaled(int length) const;

    std::deque<Item> m_items;  // a deque: item addresses are the menus' item data
    int m_dpi = 0;
    ScopedHandle<GdiObjectTraits<HFONT>> m_font, m_boldFont;
};
