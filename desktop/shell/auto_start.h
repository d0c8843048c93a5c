#pragma once
// Shortcuts, and the one in the user's Startup folder that starts the program at logon.
#include <optional>
#include <string>

#include "base/path.h"

struct ShortcutSpec {
    std::wstring target;
    Path link;
    std::optional<std::wstring> arguments;
    std::wstring description;
    int showCommand = 0;  // set only when above 0
    std::wstring workingDirectory;
    std::wstring iconPath;
    int iconIndex = 0;
};

// E_INVALIDARG without a target or link, or with a negative show command or icon index.
long CreateShortcut(const ShortcutSpec& shortcut);

// The shortcut's place: the Startup folder, named after the executable with ".lnk".
Path GetAutoStartShortcutPath();
bool IsAutoStartEnabled();
void SetAutoStartEnabled(bool on);
