// The sign-in dialog driven as a user would (its real template, run modally, edits filled and
// buttons pressed through messages from a timer), its registration link, the link's markup and
// colours, and the about page's picture and page inside a real options sheet.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "base/handles.h"
#include "base/localization.h"
#include "base/resource_source.h"
#include "config/settings.h"
#include "desktop/skin/drawn_layout.h"
#include "desktop/skin/memory_surface.h"
#include "resources/resource.h"
#include "support/test_support.h"
#include "ui/controls/hyper_link.h"
#include "ui/dialogs/login_dialog.h"
#include "ui/options/about_page.h"
#include "ui/options/about_picture.h"
#include "ui/options/app_property_sheet.h"

namespace {

using Step = std::function<void(HWND dialog)>;

// Plays steps on a modal window, one per timer tick, from inside its own message loop. A
// window still open after the last step is closed, so a fault fails the test instead of
// hanging it.
class Script {
public:
    Script(std::function<HWND()> find, std::vector<Step> steps) : m_find(std::move(find)), m_steps(std::move(steps)) {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 50, OnTick);
    }
    ~Script() {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    bool Finished() const { return m_next == m_steps.size(); }
    bool ClosedByScript() const { return m_closedByScript; }

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        Script* self = s_current;
        if (!self) return;
        HWND window = self->m_find();
        if (!window || !IsWindow(window)) return;
        if (self->m_next < self->m_steps.size()) {
            self->m_steps[self->m_next++](window);
        } else if (!self->m_closedByScript) {
            self->m_closedByScript = true;
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        }
    }

    static Script* s_current;
    std::function<HWND()> m_find;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_closedByScript = false;
    UINT_PTR m_timer = 0;
};
Script* Script::s_current = nullptr;

std::wstring TextOf(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, &text[0], static_cast<int>(text.size())));
    return text;
}

void Press(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

Step Fill(const std::wstring& name, const std::wstring& password) {
    return [name, password](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_LOGIN_USERNAME, name.c_str());
        SetDlgItemTextW(dialog, IDC_LOGIN_PASSWORD, password.c_str());
    };
}

Step PressOk() {
    return [](HWND dialog) { Press(dialog, IDOK); };
}

std::wstring Upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towupper(c); });
    return text;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// The top-level windows of the calling thread.
std::vector<HWND> ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// The text the dialog's tooltip control shows for the tool.
std::wstring TooltipText(HWND dialog, HWND tool) {
    for (HWND candidate : ThreadWindows()) {
        wchar_t name[64] = {};
        GetClassNameW(candidate, name, 64);
        if (lstrcmpiW(name, TOOLTIPS_CLASSW) != 0 || GetWindow(candidate, GW_OWNER) != dialog) continue;
        TOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.hwnd = dialog;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        wchar_t text[256] = {};
        info.lpszText = text;
        SendMessageW(candidate, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
        return text;
    }
    return L"(no tooltip)";
}

struct LoginRun {
    bool ok = false;
    bool closedByScript = false;
    std::wstring username, password;
};

LoginRun RunLogin(LoginDialog& dialog, std::vector<Step> steps) {
    Script script([&dialog] { return dialog.GetHwnd(); }, std::move(steps));
    LoginRun run;
    run.ok = dialog.Run(nullptr);
    EXPECT_TRUE(script.Finished()) << "the dialog closed before the script ended";
    run.closedByScript = script.ClosedByScript();
    run.username = dialog.GetUsername();
    run.password = dialog.GetPassword();
    return run;
}

class LoginAbout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
    }
    void SetUp() override {
        ASSERT_TRUE(LoadStringMaps());
        SelectLanguage(1033);
    }
    void TearDown() override { SelectLanguage(1033); }
};

