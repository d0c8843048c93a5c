#pragma once
// The real Kestrane.exe, run as a user would: its own program folder with a few stored
// packages and a config.xml that names an unreachable service, so nothing is downloaded
// and the stored packages are the list.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "base/handles.h"
#include "base/path.h"
#include "config/wallpaper_description.h"

class KestraneRun {
public:
    using Settings = std::vector<std::pair<const char*, std::wstring>>;  // config.xml elements

    // Packages of width x height pictures, each a colour with a band of stripes in another;
    // settings are config.xml elements beyond the version and the service address.
    KestraneRun(int packages, int width, int height, const Settings& settings = {});
    // Ends the program if it still runs, removes the folder and puts the wallpaper back.
    ~KestraneRun();
    KestraneRun(const KestraneRun&) = delete;
    KestraneRun& operator=(const KestraneRun&) = delete;

    // Starts Kestrane.exe (with WINEDEBUG set to wineDebug when given) and waits for its
    // main window.
    bool Start(const wchar_t* wineDebug = nullptr);
    void Command(WORD id) const { PostMessageW(m_window, WM_COMMAND, id, 0); }
    // WM_CLOSE, then prints how the program ended (its exit code, or that it had not
    // ended within timeoutMs).
    void Close(DWORD timeoutMs);

    HANDLE Process() const { return m_process.get(); }
    DWORD ProcessId() const { return m_processId; }
    int LinuxPid() const { return m_linuxPid; }  // 0 when not found

private:
    Path m_folder;
    Path m_executable;
    WallpaperDescription m_savedWallpaper;
    UniqueHandle m_process;
    DWORD m_processId = 0;
    HWND m_window = nullptr;
    int m_linuxPid = 0;
};

// The last-write time of the wallpaper bitmap Kestrane writes (0 when there is none).
ULONGLONG WallpaperWriteTime();
// Polls every few milliseconds until that time differs from before; false on time-out.
bool WaitForWallpaperChange(ULONGLONG before, DWORD timeoutMs);

// "12.3 MB" and the like, for the benchmarks' output.
std::string Megabytes(double bytes);
