// The main window, its hot keys and its tray icon as a user meets them on a Wine desktop:
// real clicks and keys from the X display (xdotool), the wallpaper bitmap and the screen read
// back afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <prsht.h>
#include <shellapi.h>

#include <cstdio>
#include <ctime>
#include <optional>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "base/utf8.h"
#include "config/version_table.h"
#include "desktop/shell/wallpaper_state.h"
#include "e2e/kestrane_process.h"
#include "e2e/wine_desktop.h"
#include "resources/resource.h"
#include "store/package_file.h"
#include "store/picture.h"
#include "support/service_control.h"

namespace {

bool HasTrayIcon(const WineDesktop& desktop, HWND window) {
    bool present = false;
    desktop.Run([&] { present = HasTrayIcon(window); });
    return present;
}

RECT ControlRect(HWND window, int id) {
    RECT box{};
    GetWindowRect(GetDlgItem(window, id), &box);
    return box;
}

std::string Centre(const RECT& box) {
    return std::to_string((box.left + box.right) / 2) + " " + std::to_string((box.top + box.bottom) / 2);
}

// The window's constant alpha as the system holds it; -1 when it has none. Xvfb composes no
// alpha, so the fade is read here rather than from the screen.
int Alpha(HWND window) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, &key, &alpha, &flags) && (flags & LWA_ALPHA) ? alpha : -1;
}

// A top-level window of another program on the Wine desktop, answered by a thread of its own:
// something else for the user to click.
class ForeignWindow {
public:
    ForeignWindow(const wchar_t* className, RECT box) {
        UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        HANDLE event = ready.get();
        m_thread = std::thread([this, className, box, event] {
            SetThreadDesktop(OpenDesktopW(L"KestraneE2E", 0, FALSE, GENERIC_ALL));
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
            windowClass.lpszClassName = className;
            RegisterClassW(&windowClass);
            m_window = CreateWindowExW(0, className, L"", WS_POPUP | WS_VISIBLE | WS_BORDER, box.left, box.top,
                                       box.right - box.left, box.bottom - box.top, nullptr, nullptr,
                                       windowClass.hInstance, nullptr);
            m_threadId = GetCurrentThreadId();
            SetEvent(event);
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
            if (m_window) DestroyWindow(m_window);
        });
        WaitForSingleObject(event, 10000);
    }
    ~ForeignWindow() {
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    ForeignWindow(const ForeignWindow&) = delete;
    ForeignWindow& operator=(const ForeignWindow&) = delete;
    HWND Window() const { return m_window; }
    std::string Centre() const {
        RECT box{};
        GetWindowRect(m_window, &box);
        return ::Centre(box);
    }

private:
    std::thread m_thread;
    HWND m_window = nullptr;
    DWORD m_threadId = 0;
};

// The control id of the window that has the keyboard focus in the window's thread; 0 for none.
int FocusedId(const WineDesktop& desktop, HWND window) {
    int id = 0;
    desktop.Run([&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus)
            id = GetDlgCtrlID(info.hwndFocus);
    });
    return id;
}

// Presses the key and waits until the focus has left the control that had it; the id then.
int FocusAfter(const WineDesktop& desktop, HWND window, const std::string& key) {
    const int before = FocusedId(desktop, window);
    if (!desktop.XDoTool("key " + key)) return -1;
    int now = before;
    WaitUntil([&] { return (now = FocusedId(desktop, window)) != before; }, 3);
    return now;
}

struct AccessibleView {
    std::wstring name;
    long role = 0;
    bool fromProxy = false;  // read through IAccessible, not from the window
};

