// The shell integration on the test prefix's real registry and Startup folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "base/handles.h"
#include "desktop/shell/active_desktop.h"
#include "desktop/shell/auto_start.h"
#include "desktop/shell/desktop_icons.h"
#include "desktop/shell/pause_signals.h"
#include "desktop/shell/wallpaper_state.h"
#include "store/picture.h"
#include "support/test_support.h"

namespace {

std::wstring ReadValue(const wchar_t* keyName, const wchar_t* name) {
    wchar_t buffer[512] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_CURRENT_USER, keyName, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

DWORD ReadDword(const wchar_t* keyName, const wchar_t* name) {
    DWORD value = 99, size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, keyName, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// Puts the shell's wallpaper settings back as they were before the test.
class WallpaperGuard {
public:
    WallpaperGuard() : m_saved(CaptureCurrentWallpaper()) {}
    ~WallpaperGuard() { SetDesktopWallpaper(m_saved.TileWallpaper, m_saved.WallpaperStyle, m_saved.Wallpaper); }

private:
    WallpaperDescription m_saved;
};

// COM for the tests that create shell objects, as the program's threads have it.
struct ComApartment {
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
};

}  // namespace

TEST(Wallpaper, IsOwnWallpaperRules) {
    const std::wstring own = GetWallpaperPath().str();
    EXPECT_EQ(GetWallpaperPath().FileName(), L"TovarinWallpaper.bmp");
    EXPECT_TRUE(IsOwnWallpaper({false, L"", L"", L"C:\\elsewhere.bmp"})) << "nothing recorded";
    EXPECT_TRUE(IsOwnWallpaper({false, L"0", L"1", own}));
    EXPECT_FALSE(IsOwnWallpaper({true, L"0", L"1", own})) << "Active Desktop was on: the user's state";
    EXPECT_FALSE(IsOwnWallpaper({false, L"0", L"1", L"C:\\elsewhere.bmp"}));
    std::wstring upper = own;
    for (wchar_t& c : upper) c = towupper(c);
    EXPECT_FALSE(IsOwnWallpaper({false, L"0", L"1", upper})) << "compared exactly";
}

TEST(Wallpaper, SetCaptureAndPutBack) {
    ComApartment com;
    WallpaperGuard guard;
    TempDir dir;
    Picture picture;
    ASSERT_TRUE(picture.Create(32, 24, RGB(200, 10, 10)));
    Path bitmap = dir / L"mine.bmp";
    ASSERT_TRUE(picture.SaveToFile(bitmap));

    ASSERT_TRUE(SetDesktopWallpaper(L"0", L"1", bitmap.str()));
    EXPECT_EQ(ReadValue(L"Control Panel\\desktop", L"TileWallpaper"), L"0");
    EXPECT_EQ(ReadValue(L"Control Panel\\desktop", L"WallpaperStyle"), L"1");
    WallpaperDescription current = CaptureCurrentWallpaper();
    EXPECT_EQ(current.TileWallpaper, L"0");
    EXPECT_EQ(current.WallpaperStyle, L"1");
    EXPECT_EQ(Path(current.Wallpaper), bitmap);
    EXPECT_FALSE(current.IsActiveDesktopEnabled);

    ASSERT_TRUE(SetDesktopWallpaper(L"1", L"0", L""));
    current = CaptureCurrentWallpaper();
    EXPECT_EQ(current.TileWallpaper, L"1");
    EXPECT_EQ(current.Wallpaper, L"");
    // Wine's shell has no Active Desktop: switching it says so and leaves the wallpaper alone.
    EXPECT_FALSE(SetActiveDesktop(false));
    EXPECT_EQ(CaptureCurrentWallpaper(), current);
}

TEST(DesktopIcons, LabelsAndAMissingIconView) {
    EXPECT_EQ(FindDesktopIconView(), nullptr) << "Wine's desktop has no icon view";
    EXPECT_FALSE(ShowDesktopIconView(true));
    const wchar_t* advanced = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    BOOL shadowBefore = FALSE;
    SystemParametersInfoW(SPI_GETCURSORSHADOW, 0, &shadowBefore, 0);
    SetIconTextTransparent(true);
    EXPECT_EQ(ReadDword(advanced, L"ListviewShadow"), 1u);
    SetIconTextTransparent(false);
    EXPECT_EQ(ReadDword(advanced, L"ListviewShadow"), 0u);
    BOOL shadowAfter = !shadowBefore;
    SystemParametersInfoW(SPI_GETCURSORSHADOW, 0, &shadowAfter, 0);
    EXPECT_EQ(shadowAfter, shadowBefore) << "the broadcast leaves the user's cursor shadow as it was";
}

TEST(AutoStart, OneShortcutNamedAfterTheProgram) {
    ComApartment com;
    SetAutoStartEnabled(false);
    Path link = GetAutoStartShortcutPath();
    ASSERT_FALSE(link.empty());
    EXPECT_EQ(link.FileName(), L"shell_tests.lnk") << "the executable's name with .lnk";
    EXPECT_FALSE(IsAutoStartEnabled());

    SetAutoStartEnabled(true);
    ASSERT_TRUE(IsAutoStartEnabled());
    FILETIME first{}, second{};
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExW(link.c_str(), GetFileExInfoStandard, &data);
    first = data.ftLastWriteTime;
    Sleep(20);
    SetAutoStartEnabled(true);
    GetFileAttributesExW(link.c_str(), GetFileExInfoStandard, &data);
    second = data.ftLastWriteTime;
    EXPECT_EQ(CompareFileTime(&first, &second), 0) << "enabling twice creates the shortcut once";

    ComPtr<IShellLinkW> shell;
    ComPtr<IPersistFile> file;
    ASSERT_TRUE(
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shell.put_void())));
    ASSERT_TRUE(SUCCEEDED(shell->QueryInterface(IID_IPersistFile, file.put_void())));
    ASSERT_TRUE(SUCCEEDED(file->Load(link.c_str(), STGM_READ)));
    wchar_t target[MAX_PATH] = {}, self[MAX_PATH] = {};
    shell->GetPath(target, MAX_PATH, nullptr, 0);
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(Path(target).FileName(), Path(self).FileName());

