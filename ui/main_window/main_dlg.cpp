// The main window's life: creation, start-up order, commands and the exit sequence.
#include "ui/main_window/main_dlg.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <clocale>
#include <ctime>

#include "app/controller.h"
#include "base/debug_log.h"
#include "base/dpi.h"
#include "base/localization.h"
#include "config/settings.h"
#include "resources/resource.h"
#include "ui/main_window/bar_keyboard.h"
#include "ui/main_window/command_line.h"
#include "ui/main_window/main_layout.h"
#include "ui/main_window/window_placement.h"
#include "ui/tray/tray_tip.h"

CMainDlg::CMainDlg()
    : m_uiThreadId(GetCurrentThreadId()),
      m_settings(Settings::Get()),
      m_hotKeys(m_settings),
      m_menus(m_settings, MenuSources()) {
    m_trayMessage = RegisterWindowMessageW(L"WM_TRAYICON");
    m_comInitialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    BuildCommandTable();
}

CMainDlg::~CMainDlg() {
    if (m_settingsSubscription) m_settings->Unsubscribe(m_settingsSubscription);
    m_tray.Remove();
    if (m_loop) m_loop->RemoveMessageFilter(this);
    if (WindowExists()) DestroyWindow(m_hwnd);
    m_controller.reset();
    if (m_comInitialised) CoUninitialize();
}

HWND CMainDlg::Create(MessageLoop* loop, WORD startCommand) {
    m_loop = loop;
    if (startCommand) m_deferred.push_back(startCommand);
    return CreateModeless(IDD_MAINDLG, nullptr);
}

INT_PTR CMainDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            if (!m_ready && m_initialised && m_commands.FindById(LOWORD(wParam))) {
                Defer(LOWORD(wParam));
                return TRUE;
            }
            return OnCommand(LOWORD(wParam)) ? TRUE : FALSE;
        case WM_COPYDATA:
            // A verb handed over by a second start: done as its button does it, once this
            // message has answered the sender.
            if (std::optional<WORD> command = ReceiveVerb(*reinterpret_cast<const COPYDATASTRUCT*>(lParam))) {
                PostMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(*command, 0), 0);
                SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, TRUE);
            }
            return TRUE;
        case WM_HOTKEY:
            m_hotKeys.OnHotKey(lParam);
            return TRUE;
        case WM_MEASUREITEM:
            return m_menus.OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
        case WM_DRAWITEM: {
            const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlType == ODT_MENU) return m_menus.OnDrawItem(item) ? TRUE : FALSE;
            return OnDrawItem(item);
        }
        case WM_MENUCHAR: {
            LRESULT answer = 0;
            if (!m_menus.OnMenuChar(LOWORD(wParam), reinterpret_cast<HMENU>(lParam), answer)) return FALSE;
            SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, answer);
            return TRUE;
        }
        case WM_ACTIVATE:
            m_ghostTracker.OnActivation();
            return BarKeyboard::OnActivate(m_hwnd, wParam, m_controls) ? TRUE : FALSE;
        case WM_CLOSE:
            if (m_ready)
                OnClose();
            else if (m_initialised)
                Defer(ID_APP_EXIT);
            return TRUE;
        case WM_TIMER:
            OnTimer(wParam);
            return TRUE;
        case kCoreStoppedMessage:
            m_controller->WaitForCompletion();
            FinishExit();
            return TRUE;
        case kRunPostedCallMessage:
            m_calls.RunOne();
            return TRUE;
        case WM_NCHITTEST: {
            // Drag the window by any point of its face that is not a control.
            LRESULT hit = DefWindowProcW(m_hwnd, message, wParam, lParam);
            SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, hit == HTCLIENT ? HTCAPTION : hit);
            return TRUE;
        }
        case WM_EXITSIZEMOVE:
            // Once, when a drag ends.
            if (m_initialised && RememberPosition()) m_controller->SaveSettings();
            return FALSE;
        case WM_DESTROY:
            m_tray.Remove();  // every way out, the watchdog's too
            return FALSE;
        case WM_ACTIVATEAPP:
            m_ghostTracker.OnActivation();
            return FALSE;
        case WM_ERASEBKGND:
            return OnEraseBackground(reinterpret_cast<HDC>(wParam));
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return TRUE;
        case WM_SETTINGCHANGE:
        case WM_DISPLAYCHANGE:
            OnDisplayChange();
            return FALSE;
        default:
            break;
    }
    if (message == m_trayMessage) {
        OnTrayMouse(static_cast<UINT>(lParam));
        return TRUE;
    }
    if (message == TrayIcon::TaskbarCreatedMessage()) {
        // The shell restarted: the icon is gone with the old one. A shell still starting may
        // refuse it, so once more a little later.
        if (m_ready && !m_tray.AddAgain()) ::SetTimer(m_hwnd, kTrayRetryTimer, kTrayRetryMs, nullptr);
        return TRUE;
    }
    return FALSE;
}

