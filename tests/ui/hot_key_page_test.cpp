// The hot-key page of the options sheet, driven through messages inside a real modeless
// property sheet: rows selected in the list view, keys sent to the capture field with the
// modifiers held in the thread's key state, the page's buttons and the sheet's Apply button.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/localization.h"
#include "config/hot_key_commands.h"
#include "config/settings.h"
#include "resources/resource.h"
#include "ui/controls/hot_key_edit.h"
#include "ui/menus/menu_mnemonics.h"
#include "ui/options/hot_key_page.h"
#include "ui/options/options_draft.h"

namespace {

constexpr int kApplyButton = 0x3021;  // the sheet's own Apply button

// The page's rows, in the order it lists the commands.
enum Row { kPrev = 0, kFreeze, kNext, kShowHideDesktopIcons, kToggleMainWindow, kDownloadNow, kRowCount = 10 };

std::string Narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) result += c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

// The modifiers the capture field will find down, in the thread's key state as the system
// keeps it while a key message is handled.
void HoldKeys(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (int key : keys) state[key] = 0x80;
    SetKeyboardState(state);
}

struct Report {
    HWND owner;
    std::wstring text, title;
};

class HotKeyPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadStringMaps());
        SelectLanguage(1033);
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&controls);
        draft.hotKeys = Settings::GetDefaultHotKeys();
        page.SetConflictReport([this](HWND owner, const std::wstring& text, const std::wstring& title) {
            reports.push_back({owner, text, title});
        });
        PROPSHEETPAGEW description = page.Describe();
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof(header);
        header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOCONTEXTHELP;
        header.hInstance = GetModuleHandleW(nullptr);
        header.pszCaption = L"Options";
        header.nPages = 1;
        header.ppsp = &description;
        sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
        ASSERT_NE(sheet, nullptr);
        pageWindow = PropSheet_GetCurrentPageHwnd(sheet);
        ASSERT_NE(pageWindow, nullptr);
        list = GetDlgItem(pageWindow, IDC_HOTKEY_LIST);
        edit = GetDlgItem(pageWindow, IDC_HOTKEY_EDIT);
        ASSERT_NE(list, nullptr);
        ASSERT_NE(edit, nullptr);
    }
    void TearDown() override {
        HoldKeys({});
        if (sheet) DestroyWindow(sheet);
        SelectLanguage(1033);
    }

    void Select(int row) {
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    // One key message to the capture field with the given keys held down.
    void Key(UINT message, int vkey, std::initializer_list<int> held = {}) {
        HoldKeys(held);
        SendMessageW(edit, message, vkey, 1);
        HoldKeys({});
    }
    void Click(int button) { SendMessageW(GetDlgItem(pageWindow, button), BM_CLICK, 0, 0); }
    void ClickApply() {
        ASSERT_TRUE(ApplyEnabled()) << "a user can press Apply only while it is enabled";
        SendMessageW(GetDlgItem(sheet, kApplyButton), BM_CLICK, 0, 0);
    }
    bool ApplyEnabled() const { return IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE; }

    std::wstring Cell(int row, int column) const {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    std::wstring Header(int column) const {
        wchar_t text[256] = {};
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT;
        header.pszText = text;
        header.cchTextMax = 256;
        SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&header));
        return text;
    }
    std::wstring Text(int control) const {
        wchar_t text[512] = {};
        GetDlgItemTextW(pageWindow, control, text, 512);
        return text;
    }
    std::wstring Held() const { return Text(IDC_HOTKEY_EDIT); }

    OptionsDraft draft;
    HotKeyPage page{draft};
    std::vector<Report> reports;
    HWND sheet = nullptr, pageWindow = nullptr, list = nullptr, edit = nullptr;
};

