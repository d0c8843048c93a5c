// The main window moved to a monitor of another DPI: it takes the place Windows suggests and
// its skin drawn for the new DPI.
#include "base/debug_log.h"
#include "base/dpi.h"
#include "ui/main_window/main_dlg.h"
#include "ui/main_window/main_layout.h"

void CMainDlg::OnDpiChanged(int dpi, const RECT& suggested) {
    SetWindowPos(m_hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // A skin that cannot be read now keeps the face it has: logged, no box in the user's way.
    std::optional<MainLayout> layout = LoadMainLayout(
        m_hwnd, *m_settings, [](const std::wstring& text, const std::wstring&) { DebugLog(text + L"\n"); }, dpi);
    if (layout) PlaceSkin(*layout);
    m_controls.ScaleTooltips(dpi);
    Repaint();
}
