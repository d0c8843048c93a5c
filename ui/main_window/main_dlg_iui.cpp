// The main window's IUI: timers, the posted-call queue and the reports of the core.
#include <ctime>

#include "base/localization.h"
#include "config/settings.h"
#include "ui/main_window/main_dlg.h"
#include "ui/tray/tray_tip.h"

void CMainDlg::PostCall(Callback call) { m_calls.Post(m_hwnd, kRunPostedCallMessage, std::move(call)); }

unsigned CMainDlg::SetTimer(unsigned periodMs, Callback callback) {
    if (periodMs == 0 || !callback || !WindowExists()) return 0;
    unsigned id = m_timers.NextFreeId();
    if (!::SetTimer(m_hwnd, id, periodMs, nullptr)) return 0;
    m_timers.Add(id, std::move(callback));
    return id;
}

void CMainDlg::KillTimer(unsigned id) {
    if (m_timers.Remove(id) && WindowExists()) ::KillTimer(m_hwnd, id);
}

bool CMainDlg::ResetTimer(unsigned id, unsigned periodMs) {
    if (!m_timers.Contains(id) || !WindowExists()) return false;
    return ::SetTimer(m_hwnd, id, periodMs, nullptr) != 0;
}

void CMainDlg::RequestExit() {
    HWND window = m_hwnd;
    if (window) PostMessageW(window, kCoreStoppedMessage, 0, 0);
}

void CMainDlg::UpdateState(ControllerStatePtr state) {
    if (!IsUiThread()) return PostCall([this, state] { UpdateState(state); });
    if (!state) return;
    m_state = std::move(state);
    // The first state comes from Init, before the skin: OnInitDialog shows it once the controls are there.
    if (!WindowExists() || !m_initialised) return;
    RefreshControls();
    ShowStatusTip();
    if (m_heldBalloon && !m_state->pausedForFullScreen) {
        m_tray.ShowBalloon(*m_heldBalloon, L"", NIIF_NONE, 10000);
        m_heldBalloon.reset();
    }
}

void CMainDlg::ShowStatusTip() { m_tray.SetTip(TrayTipText(*m_state, std::time(nullptr))); }

void CMainDlg::ShowProgress(int percent, const std::wstring& text) {
    if (!IsUiThread()) return PostCall([this, percent, text] { ShowProgress(percent, text); });
    if (!WindowExists()) return;
    if (percent < 0) {
        ShowInfo(ShowInfoTip, L"", L"");
        m_progress.Show(false);
        RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return;
    }
    m_progress.Show(true);
    m_progress.SetPercent(percent);
    ShowInfo(ShowInfoTip, text.empty() ? FormatString(L"%1%%", {std::to_wstring(percent)}) : text, L"");
}

void CMainDlg::ShowInfo(ShowInfoType type, const std::wstring& text, const std::wstring& title) {
    if (!IsUiThread() || !m_initialised) return PostCall([this, type, text, title] { ShowInfo(type, text, title); });
    if (!WindowExists()) return;
    switch (type) {
        case ShowInfoBalloon:
            m_balloonFile = Path();
            // A game, a film or a talk is not interrupted: the balloon waits for its end.
            if (m_state->pausedForFullScreen)
                m_heldBalloon = text;
            else
                m_tray.ShowBalloon(text, L"", NIIF_NONE, 10000);
            break;
        case ShowInfoMessage:
            ShowMessageBox(m_hwnd, text, title.empty() ? GetString(L"MainWindowTitle") : title, MB_OK);
            break;
        case ShowInfoTip:
        default:
            if (text.empty()) {
                ShowStatusTip();
            } else {
                m_tray.SetTip(text);
                ::SetTimer(m_hwnd, kTipTimer, 30, nullptr);
            }
            break;
    }
}

void CMainDlg::ConfirmInstallUpdate(const VersionInfo& info, bool verified, Callback install) {
    if (!IsUiThread())
        return PostCall([this, info, verified, install] { ConfirmInstallUpdate(info, verified, install); });
    if (!WindowExists() || m_closing) return;
    if (verified && m_settings->GetSlientUpdate()) {
        if (install) install();
        return;
    }
    ShowWindow(m_hwnd, SW_SHOW);
    SetFocus(m_hwnd);
    const std::wstring title = GetString(L"Prompt_Default_Title");
    // It comes unasked, while the user works in another program: on top, not behind.
    if (verified) {
        ShowMessageBox(m_hwnd, FormatString(GetString(L"Prompt_InstallUpdateConfirm"), {info.Version}), title,
                       MB_OK | MB_TOPMOST);
    } else if (ShowMessageBox(m_hwnd, FormatString(GetString(L"Prompt_InstallUpdateUnverified"), {info.Version}), title,
                              MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TOPMOST) != IDYES) {
        return;
    }
    // The program may have begun closing while the box was open.
    if (install && !m_closing) install();
}

void CMainDlg::PictureSaved(const Path& file) {
    if (!IsUiThread() || !m_initialised) return PostCall([this, file] { PictureSaved(file); });
    if (!WindowExists()) return;
    ShowInfo(ShowInfoBalloon, FormatString(GetString(L"Balloon_PictureSaved"), {file.str()}), L"");
    m_balloonFile = file;
}
