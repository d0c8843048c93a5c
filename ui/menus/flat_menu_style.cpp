#include "ui/menus/flat_menu_style.h"

#include <algorithm>
#include <vector>

#include "base/dpi.h"
#include "ui/menus/menu_mnemonics.h"

namespace {

// weight parts of b in 256, the rest of a.
COLORREF Blend(COLORREF a, COLORREF b, int weight) {
    auto mix = [weight](int x, int y) { return (x * (256 - weight) + y * weight) / 256; };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

struct Palette {
    COLORREF iconColumn, itemArea, selectedFill, selectedFrame, disabledText, text;
    static Palette FromSystem() {
        const COLORREF face = GetSysColor(COLOR_BTNFACE), highlight = GetSysColor(COLOR_HIGHLIGHT);
        const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
        Palette palette;
        palette.iconColumn = Blend(face, black, 16);
        palette.itemArea = Blend(face, white, 192);
        palette.selectedFill = Blend(highlight, white, 176);
        palette.selectedFrame = Blend(highlight, black, 32);
        palette.disabledText = Blend(face, black, 96);
        palette.text = GetSysColor(COLOR_MENUTEXT);
        return palette;
    }
};

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

void Frame(HDC dc, const RECT& rect, COLORREF colour) {
    UniqueBrush brush(CreateSolidBrush(colour));
    FrameRect(dc, &rect, brush.get());
}

void DrawCheckMark(HDC dc, const RECT& box, COLORREF colour, int dpi) {
    ScopedHandle<GdiObjectTraits<HPEN>> pen(CreatePen(PS_SOLID, ScaleForDpi(2, dpi), colour));
    ScopedSelect select(dc, pen.get());
    const int x = box.left + (box.right - box.left) / 2, y = box.top + (box.bottom - box.top) / 2;
    const int one = ScaleForDpi(1, dpi), three = ScaleForDpi(3, dpi), four = ScaleForDpi(4, dpi);
    POINT tick[] = {{x - four, y}, {x - one, y + three}, {x + four, y - three}};
    Polyline(dc, tick, 3);
}

}  // namespace

FlatMenuStyle::FlatMenuStyle() { SetDpi(GetSystemDpi()); }

void FlatMenuStyle::SetDpi(int dpi) {
    if (dpi == m_dpi && m_font) return;
    NONCLIENTMETRICSW metrics{};
    LOGFONTW font{};
    if (GetNonClientMetricsForDpi(metrics, dpi)) {
        font = metrics.lfMenuFont;
    } else {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    }
    m_dpi = dpi;
    m_font.reset(CreateFontIndirectW(&font));
    font.lfWeight = FW_BOLD;
    m_boldFont.reset(CreateFontIndirectW(&font));
}

int FlatMenuStyle::Scaled(int length) const { return ScaleForDpi(length, m_dpi); }

void FlatMenuStyle::Apply(HMENU menu) {
    m_items.clear();
    ApplyTo(menu);
}

void FlatMenuStyle::ApplyTo(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU | MIIM_BITMAP;
        if (!GetMenuItemInfoW(menu, position, TRUE, &info)) continue;  // the text's length
        std::vector<wchar_t> text(info.cch + 1);
        info.dwTypeData = text.data();
        info.cch = static_cast<UINT>(text.size());
        if (!GetMenuItemInfoW(menu, position, TRUE, &info)) continue;
        if (info.fType & MFT_OWNERDRAW) continue;  // already someone's
        Item item;
        item.separator = (info.fType & MFT_SEPARATOR) != 0;
        item.image = info.hbmpItem;
        item.text = text.data();
        size_t tab = item.text.find(L'\t');
        item.left = item.text.substr(0, tab);
        if (tab != std::wstring::npos) item.right = item.text.substr(tab + 1);
        m_items.push_back(std::move(item));
        // Pointed at once the item has its place: a deque does not move its elements.
        Item& placed = m_items.back();
        placed.accessible.dwMSAASignature = MSAA_MENU_SIG;
        placed.accessible.cchWText = static_cast<DWORD>(placed.text.size());
        placed.accessible.pszWText = &placed.text[0];

        MENUITEMINFOW owned{};
        owned.cbSize = sizeof(owned);
        owned.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_BITMAP;
        owned.fType = info.fType | MFT_OWNERDRAW;
        owned.dwItemData = reinterpret_cast<ULONG_PTR>(&m_items.back());
        owned.hbmpItem = nullptr;  // drawn by us, in the icon column
        SetMenuItemInfoW(menu, position, TRUE, &owned);
        if (info.hSubMenu) ApplyTo(info.hSubMenu);
    }
}

const FlatMenuStyle::Item* FlatMenuStyle::Find(ULONG_PTR data) const {
    for (const Item& item : m_items)
        if (reinterpret_cast<ULONG_PTR>(&item) == data) return &item;
    return nullptr;
}

