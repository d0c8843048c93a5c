#pragma once
// The shortcut in the user's Startup folder that starts the program at logon.
// Placeholder: the shell integration work builds it; until then auto-start is off.
bool IsAutoStartEnabled();
void SetAutoStartEnabled(bool on);
