#pragma once
// The commands a hot key may start, in the order the main window registers them; their
// names are those config.xml keeps the keys under.
#include <iterator>

enum class HotKeyCommand {
    Prev,
    Freeze,
    Next,
    ShowHideDesktopIcons,
    ToggleMainWindow,
    DownloadNow,
    ShowPropertySheet,
    RestoreOldWallpaper,
    NeverShowPicture,
    SavePicture
};

inline constexpr const wchar_t* kHotKeyCommandNames[] = {L"Prev",
                                                         L"Freeze",
                                                         L"Next",
                                                         L"ShowHideDesktopIcons",
                                                         L"ToggleMainWindow",
                                                         L"DownloadNow",
                                                         L"ShowPropertySheet",
                                                         L"RestoreOldWallpaper",
                                                         L"NeverShowPicture",
                                                         L"SavePicture"};
inline constexpr int kHotKeyCommandCount = static_cast<int>(std::size(kHotKeyCommandNames));
static_assert(kHotKeyCommandCount == static_cast<int>(HotKeyCommand::SavePicture) + 1);

constexpr const wchar_t* NameOf(HotKeyCommand command) { return kHotKeyCommandNames[static_cast<int>(command)]; }
