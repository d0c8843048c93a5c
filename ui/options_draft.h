#pragma once
// What the options sheet edits: a copy of every setting a user may change there, read when
// the sheet opens and committed in one batch on Apply or OK, so that Cancel leaves the
// settings untouched and the program reacts once to what changed.
#include <cstdint>
#include <string>

#include "config/settings.h"

struct OptionsDraft {
    // Basic
    int changeFrequency = 0;    // minutes
    int downloadFrequency = 0;  // hours
    bool autoStart = false;     // the Startup-folder shortcut, not a value of config.xml
    bool autoUpdate = false;
    bool slientUpdate = false;
    int transparent = 0;  // the main window's alpha
    bool useLocalImage = false;
    bool shuffleLocalImage = false;
    int localImageInterval = 0;
    std::wstring localImagePath;
    // Desktop and template
    int frameType = 0;
    std::uint32_t frameColor = 0;
    bool useTemplate = false;
    std::wstring templateName;
    int stretchPercent = 0;
    bool desktopTextBkTransparent = false;
    // Category
    std::wstring tags;
    // Hot keys
    Settings::HotKeyMap hotKeys;
    // Connection
    std::wstring proxyType, proxyServer, proxyUsername, proxyPassword;

    static OptionsDraft Read(const Settings& settings);
    // Stores every value in one batch (the setters keep their rules; an unchanged value tells
    // nobody), saves config.xml when a value changed, and sets the auto-start shortcut when
    // its box changed.
    void Commit(Settings& settings) const;
};
