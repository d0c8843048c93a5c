#pragma once
// A Wine desktop of its own, shown as a window on the X display, as scripts/run starts the
// program: Wine paints the wallpaper there, so what a user sees can be read back, and the
// display's own tools (xdotool) can click and type on it.
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/kestrane_process.h"

template <typename Condition>
bool WaitUntil(Condition condition, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (condition()) return true;
        Sleep(100);
    }
    return condition();
}

// The screen's DPI for programs started while this lives: Wine reads it from the registry
// ("LogPixels", the user's setting, and the configuration's copy) when a process starts. All
// tests share one prefix, so the old values come back when this ends, however the test ends.
// The calling thread meanwhile measures windows in real pixels (per-monitor aware), as xdotool
// and the screen do.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi);
    ~ScreenDpi();
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;

private:
    struct Saved {
        HKEY root;
        const wchar_t* key;
        bool present = false;
        DWORD value = 0;
    };
    Saved m_saved[2] = {{HKEY_CURRENT_USER, L"Control Panel\\Desktop"}, {HKEY_CURRENT_CONFIG, L"Software\\Fonts"}};
    void* m_previousAwareness = nullptr;
};

// The bytes of the wallpaper bitmap Kestrane writes; nothing while there is none.
std::optional<std::string> WallpaperBytes();
// Waits until the wallpaper bitmap differs from the one given.
bool WallpaperChangesFrom(const std::optional<std::string>& before, int seconds);

class ProgramFolder;
// A program folder with stored pictures, one colour each, a change every minute, and the last
// download at lastDownload (seconds since 1970; by default now, so the cycle runs without the
// service). False when something could not be written.
bool StorePictures(const ProgramFolder& folder, std::initializer_list<COLORREF> colours,
                   const std::wstring& serviceUrl = L"http://127.0.0.1:9/", SIZE size = {640, 480},
                   std::int64_t lastDownload = -1);
// Our own wallpaper already on the desktop (so no question about the user's one), none written
// yet, and three stored pictures of different colours, as StorePictures makes them.
bool OwnWallpaperAndThreeStoredPictures(const ProgramFolder& folder,
                                        const std::wstring& serviceUrl = L"http://127.0.0.1:9/",
                                        std::int64_t lastDownload = -1);

class WineDesktop {
public:
    static constexpr int kWidth = 640, kHeight = 480;

    explicit WineDesktop(int width = kWidth, int height = kHeight) : m_width(width), m_height(height) {}
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Starts the program on the desktop through Wine's explorer; false when the desktop
    // does not come up.
    bool Start(const Path& program) {
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        const std::wstring size = std::to_wstring(m_width) + L"x" + std::to_wstring(m_height);
        if (!m_shell.Start(Path(windows) / L"explorer.exe",
                           L"/desktop=KestraneE2E," + size + L" \"" + program.str() + L"\""))
            return false;
        return WaitUntil(
            [&] {
                HDESK desktop = OpenDesktopW(L"KestraneE2E", 0, FALSE, GENERIC_ALL);
                return desktop && CloseDesktop(desktop);
            },
            20);
    }

    // Runs the call on a thread of this desktop (windows, screen and metrics are its own).
    // Each thread opens the desktop itself: Wine closes a thread's desktop handle when the
    // thread ends.
    template <typename Call>
    void Run(Call call) const {
        std::thread worker([&] {
            if (SetThreadDesktop(OpenDesktopW(L"KestraneE2E", 0, FALSE, GENERIC_ALL))) call();
        });
        worker.join();
    }

    // Starts Kestrane on the desktop and takes charge of its process; its main window, or null
    // when it does not come up.
    HWND StartKestrane(const Path& program, ChildProcess& kestrane) {
        HWND window = nullptr;
        if (!Start(program) || !WaitUntil([&] { return (window = Find(L"KestraneMainDialog")) != nullptr; }, 20))
            return nullptr;
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        return kestrane.Attach(processId) ? window : nullptr;
    }

    // The colours the screen shows at the points.
    std::vector<COLORREF> Pixels(const std::vector<POINT>& points) const {
        std::vector<COLORREF> colours;
        Run([&] {
            HDC screen = GetDC(nullptr);
            for (const POINT& p : points) colours.push_back(GetPixel(screen, p.x, p.y));
            ReleaseDC(nullptr, screen);
        });
        return colours;
    }

    // A top-level window of the class on this desktop, shown or not yet; null when none.
    HWND Find(const wchar_t* className) const {
        HWND found = nullptr;
        Run([&] { found = FindWindowW(className, nullptr); });
        return found;
    }

    // A visible top-level window of the class on this desktop (null when none comes).
    HWND WaitForWindow(const wchar_t* className, DWORD processId, DWORD timeoutMs) const {
        HWND found = nullptr;
        Run([&] { found = ::WaitForWindow(className, processId, timeoutMs); });
        return found;
    }

    // Whether a balloon is shown: a visible tool-tip window with the balloon style.
    bool BalloonShown() const;

    // Whether the window is shown; only a thread of its desktop can tell.
    bool IsVisible(HWND window) const {
        bool visible = false;
        Run([&] { visible = IsWindowVisible(window) != FALSE; });
        return visible;
    }

    // Runs xdotool on the X display with the arguments (desktop coordinates are the display's:
    // the desktop's window sits at its origin); true when it ended with 0.
    bool XDoTool(const std::string& arguments) const;
    // What the X display shows in the box, as the window manager composes it (layered windows
    // included, which the desktop's own device context leaves out): RGB bytes, empty on failure.
    std::string ScreenBytes(const RECT& box) const;
    // Saves what the display shows in the box as a picture file (a host path; the format
    // follows its extension).
    bool SaveScreen(const RECT& box, const std::string& hostPath) const;

private:
    int m_width, m_height;
    ChildProcess m_shell;
};
