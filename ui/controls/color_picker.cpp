#include "ui/controls/color_picker.h"

#include <commdlg.h>

#include <vector>

#include "base/handles.h"
#include "config/settings.h"

namespace {

enum : UINT { kAutomaticItem = 1, kCustomItem = 2, kPaletteFirstItem = 100 };

const COLORREF kPalette[] = {RGB(0, 0, 0),       RGB(64, 64, 64),  RGB(128, 128, 128), RGB(192, 192, 192),
                             RGB(255, 255, 255), RGB(128, 0, 0),   RGB(255, 0, 0),     RGB(255, 128, 0),
                             RGB(255, 255, 0),   RGB(0, 128, 0),   RGB(0, 128, 128),   RGB(0, 0, 128),
                             RGB(0, 0, 255),     RGB(128, 0, 128), RGB(96, 64, 32),    RGB(240, 224, 192)};

COLORREF DesktopColor() { return GetSysColor(COLOR_DESKTOP); }

void FillColor(HDC dc, const RECT& rect, COLORREF color) {
    SetDCBrushColor(dc, color);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FrameColor(HDC dc, const RECT& rect, COLORREF color) {
    SetDCBrushColor(dc, color);
    FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A menu check-mark-sized square of the colour with a dark frame.
UniqueBitmap MakeSwatch(COLORREF color) {
    const int width = GetSystemMetrics(SM_CXMENUCHECK), height = GetSystemMetrics(SM_CYMENUCHECK);
    WindowDc screen;
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
    if (!bitmap || !dc) return UniqueBitmap();
    ScopedSelect selected(dc.get(), bitmap.get());
    const RECT all{0, 0, width, height};
    FillColor(dc.get(), all, color);
    FrameColor(dc.get(), all, RGB(0, 0, 0));
    return bitmap;
}

std::wstring HexName(COLORREF color) {
    wchar_t text[8] = {};
    wsprintfW(text, L"#%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

void AppendColorItem(HMENU menu, UINT id, const std::wstring& text, HBITMAP swatch, bool checked) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP | MIIM_STATE;
    item.wID = id;
    item.dwTypeData = const_cast<wchar_t*>(text.c_str());
    item.hbmpItem = swatch;
    item.fState = checked ? MFS_CHECKED : MFS_UNCHECKED;
    InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &item);
}

}  // namespace

void CColorPicker::Attach(HWND button) { m_button = button; }

void CColorPicker::SetColor(std::uint32_t color) {
    m_color = color;
    if (m_button) InvalidateRect(m_button, nullptr, FALSE);
}

COLORREF CColorPicker::GetShownColor() const {
    return m_color == Settings::kDesktopColorMarker ? DesktopColor() : static_cast<COLORREF>(m_color & 0xFFFFFF);
}

void CColorPicker::SetTexts(std::wstring automatic, std::wstring custom) {
    m_automaticText = std::move(automatic);
    m_customText = std::move(custom);
}

bool CColorPicker::Draw(const DRAWITEMSTRUCT& item) const {
    if (!m_button || item.hwndItem != m_button) return false;
    HDC dc = item.hDC;
    RECT face = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0, disabled = (item.itemState & ODS_DISABLED) != 0;
    FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    if (pressed) OffsetRect(&face, 1, 1);

    // The swatch on the left, a drop-down arrow on the right.
    const int height = face.bottom - face.top;
    const int arrowWidth = height;
    RECT swatch{face.left + 3, face.top + 3, face.right - arrowWidth, face.bottom - 3};
    if (swatch.right > swatch.left) {
        FillColor(dc, swatch, disabled ? GetSysColor(COLOR_BTNFACE) : GetShownColor());
        FrameColor(dc, swatch, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    }
    const int middleX = face.right - arrowWidth / 2 - 1, middleY = face.top + height / 2;
    const int half = (height / 6 > 2) ? height / 6 : 2;
    POINT arrow[3] = {
        {middleX - half, middleY - half / 2}, {middleX + half, middleY - half / 2}, {middleX, middleY + half / 2 + 1}};
    const COLORREF ink = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    SetDCBrushColor(dc, ink);
    SetDCPenColor(dc, ink);
    ScopedSelect brush(dc, GetStockObject(DC_BRUSH));
    ScopedSelect pen(dc, GetStockObject(DC_PEN));
    Polygon(dc, arrow, 3);
    if ((item.itemState & ODS_FOCUS) && !disabled) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(dc, &focus);
    }
    return true;
}

bool CColorPicker::Choose() {
    if (!m_button) return false;
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return false;
    // The swatches must live until the menu is gone.
    std::vector<UniqueBitmap> swatches;
    auto swatch = [&swatches](COLORREF color) {
        swatches.push_back(MakeSwatch(color));
        return swatches.back().get();
    };
    const bool automatic = m_color == Settings::kDesktopColorMarker;
    bool inPalette = false;
    AppendColorItem(menu.get(), kAutomaticItem, m_automaticText, swatch(DesktopColor()), automatic);
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    for (UINT i = 0; i < sizeof(kPalette) / sizeof(kPalette[0]); ++i) {
        const bool current = !automatic && GetShownColor() == kPalette[i];
        inPalette = inPalette || current;
        AppendColorItem(menu.get(), kPaletteFirstItem + i, HexName(kPalette[i]), swatch(kPalette[i]), current);
    }
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    // A colour of the user's own shows on the custom entry.
    const bool custom = !automatic && !inPalette;
    AppendColorItem(menu.get(), kCustomItem, m_customText, custom ? swatch(GetShownColor()) : nullptr, custom);

    RECT button;
    GetWindowRect(m_button, &button);
    const UINT chosen =
        static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN,
                                         button.left, button.bottom, 0, GetParent(m_button), nullptr));
    const std::uint32_t before = m_color;
    if (chosen == kAutomaticItem) {
        SetColor(Settings::kDesktopColorMarker);
    } else if (chosen == kCustomItem) {
        ChooseCustom();
    } else if (chosen >= kPaletteFirstItem && chosen < kPaletteFirstItem + sizeof(kPalette) / sizeof(kPalette[0])) {
        SetColor(kPalette[chosen - kPaletteFirstItem]);
    }
    return m_color != before;
}

bool CColorPicker::ChooseCustom() {
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetParent(m_button);
    dialog.rgbResult = GetShownColor();
    dialog.lpCustColors = m_customColors;
    dialog.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!ChooseColorW(&dialog)) return false;
    SetColor(dialog.rgbResult & 0xFFFFFF);
    return true;
}