TEST_F(LoginAbout, OkDigestsTheUtf8PasswordAndTrimsTheName) {
    LoginDialog dialog(L"stored name", L"http://127.0.0.1/reg.php");
    std::wstring shownName, caption, prompt, okText;
    LoginRun run = RunLogin(dialog, {[&](HWND window) {
                                         shownName = TextOf(GetDlgItem(window, IDC_LOGIN_USERNAME));
                                         caption = TextOf(window);
                                         prompt = TextOf(GetDlgItem(window, IDC_LOGIN_PROMPT));
                                         okText = TextOf(GetDlgItem(window, IDOK));
                                     },
                                     Fill(L" \t alice  ", L"\u5BC6\u7801"), PressOk()});
    EXPECT_EQ(shownName, L"stored name") << "the box starts with the stored user name";
    EXPECT_EQ(caption, GetString(L"LoginDlg_Title"));
    EXPECT_EQ(prompt, GetString(L"LoginDlg_Login_Prompt"));
    EXPECT_EQ(okText, GetString(L"Button_Ok_Title"));
    EXPECT_TRUE(run.ok);
    EXPECT_FALSE(run.closedByScript);
    EXPECT_EQ(run.username, L"alice");
    // md5sum of the UTF-8 bytes e5 af 86 e7 a0 81.
    EXPECT_EQ(run.password, Upper(L"a8105204604a0b11e916f3879aae3b0b"));

    LoginDialog ascii(L"", L"");
    run = RunLogin(ascii, {Fill(L"bob", L"secret"), PressOk()});
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.password, Upper(L"5ebe2294ecd0e0f08eab7690d2a6ee69"));  // md5sum of "secret"
}

TEST_F(LoginAbout, ABlankNameKeepsTheDialogOpenAndCancelSendsNothing) {
    LoginDialog dialog(L"", L"http://127.0.0.1/reg.php");
    bool openAfterEmpty = false, openAfterBlank = false;
    std::wstring passwordKept;
    LoginRun run = RunLogin(dialog, {Fill(L"", L"secret"), PressOk(),
                                     [&](HWND window) {
                                         openAfterEmpty = IsWindowVisible(window) != FALSE;
                                         passwordKept = TextOf(GetDlgItem(window, IDC_LOGIN_PASSWORD));
                                     },
                                     Fill(L" \t ", L"secret"), PressOk(),
                                     [&](HWND window) { openAfterBlank = IsWindowVisible(window) != FALSE; },
                                     [](HWND window) { Press(window, IDCANCEL); }});
    EXPECT_TRUE(openAfterEmpty);
    EXPECT_TRUE(openAfterBlank);
    EXPECT_EQ(passwordKept, L"secret") << "nothing was digested";
    EXPECT_FALSE(run.ok);
    EXPECT_FALSE(run.closedByScript) << "Cancel closed it";
    EXPECT_TRUE(run.password.empty());

    LoginDialog named(L"carol", L"");
    run = RunLogin(named, {Fill(L"dave", L"secret"), [](HWND window) { Press(window, IDCANCEL); }});
    EXPECT_FALSE(run.ok);
    EXPECT_TRUE(run.password.empty()) << "Cancel with a name sends nothing either";
}

