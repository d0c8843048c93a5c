#pragma once
// The main window: a modeless dialog that owns the Controller and implements IUI.
#include <windows.h>

#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "app/iui.h"
#include "base/handles.h"
#include "base/localization.h"
#include "base/message_loop.h"
#include "config/settings.h"
#include "desktop/wallpaper/monitor_layout.h"
#include "ui/controls/dialog_base.h"
#include "ui/controls/progress_strip.h"
#include "ui/hot_keys/hot_keys.h"
#include "ui/main_window/command_table.h"
#include "ui/main_window/ghost_tracker.h"
#include "ui/main_window/posted_calls.h"
#include "ui/main_window/skin_controls.h"
#include "ui/main_window/timer_table.h"
#include "ui/menus/menus.h"
#include "ui/options/app_property_sheet.h"
#include "ui/tray/tray_icon.h"

class Controller;
struct MainLayout;
struct WallpaperDescription;

class CMainDlg : public CDialogBase, public IUI, private LanguageListener, private MessageFilter {
public:
    enum : UINT {
        kCoreStoppedMessage = WM_USER + 1,
        kRunPostedCallMessage = WM_USER + 2,
    };
    enum : UINT_PTR { kWatchdogTimer = 2, kTipTimer = 3, kTrayRetryTimer = 5 };
    static constexpr UINT kTrayRetryMs = 3000;
    static constexpr UINT kWatchdogMs = 10000;
    static constexpr const wchar_t* kClassName = L"KestraneMainDialog";

    CMainDlg();
    ~CMainDlg() override;

    // Creates the modeless dialog from its template; null on failure. startCommand, when not 0,
    // runs once the window is ready (a verb of the command line).
    HWND Create(MessageLoop* loop, WORD startCommand = 0);
    // True when the watchdog had to end the program without the core.
    bool ExitWasForced() const { return m_exitForced; }

    // Runs a call on the user-interface thread (later, in posting order).
    void PostCall(Callback call);

    // IUI
    unsigned SetTimer(unsigned periodMs, Callback callback) override;
    void KillTimer(unsigned id) override;
    bool ResetTimer(unsigned id, unsigned periodMs) override;
    void RequestExit() override;
    void UpdateState(ControllerStatePtr state) override;
    void ShowProgress(int percent, const std::wstring& text) override;
    void ShowInfo(ShowInfoType type, const std::wstring& text, const std::wstring& title) override;
    void ConfirmInstallUpdate(const VersionInfo& info, bool verified, Callback install) override;
    void PictureSaved(const Path& file) override;

private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog();
    BOOL AbandonStartUp();
    void AskToSaveOldWallpaper(const WallpaperDescription& userWallpaper);
    bool PlaceWindow(std::optional<POINT> wanted);
    bool RememberPosition();
    void Defer(WORD id);
    bool IsDeferred(WORD id) const;
    // The commands, their menus and hot keys (main_dlg_commands.cpp).
    void BuildCommandTable();
    CommandMenus::Sources MenuSources();
    bool OnCommand(WORD id);  // false: not one of ours
    // The sign-in dialog; on OK the controller signs in with what it gives.
    void RunLoginDialog();
    void AddOrDeleteFavorite(Controller& controller, bool add);
    void HideMainWindow();
    void ToggleMainWindow();
    void OnClose();
    void OnTimer(UINT_PTR id);
    void FinishExit();
    void ShowMainWindow();
    void OnTrayMouse(UINT mouseMessage);
    // The options dialog at a page, modal; the hot keys are off while it is open.
    void ShowPropertySheet(PropertyPageId start);

    // The face (main_dlg_face.cpp).
    bool ApplySkin(MainLayout& layout);
    void SetGhost(bool ghost);
    void ApplyLayeredAttributes();
    void Repaint();
    void StartGhostTracking();
    void RememberDisplay();
    void OnDisplayChange();
    void OnLanguageChanged() override;
    void RefreshControls();
    // Asks first when the picture is a favourite.
    void NeverShowCurrentPicture(Controller& controller);
    // The tray tip for the state, when no progress is shown.
    void ShowStatusTip();
    BOOL OnDrawItem(const DRAWITEMSTRUCT& item);
    BOOL OnEraseBackground(HDC dc);
    // WM_DPICHANGED (main_dlg_dpi.cpp).
    void OnDpiChanged(int dpi, const RECT& suggested);
    void PlaceSkin(MainLayout& layout);

    bool PreTranslateMessage(MSG& message) override;

    bool IsUiThread() const { return GetCurrentThreadId() == m_uiThreadId; }

    DWORD m_uiThreadId = 0;
    MessageLoop* m_loop = nullptr;
    std::shared_ptr<Settings> m_settings;
    std::shared_ptr<Controller> m_controller;
    // The Controller's state as it last told it; the controls and menus show this.
    ControllerStatePtr m_state = std::make_shared<ControllerState>();
    bool m_initialised = false;
    // Start-up is done: tray icon, hot keys, the start-up question answered. Commands that
    // come before wait in m_deferred.
    bool m_ready = false;
    bool m_asking = false;  // the start-up question is open
    std::vector<WORD> m_deferred;
    bool m_closing = false;
    bool m_exitForced = false;
    bool m_loginOpen = false;
    UINT m_trayMessage = 0;
    TrayIcon m_tray;
    // The last balloon that came while a program ran full screen: shown when it ends.
    std::optional<std::wstring> m_heldBalloon;
    // The saved picture the balloon shown last names: a click on it opens its folder.
    Path m_balloonFile;
    SkinControls m_controls;
    std::set<const SkinButton*> m_skinned;  // the buttons the layout shows
    ProgressStrip m_progress;
    UniqueBitmap m_background;  // composed by the layout, copied on every erase
    bool m_hasKeyColour = false;
    COLORREF m_keyColour = 0;
    bool m_ghost = false;
    GhostTracker m_ghostTracker;
    wallpaper_layout::Monitors m_monitors;  // as the wallpaper was last composed for them
    UniqueIcon m_bigIcon, m_smallIcon;
    CommandTable m_commands;
    TimerTable m_timers;  // IUI timers, user-interface thread only
    PostedCallQueue m_calls;
    bool m_comInitialised = false;
    HotKeys m_hotKeys;
    int m_settingsSubscription = 0;
    CommandMenus m_menus;
    CAppPropertySheet* m_sheet = nullptr;  // while the options dialog is open
};