bool FlatMenuStyle::OnMeasureItem(MEASUREITEMSTRUCT& measure) const {
    if (measure.CtlType != ODT_MENU) return false;
    const Item* item = Find(measure.itemData);
    if (!item) return false;
    if (item->separator) {
        measure.itemWidth = Scaled(kIconColumnWidth);
        measure.itemHeight = Scaled(kSeparatorHeight);
        return true;
    }
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    ScopedSelect font(dc.get(), m_boldFont.get());  // the widest the text can be drawn
    SIZE left{}, right{};
    GetTextExtentPoint32W(dc.get(), item->left.c_str(), static_cast<int>(item->left.size()), &left);
    // Drawn with its mark as an underline: as wide as the text without the "&".
    RECT drawn{0, 0, 0, 0};
    DrawTextW(dc.get(), item->left.c_str(), static_cast<int>(item->left.size()), &drawn, DT_SINGLELINE | DT_CALCRECT);
    left.cx = drawn.right;
    if (!item->right.empty())
        GetTextExtentPoint32W(dc.get(), item->right.c_str(), static_cast<int>(item->right.size()), &right);
    const int gap = item->right.empty() ? 0 : 2 * Scaled(kTextIndent);
    measure.itemWidth = Scaled(kIconColumnWidth + kTextIndent + kRightMargin) + left.cx + gap + right.cx;
    int height = std::max<int>(left.cy, right.cy) + Scaled(8);
    if (item->image) {
        BITMAP bitmap{};
        if (GetObjectW(item->image, sizeof(bitmap), &bitmap))
            height = std::max<int>(height, Scaled(bitmap.bmHeight + 4));
    }
    measure.itemHeight = std::max(height, Scaled(20));
    return true;
}

bool FlatMenuStyle::OnDrawItem(const DRAWITEMSTRUCT& draw) const {
    if (draw.CtlType != ODT_MENU) return false;
    const Item* item = Find(draw.itemData);
    if (!item) return false;
    const Palette palette = Palette::FromSystem();
    HDC dc = draw.hDC;
    const RECT& whole = draw.rcItem;
    const int columnWidth = Scaled(kIconColumnWidth);
    RECT column{whole.left, whole.top, whole.left + columnWidth, whole.bottom};
    RECT area{column.right, whole.top, whole.right, whole.bottom};
    Fill(dc, column, palette.iconColumn);
    Fill(dc, area, palette.itemArea);

    if (item->separator) {
        const int middle = whole.top + (whole.bottom - whole.top) / 2 - 1;
        RECT line{area.left + Scaled(2), middle, whole.right, middle + 2};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return true;
    }
    const bool grayed = (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    if ((draw.itemState & ODS_SELECTED) && !grayed) {
        Fill(dc, whole, palette.selectedFill);
        Frame(dc, whole, palette.selectedFrame);
    }
    if (draw.itemState & ODS_CHECKED) {
        RECT box{column.left + Scaled(4), whole.top + Scaled(2), column.right - Scaled(4), whole.bottom - Scaled(2)};
        const int side = std::min(box.right - box.left, box.bottom - box.top);
        box.top += (box.bottom - box.top - side) / 2;
        box.bottom = box.top + side;
        Fill(dc, box, palette.selectedFill);
        Frame(dc, box, palette.selectedFrame);
        DrawCheckMark(dc, box, grayed ? palette.disabledText : palette.text, m_dpi);
    } else if (item->image) {
        BITMAP bitmap{};
        UniqueMemoryDc source(CreateCompatibleDC(dc));
        if (GetObjectW(item->image, sizeof(bitmap), &bitmap) && source) {
            ScopedSelect selected(source.get(), item->image);
            // Thumbnails are made at 96 DPI: drawn larger, smoothly, on a larger screen.
            const int width = Scaled(bitmap.bmWidth), height = Scaled(bitmap.bmHeight);
            const int x = column.left + (columnWidth - width) / 2;
            const int y = whole.top + (whole.bottom - whole.top - height) / 2;
            if (width == bitmap.bmWidth && height == bitmap.bmHeight) {
                BitBlt(dc, x, y, width, height, source.get(), 0, 0, SRCCOPY);
            } else {
                const int oldMode = SetStretchBltMode(dc, HALFTONE);
                SetBrushOrgEx(dc, 0, 0, nullptr);
                StretchBlt(dc, x, y, width, height, source.get(), 0, 0, bitmap.bmWidth, bitmap.bmHeight, SRCCOPY);
                SetStretchBltMode(dc, oldMode);
            }
        }
    }

    ScopedSelect font(dc, (draw.itemState & ODS_DEFAULT) ? m_boldFont.get() : m_font.get());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, grayed ? palette.disabledText : palette.text);
    const UINT format = DT_SINGLELINE | DT_VCENTER;
    // The mnemonic underlined, unless the menu was opened without the keyboard. The marks are
    // taken out here rather than by DT_HIDEPREFIX, which Wine ignores (it underlines anyway).
    const bool hideMarks = (draw.itemState & ODS_NOACCEL) != 0;
    const std::wstring left = hideMarks ? WithoutMarks(item->left) : item->left;
    RECT text{area.left + Scaled(kTextIndent), whole.top, whole.right - Scaled(kRightMargin), whole.bottom};
    DrawTextW(dc, left.c_str(), static_cast<int>(left.size()), &text, format | (hideMarks ? DT_NOPREFIX : 0) | DT_LEFT);
    if (!item->right.empty())
        DrawTextW(dc, item->right.c_str(), static_cast<int>(item->right.size()), &text,
                  format | DT_NOPREFIX | DT_RIGHT);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    return true;
}

bool FlatMenuStyle::OnMenuChar(wchar_t key, HMENU menu, LRESULT& answer) const {
    std::vector<MenuCharItem> items;
    int highlighted = -1;
    bool ours = false;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_DATA;
        MenuCharItem entry;
        if (GetMenuItemInfoW(menu, position, TRUE, &info)) {
            const Item* item = Find(info.dwItemData);
            ours = ours || item != nullptr;
            if (item) entry.text = item->left;
            entry.separator = (info.fType & MFT_SEPARATOR) != 0;
            entry.enabled = (info.fState & MFS_DISABLED) == 0;
            if (info.fState & MFS_HILITE) highlighted = position;
        }
        items.push_back(std::move(entry));
    }
    if (!ours) return false;
    answer = AnswerMenuChar(items, key, highlighted);
    return true;
}
