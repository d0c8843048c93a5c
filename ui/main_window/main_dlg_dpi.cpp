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
    if (layout) ApplySkinForDpi(*layout);
    m_controls.ScaleTooltips(dpi);
    Repaint();
}

// The controls exist already: only their pictures and places change.
void CMainDlg::ApplySkinForDpi(MainLayout& layout) {
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
