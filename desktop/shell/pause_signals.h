#pragma once
// What the system tells about the moments a wallpaper change would disturb: a program running
// full screen (a game, a video, a presentation), and a battery that is low or saving.
#include <windows.h>

// The shell's busy, full-screen Direct3D or presentation state; where the shell says nothing
// of the kind (before Vista, or under Wine), the foreground window of another program
// covering its whole monitor without a title bar.
bool FullScreenProgramRunning();

// On battery with the battery saver on, or below 20 %. A machine without a battery, on mains
// power, or whose charge is unknown never asks.
bool BatteryAsksForPause(const SYSTEM_POWER_STATUS& status);
bool BatteryAsksForPause();