BOOL CMainDlg::OnInitDialog() {
    setlocale(LC_ALL, ".OCP");
    m_controller = std::make_shared<Controller>(this, m_settings);
    const Controller::StartUp startUp = m_controller->Init();
    if (!startUp.ok) return AbandonStartUp();

    // A tool window without caption or taskbar button, layered so it can fade.
    LONG_PTR style = GetWindowLongPtrW(m_hwnd, GWL_STYLE);
    SetWindowLongPtrW(m_hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION));
    LONG_PTR exStyle = GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(m_hwnd, GWL_EXSTYLE,
                      (exStyle & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW)) | WS_EX_TOOLWINDOW | WS_EX_LAYERED);
    SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    SetWindowTextW(m_hwnd, GetString(L"MainWindowTitle").c_str());
    if (m_loop) m_loop->AddMessageFilter(this);
    // Practically invisible until the ghost tracking first looks.
    m_ghost = true;
    ApplyLayeredAttributes();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_bigIcon.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KESTRANE), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    m_smallIcon.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KESTRANE), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.get()));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.get()));

    std::optional<MainLayout> layout = LoadMainLayout(m_hwnd, *m_settings);
    if (!layout || !ApplySkin(*layout)) return AbandonStartUp();

    // Init looked at the user's wallpaper before anything of ours could reach the desktop; the
    // cycle is held until the question about it is answered.
    const std::optional<WallpaperDescription>& userWallpaper = startUp.newUserWallpaper;
    if (userWallpaper) m_controller->SetFreeze(true);
    m_controller->Start();
    StartGhostTracking();
    RefreshControls();
    const Settings::Point saved = m_settings->GetPos();
    if (saved.x == Settings::kUnsetPosition && saved.y == Settings::kUnsetPosition)
        PlaceWindow(std::nullopt);
    else
        PlaceWindow(POINT{saved.x, saved.y});
    RememberDisplay();
    m_initialised = true;
    ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);

    if (userWallpaper) AskToSaveOldWallpaper(*userWallpaper);
    // Exit was chosen while the question was open: nothing more is set up for it.
    if (IsDeferred(ID_APP_EXIT)) {
        m_ready = true;
        PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        return TRUE;
    }

    // The tray icon and the hot keys only now: nothing can reach a window still starting.
    m_tray.Add(m_hwnd, m_trayMessage, TrayTipText(*m_state, std::time(nullptr)), m_bigIcon.get());
    m_hotKeys.Attach(m_hwnd, m_commands, [this](Callback call) { PostCall(std::move(call)); });
    m_hotKeys.SetRepeatedFailureReport([this](HWND, const std::wstring& text, const std::wstring& title) {
        m_tray.ShowBalloon(text, title, NIIF_WARNING, 10000);
    });
    // The options may change the window's opacity while it is shown.
    m_settingsSubscription = m_settings->Subscribe([this](const Settings::Changes& changes) {
        if (changes.Has(Settings::Field::Transparent)) PostCall([this] { ApplyLayeredAttributes(); });
    });
    const std::wstring refused = m_settings->GetRefusedHotKeys();
    m_hotKeys.RegisterHotKeys(false);
    if (m_settings->GetRefusedHotKeys() != refused) m_controller->SaveSettings();
    m_ready = true;
    ShowMainWindow();
    // What arrived while the window was starting, in its order.
    for (WORD id : m_deferred) PostMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    m_deferred.clear();
    return TRUE;
}

// Without strings or skin the program cannot show itself: it ends quietly (the loaders have
// told the user why).
BOOL CMainDlg::AbandonStartUp() {
    FinishExit();
    return FALSE;
}

// The first time the program meets a wallpaper that is not its own, it offers to keep it.
void CMainDlg::AskToSaveOldWallpaper(const WallpaperDescription& userWallpaper) {
    m_asking = true;
    int answer = ShowMessageBox(m_hwnd, GetString(L"Prompt_QuerySaveOldWallpaper"),
                                GetString(L"Prompt_QuerySaveOldWallpaper_Title"), MB_YESNO | MB_ICONQUESTION);
    m_asking = false;
    if (answer == IDYES) m_controller->SaveAsOldWallpaper(userWallpaper);
    if (IsDeferred(ID_APP_EXIT)) return;  // the user's wallpaper stays
    m_controller->SetFreeze(false);
    // Images that arrived while the question was open were not shown.
    m_controller->ShowImage(Controller::ShowCurrent, false);
}

namespace {

// A message box of the owner's answers No (its IDNO button pressed).
BOOL CALLBACK AnswerNo(HWND box, LPARAM owner) {
    wchar_t className[8] = {};
    if (GetWindow(box, GW_OWNER) == reinterpret_cast<HWND>(owner) && GetClassNameW(box, className, 8) &&
        wcscmp(className, L"#32770") == 0)
        PostMessageW(box, WM_COMMAND, IDNO, 0);
    return TRUE;
}

}  // namespace

