#include "kestrane_run.h"

#include <cstdio>

#include "base/file_io.h"
#include "base/xml.h"
#include "config/version_table.h"
#include "desktop/shell/wallpaper_state.h"
#include "process_figures.h"
#include "store/package_file.h"
#include "store/picture.h"

namespace {

// Kestrane.exe sits one folder above the benchmarks.
Path BuiltKestrane() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return Path(self).Parent().Parent() / L"Kestrane.exe";
}

// BMP bytes of a picture in one colour with a diagonal band of stripes in another, so that
// every package looks different and scaling has edges to work on.
Bytes PatternBmp(int width, int height, COLORREF background, COLORREF stripe) {
    Picture picture;
    Bytes bytes;
    if (!picture.Create(width, height, background)) return bytes;
    UniqueBrush brush(CreateSolidBrush(stripe));
    for (int x = 0; x < width; x += 40) {
        RECT band{x, x * height / width, x + 20, x * height / width + height / 4};
        FillRect(picture.GetDC(), &band, brush.get());
    }
    picture.SaveToBytes(bytes);
    return bytes;
}

void WritePackages(const Path& data, int packages, int width, int height) {
    static const COLORREF kColours[] = {RGB(200, 40, 40),  RGB(40, 160, 60),  RGB(40, 70, 200),
                                        RGB(220, 200, 40), RGB(150, 60, 170), RGB(30, 170, 180)};
    data.CreateDirectories();
    for (int i = 0; i < packages; ++i) {
        COLORREF colour = kColours[i % 6];
        Bytes bmp = PatternBmp(width, height, colour, RGB(255 - GetRValue(colour), 255 - GetGValue(colour), 255));
        std::wstring url = L"bench/" + std::to_wstring(i) + L".bmp";
        auto image = std::make_shared<Image>(i + 1, data / MakePackageFileName(url), url, L"http://127.0.0.1:9/");
        image->SetSize(width, height);
        image->SetOrder(i);
        if (!WritePackage(image, bmp, image->GetPath())) std::printf("could not write package %d\n", i);
    }
}

// Not a first run: config.xml of this version, a service nobody answers at, and the user's
// own wallpaper recorded already, so that no question about it holds up the cycle.
void WriteConfig(const Path& path, const KestraneRun::Settings& settings, const WallpaperDescription& wallpaper) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    TiXmlNode* root = document.LinkEndChild(new TiXmlElement("TovarinSetting"));
    AddTextElement(root, "Version", GetProgramVersion());
    AddTextElement(root, "ServiceUrl", L"http://127.0.0.1:9/");
    for (const auto& [name, value] : settings) AddTextElement(root, name, value);
    TiXmlNode* old = root->LinkEndChild(new TiXmlElement("OldWallpaper"));
    AddTextElement(old, "Wallpaper", wallpaper.Wallpaper);
    AddTextElement(old, "TileWallpaper", wallpaper.TileWallpaper);
    AddTextElement(old, "WallpaperStyle", wallpaper.WallpaperStyle);
    AddTextElement(old, "IsActiveDesktopEnabled", wallpaper.IsActiveDesktopEnabled ? L"1" : L"0");
    if (!WriteFileAtomically(path, PrintXml(document))) std::printf("could not write config.xml\n");
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    wchar_t name[64] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    // Visible: the window exists before its initialisation has run, and shows at its end.
    if (owner == search->processId && IsWindowVisible(window) && GetClassNameW(window, name, 64) &&
        wcscmp(name, L"KestraneMainDialog") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

KestraneRun::KestraneRun(int packages, int width, int height, const Settings& settings)
    : m_savedWallpaper(CaptureCurrentWallpaper()) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_folder = Path(temp) / (L"kestrane-bench-" + std::to_wstring(GetCurrentProcessId()));
    m_folder.RemoveAll();
    m_folder.CreateDirectories();
    m_executable = m_folder / L"Kestrane.exe";
    if (!CopyFileW(BuiltKestrane().c_str(), m_executable.c_str(), FALSE))
        std::printf("could not copy %ls\n", BuiltKestrane().c_str());
    WriteConfig(m_folder / L"config.xml", settings, m_savedWallpaper);
    WritePackages(m_folder / L"data", packages, width, height);
}

KestraneRun::~KestraneRun() {
    if (m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process.get(), 99);
        WaitForSingleObject(m_process.get(), 5000);
    }
    SetDesktopWallpaper(m_savedWallpaper.TileWallpaper, m_savedWallpaper.WallpaperStyle, m_savedWallpaper.Wallpaper);
    m_folder.RemoveAll();
}

bool KestraneRun::Start(const wchar_t* wineDebug) {
    // The child takes our environment: set WINEDEBUG for it alone, then put ours back.
    wchar_t ours[256] = {};
    bool hadOurs = GetEnvironmentVariableW(L"WINEDEBUG", ours, 256) > 0;
    if (wineDebug) SetEnvironmentVariableW(L"WINEDEBUG", wineDebug);
    std::wstring commandLine = L"\"" + m_executable.str() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(),
                                  &startup, &info);
    if (wineDebug) SetEnvironmentVariableW(L"WINEDEBUG", hadOurs ? ours : nullptr);
    if (!started) return false;
    CloseHandle(info.hThread);
    m_process.reset(info.hProcess);
    m_processId = info.dwProcessId;
    for (int i = 0; i < 600 && !m_window; ++i) {
        WindowSearch search{m_processId, nullptr};
        EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
        m_window = search.found;
        if (!m_window) Sleep(50);
    }
    m_linuxPid = FindLinuxProcess(m_executable.str());
    return m_window != nullptr;
}

void KestraneRun::Close(DWORD timeoutMs) {
    PostMessageW(m_window, WM_CLOSE, 0, 0);
    DWORD code = 0;
    if (WaitForSingleObject(m_process.get(), timeoutMs) == WAIT_OBJECT_0 && GetExitCodeProcess(m_process.get(), &code))
        std::printf("Kestrane.exe closed with exit code %lu\n", code);
    else
        std::printf("Kestrane.exe did not end within %lu ms of WM_CLOSE\n", timeoutMs);
}

ULONGLONG WallpaperWriteTime() {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(GetWallpaperPath().c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
}

bool WaitForWallpaperChange(ULONGLONG before, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (WallpaperWriteTime() == before) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(2);
    }
    return true;
}

std::string Megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f MB", bytes / 1048576.0);
    return text;
}
