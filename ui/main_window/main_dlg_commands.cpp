// The main window's commands: the command table behind every button, menu item and hot key,
// the menus' sources, and the dispatch of WM_COMMAND.
#include <windows.h>

#include <objbase.h>

#include "app/controller.h"
#include "base/localization.h"
#include "config/hot_key_commands.h"
#include "config/settings.h"
#include "resources/resource.h"
#include "ui/dialogs/login_dialog.h"
#include "ui/main_window/main_dlg.h"
#include "ui/options/options_pages.h"

namespace {

// Faded out: the window is shown but practically invisible.
bool IsGhosted(HWND window) {
    BYTE alpha = 255;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) && alpha <= 1;
}

}  // namespace

// In table order: hot keys are registered in this order, and the first entry with an id wins.
void CMainDlg::BuildCommandTable() {
    auto core = [this](std::function<void(Controller&)> action) {
        return [this, action] {
            if (m_initialised && !m_closing) action(*m_controller);
        };
    };

    m_commands.Add({NameOf(HotKeyCommand::Prev), IDC_PREV,
                    core([](Controller& c) { c.ShowImage(Controller::ShowPrevious, true); })});
    m_commands.Add({NameOf(HotKeyCommand::Freeze), IDC_FREEZE, core([](Controller& c) { c.ToggleFreeze(); })});
    m_commands.Add({L"", ID_FREEZE_ON, core([](Controller& c) { c.SetFreeze(true); })});
    m_commands.Add({L"", ID_FREEZE_OFF, core([](Controller& c) { c.SetFreeze(false); })});
    m_commands.Add(
        {NameOf(HotKeyCommand::Next), IDC_NEXT, core([](Controller& c) { c.ShowImage(Controller::ShowNext, true); })});
    m_commands.Add({NameOf(HotKeyCommand::ShowHideDesktopIcons), ID_SHOWHIDE_DESKTOP_ICONS,
                    core([](Controller& c) { c.ToggleDesktopIconsHidden(); })});
    m_commands.Add({L"", IDC_SETUP, core([this](Controller&) { m_menus.ShowSetupMenu(m_hwnd); })});
    m_commands.Add({L"", ID_HIDE_MAIN_WINDOW, [this] { HideMainWindow(); }});
    m_commands.Add({L"", ID_SHOW_MAIN_WINDOW, [this] { ShowMainWindow(); }});
    m_commands.Add({NameOf(HotKeyCommand::ToggleMainWindow), 0, [this] { ToggleMainWindow(); }});
    m_commands.Add(
        {NameOf(HotKeyCommand::DownloadNow), ID_DOWNLOAD_NOW, core([](Controller& c) { c.DownloadImages(false); })});
    m_commands.Add({L"", ID_CHECK_UPDATE, core([](Controller& c) { c.CheckUpdate(); })});
    m_commands.Add({L"", ID_APP_ABOUT, [this] { ShowPropertySheet(kAboutPage); }});
    m_commands.Add(
        {NameOf(HotKeyCommand::ShowPropertySheet), ID_SHOW_PROPERTY_SHEET, [this] { ShowPropertySheet(kBasicPage); }});
    m_commands.Add({L"", ID_CATEGORY_MORE_OPTIONS, [this] { ShowPropertySheet(kCategoryPage); }});
    m_commands.Add({L"", ID_APP_EXIT, [this] { PostMessageW(m_hwnd, WM_CLOSE, 0, 0); }});
    m_commands.Add({NameOf(HotKeyCommand::RestoreOldWallpaper), ID_RESTORE_OLD_WALLPAPER,
                    core([](Controller& c) { c.RestoreOldWallpaper(); })});
    m_commands.Add({NameOf(HotKeyCommand::SavePicture), ID_SAVE_PICTURE, core([](Controller& c) { c.SavePicture(); })});
    m_commands.Add({NameOf(HotKeyCommand::NeverShowPicture), ID_NEVER_SHOW_PICTURE,
                    core([this](Controller& c) { NeverShowCurrentPicture(c); })});
    m_commands.Add({L"", ID_LOGIN, core([this](Controller&) { RunLoginDialog(); })});
    m_commands.Add({L"", ID_LOGOUT, core([](Controller& c) { c.Logout(); })});
    m_commands.Add({L"", IDC_STATUS_OFF, core([this](Controller&) { RunLoginDialog(); })});
    m_commands.Add({L"", IDC_STATUS_ON, core([](Controller& c) { c.Logout(); })});
    m_commands.Add({L"", ID_MANAGE_CATEGORY, core([](Controller& c) { c.ManageCategory(); })});
    m_commands.Add({L"", IDC_FAVORITES, core([this](Controller&) { m_menus.ShowFavoritesMenu(m_hwnd); })});
    m_commands.Add({L"", ID_ADD_FAVORITE, core([this](Controller& c) { AddOrDeleteFavorite(c, true); })});
    m_commands.Add({L"", ID_DELETE_FAVORITE, core([this](Controller& c) { AddOrDeleteFavorite(c, false); })});
}