// What a screen reader learns of a control through the system's accessibility proxy. Wine's
// oleacc gives no object for a window of another process (E_NOINTERFACE); then the same facts
// are read where the proxy takes them from: the window text is the name, and a BUTTON of a
// push-button type (owner-drawn included) is a push button.
AccessibleView Accessible(const WineDesktop& desktop, HWND control) {
    AccessibleView view;
    desktop.Run([&] {
        const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        IAccessible* accessible = nullptr;
        const HRESULT result =
            AccessibleObjectFromWindow(control, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&accessible));
        if (SUCCEEDED(result) && accessible) {
            view.fromProxy = true;
            VARIANT self;
            VariantInit(&self);
            self.vt = VT_I4;
            self.lVal = CHILDID_SELF;
            BSTR name = nullptr;
            if (accessible->get_accName(self, &name) == S_OK && name) view.name.assign(name, SysStringLen(name));
            SysFreeString(name);
            VARIANT role;
            VariantInit(&role);
            if (accessible->get_accRole(self, &role) == S_OK && role.vt == VT_I4) view.role = role.lVal;
            accessible->Release();
        } else {
            wchar_t text[256] = {}, className[64] = {};
            GetWindowTextW(control, text, 256);
            view.name = text;
            GetClassNameW(control, className, 64);
            const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
            if (_wcsicmp(className, L"Button") == 0 &&
                (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW))
                view.role = ROLE_SYSTEM_PUSHBUTTON;
        }
        if (com) CoUninitialize();
    });
    return view;
}

}  // namespace

