#include "ui/options/hot_key_page.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "base/localization.h"
#include "config/hot_key_commands.h"
#include "resources/resource.h"
#include "ui/hot_keys/virtual_keys.h"
#include "ui/menus/menu_mnemonics.h"

namespace {

enum Column { kNameColumn = 0, kKeyColumn = 1 };

std::uint32_t ValueOf(const Settings::HotKey& key) { return MakeHotKeyValue(key.modifier, key.vkey); }

// The menus' texts for the same commands carry mnemonic marks; the list shows them plain.
std::wstring CommandName(const std::wstring& command) { return StripMnemonic(GetString(L"CmdName_" + command)); }

// The first two commands, in map order, that share a key other than 0.
std::optional<std::pair<std::wstring, std::wstring>> FindConflict(const Settings::HotKeyMap& keys) {
    for (auto first = keys.begin(); first != keys.end(); ++first) {
        if (ValueOf(first->second) == 0) continue;
        for (auto second = std::next(first); second != keys.end(); ++second)
            if (ValueOf(second->second) == ValueOf(first->second)) return std::make_pair(first->first, second->first);
    }
    return std::nullopt;
}

void SetCellText(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void SetColumnText(HWND list, int column, const std::wstring& text) {
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT;
    header.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETCOLUMNW, column, reinterpret_cast<LPARAM>(&header));
}

}  // namespace

HotKeyPage::HotKeyPage(OptionsDraft& draft) : PropertyPage(IDD_HOTKEY_PAGE, L"PropSheet_HotKey_Title", draft) {}

HWND HotKeyPage::List() const { return GetDlgItem(m_hwnd, IDC_HOTKEY_LIST); }

int HotKeyPage::SelectedRow() const {
    const int row = static_cast<int>(SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row >= 0 && row < kHotKeyCommandCount ? row : -1;
}

std::uint32_t HotKeyPage::KeyOf(const std::wstring& name) const {
    const auto found = m_edited.find(name);
    return found == m_edited.end() ? 0 : ValueOf(found->second);
}

void HotKeyPage::OnInit() {
    m_stored = m_edited = m_draft.hotKeys;
    HWND list = List();
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(L"");
    for (int index : {kNameColumn, kKeyColumn}) {
        column.iSubItem = index;
        SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
    }
    for (int row = 0; row < kHotKeyCommandCount; ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    m_keyEdit.Attach(GetDlgItem(m_hwnd, IDC_HOTKEY_EDIT));
    OnSelectionChanged();
}

void HotKeyPage::Retext() {
    HWND list = List();
    SetColumnText(list, kNameColumn, GetString(L"PropSheet_HotKey_Col_CommandName"));
    SetColumnText(list, kKeyColumn, GetString(L"PropSheet_HotKey_Col_HotKey"));
    for (int row = 0; row < kHotKeyCommandCount; ++row) ShowRow(row);
    SetItemText(IDC_HOTKEY_LIST_TITLE, L"PropSheet_HotKey_List_Title");
    SetItemText(IDC_HOTKEY_NEW_TITLE, L"PropSheet_HotKey_NewHotKey_Title");
    SetItemText(IDC_HOTKEY_ASSIGN, L"PropSheet_HotKey_AssignHotKey");
    SetItemText(IDC_HOTKEY_DELETE, L"PropSheet_HotKey_DeleteHotKey");
    SetItemText(IDC_HOTKEY_RESET, L"PropSheet_HotKey_ResetHotKey");
    FitColumns();
    ShowDescription();
    m_keyEdit.Retext();
}

// The names as wide as the longest one in this language needs (the control measures it with
// its own padding), at most two thirds of the list; the keys take the rest beside a scroll bar.
void HotKeyPage::FitColumns() {
    HWND list = List();
    RECT client{};
    GetClientRect(list, &client);
    const int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, kNameColumn, LVSCW_AUTOSIZE_USEHEADER);
    const int nameWidth =
        std::min(static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, kNameColumn, 0)), width * 2 / 3);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, kNameColumn, nameWidth);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, kKeyColumn, width - nameWidth);
}

void HotKeyPage::ShowRow(int row) {
    HWND list = List();
    SetCellText(list, row, kNameColumn, CommandName(kHotKeyCommandNames[row]));
    SetCellText(list, row, kKeyColumn, FormatHotKey(KeyOf(kHotKeyCommandNames[row])));
}

void HotKeyPage::ShowDescription() {
    const int row = SelectedRow();
    const std::wstring text = row < 0 ? L"" : GetString(L"CmdDesc_" + std::wstring(kHotKeyCommandNames[row]), L"");
    SetDlgItemTextW(m_hwnd, IDC_HOTKEY_DESCRIPTION, text.c_str());
}

// A selected row shows its description and puts its key into the capture field; the buttons
// act on the selected row only.
void HotKeyPage::OnSelectionChanged() {
    const int row = SelectedRow();
    for (int button : {IDC_HOTKEY_ASSIGN, IDC_HOTKEY_DELETE, IDC_HOTKEY_RESET})
        EnableWindow(GetDlgItem(m_hwnd, button), row >= 0);
    ShowDescription();
    if (row >= 0) m_keyEdit.SetValue(KeyOf(kHotKeyCommandNames[row]));
}

void HotKeyPage::SetSelectedKey(std::uint32_t value) {
    const int row = SelectedRow();
    if (row < 0) return;
    if (value == 0) {
        m_edited.erase(kHotKeyCommandNames[row]);
    } else {
        m_edited[kHotKeyCommandNames[row]] = {static_cast<std::uint16_t>(value & 0xFFFF),
                                              static_cast<std::uint16_t>(value >> 16)};
    }
    ShowRow(row);
    m_keyEdit.SetValue(value);
    SetChanged(m_edited != m_stored);
}

bool HotKeyPage::OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_HOTKEY_ASSIGN:
            SetSelectedKey(m_keyEdit.Value());
            return true;
        case IDC_HOTKEY_DELETE:
            SetSelectedKey(0);
            return true;
        case IDC_HOTKEY_RESET: {
            const int row = SelectedRow();
            if (row < 0) return true;
            const Settings::HotKeyMap defaults = Settings::GetDefaultHotKeys();
            const auto found = defaults.find(kHotKeyCommandNames[row]);
            SetSelectedKey(found == defaults.end() ? 0 : ValueOf(found->second));
            return true;
        }
        default:
            return false;
    }
}

INT_PTR HotKeyPage::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam) {
    if (message != WM_NOTIFY) return FALSE;
    const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.idFrom != IDC_HOTKEY_LIST || header.code != LVN_ITEMCHANGED) return FALSE;
    const NMLISTVIEW& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
    if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) OnSelectionChanged();
    return TRUE;
}

bool HotKeyPage::ReadBack() {
    if (const auto conflict = FindConflict(m_edited)) {
        const std::wstring text = FormatString(GetString(L"Prompt_HotKeyConflict"),
                                               {CommandName(conflict->first), CommandName(conflict->second),
                                                FormatHotKey(ValueOf(m_edited.at(conflict->first)))});
        const std::wstring title = GetString(L"Prompt_HotKeyConflict_Title");
        if (m_report)
            m_report(m_hwnd, text, title);
        else
            MessageBoxW(m_hwnd, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
        return false;
    }
    m_draft.hotKeys = m_edited;
    // The sheet takes the map and clears its Apply button: from here on changes count from it.
    m_stored = m_edited;
    return true;
}