CommandMenus::Sources CMainDlg::MenuSources() {
    CommandMenus::Sources sources;
    sources.state = [this] { return m_state; };
    sources.showFavorite = [this](const ImagePtr& image) {
        if (m_controller) m_controller->ShowFavoriteImage(image);
    };
    sources.showBalloon = [this](const std::wstring& text) { ShowInfo(ShowInfoBalloon, text, L""); };
    sources.saveSettings = [this] {
        if (m_controller) m_controller->SaveSettings();
    };
    return sources;
}

bool CMainDlg::OnCommand(WORD id) {
    // Escape in a dialog (IDCANCEL) is not a way out of the program.
    if (id == IDCANCEL) return true;
    // The menus' list items (quick categories, favourites, languages) come first.
    if (m_initialised && !m_closing && m_menus.OnCommand(id)) return true;
    if (m_controls.OpenLink(id)) return true;
    const Command* command = m_commands.FindById(id);
    if (!command) return false;
    command->action();
    return true;
}

void CMainDlg::RunLoginDialog() {
    // The tray menu still works while the dialog is open: one dialog at a time.
    if (m_loginOpen) return;
    LoginDialog dialog(m_settings->GetUsername(), m_settings->GetRegisterUrl());
    HWND owner = GetActiveWindow();
    m_loginOpen = true;
    const bool ok = dialog.Run(owner ? owner : m_hwnd.load());
    m_loginOpen = false;
    if (!ok) return;
    // The program may have begun to close while the dialog was open.
    if (m_initialised && !m_closing && m_controller) m_controller->Login(dialog.GetUsername(), dialog.GetPassword());
}

void CMainDlg::ShowPropertySheet(PropertyPageId start) {
    if (!m_initialised || m_closing) return;
    // One options dialog at a time: a second request brings the open one forward.
    if (m_sheet) {
        if (HWND open = m_sheet->GetWindow()) SetForegroundWindow(open);
        return;
    }
    const std::wstring tags = m_settings->GetTags();
    // Off while the dialog is open, so that the hot-key page can take any combination.
    m_hotKeys.UnregisterAll();
    CAppPropertySheet sheet(m_settings);
    AddOptionsPages(sheet, *m_settings);
    HWND owner = GetActiveWindow();
    m_sheet = &sheet;
    sheet.Run(owner ? owner : m_hwnd.load(), start);
    m_sheet = nullptr;
    // The shell's folder picker and link objects are all this thread loads: let them go now
    // rather than on a timer that would wake the idle program.
    CoFreeUnusedLibraries();
    if (m_closing) return;  // the program is ending: its hot keys are not wanted again
    // The controller restarts the download itself when it hears of the new tags.
    if (m_settings->GetTags() != tags) ShowInfo(ShowInfoBalloon, GetString(L"Balloon_DownloadForNewCategory"), L"");
    m_hotKeys.Resume();
}

// Adding needs a current image the service knows (an id above 0); deleting needs it among
// the favourites. Otherwise the user is told why nothing happens.
void CMainDlg::AddOrDeleteFavorite(Controller& controller, bool add) {
    ImagePtr image = m_state->currentImage;
    const int pid = image ? image->GetId() : 0;
    if (add ? pid <= 0 : !IsFavorite(m_state->favorites, pid)) {
        const std::wstring textId = add ? L"Prompt_CantAddFavorites" : L"Prompt_CantDelFavorites";
        ShowInfo(ShowInfoMessage, GetString(textId), GetString(textId + L"_Title"));
        return;
    }
    if (add)
        controller.AddFavorite(pid);
    else
        controller.DeleteFavorite(pid);
}

void CMainDlg::HideMainWindow() { ShowWindow(m_hwnd, SW_HIDE); }

void CMainDlg::ToggleMainWindow() {
    if (!IsWindowVisible(m_hwnd) || IsGhosted(m_hwnd)) {
        ShowMainWindow();
    } else {
        HideMainWindow();
    }
}

// A favourite is the user's own choice: it goes only when the user says so.
void CMainDlg::NeverShowCurrentPicture(Controller& controller) {
    const ImagePtr current = m_state->currentImage;
    if (current && IsFavorite(m_state->favorites, current->GetId()) &&
        ShowMessageBox(m_hwnd, GetString(L"Prompt_NeverShowFavorite"), GetString(L"Prompt_Default_Title"),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    controller.NeverShowCurrent();
}