// Every text of the dialog fits its control in every shipped language, with room to spare
// for the rounding of larger fonts (120 dots per inch).
TEST_F(LoginAbout, TheDialogTextsFitInEveryLanguage) {
    for (unsigned short language : {1033, 2052, 1028}) {
        SelectLanguage(language);
        LoginDialog dialog(L"", L"");
        std::vector<std::wstring> problems;
        RunLogin(dialog, {[&](HWND window) {
                     for (int id : {IDC_LOGIN_PROMPT, IDC_LOGIN_USERNAME_LABEL, IDC_LOGIN_PASSWORD_LABEL,
                                    IDC_LOGIN_REGISTER, IDOK, IDCANCEL}) {
                         HWND control = GetDlgItem(window, id);
                         RECT box{};
                         GetClientRect(control, &box);
                         WindowDc dc(control);
                         ScopedSelect font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
                         const std::wstring text = TextOf(control);
                         const bool wraps = id == IDC_LOGIN_PROMPT;
                         RECT needed{0, 0, wraps ? box.right : 0, 0};
                         DrawTextW(dc.get(), text.c_str(), -1, &needed,
                                   DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
                         // Buttons draw a frame and keep a margin inside it.
                         const int room = (id == IDOK || id == IDCANCEL) ? box.right - 8 : box.right;
                         if (needed.right * 100 > room * 92 || needed.bottom > box.bottom)
                             problems.push_back(std::to_wstring(id) + L" \"" + text + L"\" needs " +
                                                std::to_wstring(needed.right) + L"x" + std::to_wstring(needed.bottom) +
                                                L", has " + std::to_wstring(room) + L"x" + std::to_wstring(box.bottom));
                     }
                     Press(window, IDCANCEL);
                 }});
        for (const std::wstring& problem : problems) ADD_FAILURE() << "language " << language << ": " << problem;
    }
}

TEST_F(LoginAbout, TheRegistrationLinkOpensItsTargetByMouseAndKeys) {
    const std::wstring url = L"http://127.0.0.1:8723/reg.php";
    LoginDialog dialog(L"", url);
    std::vector<std::wstring> opened;
    // The first opening fails with an exception: the control stops it there and goes on working.
    dialog.SetLinkOpener([&](HWND, const std::wstring& target) {
        opened.push_back(target);
        if (opened.size() == 1) throw std::runtime_error("the shell failed");
    });
    std::wstring linkText, tip;
    bool stillOpen = false;
    // With a name filled in, OK would close the dialog.
    RunLogin(dialog, {Fill(L"erin", L"secret"),
                      [&](HWND window) {
                          HWND link = GetDlgItem(window, IDC_LOGIN_REGISTER);
                          linkText = TextOf(link);
                          RECT box{};
                          GetClientRect(link, &box);
                          const LPARAM centre = MAKELPARAM(box.right / 4, 3);
                          SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, centre);
                          SendMessageW(link, WM_LBUTTONUP, 0, centre);
                          // Through the dialog's own loop: Enter must reach the link, not the OK button.
                          PostMessageW(link, WM_KEYDOWN, VK_RETURN, 0);
                          PostMessageW(link, WM_CHAR, L' ', 0);
                          tip = TooltipText(window, link);
                      },
                      [&](HWND window) { stillOpen = IsWindowVisible(window) != FALSE; },
                      [](HWND window) { Press(window, IDCANCEL); }});
    EXPECT_EQ(linkText, GetString(L"LoginDlg_Register"));
    EXPECT_EQ(opened, std::vector<std::wstring>(3, url)) << "a click, Enter and Space each open the page once";
    EXPECT_TRUE(stillOpen) << "Enter on the link is not OK";
    EXPECT_EQ(tip, url);
}

TEST_F(LoginAbout, LinkMarkupSplitsAtOneWellFormedPair) {
    auto check = [](const std::wstring& text, const LinkText& expected) {
        LinkText parsed = ParseLinkMarkup(text);
        EXPECT_EQ(parsed.before, expected.before) << text;
        EXPECT_EQ(parsed.link, expected.link) << text;
        EXPECT_EQ(parsed.after, expected.after) << text;
    };
    check(L"Please click to register", {L"", L"Please click to register", L""});
    check(L"", {L"", L"", L""});
    check(L"Not yet? <A>Register</A> now.", {L"Not yet? ", L"Register", L" now."});
    check(L"<a>here</a>", {L"", L"here", L""});
    check(L"x <A></A>", {L"x ", L"", L""});
    // Anything else is shown as it is, all of it plain.
    for (const wchar_t* text : {L"<A>Register", L"Register</A>", L"</A>Register<A>", L"<A>a</A> <A>b</A>",
                                L"<A>a<A>b</A>", L"<A>a</A>b</A>", L"<A href>x</A>"})
        check(text, {text, L"", L""});
    check(L"<Ab>x</Ab>", {L"", L"<Ab>x</Ab>", L""});
}

