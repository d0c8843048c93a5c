#pragma once
// What the options sheet edits: the settings' values as they were when it opened, and the
// auto-start box. Apply and OK store in one batch what the sheet changed, so that Cancel leaves
// the settings untouched, the program reacts once, and a change made elsewhere while the sheet
// is open (a quick category from the tray menu, a freeze, a sign-in) is not undone by them.
#include "config/settings.h"

struct OptionsDraft : Settings::Values {
    bool autoStart = false;  // the Startup-folder shortcut, not a value of config.xml

    static OptionsDraft Read(const Settings& settings);
    // Stores each value that differs from what the draft read (or last committed); the setters
    // keep their rules and an unchanged value tells nobody. Saves config.xml when a value changed
    // or the last save failed, and sets the auto-start shortcut when its box changed. False when
    // config.xml could not be written: the values are in effect all the same.
    bool Commit(Settings& settings);

private:
    Settings::Values m_read;  // what the sheet started from: a value that differs was changed on it
    bool m_unsaved = false;
};