TEST_F(HotKeyPageTest, GivingNextTheKeyPrevKeepsRefusesToApplyAndNamesBothCommands) {
    Select(kNext);
    EXPECT_EQ(Held(), L"WIN+PAGE DOWN") << "selecting a row loads its key";
    Key(WM_KEYDOWN, VK_PRIOR, {VK_LWIN});
    EXPECT_EQ(Held(), L"WIN+PAGE UP");
    EXPECT_EQ(Cell(kNext, 1), L"WIN+PAGE DOWN") << "nothing changes before Assign";
    EXPECT_FALSE(ApplyEnabled());
    Click(IDC_HOTKEY_ASSIGN);
    EXPECT_EQ(Cell(kNext, 1), L"WIN+PAGE UP");
    EXPECT_EQ(Cell(kPrev, 1), L"WIN+PAGE UP");

    ClickApply();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].owner, pageWindow);
    EXPECT_EQ(reports[0].title, L"Hotkey Conflict");
    // Map order: Next comes before Prev. The formatter writes line breaks as CR LF.
    EXPECT_EQ(reports[0].text,
              L"Following Command use the same hotkey, please re-keyin the hotkey:\r\n\r\n"
              L"  Next Wallpaper\tWIN+PAGE UP\r\n  Previous Wallpaper\tWIN+PAGE UP")
        << Narrow(reports[0].text);
    EXPECT_EQ(draft.hotKeys, Settings::GetDefaultHotKeys()) << "a refused page leaves the draft alone";
    EXPECT_TRUE(ApplyEnabled()) << "the changes are still there";

    // In another language the message names the commands in it.
    SelectLanguage(2052);
    ClickApply();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].title, L"热键冲突");
    EXPECT_NE(reports[1].text.find(L"  下一张壁纸\tWIN+PAGE UP\r\n  上一张壁纸\tWIN+PAGE UP"), std::wstring::npos)
        << Narrow(reports[1].text);
    SelectLanguage(1033);

    // Prev takes another key: the map is taken and the sheet has nothing left to apply.
    Select(kPrev);
    EXPECT_EQ(Held(), L"WIN+PAGE UP");
    Key(WM_KEYDOWN, 'P', {VK_CONTROL, VK_MENU});
    Click(IDC_HOTKEY_ASSIGN);
    ClickApply();
    EXPECT_EQ(reports.size(), 2u);
    const Settings::HotKeyMap expected{{L"Prev", {MOD_CONTROL | MOD_ALT, 'P'}},
                                       {L"Next", {MOD_WIN, VK_PRIOR}},
                                       {L"ShowHideDesktopIcons", {MOD_WIN, VK_END}}};
    EXPECT_EQ(draft.hotKeys, expected);
    EXPECT_FALSE(ApplyEnabled());

    // Changes now count from the applied map: the old default of Prev is a change again.
    Click(IDC_HOTKEY_RESET);
    EXPECT_EQ(Cell(kPrev, 1), L"WIN+PAGE UP");
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(HotKeyPageTest, TheCaptureFieldHoldsOnlyCombinationsThatCanBeHotKeys) {
    Select(kFreeze);
    EXPECT_EQ(Held(), L"") << "Freeze has no key";
    Key(WM_KEYDOWN, 'A', {VK_SHIFT});
    EXPECT_EQ(Held(), L"") << "SHIFT alone is not enough for a letter";
    Key(WM_KEYDOWN, 'F', {VK_CONTROL, VK_MENU});
    EXPECT_EQ(Held(), L"CTRL+ALT+F");
    Key(WM_KEYDOWN, VK_CONTROL, {VK_CONTROL});
    Key(WM_KEYUP, 'F');
    Key(WM_KEYDOWN, VK_NEXT);
    EXPECT_EQ(Held(), L"CTRL+ALT+F") << "a modifier alone, a released letter and PAGE DOWN alone are kept out";
    SendMessageW(edit, WM_CHAR, 'x', 1);
    EXPECT_EQ(Held(), L"CTRL+ALT+F") << "nothing is typed";
    Key(WM_SYSKEYDOWN, VK_F10, {VK_MENU});
    EXPECT_EQ(Held(), L"ALT+F10");
    Key(WM_SYSKEYUP, 'Q', {VK_MENU});
    EXPECT_EQ(Held(), L"ALT+F10") << "system key releases are only swallowed";
    Key(WM_KEYUP, VK_SNAPSHOT, {VK_CONTROL});
    EXPECT_EQ(Held(), L"CTRL+PrintScreen") << "PrintScreen arrives as a release";
    Key(WM_KEYDOWN, VK_HOME, {VK_RWIN, VK_SHIFT});
    EXPECT_EQ(Held(), L"WIN+SHIFT+HOME") << "either Windows key";
    Key(WM_KEYDOWN, VK_F5);
    EXPECT_EQ(Held(), L"F5");

    Click(IDC_HOTKEY_ASSIGN);
    EXPECT_EQ(Cell(kFreeze, 1), L"F5");
    EXPECT_TRUE(ApplyEnabled());

    // A held value of 0 takes the key away: back to the stored map, nothing to apply.
    HotKeyEdit* field = HotKeyEdit::FromWindow(edit);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(HotKeyEdit::FromWindow(list), nullptr);
    field->SetValue(0);
    Click(IDC_HOTKEY_ASSIGN);
    EXPECT_EQ(Cell(kFreeze, 1), L"");
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(Held(), L"");
}