TEST_F(LoginAbout, AnchorColoursComeFromTheBrowserSettingsWhenWellFormed) {
    EXPECT_EQ(ParseAnchorColor(L"0,0,255"), RGB(0, 0, 255));
    EXPECT_EQ(ParseAnchorColor(L" 12 , 34,56 "), RGB(12, 34, 56));
    EXPECT_EQ(ParseAnchorColor(L"255,128,0"), RGB(255, 128, 0));
    for (const wchar_t* bad : {L"", L"1,2", L"1,2,3,4", L"256,0,0", L"-1,0,0", L"a,b,c", L"1,,3", L"0x10,0,0",
                               L"1 2,3,4", L"0001,2,3", L",,", L"1,2,3,"})
        EXPECT_FALSE(ParseAnchorColor(bad).has_value()) << "\"" << std::string(bad, bad + wcslen(bad)) << "\"";

    // The real registry of the test prefix, put back afterwards.
    const wchar_t* const keyName = L"Software\\Microsoft\\Internet Explorer\\Settings";
    HKEY raw = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, keyName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, &disposition),
              ERROR_SUCCESS);
    UniqueKey key(raw);
    struct Saved {
        const wchar_t* name;
        std::vector<BYTE> data;
        DWORD type = 0;
        bool present = false;
    } saved[] = {{L"Anchor Color", {}, 0, false},
                 {L"Anchor Color Hover", {}, 0, false},
                 {L"Anchor Color Visited", {}, 0, false}};
    for (Saved& value : saved) {
        DWORD size = 0;
        value.present = RegQueryValueExW(key.get(), value.name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS;
        value.data.resize(size);
        if (value.present) RegQueryValueExW(key.get(), value.name, nullptr, &value.type, value.data.data(), &size);
    }
    auto write = [&](const wchar_t* name, const std::wstring& text) {
        RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    };
    write(L"Anchor Color", L"12,34,56");
    write(L"Anchor Color Hover", L"red");
    RegDeleteValueW(key.get(), L"Anchor Color Visited");
    LinkColours colours = ReadLinkColours();
    for (const Saved& value : saved) {
        if (value.present)
            RegSetValueExW(key.get(), value.name, 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        else
            RegDeleteValueW(key.get(), value.name);
    }
    key.reset();
    if (disposition == REG_CREATED_NEW_KEY) RegDeleteKeyW(HKEY_CURRENT_USER, keyName);
    EXPECT_EQ(colours.normal, RGB(12, 34, 56));
    EXPECT_EQ(colours.hover, RGB(255, 0, 0)) << "a malformed value gives the default";
    EXPECT_EQ(colours.visited, RGB(128, 0, 128)) << "a missing value gives the default";
}

TEST_F(LoginAbout, TheAboutPictureIsDrawnOncePerSizeWithItsKeyColourSeeThrough) {
    DrawnLayout layout;
    ResourceSource source;
    ASSERT_TRUE(
        layout.LoadDocument("<About><Rect left='10' top='10' right='10' bottom='10' color='255'/>"
                            "<Rect left='0' top='0' width='4' height='4' color='16711422'/></About>",
                            source));
    MemorySurface target(nullptr, 120, 80);
    ASSERT_TRUE(target);
    UniqueBrush green(CreateSolidBrush(RGB(0, 200, 0)));
    const RECT whole{0, 0, 120, 80};
    FillRect(target.dc(), &whole, green.get());

    AboutPicture picture(layout);
    const RECT client{0, 0, 100, 80};
    ASSERT_TRUE(picture.Paint(target.dc(), client));
    EXPECT_EQ(GetPixel(target.dc(), 50, 40), RGB(255, 0, 0)) << "the layout's panel";
    EXPECT_EQ(GetPixel(target.dc(), 5, 5), RGB(0, 200, 0)) << "where the layout drew nothing the page shows";
    EXPECT_EQ(GetPixel(target.dc(), 1, 1), RGB(0, 200, 0)) << "the key colour is see-through even where drawn";
    EXPECT_EQ(GetPixel(target.dc(), 89, 69), RGB(255, 0, 0)) << "placed in the client rectangle";
    EXPECT_EQ(GetPixel(target.dc(), 95, 75), RGB(0, 200, 0));
    EXPECT_EQ(picture.GetLayoutDraws(), 1);

    FillRect(target.dc(), &whole, green.get());
    ASSERT_TRUE(picture.Paint(target.dc(), client));
    EXPECT_EQ(picture.GetLayoutDraws(), 1) << "the same size paints from the cache";
    EXPECT_EQ(GetPixel(target.dc(), 50, 40), RGB(255, 0, 0)) << "and the cache holds the picture";

    ASSERT_TRUE(picture.Paint(target.dc(), RECT{0, 0, 120, 80}));
    EXPECT_EQ(picture.GetLayoutDraws(), 2) << "a new size draws the layout again";
    EXPECT_EQ(GetPixel(target.dc(), 105, 69), RGB(255, 0, 0)) << "for the new size";
    ASSERT_TRUE(picture.Paint(target.dc(), client));
    EXPECT_EQ(picture.GetLayoutDraws(), 3);
}

// The page inside a real options sheet: its tab, its template's size and the shipped layout
// on screen.
TEST_F(LoginAbout, TheAboutPageShowsTheShippedLayoutInTheSheet) {
    TempDir dir;
    auto settings = std::make_shared<Settings>(dir.path());
    CAppPropertySheet sheet(settings);
    sheet.AddPage(kAboutPage, std::make_unique<AboutPage>(sheet.Draft()));
    HWND sheetWindow = nullptr;
    std::wstring tabText;
    RECT pageBox{}, expectedBox{0, 0, 187, 102};
    COLORREF panel = CLR_INVALID, outside = CLR_INVALID;
    auto findSheet = [&sheetWindow] {
        for (HWND candidate : ThreadWindows()) {
            wchar_t name[16] = {};
            GetClassNameW(candidate, name, 16);
            // Only a dialog may be asked the sheet's question.
            if (!sheetWindow && lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(candidate) &&
                PropSheet_GetCurrentPageHwnd(candidate))
                sheetWindow = candidate;
        }
        return sheetWindow;
    };
    Script script(findSheet, {[](HWND) {},  // one tick for the first paint
                              [&](HWND window) {
                                  HWND page = PropSheet_GetCurrentPageHwnd(window);
                                  HWND tabs = PropSheet_GetTabControl(window);
                                  wchar_t text[64] = {};
                                  TCITEMW item{};
                                  item.mask = TCIF_TEXT;
                                  item.pszText = text;
                                  item.cchTextMax = 64;
                                  TabCtrl_GetItem(tabs, 0, &item);
                                  tabText = text;
                                  GetClientRect(page, &pageBox);
                                  MapDialogRect(page, &expectedBox);
                                  UpdateWindow(page);
                                  WindowDc dc(page);
                                  panel = GetPixel(dc.get(), pageBox.right / 2, 20);
                                  outside = GetPixel(dc.get(), 3, 3);
                                  PropSheet_PressButton(window, PSBTN_CANCEL);
                              }});
    sheet.Run(nullptr, kAboutPage);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(tabText, GetString(L"PropSheet_About_Title"));
    EXPECT_GE(pageBox.right, expectedBox.right - 1) << "the page is at least its template's size";
    EXPECT_GE(pageBox.bottom, expectedBox.bottom - 1);
    EXPECT_EQ(panel, static_cast<COLORREF>(6014891)) << "the layout's green panel";
    EXPECT_NE(outside, AboutPicture::kKeyColour) << "the key colour never reaches the screen";
}

}  // namespace
