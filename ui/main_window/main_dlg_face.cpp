// The main window's face: the skin's controls and background, the fade while the user is
// elsewhere, the progress strip, display changes and language changes.
#include "app/controller.h"
#include "base/localization.h"
#include "config/settings.h"
#include "desktop/shell/wallpaper_state.h"
#include "ui/main_window/main_dlg.h"
#include "ui/main_window/main_layout.h"

void CMainDlg::SetGhost(bool ghost) {
    if (ghost == m_ghost) return;
    m_ghost = ghost;
    ApplyLayeredAttributes();
}

void CMainDlg::ApplyLayeredAttributes() {
    // Alpha 1, not 0, for a ghost: the window stays a layered window, only practically invisible.
    const BYTE alpha = m_ghost ? 1 : static_cast<BYTE>(m_settings->GetTransparent());
    if (m_hasKeyColour)
        SetLayeredWindowAttributes(m_hwnd, m_keyColour, alpha, LWA_COLORKEY | LWA_ALPHA);
    else
        SetLayeredWindowAttributes(m_hwnd, 0, alpha, LWA_ALPHA);
    Repaint();
}

// Wine drops a layered window's picture when the attributes or the wallpaper under it change,
// and shows nothing until the window paints again; on Windows this is one small repaint.
void CMainDlg::Repaint() {
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME | RDW_UPDATENOW);
}

// Follows the cursor, the focus and the foreground window instead of looking at them on a
// timer, so the idle program sleeps.
void CMainDlg::StartGhostTracking() {
    GhostTracker::Actions actions;
    actions.setGhost = [this](bool ghost) { SetGhost(ghost); };
    actions.post = [this](std::function<void()> call) { PostCall(std::move(call)); };
    m_ghostTracker.Attach(m_hwnd, std::move(actions));
    m_ghostTracker.OnActivation();
}

void CMainDlg::RememberDisplay() { m_monitors = SystemMonitors(); }

void CMainDlg::OnDisplayChange() {
    const wallpaper_layout::Monitors before = m_monitors;
    RememberDisplay();
    const bool changed = !(before == m_monitors);
    if (!m_initialised) return;
    // A window that the change left off every monitor (one may have gone) comes back to the
    // nearest one.
    RECT window{};
    GetWindowRect(m_hwnd, &window);
    if (PlaceWindow(POINT{window.left, window.top})) m_controller->SaveSettings();
    // The wallpaper is composed for the monitors: a monitor more or less, a new size or a
    // moved task bar needs a new one.
    if (changed) m_controller->ShowImage(Controller::ShowCurrent, true);
}

void CMainDlg::OnLanguageChanged() {
    m_controls.Retext();
    SetWindowTextW(m_hwnd, GetString(L"MainWindowTitle").c_str());
    ShowInfo(ShowInfoTip, L"", L"");
    // The caption names the category in the program's language.
    if (m_settings->GetShowCaption()) m_controller->ShowImage(Controller::ShowCurrent, false);
}

void CMainDlg::RefreshControls() {
    Repaint();  // UpdateState follows every change of the wallpaper
    if (SkinButton* freeze = m_controls.Find(L"Freeze")) freeze->SetPressed(m_state->frozen);
    if (SkinButton* icons = m_controls.Find(L"ShowHideDesktopIcons")) icons->SetPressed(m_state->desktopIconsHidden);
    const bool signedIn = m_state->loginState == Settings::kLoggedIn;
    SkinButton* on = m_controls.Find(L"StatusOn");
    SkinButton* off = m_controls.Find(L"StatusOff");
    // Exactly one of the two lights, when the skin shows them at all.
    if (on && off && (m_skinned.count(on) || m_skinned.count(off))) {
        on->Show(signedIn);
        off->Show(!signedIn);
    }
}

BOOL CMainDlg::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType == ODT_BUTTON && m_controls.Draw(item, m_background.get())) return TRUE;
    if (item.CtlID == ProgressStrip::kBarId) {
        m_progress.Draw(item);
        return TRUE;
    }
    return FALSE;
}

BOOL CMainDlg::OnEraseBackground(HDC dc) {
    if (!m_background) return FALSE;
    UniqueMemoryDc source(CreateCompatibleDC(dc));
    ScopedSelect select(source.get(), m_background.get());
    RECT client{};
    GetClientRect(m_hwnd, &client);
    BitBlt(dc, 0, 0, client.right, client.bottom, source.get(), 0, 0, SRCCOPY);
    SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

// The layout's model onto the window: background, key colour, buttons, progress strip,
// links; then the tooltips, and the Tags button disabled.
bool CMainDlg::ApplySkin(MainLayout& layout) {
    if (!m_controls.Create(m_hwnd) || !m_progress.Create(m_hwnd)) return false;
    m_hasKeyColour = layout.transparentColor.has_value();
    m_keyColour = layout.transparentColor.value_or(0);
    for (MainLayout::Control& control : layout.controls) {
        if (control.Is(L"ProgressBar")) {
            m_progress.SetColour(control.color);
        } else if (SkinButton* button = m_controls.Find(control.name)) {
            button->Show(true);
            m_skinned.insert(button);
        }
    }
    for (MainLayout::Link& link : layout.links)
        if (SkinButton* button = m_controls.AddLink(m_settings->ResolveServiceLink(link.url), link.tooltip))
            button->Show(true);
    PlaceSkin(layout);
    ApplyLayeredAttributes();
    m_progress.Show(false);
    OnLanguageChanged();
    if (SkinButton* tags = m_controls.Find(L"Tags")) EnableWindow(tags->GetHwnd(), FALSE);
    return true;
}

// The layout's pictures and places onto the controls ApplySkin made: at start-up, and again
// for another DPI.
void CMainDlg::PlaceSkin(MainLayout& layout) {
    m_background = std::move(layout.background);
    for (MainLayout::Control& control : layout.controls) {
        if (control.Is(L"ProgressBar")) {
            m_progress.PlaceBar(control.Rect());
        } else if (control.Is(L"ProgressBarFrame")) {
            m_progress.PlaceFrame(POINT{control.left, control.top}, SIZE{control.width, control.height},
                                  control.bitmap.release());
        } else if (SkinButton* button = m_controls.Find(control.name)) {
            button->SetBitmap(control.bitmap.release(), control.transparentColor.has_value(),
                              control.transparentColor.value_or(0));
            button->Place(control.Rect());
        }
    }
    for (size_t i = 0; i < layout.links.size(); ++i) {
        MainLayout::Link& link = layout.links[i];
        SkinButton* button = m_controls.FindById(static_cast<WORD>(MainLayout::kFirstLinkId + i));
        if (!button) continue;
        button->SetBitmap(link.bitmap.release(), link.transparentColor.has_value(), link.transparentColor.value_or(0));
        button->Place(link.Rect());
    }
}