TEST_F(HotKeyPageTest, DeleteAndResetActOnTheSelectedRowAndApplyFollowsTheStoredMap) {
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(pageWindow, IDC_HOTKEY_DELETE))) << "no row selected";

    Select(kShowHideDesktopIcons);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(pageWindow, IDC_HOTKEY_DELETE)));
    Click(IDC_HOTKEY_DELETE);
    EXPECT_EQ(Cell(kShowHideDesktopIcons, 1), L"");
    EXPECT_EQ(Held(), L"");
    EXPECT_EQ(Cell(kPrev, 1), L"WIN+PAGE UP") << "other rows keep their keys";
    EXPECT_TRUE(ApplyEnabled());
    Click(IDC_HOTKEY_RESET);
    EXPECT_EQ(Cell(kShowHideDesktopIcons, 1), L"WIN+END");
    EXPECT_EQ(Held(), L"WIN+END");
    EXPECT_FALSE(ApplyEnabled()) << "the map equals the stored one again";

    Select(kToggleMainWindow);
    Key(WM_KEYDOWN, 'M', {VK_CONTROL, VK_MENU});
    Click(IDC_HOTKEY_ASSIGN);
    EXPECT_TRUE(ApplyEnabled());
    Click(IDC_HOTKEY_RESET);
    EXPECT_EQ(Cell(kToggleMainWindow, 1), L"") << "a command without a default gets no key";
    EXPECT_FALSE(ApplyEnabled());

    Select(kPrev);
    Click(IDC_HOTKEY_DELETE);
    Select(kNext);
    Click(IDC_HOTKEY_DELETE);
    ClickApply();
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(draft.hotKeys, (Settings::HotKeyMap{{L"ShowHideDesktopIcons", {MOD_WIN, VK_END}}}));
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(HotKeyPageTest, TheListShowsNamesAndKeysInEnglishAndInSimplifiedChinese) {
    EXPECT_EQ(Header(0), L"Command");
    EXPECT_EQ(Header(1), L"Hotkey");
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), kRowCount);
    EXPECT_EQ(Cell(kPrev, 0), L"Previous Wallpaper");
    EXPECT_EQ(Cell(kPrev, 1), L"WIN+PAGE UP");
    EXPECT_EQ(Cell(kFreeze, 1), L"");
    EXPECT_EQ(Cell(kNext, 1), L"WIN+PAGE DOWN");
    EXPECT_EQ(Cell(kShowHideDesktopIcons, 0), L"Show/Hide Desktop Icons");
    EXPECT_EQ(Cell(kShowHideDesktopIcons, 1), L"WIN+END");
    EXPECT_EQ(Cell(7, 0), L"Restore Old Wallpaper");
    EXPECT_EQ(Text(IDC_HOTKEY_LIST_TITLE), L"Commands and their hotkeys:");
    EXPECT_EQ(Text(IDC_HOTKEY_RESET), L"Reset");
    Select(kPrev);
    EXPECT_EQ(Text(IDC_HOTKEY_DESCRIPTION), L"Show the previous wallpaper.");
    Select(kDownloadNow);
    EXPECT_EQ(Text(IDC_HOTKEY_DESCRIPTION), L"") << "no description in the string map";
    Key(WM_KEYDOWN, 'D', {VK_CONTROL, VK_MENU});

    SelectLanguage(2052);
    EXPECT_EQ(Header(0), L"命令");
    EXPECT_EQ(Header(1), L"热键");
    EXPECT_EQ(Cell(kPrev, 0), L"上一张壁纸");
    EXPECT_EQ(Cell(kPrev, 1), L"WIN+PAGE UP");
    EXPECT_EQ(Cell(kNext, 0), L"下一张壁纸");
    EXPECT_EQ(Cell(kNext, 1), L"WIN+PAGE DOWN");
    EXPECT_EQ(Cell(kShowHideDesktopIcons, 1), L"WIN+END");
    EXPECT_EQ(Text(IDC_HOTKEY_LIST_TITLE), L"命令及其热键：");
    EXPECT_EQ(Text(IDC_HOTKEY_NEW_TITLE), L"新热键：");
    EXPECT_EQ(Text(IDC_HOTKEY_ASSIGN), L"指定");
    EXPECT_EQ(Text(IDC_HOTKEY_DESCRIPTION), L"");
    EXPECT_EQ(Held(), L"CTRL+ALT+D") << "the held key stays";
    Select(kFreeze);
    EXPECT_EQ(Text(IDC_HOTKEY_DESCRIPTION), L"保留当前壁纸，暂停自动更换。");

    // Key names come from the language as well.
    ASSERT_TRUE(StringMap::Instance().AddDocument(
        "<?xml version='1.0' encoding='UTF-8' ?><Language><Name>Keys</Name><LangId>1031</LangId>"
        "<String id='VK_NEXT'>Bild ab</String></Language>"));
    SelectLanguage(1031);
    EXPECT_EQ(Cell(kNext, 1), L"WIN+Bild ab");
}

