#pragma once
// The skin of the main window, built from the "layout_main" document.
// Placeholder: the skin work loads it; until then the window keeps its plain dialog face
// and loading always succeeds.
#include <windows.h>

inline bool LoadMainLayout(HWND) { return true; }
