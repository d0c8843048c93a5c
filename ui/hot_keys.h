#pragma once
// Global hot keys of the main window.
// Placeholder: the commands and hot-keys work registers them; until then there are none.
#include <windows.h>

inline void RegisterHotKeys(HWND) {}
inline void UnregisterHotKeys(HWND) {}