// A command that arrives while the window starts waits for it (the tray menu, a second start,
// a close); an exit also ends the start-up question, as its No.
void CMainDlg::Defer(WORD id) {
    if (!IsDeferred(id)) m_deferred.push_back(id);
    if (id != ID_APP_EXIT || !m_asking) return;
    EnumThreadWindows(GetCurrentThreadId(), AnswerNo, reinterpret_cast<LPARAM>(m_hwnd.load()));
}

bool CMainDlg::IsDeferred(WORD id) const {
    return std::find(m_deferred.begin(), m_deferred.end(), id) != m_deferred.end();
}

// The stored place when the window there lies on a monitor's work area; otherwise bottom
// right of the nearest monitor's (see PlaceOnMonitors). Returns whether the place changed.
bool CMainDlg::PlaceWindow(std::optional<POINT> wanted) {
    RECT window;
    GetWindowRect(m_hwnd, &window);
    const POINT place = PlaceOnMonitors(SIZE{window.right - window.left, window.bottom - window.top}, wanted,
                                        MonitorWorkAreas(), GetWindowDpi(m_hwnd));
    if (place.x != window.left || place.y != window.top)
        SetWindowPos(m_hwnd, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return RememberPosition();
}

// The window's place into the settings; true when it is a new one (config.xml is then saved
// by the caller's controller).
bool CMainDlg::RememberPosition() {
    RECT window;
    GetWindowRect(m_hwnd, &window);
    Settings::Point stored = m_settings->GetPos();
    if (stored.x == window.left && stored.y == window.top) return false;
    m_settings->SetPos(window.left, window.top);
    return true;
}

void CMainDlg::ShowMainWindow() {
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
}

// NIN_BALLOONUSERCLICK, which the Windows XP headers leave out.
constexpr UINT kBalloonClicked = WM_USER + 5;

// Right button: the tray menu at the cursor; left button: its default command, show the window;
// a click on a balloon naming a saved picture: its folder.
void CMainDlg::OnTrayMouse(UINT mouseMessage) {
    if (mouseMessage == WM_RBUTTONUP) {
        POINT cursor{};
        GetCursorPos(&cursor);
        m_menus.ShowTrayMenu(m_hwnd, cursor, ID_SHOW_MAIN_WINDOW);
    } else if (mouseMessage == WM_LBUTTONUP) {
        SetForegroundWindow(m_hwnd);
        SendMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(ID_SHOW_MAIN_WINDOW, 0), 0);
    } else if (mouseMessage == kBalloonClicked && !m_balloonFile.str().empty()) {
        // The folder, with the saved picture selected.
        const std::wstring select = L"/select,\"" + m_balloonFile.str() + L"\"";
        ShellExecuteW(m_hwnd, L"open", L"explorer.exe", select.c_str(), nullptr, SW_SHOWNORMAL);
        m_balloonFile = Path();
    }
}

void CMainDlg::OnClose() {
    // A second close must not re-arm (and so postpone) the watchdog.
    if (m_closing) return;
    m_closing = true;
    // An open options dialog is cancelled; its modal loop ends before the core has stopped.
    if (m_sheet)
        if (HWND sheet = m_sheet->GetWindow()) PropSheet_PressButton(sheet, PSBTN_CANCEL);
    EnableWindow(m_hwnd, FALSE);
    m_timers.ForEachId([this](unsigned id) { ::KillTimer(m_hwnd, id); });
    m_timers.Clear();
    ::SetTimer(m_hwnd, kWatchdogTimer, kWatchdogMs, nullptr);
    m_controller->Exit();
}

void CMainDlg::OnTimer(UINT_PTR id) {
    switch (id) {
        case kWatchdogTimer:
            DebugLog(L"Force Kestrane exit!\n");
            m_exitForced = true;
            FinishExit();
            return;
        case kTipTimer:
            ::KillTimer(m_hwnd, kTipTimer);
            ShowInfo(ShowInfoTip, L"", L"");
            return;
        case kTrayRetryTimer:
            ::KillTimer(m_hwnd, kTrayRetryTimer);
            m_tray.AddAgain();
            return;
        default:
            break;
    }
    if (Callback callback = m_timers.Find(static_cast<unsigned>(id))) callback();
}

void CMainDlg::FinishExit() {
    m_hotKeys.UnregisterAll();
    m_ghostTracker.Detach();
    ::KillTimer(m_hwnd, kWatchdogTimer);
    DestroyWindow(m_hwnd);
    PostQuitMessage(0);
}

bool CMainDlg::PreTranslateMessage(MSG& message) {
    if (!WindowExists()) return false;
    m_ghostTracker.OnQueuedMessage(message);
    return BarKeyboard::PreTranslate(m_hwnd, message, m_controls) || IsDialogMessageW(m_hwnd, &message);
}