    SetAutoStartEnabled(false);
    EXPECT_FALSE(link.Exists());
    SetAutoStartEnabled(false);  // nothing to remove, nothing happens
    EXPECT_FALSE(IsAutoStartEnabled());
}

TEST(AutoStart, ShortcutsNeedATargetAndALink) {
    ComApartment com;
    ShortcutSpec shortcut;
    EXPECT_EQ(CreateShortcut(shortcut), E_INVALIDARG);
    shortcut.target = L"C:\\windows\\notepad.exe";
    EXPECT_EQ(CreateShortcut(shortcut), E_INVALIDARG) << "no link path";
    TempDir dir;
    shortcut.link = dir / L"x.lnk";
    shortcut.showCommand = -1;
    EXPECT_EQ(CreateShortcut(shortcut), E_INVALIDARG);
    shortcut.showCommand = 0;
    shortcut.iconIndex = -2;
    EXPECT_EQ(CreateShortcut(shortcut), E_INVALIDARG);
    shortcut.iconIndex = 0;
    shortcut.arguments = L"/quiet";
    EXPECT_TRUE(SUCCEEDED(CreateShortcut(shortcut)));
    EXPECT_TRUE(shortcut.link.Exists());
}

TEST(PauseSignals, TheBatteryAsksOnlyWhenDischargingLowOrSaving) {
    // ACLineStatus, BatteryFlag, BatteryLifePercent, and the saver flag (Reserved1 in older headers).
    auto status = [](BYTE line, BYTE flag, BYTE percent, BYTE saver) {
        SYSTEM_POWER_STATUS s{};
        s.ACLineStatus = line;
        s.BatteryFlag = flag;
        s.BatteryLifePercent = percent;
        s.Reserved1 = saver;
        return s;
    };
    EXPECT_TRUE(BatteryAsksForPause(status(0, 2, 19, 0))) << "on battery below 20 %";
    EXPECT_FALSE(BatteryAsksForPause(status(0, 0, 20, 0))) << "on battery at 20 %, no saver";
    EXPECT_TRUE(BatteryAsksForPause(status(0, 0, 80, 1))) << "on battery with the saver on";
    EXPECT_FALSE(BatteryAsksForPause(status(1, 8, 5, 1))) << "on mains power, charging";
    EXPECT_FALSE(BatteryAsksForPause(status(255, 4, 3, 0))) << "the power line unknown";
    EXPECT_FALSE(BatteryAsksForPause(status(0, 128, 0, 0))) << "no system battery";
    EXPECT_FALSE(BatteryAsksForPause(status(0, 255, 5, 1))) << "the battery unknown";
    EXPECT_FALSE(BatteryAsksForPause(status(0, 1, 255, 0))) << "the charge unknown, no saver";
    EXPECT_TRUE(BatteryAsksForPause(status(0, 1, 255, 1)));
}