// Each label and button shows its longest text whole, in the dialog font at the display's DPI.
TEST_F(HotKeyPageTest, EveryTextFitsItsControlInEachShippedLanguage) {
    HDC dc = GetDC(pageWindow);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(pageWindow, WM_GETFONT, 0, 0)));
    auto width = [dc](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    auto clientOf = [this](int control) {
        RECT rect{};
        GetClientRect(GetDlgItem(pageWindow, control), &rect);
        return rect;
    };
    auto columnWidth = [this](int column) {
        return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
    };
    for (unsigned short language : {1033, 2052, 1028}) {
        SelectLanguage(language);
        for (int label : {IDC_HOTKEY_LIST_TITLE, IDC_HOTKEY_NEW_TITLE})
            EXPECT_LE(width(Text(label)), clientOf(label).right) << language << " label " << label;
        for (int button : {IDC_HOTKEY_ASSIGN, IDC_HOTKEY_DELETE, IDC_HOTKEY_RESET})
            EXPECT_LE(width(Text(button)) + 8, clientOf(button).right) << language << " button " << button;
        for (const wchar_t* command : kHotKeyCommandNames) {
            EXPECT_LE(width(StripMnemonic(GetString(L"CmdName_" + std::wstring(command)))) + 12, columnWidth(0))
                << language << " " << Narrow(command);
            RECT needed = clientOf(IDC_HOTKEY_DESCRIPTION);
            const std::wstring description = GetString(L"CmdDesc_" + std::wstring(command), L"");
            DrawTextW(dc, description.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            EXPECT_LE(needed.bottom, clientOf(IDC_HOTKEY_DESCRIPTION).bottom) << language << " " << Narrow(command);
        }
        EXPECT_LE(width(GetString(L"PropSheet_HotKey_Col_CommandName")) + 12, columnWidth(0)) << language;
        EXPECT_LE(width(GetString(L"PropSheet_HotKey_Col_HotKey")) + 12, columnWidth(1)) << language;
        EXPECT_LE(width(L"CTRL+ALT+SHIFT+PAGE DOWN") + 12, columnWidth(1)) << language;
    }
    EXPECT_LE(width(L"CTRL+ALT+WIN+SHIFT+PAGE DOWN") + 4, clientOf(IDC_HOTKEY_EDIT).right);
    EXPECT_GE(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0), kRowCount) << "every command in sight";
    SelectObject(dc, old);
    ReleaseDC(pageWindow, dc);
}

}  // namespace
