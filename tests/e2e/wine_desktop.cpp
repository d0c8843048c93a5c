#include "e2e/wine_desktop.h"

#include <commctrl.h>

#include <ctime>
#include <memory>

#include "base/file_io.h"
#include "base/utf8.h"
#include "config/version_table.h"
#include "desktop/shell/wallpaper_state.h"
#include "store/package_file.h"
#include "store/picture.h"
#include "support/test_support.h"

namespace {

using SetThreadDpiAwarenessContextFn = void*(WINAPI*)(void*);
// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE
void* const kPerMonitorAware = reinterpret_cast<void*>(static_cast<INT_PTR>(-3));

SetThreadDpiAwarenessContextFn SetThreadAwareness() {
    return reinterpret_cast<SetThreadDpiAwarenessContextFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
}

// Wine starts a host program without waiting for it and hands back no handle that ends with
// it, so the host shell writes the script's exit code into a file under /tmp polled here.
bool RunOnHost(const std::string& script) {
    static int count = 0;
    const std::string name = "kestrane-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    const Path marker(L"Z:\\tmp\\" + std::wstring(name.begin(), name.end()));
    marker.Remove();
    const std::string wrapped = "(" + script + "); echo $? > /tmp/" + name;
    std::wstring commandLine = L"Z:\\bin\\sh -c \"" + std::wstring(wrapped.begin(), wrapped.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    std::string code;
    WaitUntil([&] { return !(code = ReadAll(marker)).empty(); }, 10);
    marker.Remove();
    return code.rfind("0\n", 0) == 0;
}

}  // namespace

bool WineDesktop::XDoTool(const std::string& arguments) const { return RunOnHost("xdotool " + arguments); }

bool WineDesktop::SaveScreen(const RECT& box, const std::string& hostPath) const {
    const std::string geometry = std::to_string(box.right - box.left) + "x" + std::to_string(box.bottom - box.top) +
                                 "+" + std::to_string(box.left) + "+" + std::to_string(box.top);
    return RunOnHost("import -window root -crop " + geometry + " +repage " + hostPath);
}

std::string WineDesktop::ScreenBytes(const RECT& box) const {
    static int count = 0;
    const std::string name = "kestrane-screen-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    if (!SaveScreen(box, "-depth 8 rgb:/tmp/" + name)) return {};
    const Path file(L"Z:\\tmp\\" + std::wstring(name.begin(), name.end()));
    std::string bytes = ReadAll(file);
    file.Remove();
    return bytes;
}

ScreenDpi::ScreenDpi(DWORD dpi) {
    for (Saved& saved : m_saved) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(saved.root, saved.key, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            continue;
        DWORD size = sizeof(saved.value), type = 0;
        saved.present = RegQueryValueExW(key, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&saved.value),
                                         &size) == ERROR_SUCCESS &&
                        type == REG_DWORD;
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
        RegCloseKey(key);
    }
    if (SetThreadDpiAwarenessContextFn set = SetThreadAwareness()) m_previousAwareness = set(kPerMonitorAware);
}

ScreenDpi::~ScreenDpi() {
    for (const Saved& saved : m_saved) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(saved.root, saved.key, 0, KEY_WRITE, &key) != ERROR_SUCCESS) continue;
        if (saved.present)
            RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved.value),
                           sizeof(saved.value));
        else
            RegDeleteValueW(key, L"LogPixels");
        RegCloseKey(key);
    }
    if (SetThreadDpiAwarenessContextFn set = SetThreadAwareness())
        if (m_previousAwareness) set(m_previousAwareness);
}

std::optional<std::string> WallpaperBytes() { return ReadFileBytes(GetWallpaperPath(), 64u << 20); }

bool WallpaperChangesFrom(const std::optional<std::string>& before, int seconds) {
    return WaitUntil(
        [&] {
            std::optional<std::string> now = WallpaperBytes();
            return now && (!before || *now != *before);
        },
        seconds);
}

bool WineDesktop::BalloonShown() const {
    bool shown = false;
    Run([&] {
        for (HWND tip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tip && !shown;
             tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr))
            shown = IsWindowVisible(tip) && (GetWindowLongW(tip, GWL_STYLE) & TTS_BALLOON);
    });
    return shown;
}

bool OwnWallpaperAndThreeStoredPictures(const ProgramFolder& folder, const std::wstring& serviceUrl,
                                        std::int64_t lastDownload) {
    if (!SetDesktopWallpaper(L"0", L"1", GetWallpaperPath().str())) return false;
    GetWallpaperPath().Remove();
    return StorePictures(folder, {RGB(200, 30, 30), RGB(30, 200, 30), RGB(30, 30, 200)}, serviceUrl, {640, 480},
                         lastDownload);
}

bool StorePictures(const ProgramFolder& folder, std::initializer_list<COLORREF> colours, const std::wstring& serviceUrl,
                   SIZE size, std::int64_t lastDownload) {
    if (!(folder.path() / L"data").CreateDirectories()) return false;
    int n = 0;
    for (COLORREF colour : colours) {
        Picture picture;
        Bytes bytes;
        if (!picture.Create(size.cx, size.cy, colour)) return false;
        if (!picture.SaveToBytes(bytes)) return false;
        const std::wstring name = L"picture" + std::to_wstring(++n) + L".jpg";
        auto image = std::make_shared<Image>(n, folder.path() / L"data" / MakePackageFileName(name), name, L"");
        if (!WritePackage(image, bytes, image->GetPath())) return false;
    }
    WriteAll(folder.Config(), "<?xml version=\"1.0\"?><TovarinSetting><Version>" + ToUtf8(GetProgramVersion()) +
                                  "</Version><ChangeFrequency>1"
                                  "</ChangeFrequency><LastDownloadTime>" +
                                  std::to_string(lastDownload < 0 ? time(nullptr) : lastDownload) +
                                  "</LastDownloadTime><ServiceUrl>" +
                                  ToUtf8(serviceUrl) + "</ServiceUrl></TovarinSetting>");
    return true;
}
