#pragma once
// The main window's skin, from the "layout_main" document (desktop/skin/main_layout_document.h
// describes the document and the model).
//
// LoadMainLayout applies what belongs to the window as a whole: the client area takes the
// layout's size and "oem" goes to the settings as the partner id. The window then applies
// the rest of the returned model:
//   - background: keep it; on WM_ERASEBKGND copy it opaque to the client origin;
//   - transparentColor: when present, the layered window's colour key (with the alpha of
//     the ghost state);
//   - controls: in order, each to its target by name (MainLayout::Control lists them);
//     the buttons take their bitmaps out of the model;
//   - links: a link-mode skin button each, command ids MainLayout::kFirstLinkId upwards;
//   - then the tooltips (the language-changed handler, once) and the Tags button disabled.
// When the window moves to a monitor of another DPI (WM_DPICHANGED) it takes the rectangle
// Windows suggests and applies the layout again for the new DPI (CMainDlg::PlaceSkin).
#include <windows.h>

#include <optional>

#include "config/settings.h"
#include "desktop/skin/main_layout_document.h"

// The model is for dpi, or for the window's own DPI when dpi is 0 (the skin is drawn for it).
// Empty after a failure, already reported in a "Fatal Error" box: start-up must end.
std::optional<MainLayout> LoadMainLayout(HWND window, Settings& settings, const LayoutErrorReport& report = nullptr,
                                         int dpi = 0);
// The same with the program's settings.
inline std::optional<MainLayout> LoadMainLayout(HWND window) { return LoadMainLayout(window, *Settings::Get()); }