TEST(FaceEndToEnd, ButtonsHotKeysFreezeAndTheTrayIcon) {
    WallpaperDescription before = CaptureCurrentWallpaper();
    ProgramFolder folder;
    ASSERT_TRUE(OwnWallpaperAndThreeStoredPictures(folder));
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(desktop.WaitForWindow(L"KestraneMainDialog", kestrane.GetId(), 15000), nullptr);
    ASSERT_TRUE(WallpaperChangesFrom(std::nullopt, 20)) << "a stored picture becomes the wallpaper";

    // Placed at the bottom right of the work area.
    RECT work{}, box{};
    desktop.Run([&] { SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0); });
    GetWindowRect(window, &box);
    // The shell's task bar may claim its strip of the work area only after the window was placed.
    EXPECT_EQ(box.right, work.right - 5);
    EXPECT_TRUE(box.bottom == work.bottom - 40 || box.bottom == WineDesktop::kHeight - 40) << box.bottom;

    // A click on Next, then Windows+Page Down.
    Sleep(500);
    std::optional<std::string> first = WallpaperBytes();
    ASSERT_TRUE(desktop.XDoTool("mousemove " + Centre(ControlRect(window, IDC_NEXT))));
    Sleep(700);
    const std::string nextAtRest = desktop.ScreenBytes(ControlRect(window, IDC_NEXT));
    ASSERT_FALSE(nextAtRest.empty());
    ASSERT_TRUE(desktop.XDoTool("click 1"));
    ASSERT_TRUE(WallpaperChangesFrom(first, 20)) << "a click on Next changes the wallpaper";
    EXPECT_EQ(FocusedId(desktop, window), IDC_NEXT) << "the clicked button has the focus";
    EXPECT_TRUE(WaitUntil([&] { return desktop.ScreenBytes(ControlRect(window, IDC_NEXT)) == nextAtRest; }, 3))
        << "but no focus rectangle: the mouse was used, not the keyboard";
    Sleep(500);
    std::optional<std::string> second = WallpaperBytes();
    ASSERT_TRUE(desktop.XDoTool("key super+Next"));
    ASSERT_TRUE(WallpaperChangesFrom(second, 20)) << "Windows+Page Down changes the wallpaper";
    Sleep(500);

    // Dragged by its face (between Next and the desktop-icons button), and the place kept.
    const std::string grip = std::to_string(box.left + 80) + " " + std::to_string(box.top + 15);
    const std::string dropped = std::to_string(box.left - 20) + " " + std::to_string(box.top - 45);
    ASSERT_TRUE(
        desktop.XDoTool("mousemove " + grip + " mousedown 1 sleep 0.3 mousemove " + dropped + " sleep 0.3 mouseup 1"));
    RECT moved{};
    EXPECT_TRUE(WaitUntil([&] { return GetWindowRect(window, &moved) && moved.left == box.left - 100; }, 5));
    EXPECT_EQ(moved.top, box.top - 60);
    EXPECT_TRUE(WaitUntil(
        [&] {
            return ReadAll(folder.Config())
                       .find("<Pos x=\"" + std::to_string(box.left - 100) + "\" y=\"" + std::to_string(box.top - 60) +
                             "\"") != std::string::npos;
        },
        5))
        << "the new place is saved";

    {
        // The ghost: opaque (the Transparent setting, 225) while the cursor is on the bar or
        // the bar has the focus, practically invisible (1) otherwise. (A click on the desktop
        // is reported by a foreground hook, which Wine 8 never calls: ghost_tracker_test.)
        const int kOpaque = 225, kGhost = 1;
        EXPECT_EQ(Alpha(window), kOpaque) << "dragged: under the cursor and focused";
        ForeignWindow other(L"KestraneTestWindow", RECT{20, 20, 220, 120});
        ASSERT_TRUE(other.Window());
        ASSERT_TRUE(desktop.XDoTool("mousemove " + other.Centre() + " sleep 0.3 click 1"));
        EXPECT_TRUE(WaitUntil([&] { return Alpha(window) == kGhost; }, 5)) << "another window has the focus";
        const std::string face = std::to_string(moved.left + 80) + " " + std::to_string(moved.top + 15);
        ASSERT_TRUE(desktop.XDoTool("mousemove " + face));
        EXPECT_TRUE(WaitUntil([&] { return Alpha(window) == kOpaque; }, 5)) << "the cursor on the face";
        ASSERT_TRUE(desktop.XDoTool("mousemove " + other.Centre()));
        EXPECT_TRUE(WaitUntil([&] { return Alpha(window) == kGhost; }, 5)) << "the cursor off the face";
        // Onto a button is not off the bar; straight off the bar from the button is.
        ASSERT_TRUE(desktop.XDoTool("mousemove " + face + " sleep 0.3 mousemove " +
                                    Centre(ControlRect(window, IDC_NEXT)) + " sleep 0.5"));
        EXPECT_EQ(Alpha(window), kOpaque) << "from the face onto a button";
        ASSERT_TRUE(desktop.XDoTool("mousemove " + other.Centre()));
        EXPECT_TRUE(WaitUntil([&] { return Alpha(window) == kGhost; }, 5)) << "off the bar from a button";
        // A click on the bar gives it the focus: opaque with the cursor elsewhere.
        ASSERT_TRUE(desktop.XDoTool("mousemove " + face + " sleep 0.3 click 1 sleep 0.3 mousemove " + other.Centre()));
        Sleep(500);
        EXPECT_EQ(Alpha(window), kOpaque) << "focused, the cursor elsewhere";
    }

    // Freeze: the button shows pressed and the tick leaves the wallpaper alone past its minute.
    const RECT freeze = ControlRect(window, IDC_FREEZE);
    ASSERT_TRUE(desktop.XDoTool("mousemove " + Centre(freeze)));
    Sleep(700);
    const std::string released = desktop.ScreenBytes(freeze);
    ASSERT_FALSE(released.empty());
    ASSERT_TRUE(desktop.XDoTool("click 1"));
    EXPECT_TRUE(WaitUntil([&] { return desktop.ScreenBytes(freeze) != released; }, 5)) << "Freeze shows pressed";
    std::optional<std::string> frozen = WallpaperBytes();
    EXPECT_FALSE(WallpaperChangesFrom(frozen, 70)) << "frozen, the tick leaves the wallpaper";
    ASSERT_TRUE(desktop.XDoTool("click 1"));
    EXPECT_TRUE(WaitUntil([&] { return desktop.ScreenBytes(freeze) == released; }, 5)) << "Freeze released";
    EXPECT_TRUE(WallpaperChangesFrom(frozen, 15)) << "released, the overdue change comes with the next tick";

    // The tray icon: present, its menu on a right click, its first entry shows the window.
    ASSERT_TRUE(HasTrayIcon(desktop, window));
    const UINT trayMessage = RegisterWindowMessageW(L"WM_TRAYICON");
    PostMessageW(window, WM_COMMAND, ID_HIDE_MAIN_WINDOW, 0);
    ASSERT_TRUE(WaitUntil([&] { return !desktop.IsVisible(window); }, 5));
    PostMessageW(window, trayMessage, 0, WM_RBUTTONUP);
    HWND menu = desktop.WaitForWindow(L"#32768", kestrane.GetId(), 5000);
    ASSERT_NE(menu, nullptr) << "the tray menu opens";
    RECT menuBox{};
    GetWindowRect(menu, &menuBox);
    ASSERT_TRUE(desktop.XDoTool("mousemove " + std::to_string(menuBox.left + 30) + " " +
                                std::to_string(menuBox.top + 10) + " sleep 0.5 click 1"));
    EXPECT_TRUE(WaitUntil([&] { return desktop.IsVisible(window); }, 5)) << "Show Main Window";

    // The keyboard on the active bar: the first button has the focus; Tab, Tab, Enter is Next.
    // A click on the bar's face makes sure it is the window the keys go to.
    RECT face{};
    GetWindowRect(window, &face);
    ASSERT_TRUE(desktop.XDoTool("mousemove " + std::to_string(face.left + 80) + " " + std::to_string(face.top + 15) +
                                " sleep 0.3 click 1 sleep 0.3"));
    ASSERT_TRUE(WaitUntil([&] { return FocusedId(desktop, window) == IDC_PREV; }, 5))
        << "activated, the bar gives the first button the focus";
    const RECT nextBox = ControlRect(window, IDC_NEXT);
    const std::string nextUnfocused = desktop.ScreenBytes(nextBox);
    EXPECT_EQ(FocusAfter(desktop, window, "Tab"), IDC_FREEZE);
    EXPECT_EQ(FocusAfter(desktop, window, "Tab"), IDC_NEXT);
    EXPECT_TRUE(WaitUntil([&] { return desktop.ScreenBytes(nextBox) != nextUnfocused; }, 5))
        << "with the keyboard, the focused button shows a focus rectangle";
    std::optional<std::string> beforeEnter = WallpaperBytes();
    ASSERT_TRUE(desktop.XDoTool("key Return"));
    EXPECT_TRUE(WallpaperChangesFrom(beforeEnter, 20)) << "Enter on Next changes the wallpaper";
    Sleep(500);
    std::optional<std::string> beforeSpace = WallpaperBytes();
    ASSERT_TRUE(desktop.XDoTool("key space"));
    EXPECT_TRUE(WallpaperChangesFrom(beforeSpace, 20)) << "and so does Space";
    EXPECT_TRUE(desktop.IsVisible(window));

    // Tab walks the rest left to right: the hidden sign-in light and the disabled Tags are
    // skipped, the link comes last, then round to the first; the arrows go either way.
    std::vector<int> order;
    for (int i = 0; i < 9; ++i) order.push_back(FocusAfter(desktop, window, "Tab"));
    EXPECT_EQ(order, (std::vector<int>{ID_SHOWHIDE_DESKTOP_ICONS, IDC_STATUS_OFF, IDC_FAVORITES, IDC_SETUP,
                                       ID_HIDE_MAIN_WINDOW, ID_DOWNLOAD_NOW, ID_APP_ABOUT, 33000, IDC_PREV}));
    EXPECT_EQ(FocusAfter(desktop, window, "Left"), 33000);
    EXPECT_EQ(FocusAfter(desktop, window, "Right"), IDC_PREV);
    EXPECT_EQ(FocusAfter(desktop, window, "Down"), IDC_FREEZE);
    EXPECT_EQ(FocusAfter(desktop, window, "Up"), IDC_PREV);

    // Each button is named by its tooltip for screen readers, as a push button.
    const std::vector<std::pair<int, std::wstring>> names = {
        {IDC_PREV, L"Previous Wallpaper"},
        {IDC_FREEZE, L"Freeze Wallpaper"},
        {IDC_NEXT, L"Next Wallpaper"},
        {ID_SHOWHIDE_DESKTOP_ICONS, L"Show/Hide Desktop Icons"},
        {IDC_STATUS_OFF, L"Not signed in - click to sign in"},
        {IDC_FAVORITES, L"Favorites"},
        {IDC_SETUP, L"Setup"},
        {ID_HIDE_MAIN_WINDOW, L"Minimize"},
        {ID_DOWNLOAD_NOW, L"Download Wallpapers Now"},
        {ID_APP_ABOUT, L"About"},  // the menu's "&About" without its mark
        {33000, L"Visit the Tovarin home page"}};
    for (const auto& [id, name] : names) {
        const AccessibleView view = Accessible(desktop, GetDlgItem(window, id));
        if (id == IDC_PREV)
            std::printf("accessible names read %s\n", view.fromProxy ? "through IAccessible" : "from the windows");
        EXPECT_EQ(view.name, name) << id;
        EXPECT_EQ(view.role, ROLE_SYSTEM_PUSHBUTTON) << id;
    }

    // The Setup menu from the keyboard, its keys typed: Languages, then Simplified Chinese; the
    // names follow the language.
    EXPECT_EQ(FocusAfter(desktop, window, "Left"), 33000);
    for (int i = 0; i < 4; ++i) FocusAfter(desktop, window, "Left");
    ASSERT_EQ(FocusedId(desktop, window), IDC_SETUP);
    ASSERT_TRUE(desktop.XDoTool("key Return"));
    ASSERT_NE(desktop.WaitForWindow(L"#32768", kestrane.GetId(), 5000), nullptr) << "Enter opens the Setup menu";
    ASSERT_TRUE(desktop.XDoTool("sleep 0.3 key l sleep 0.5 key s"));
    EXPECT_TRUE(
        WaitUntil([&] { return ReadAll(folder.Config()).find("<LangId>2052</LangId>") != std::string::npos; }, 10))
        << "L opens Languages, S chooses Simplified Chinese";
    EXPECT_TRUE(WaitUntil(
        [&] { return Accessible(desktop, GetDlgItem(window, IDC_NEXT)).name == L"\u4E0B\u4E00\u5F20\u58C1\u7EB8"; }, 5))
        << "Next is named in Chinese";
    EXPECT_EQ(Accessible(desktop, GetDlgItem(window, ID_APP_ABOUT)).name, L"\u5173\u4E8E");

    // Escape hides the bar, as Minimise does.
    ASSERT_TRUE(desktop.XDoTool("key Escape"));
    EXPECT_TRUE(WaitUntil([&] { return !desktop.IsVisible(window); }, 5)) << "Escape hides the bar";

    // The shell restarts: the icon is gone with it, and comes back on "TaskbarCreated".
    desktop.Run([&] {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof(data);
        data.hWnd = window;
        Shell_NotifyIconW(NIM_DELETE, &data);
    });
    ASSERT_FALSE(HasTrayIcon(desktop, window));
    PostMessageW(window, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return HasTrayIcon(desktop, window); }, 10)) << "the icon is back";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}

