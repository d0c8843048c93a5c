#include "desktop/shell/wallpaper_state.h"

#include <windows.h>
#include <shlobj.h>

#include "base/handles.h"

namespace {

constexpr const wchar_t* kDesktopKey = L"Control Panel\\desktop";

std::wstring ReadString(HKEY key, const wchar_t* name) {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    return std::wstring(buffer, wcsnlen(buffer, size / sizeof(wchar_t)));
}

void WriteString(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

Path GetWallpaperPath() {
    wchar_t directory[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return Path();
    return Path(directory) / L"TovarinWallpaper.bmp";
}

Path GetPreparedWallpaperPath() {
    Path shown = GetWallpaperPath();
    return shown.empty() ? Path() : shown.Parent() / L"TovarinWallpaperNext.bmp";
}

WallpaperDescription CaptureCurrentWallpaper() {
    WallpaperDescription wallpaper;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &raw) == ERROR_SUCCESS) {
        UniqueKey key(raw);
        wallpaper.TileWallpaper = ReadString(key.get(), L"TileWallpaper");
        wallpaper.WallpaperStyle = ReadString(key.get(), L"WallpaperStyle");
        wallpaper.Wallpaper = ReadString(key.get(), L"Wallpaper");
    }
    SHELLFLAGSTATE state{};
    SHGetSettings(&state, SSF_DESKTOPHTML);
    wallpaper.IsActiveDesktopEnabled = state.fDesktopHTML != 0;
    return wallpaper;
}

bool IsOwnWallpaper(const WallpaperDescription& wallpaper) {
    if (wallpaper.TileWallpaper.empty()) return true;
    return !wallpaper.IsActiveDesktopEnabled && wallpaper.Wallpaper == GetWallpaperPath().str();
}

bool SetDesktopWallpaper(const std::wstring& tile, const std::wstring& style, const std::wstring& wallpaper) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) ==
        ERROR_SUCCESS) {
        UniqueKey key(raw);
        WriteString(key.get(), L"TileWallpaper", tile);
        WriteString(key.get(), L"WallpaperStyle", style);
    }
    std::wstring path = wallpaper;
    return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, &path[0], SPIF_UPDATEINIFILE) == 1;
}
