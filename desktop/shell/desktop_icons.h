#pragma once
// The desktop's icon view and the background of its labels.
struct HWND__;
typedef HWND__* HWND;

// The "SysListView32" under "SHELLDLL_DefView" under "Progman" or "WorkerW"; null when the
// shell shows none (Wine's desktop, for one).
HWND FindDesktopIconView();

// Shows or hides the icon view; false when there is none. The view belongs to the shell's
// process: the user-interface thread must not wait for it (a hung shell would hang us), so
// only a job thread, which the exit watchdog covers, asks to wait.
enum class IconViewWait { No, Yes };
bool ShowDesktopIconView(bool visible, IconViewWait wait = IconViewWait::No);

// Transparent (shadowed) or solid icon labels. Newer systems keep the choice in the
// "ListviewShadow" value and re-read it on a settings broadcast; older ones get it told to
// the icon view directly.
void SetIconTextTransparent(bool transparent);
