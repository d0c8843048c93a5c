// The options sheet as a user meets it: the real pages in the real modal sheet, their
// controls set through window messages by a script that a timer runs inside the sheet's own
// loop, Apply, OK and Cancel pressed, and then the settings, their notifications and
// config.xml looked at. Validation messages go to a recording report instead of a box.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/localization.h"
#include "config/settings.h"
#include "desktop/templates/template_folders.h"
#include "net/internet_session.h"
#include "resources/resource.h"
#include "support/test_support.h"
#include "ui/options/app_property_sheet.h"
#include "ui/options/options_pages.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Page indexes while the hot-key and about pages are not part of the sheet.
enum { kBasicIndex = 0, kTemplateIndex = 1, kCategoryIndex = 2, kConnectIndex = 4, kPageCount = 6 };

// Runs the script's steps once the sheet's window exists, each from its own tick of a thread
// timer that the sheet's modal loop dispatches: a step runs only while the sheet is still open.
// After the last it posts Cancel, so that a script that stopped early (a failed assertion)
// cannot leave the sheet open; a script that pressed OK has ended the sheet before that message
// is read.
using SheetStep = std::function<void(HWND)>;
class SheetScript {
public:
    SheetScript(CAppPropertySheet& sheet, std::vector<SheetStep> steps) : m_sheet(sheet), m_steps(std::move(steps)) {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 50, OnTimer);
    }
    ~SheetScript() {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    size_t StepsRun() const { return m_next; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        SheetScript* self = s_current;
        if (!self || self->m_running || self->m_next == self->m_steps.size()) return;
        HWND sheet = self->m_sheet.GetWindow();
        if (!sheet) return;
        const bool last = self->m_next + 1 == self->m_steps.size();
        if (last) KillTimer(nullptr, self->m_timer);
        self->m_running = true;
        self->m_steps[self->m_next++](sheet);
        self->m_running = false;
        if (last) PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }

    static SheetScript* s_current;
    CAppPropertySheet& m_sheet;
    std::vector<SheetStep> m_steps;
    UINT_PTR m_timer = 0;
    size_t m_next = 0;
    bool m_running = false;
};
SheetScript* SheetScript::s_current = nullptr;

HWND ShowPage(HWND sheet, int index) {
    PropSheet_SetCurSel(sheet, nullptr, index);
    return PropSheet_GetCurrentPageHwnd(sheet);
}

// What a user's mouse does to the control, as its parent hears it.
void Notify(HWND page, int id, WORD code) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
void SetCheck(HWND page, int id, bool checked) {
    SendDlgItemMessageW(page, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    Notify(page, id, BN_CLICKED);
}
void ChooseRadio(HWND page, std::initializer_list<int> group, int chosen) {
    for (int id : group) SendDlgItemMessageW(page, id, BM_SETCHECK, id == chosen ? BST_CHECKED : BST_UNCHECKED, 0);
    Notify(page, chosen, BN_CLICKED);
}
void SelectEntry(HWND page, int id, int index) {
    SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Notify(page, id, CBN_SELCHANGE);
}
void Type(HWND page, int id, const std::wstring& text) { SetDlgItemTextW(page, id, text.c_str()); }
bool Checked(HWND page, int id) { return SendDlgItemMessageW(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
int Selection(HWND page, int id) { return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0)); }
std::wstring Text(HWND page, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(page, id, text, 512);
    return text;
}
std::wstring EntryText(HWND page, int id, int index) {
    wchar_t text[512] = {};
    SendDlgItemMessageW(page, id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

class OptionsSheet : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(LoadStringMaps());
        SelectLanguage(1033);
        settings = std::make_shared<Settings>(dir.path());
        subscription =
            settings->Subscribe([this](const Settings::Changes& changes) { notifications.push_back(changes); });
    }
    void TearDown() override {
        settings->Unsubscribe(subscription);
        SelectLanguage(1033);
    }

    // Opens the sheet at the page, runs the script inside it and returns when it is closed.
    void RunSheet(PropertyPageId start, SheetStep script) { RunSheet(start, std::vector<SheetStep>{script}); }
    void RunSheet(PropertyPageId start, std::vector<SheetStep> steps) {
        CAppPropertySheet sheet(settings);
        AddOptionsPages(sheet, *settings);
        sheet.SetErrorReport([this](HWND owner, const std::wstring& text, const std::wstring& title) {
            EXPECT_NE(owner, nullptr) << "the message belongs to the page";
            errors.push_back(title + L": " + text);
        });
        const size_t count = steps.size();
        SheetScript running(sheet, std::move(steps));
        sheet.Run(nullptr, start);
        EXPECT_EQ(running.StepsRun(), count) << "the sheet never showed, or closed before the last step";
        EXPECT_EQ(sheet.GetWindow(), nullptr) << "the sheet is gone when Run returns";
    }

    std::string Config() const { return ReadAll(settings->GetConfigPath()); }

    TempDir dir;
    std::shared_ptr<Settings> settings;
    int subscription = 0;
    std::vector<Settings::Changes> notifications;
    std::vector<std::wstring> errors;
};

}  // namespace