// At 150 % (a screen of 144 DPI) the bar is drawn for that DPI: its window, its buttons and
// their pictures half as large again, not the 100 % bar left small, and Next still works.
TEST(FaceEndToEnd, AtOneHundredFiftyPercentTheBarIsLargerAndItsButtonsWork) {
    WallpaperDescription before = CaptureCurrentWallpaper();
    ProgramFolder folder;
    ASSERT_TRUE(OwnWallpaperAndThreeStoredPictures(folder));
    ScreenDpi screen(144);
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(desktop.WaitForWindow(L"KestraneMainDialog", kestrane.GetId(), 15000), nullptr);
    ASSERT_TRUE(WallpaperChangesFrom(std::nullopt, 20));

    RECT box{};
    GetWindowRect(window, &box);
    EXPECT_NEAR(box.right - box.left, 221 * 3 / 2, 2) << "the bar's width at 150 %";
    EXPECT_NEAR(box.bottom - box.top, 41 * 3 / 2, 2) << "the bar's height at 150 %";
    const RECT next = ControlRect(window, IDC_NEXT);
    EXPECT_NEAR(next.right - next.left, 30, 1);
    EXPECT_NEAR(next.left - box.left, 53 * 3 / 2, 2);
    // The picture drawn for 150 %: the round button fills most of its 30-pixel box.
    Sleep(500);
    ASSERT_TRUE(desktop.XDoTool("mousemove " + Centre(next) + " sleep 0.7"));
    const std::string face = desktop.ScreenBytes(RECT{next.left + 4, next.top + 14, next.left + 5, next.top + 15});
    ASSERT_EQ(face.size(), 3u);
    EXPECT_GT(static_cast<unsigned char>(face[2]), 150) << "the button's blue at its left edge, 4 pixels in";

    std::optional<std::string> first = WallpaperBytes();
    ASSERT_TRUE(desktop.XDoTool("click 1"));
    EXPECT_TRUE(WallpaperChangesFrom(first, 20)) << "a click on Next changes the wallpaper";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}

