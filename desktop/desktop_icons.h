#pragma once
// The desktop's icon view, found by its window classes.
struct HWND__;
typedef HWND__* HWND;

// The "SysListView32" under "SHELLDLL_DefView" under "Progman" or "WorkerW"; null when the
// shell shows none (Wine's desktop, for one).
HWND FindDesktopIconView();

// Placeholder: the shell integration work sets the icon labels' background here.
void SetIconTextTransparent(bool transparent);
