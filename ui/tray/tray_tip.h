#pragma once
// The notification icon's tip when nothing is in progress: the program's name, the picture
// shown, what holds the wallpaper changes back, whether the service is away, and when new
// wallpapers last came.
#include <cstdint>
#include <string>

#include "app/controller_state.h"

// The tip for the state at now (seconds since 1970), in the program's language; lines that
// would not fit the shell's 127 characters are left out, the least telling first.
std::wstring TrayTipText(const ControllerState& state, std::int64_t now);

// "today 14:05", "yesterday 09:12", else the user's short date and the time, in the user's
// formats and the program's language.
std::wstring WhenText(std::int64_t time, std::int64_t now);