// The options sheet as a user meets it: opened from the Setup menu, the change frequency, the
// frame type and the categories changed, OK: config.xml holds them, the wallpaper is composed
// again without its frame, and a download for the new categories starts.
TEST(FaceEndToEnd, OptionsFromTheSetupMenuReachConfigTheWallpaperAndTheDownload) {
    if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
    WallpaperDescription before = CaptureCurrentWallpaper();
    ASSERT_TRUE(SetDesktopWallpaper(L"0", L"1", GetWallpaperPath().str()));
    GetWallpaperPath().Remove();
    ProgramFolder folder;
    // Smaller than the screen: framed by default, stretched over it without a frame.
    ASSERT_TRUE(StorePictures(folder, {RGB(200, 30, 30), RGB(30, 200, 30)}, ServiceUrl(), {320, 240}));
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(desktop.WaitForWindow(L"KestraneMainDialog", kestrane.GetId(), 15000), nullptr);
    ASSERT_TRUE(WallpaperChangesFrom(std::nullopt, 20));
    Sleep(1000);
    const std::optional<std::string> framed = WallpaperBytes();
    ServiceReset();

    // Setup, then Options... with the keyboard: its key, O.
    ASSERT_TRUE(desktop.XDoTool("mousemove " + Centre(ControlRect(window, IDC_SETUP)) + " sleep 0.5 click 1 sleep 1"));
    ASSERT_NE(desktop.WaitForWindow(L"#32768", kestrane.GetId(), 5000), nullptr) << "the Setup menu opens";
    ASSERT_TRUE(desktop.XDoTool("key o"));
    HWND sheet = desktop.WaitForWindow(L"#32770", kestrane.GetId(), 10000);
    ASSERT_NE(sheet, nullptr) << "the options sheet opens";
    auto page = [&](int index) {
        SendMessageW(sheet, PSM_SETCURSEL, index, 0);
        return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    };
    HWND basic = page(0);
    HWND frequency = GetDlgItem(basic, 1031);
    ASSERT_NE(frequency, nullptr);
    SendMessageW(frequency, CB_SETCURSEL, 2, 0);  // every 10 minutes
    SendMessageW(basic, WM_COMMAND, MAKEWPARAM(1031, CBN_SELCHANGE), reinterpret_cast<LPARAM>(frequency));
    SendMessageW(GetDlgItem(page(1), 1043), BM_CLICK, 0, 0);  // no frame
    SendMessageW(GetDlgItem(page(2), 1008), BM_CLICK, 0, 0);  // the second category, dongwu
    PostMessageW(GetDlgItem(sheet, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !desktop.IsVisible(sheet); }, 10)) << "OK closes the sheet";

    const std::string config = ReadAll(folder.Config());
    EXPECT_NE(config.find("<ChangeFrequency>10</ChangeFrequency>"), std::string::npos);
    EXPECT_NE(config.find("<FrameType>2</FrameType>"), std::string::npos);
    EXPECT_NE(config.find("<Tags>dongwu fengguang</Tags>"), std::string::npos);
    EXPECT_TRUE(WallpaperChangesFrom(framed, 20)) << "the wallpaper is composed again without its frame";
    EXPECT_TRUE(WaitUntil(
        [] {
            return ServiceControl(L"GET", L"/_control/requests?path=/service/viewer/v1.0/image.php")
                       .find("dongwu fengguang") != std::string::npos;
        },
        20))
        << "a download for the new categories starts";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}