TEST_F(OptionsSheet, BasicPageKeepsValuesOutsideItsListsAndWantsAnExistingPictureFolder) {
    settings->SetChangeFrequency(7);
    settings->SetAutoUpdate(false);
    settings->SetTransparent(30);
    notifications.clear();
    RunSheet(kBasicPage, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        ASSERT_NE(GetDlgItem(page, IDC_CHANGE_FREQUENCY), nullptr) << "the sheet opens at the basic page";
        EXPECT_EQ(Selection(page, IDC_CHANGE_FREQUENCY), CB_ERR) << "7 minutes is none of the choices";
        EXPECT_EQ(EntryText(page, IDC_CHANGE_FREQUENCY, 4), L"Every hour");
        EXPECT_EQ(Selection(page, IDC_DOWNLOAD_FREQUENCY), 0) << "3 hours";
        EXPECT_FALSE(Enabled(page, IDC_SLIENT_UPDATE)) << "silent updates need automatic ones";
        SetCheck(page, IDC_AUTO_UPDATE, true);
        EXPECT_TRUE(Enabled(page, IDC_SLIENT_UPDATE));
        EXPECT_FALSE(Enabled(page, IDC_LOCAL_IMAGE_PATH)) << "no local pictures: no folder to name";
        SelectEntry(page, IDC_DOWNLOAD_FREQUENCY, 4);

        // Local pictures from a folder that is not there: refused, with the page's message.
        SetCheck(page, IDC_USE_LOCAL_IMAGE, true);
        EXPECT_TRUE(Enabled(page, IDC_LOCAL_IMAGE_PATH));
        Type(page, IDC_LOCAL_IMAGE_PATH, (dir / L"no such folder").str());
        Type(page, IDC_LOCAL_IMAGE_INTERVAL, L"0");
        EXPECT_FALSE(PropSheet_Apply(sheet));
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0],
                  L"Invalid Local Image Folder: The local image folder does not exist. Please choose another one.");
        EXPECT_TRUE(notifications.empty()) << "nothing is stored while a value is wrong";

        Type(page, IDC_LOCAL_IMAGE_PATH, L"  " + dir.path().str() + L"  ");
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(settings->GetChangeFrequency(), 7) << "no selection leaves the value";
    EXPECT_EQ(settings->GetDownloadFrequency(), 24);
    EXPECT_TRUE(settings->GetAutoUpdate());
    EXPECT_TRUE(settings->GetUseLocalImage());
    EXPECT_EQ(settings->GetLocalImagePath(), dir.path());
    EXPECT_EQ(settings->GetLocalImageInterval(), 3) << "an interval of 0 is not taken";
    EXPECT_EQ(settings->GetTransparent(), 30) << "an opacity below the slider's range stays while it is not moved";
    ASSERT_EQ(notifications.size(), 1u) << "OK commits once";
    const std::string saved = Config();
    EXPECT_NE(saved.find("<ChangeFrequency>7</ChangeFrequency>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<DownloadFrequency>24</DownloadFrequency>"), std::string::npos) << saved;

    // Cancel after changes on several pages leaves settings and file as they were.
    notifications.clear();
    RunSheet(kBasicPage, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        SelectEntry(page, IDC_CHANGE_FREQUENCY, 0);
        SetCheck(page, IDC_USE_LOCAL_IMAGE, false);
        page = ShowPage(sheet, kConnectIndex);
        SelectEntry(page, IDC_PROXY_TYPE, 1);
        page = ShowPage(sheet, kCategoryIndex);
        SetCheck(page, IDC_CATEGORY_ALL, true);
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_TRUE(notifications.empty());
    EXPECT_EQ(settings->GetChangeFrequency(), 7);
    EXPECT_TRUE(settings->GetUseLocalImage());
    EXPECT_EQ(settings->GetProxyType(), L"NoProxy");
    EXPECT_EQ(Config(), saved);

    RunSheet(kBasicPage, [&](HWND sheet) {
        HWND slider = GetDlgItem(PropSheet_GetCurrentPageHwnd(sheet), IDC_WINDOW_OPACITY);
        SendMessageW(slider, TBM_SETPOS, TRUE, 200);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(settings->GetTransparent(), 200) << "the window's opacity follows the slider";
}

TEST_F(OptionsSheet, ProxyTypesThatUseAServerWantOneOfTheFormHostPort) {
    RunSheet(kConnectPage, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        ASSERT_NE(GetDlgItem(page, IDC_PROXY_TYPE), nullptr) << "the connection page opens by its id";
        EXPECT_EQ(PropSheet_HwndToIndex(sheet, page), kConnectIndex);
        EXPECT_EQ(Selection(page, IDC_PROXY_TYPE), 0) << "NoProxy";
        EXPECT_EQ(EntryText(page, IDC_PROXY_TYPE, 1), L"Use Internet Explorer settings");
        EXPECT_FALSE(Enabled(page, IDC_PROXY_SERVER));

        SelectEntry(page, IDC_PROXY_TYPE, 2);  // HTTP
        EXPECT_TRUE(Enabled(page, IDC_PROXY_SERVER));
        EXPECT_FALSE(PropSheet_Apply(sheet)) << "HTTP without a server";
        for (const wchar_t* wrong : {L"proxy.example:0", L"proxy.example:65536", L"http://proxy.example:80"}) {
            Type(page, IDC_PROXY_SERVER, wrong);
            EXPECT_FALSE(PropSheet_Apply(sheet)) << Narrow(wrong);
        }
        EXPECT_EQ(errors.size(), 4u);
        EXPECT_EQ(errors.front(), L"Invalid Proxy Server: Invalid proxy host, please input again");
        EXPECT_TRUE(notifications.empty());
        EXPECT_EQ(settings->GetProxyType(), L"NoProxy");

        Type(page, IDC_PROXY_SERVER, L"proxy.example:8080");
        Type(page, IDC_PROXY_USERNAME, L"ann");
        Type(page, IDC_PROXY_PASSWORD, L" secret ");
        EXPECT_TRUE(PropSheet_Apply(sheet));
        EXPECT_EQ(settings->GetProxyType(), L"HTTP");
        EXPECT_EQ(settings->GetProxyServer(), L"proxy.example:8080");
        EXPECT_EQ(settings->GetProxyPassword(), L" secret ");

        // The system's settings need no server of ours.
        SelectEntry(page, IDC_PROXY_TYPE, 1);
        Type(page, IDC_PROXY_SERVER, L"");
        EXPECT_TRUE(PropSheet_Apply(sheet));
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(errors.size(), 4u);
    EXPECT_EQ(settings->GetProxyType(), L"IE");
    EXPECT_EQ(settings->GetProxyServer(), L"");
    const std::string saved = Config();
    EXPECT_NE(saved.find("<ProxyType>IE</ProxyType>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<ProxyUsername>ann</ProxyUsername>"), std::string::npos) << saved;

    for (const wchar_t* good : {L"proxy", L"proxy:1", L"10.0.0.1:65535", L"[::1]:8080", L"my-proxy.corp_x.example"})
        EXPECT_TRUE(IsValidProxyServer(good)) << Narrow(good);
    for (const wchar_t* bad : {L"", L":80", L"proxy:", L"proxy:0", L"proxy:65536", L"proxy:123456", L"proxy:8o",
                               L"pro xy", L"[::1", L"[]:80", L"[::1]8080", L"...:80", L"proxy:80:81"})
        EXPECT_FALSE(IsValidProxyServer(bad)) << Narrow(bad);
}

TEST_F(OptionsSheet, FrameAndCategoriesCommitInOneBatchAndAllStoresNoNames) {
    settings->SetTags(L"dongwu fengguang");
    settings->SetFrameType(2);
    notifications.clear();
    RunSheet(kTemplatePage, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        EXPECT_TRUE(Checked(page, IDC_FRAME_NONE));
        ChooseRadio(page, {IDC_FRAME_AUTO, IDC_FRAME_FORCE, IDC_FRAME_NONE}, IDC_FRAME_FORCE);

        page = ShowPage(sheet, kCategoryIndex);
        const std::vector<Settings::Category> categories = settings->GetCategories();
        ASSERT_EQ(categories.size(), 8u);
        EXPECT_FALSE(Checked(page, IDC_CATEGORY_ALL));
        for (size_t i = 0; i < categories.size(); ++i) {
            const int box = IDC_CATEGORY_FIRST + static_cast<int>(i);
            const bool named = categories[i].id == L"dongwu" || categories[i].id == L"fengguang";
            EXPECT_EQ(Checked(page, box), named) << Narrow(categories[i].id);
            EXPECT_EQ(Text(page, box), GetString(L"Category_" + categories[i].id));
            // Signed out, the categories that need a sign-in cannot be chosen.
            EXPECT_EQ(Enabled(page, box), !(categories[i].flags & Settings::kNeedsLogin)) << Narrow(categories[i].id);
        }
        SetCheck(page, IDC_CATEGORY_ALL, true);
        EXPECT_FALSE(Enabled(page, IDC_CATEGORY_FIRST + 1)) << "All makes the single boxes moot";
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    ASSERT_EQ(notifications.size(), 1u) << "one batch for both pages";
    EXPECT_TRUE(notifications[0].Has(Settings::Field::FrameType));
    EXPECT_TRUE(notifications[0].Has(Settings::Field::Tags));
    EXPECT_EQ(settings->GetFrameType(), 1);
    EXPECT_EQ(settings->GetTags(), L"") << "All is no category name";
    const std::string saved = Config();
    EXPECT_NE(saved.find("<FrameType>1</FrameType>"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("dongwu"), std::string::npos) << saved;

    // Empty tags show as All; choosing two boxes stores their names in list order.
    notifications.clear();
    RunSheet(kCategoryPage, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        EXPECT_TRUE(Checked(page, IDC_CATEGORY_ALL));
        SetCheck(page, IDC_CATEGORY_ALL, false);
        SetCheck(page, IDC_CATEGORY_FIRST + 5, true);  // renwu
        SetCheck(page, IDC_CATEGORY_FIRST + 3, true);  // qiche
        SetCheck(page, IDC_CATEGORY_FIRST + 6, true);  // xiezhen needs a sign-in: not taken
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(settings->GetTags(), L"qiche renwu");
    ASSERT_EQ(notifications.size(), 1u);
    EXPECT_EQ(notifications[0].Fields(), std::set<Settings::Field>{Settings::Field::Tags});
}

// The sheet stores what was changed on it: what other code changed while it was open stays.
// A config.xml that cannot be written keeps the sheet open and the user told.
TEST_F(OptionsSheet, OnlyTheSheetsOwnChangesAreStoredAndAFailedSaveKeepsItOpen) {
    settings->SetTags(L"dongwu");
    OptionsDraft draft = OptionsDraft::Read(*settings);
    // The tray menu picks a quick category, the wallpaper is frozen, a frame type comes from
    // elsewhere: all while the sheet is open.
    settings->SetTags(L"qiche");
    settings->SetFreeze(true);
    settings->SetFrameType(0);
    notifications.clear();
    draft.changeFrequency = 30;
    EXPECT_TRUE(draft.Commit(*settings));
    EXPECT_EQ(settings->GetTags(), L"qiche");
    EXPECT_TRUE(settings->GetFreeze());
    EXPECT_EQ(settings->GetFrameType(), 0);
    EXPECT_EQ(settings->GetChangeFrequency(), 30);
    ASSERT_EQ(notifications.size(), 1u);
    EXPECT_EQ(notifications[0].Fields(), std::set<Settings::Field>{Settings::Field::ChangeFrequency});
    EXPECT_NE(Config().find("<Tags>qiche</Tags>"), std::string::npos) << Config();

    // The temporary file cannot be made, as on a full disk: Apply and OK say so, in the language
    // shown, and the sheet stays; the choice is in effect. OK saves once it can.
    const Path blocker(settings->GetConfigPath().str() + L".tmp");
    ASSERT_TRUE(blocker.CreateDirectories());
    RunSheet(kBasicPage,
             {[&](HWND sheet) {
                  SelectEntry(PropSheet_GetCurrentPageHwnd(sheet), IDC_DOWNLOAD_FREQUENCY, 2);  // every 8 hours
                  EXPECT_FALSE(PropSheet_Apply(sheet));
                  SelectLanguage(2052);
                  PropSheet_PressButton(sheet, PSBTN_OK);
              },
              [&](HWND sheet) {
                  ASSERT_EQ(errors.size(), 2u);
                  EXPECT_EQ(errors[0], L"Settings Not Saved: The settings could not be saved to " +
                                           settings->GetConfigPath().str() +
                                           L". They apply until the program closes; please make sure the file is "
                                           L"not read-only and the disk is not full, then try again.");
                  EXPECT_EQ(errors[1].find(L"\u8BBE\u7F6E\u672A\u80FD\u4FDD\u5B58: "), 0u) << "in Chinese now";
                  EXPECT_EQ(settings->GetDownloadFrequency(), 8);
                  ASSERT_TRUE(blocker.RemoveAll());
                  PropSheet_PressButton(sheet, PSBTN_OK);
              }});
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_NE(Config().find("<DownloadFrequency>8</DownloadFrequency>"), std::string::npos) << Config();
}

TEST_F(OptionsSheet, TemplatesAreTheFoldersWithAPageAndTheAutomaticColourIsTheMarker) {
    const Path templates = settings->GetTemplatesDirectory();
    ASSERT_TRUE((templates / L"alpha").CreateDirectories());
    WriteAll(templates / L"alpha" / L"index.tpl", "<html>{ImageUri}</html>");
    ASSERT_TRUE((templates / L"no page").CreateDirectories());
    ASSERT_TRUE((templates / L"folder named like the page" / L"index.tpl").CreateDirectories());
    ASSERT_TRUE((templates / L"delta").CreateDirectories());
    WriteAll(templates / L"delta" / L"index.tpl", "<html></html>");
    WriteAll(templates / L"index.tpl", "a page outside any template folder");
    ASSERT_TRUE((templates / L"a..b").CreateDirectories());
    WriteAll(templates / L"a..b" / L"index.tpl", "<html></html>");  // a name the settings refuse
    std::vector<std::wstring> listed = ListTemplates(templates);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"alpha", L"delta"}));
    EXPECT_TRUE(ListTemplates(dir / L"missing").empty());

    settings->SetUseTemplate(true);
    settings->SetTemplate(L"del");  // found by prefix
    settings->SetFrameColor(RGB(1, 2, 3));
    RunSheet(kTemplatePage, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        HWND list = GetDlgItem(page, IDC_TEMPLATE_LIST);
        ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
        wchar_t selected[64] = {};
        SendMessageW(list, LB_GETTEXT, SendMessageW(list, LB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(selected));
        EXPECT_STREQ(selected, L"delta");
        EXPECT_TRUE(Checked(page, IDC_FRAME_STYLE_TEMPLATE));
        EXPECT_TRUE(Enabled(page, IDC_TEMPLATE_LIST));
        const LRESULT alpha =
            SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"alpha"));
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(alpha), 0);
        Notify(page, IDC_TEMPLATE_LIST, LBN_SELCHANGE);

        // The drop-down takes the keys queued for it: the first entry is the automatic one.
        PostMessageW(page, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(page, WM_KEYDOWN, VK_RETURN, 0);
        Notify(page, IDC_FRAME_COLOR, BN_CLICKED);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(settings->GetTemplate(), L"alpha");
    EXPECT_EQ(settings->GetFrameColor(), Settings::kDesktopColorMarker);
    EXPECT_NE(Config().find("<FrameColor>4278190080</FrameColor>"), std::string::npos) << Config();

    // Without templates the template style cannot be chosen, whatever the settings say.
    ASSERT_TRUE(templates.RemoveAll());
    RunSheet(kTemplatePage, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        EXPECT_TRUE(Checked(page, IDC_FRAME_STYLE_SIMPLE));
        EXPECT_FALSE(Enabled(page, IDC_FRAME_STYLE_TEMPLATE));
        EXPECT_FALSE(Enabled(page, IDC_TEMPLATE_LIST));
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_FALSE(settings->GetUseTemplate());
    EXPECT_EQ(settings->GetTemplate(), L"alpha") << "no entry selected leaves the name";
}

// Every text of every page fits its control, in each shipped language, and a language
// change re-texts the open sheet keeping the choices.
TEST_F(OptionsSheet, EveryTextFitsItsControlInEveryLanguage) {
    auto overflows = [](HWND page) {
        std::vector<std::wstring> found;
        HDC dc = GetDC(page);
        for (HWND control = GetWindow(page, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
            if (!(GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE)) continue;
            wchar_t className[32] = {}, caption[512] = {};
            GetClassNameW(control, className, 32);
            GetWindowTextW(control, caption, 512);
            const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
            HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
            RECT client{};
            GetClientRect(control, &client);
            int room = client.right;
            std::vector<std::wstring> texts;
            if (_wcsicmp(className, L"Static") == 0) {
                texts.push_back(caption);
            } else if (_wcsicmp(className, L"Button") == 0) {
                const LONG_PTR type = style & BS_TYPEMASK;
                if (type == BS_OWNERDRAW) {
                    SelectObject(dc, previous);
                    continue;
                }
                texts.push_back(caption);
                if (type == BS_GROUPBOX)
                    room -= 16;
                else if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
                    room -= GetSystemMetrics(SM_CXMENUCHECK) + 6;
                else
                    room -= 8;
            } else if (_wcsicmp(className, L"ComboBox") == 0) {
                const int count = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
                for (int i = 0; i < count; ++i) texts.push_back(EntryText(page, GetDlgCtrlID(control), i));
                room -= GetSystemMetrics(SM_CXVSCROLL) + 6;
            }
            for (const std::wstring& text : texts) {
                SIZE size{};
                GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
                if (size.cx > room)
                    found.push_back(std::to_wstring(GetDlgCtrlID(control)) + L" \"" + text + L"\" needs " +
                                    std::to_wstring(size.cx) + L" of " + std::to_wstring(room));
            }
            SelectObject(dc, previous);
        }
        ReleaseDC(page, dc);
        return found;
    };
    auto report = [](const std::vector<std::wstring>& found) {
        std::string text;
        for (const std::wstring& line : found) text += "\n  " + Narrow(line);
        return text;
    };
    settings->SetChangeFrequency(30);
    RunSheet(kBasicPage, [&](HWND sheet) {
        for (unsigned short language : {1033, 2052, 1028}) {
            SelectLanguage(language);
            for (int index = 0; index < kPageCount; ++index) {
                HWND page = ShowPage(sheet, index);
                std::vector<std::wstring> found = overflows(page);
                EXPECT_TRUE(found.empty()) << "language " << language << ", page " << index << report(found);
            }
            HWND basic = ShowPage(sheet, kBasicIndex);
            EXPECT_EQ(Selection(basic, IDC_CHANGE_FREQUENCY), 3) << "the choice survives the new texts";
            EXPECT_EQ(EntryText(basic, IDC_CHANGE_FREQUENCY, 3), GetString(L"PropSheet_Change_Per30Min"));
            EXPECT_EQ(Text(basic, IDC_AUTO_START), GetString(L"PropSheet_AutoStart_Title"));
        }
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
}
