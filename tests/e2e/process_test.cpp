// Kestrane.exe as a user meets it: started in a fresh program folder, asked to show itself
// by a second start, closed, and cut off when its core hangs on the way out.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "base/utf8.h"
#include "config/user_folder.h"
#include "config/version_table.h"
#include "desktop/shell/wallpaper_state.h"
#include "desktop/templates/template_folders.h"
#include "e2e/kestrane_process.h"
#include "e2e/wine_desktop.h"

namespace {

constexpr const wchar_t* kMainClass = L"KestraneMainDialog";

struct RunningKestrane {
    ProgramFolder folder;
    ChildProcess process;
    HWND window = nullptr;

    void Start() {
        ASSERT_TRUE(process.Start(folder.Executable()));
        window = WaitForWindow(kMainClass, process.GetId(), 15000);
        ASSERT_NE(window, nullptr) << "the main window did not appear";
    }

    // Closes the window as the system would and returns the exit code and the time it took.
    std::pair<std::optional<DWORD>, unsigned long long> Close() {
        unsigned long long start = NowMs();
        PostMessageW(window, WM_CLOSE, 0, 0);
        std::optional<DWORD> code = process.WaitForExit(30000);
        return {code, NowMs() - start};
    }
};

// The fake shell's icon view, once the shell has made all three of its windows.
HWND WaitForIconView(DWORD shellProcess) {
    HWND progman = WaitForWindow(L"Progman", shellProcess, 10000);
    for (int i = 0; progman && i < 100; ++i, Sleep(50)) {
        HWND defView = FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr);
        if (HWND icons = defView ? FindWindowExW(defView, nullptr, L"SysListView32", nullptr) : nullptr) return icons;
    }
    return nullptr;
}

// A string value under the root key; nothing when the key or value is missing.
std::optional<std::wstring> RegistryString(HKEY root, const wchar_t* key, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return std::nullopt;
    return std::wstring(buffer);
}

Path ShellFolder(int id) {
    wchar_t folder[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return Path();
    return Path(folder);
}

// The FileVersion text of an executable's version resource.
std::wstring FileVersionText(const Path& file) {
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return std::wstring();
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&text),
                        &length))
        return std::wstring();
    return std::wstring(text, length ? length - 1 : 0);
}

}  // namespace

TEST(Process, FirstStartWritesConfigCloseEndsInOrderAndLaterStartsKeepThePlace) {
    RunningKestrane kestrane;
    ASSERT_FALSE(kestrane.folder.Config().Exists());
    kestrane.Start();
    std::string config = ReadAll(kestrane.folder.Config());
    EXPECT_NE(config.find("<TovarinSetting>"), std::string::npos) << "the first start writes config.xml";
    EXPECT_NE(config.find("<Version>" + ToUtf8(GetProgramVersion())), std::string::npos);

    auto [code, elapsed] = kestrane.Close();
    ASSERT_TRUE(code.has_value()) << "WM_CLOSE did not end the process";
    EXPECT_EQ(*code, 0u);
    // An orderly exit does not wait for the 10-second watchdog.
    EXPECT_LT(elapsed, 8000u);
    EXPECT_EQ(ReadAll(kestrane.folder.Config()), config) << "nothing is written during shutdown";

    // The next starts: a saved place on the monitor is kept; one that no monitor shows (a
    // monitor gone since) comes back to the bottom right of the work area.
    const size_t pos = config.find("<Pos "), end = config.find("/>", pos);
    ASSERT_NE(end, std::string::npos);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    for (const POINT& saved : {POINT{40, 50}, POINT{work.right + 500, 50}}) {
        WriteAll(kestrane.folder.Config(), config.substr(0, pos) + "<Pos x=\"" + std::to_string(saved.x) + "\" y=\"" +
                                               std::to_string(saved.y) + "\"" + config.substr(end));
        kestrane.Start();
        RECT box{};
        GetWindowRect(kestrane.window, &box);
        if (saved.x == 40) {
            EXPECT_EQ(box.left, 40);
        } else {
            EXPECT_EQ(box.right, work.right - 5) << "back on the monitor";
        }
        EXPECT_EQ(box.top, 50) << "the coordinate that fits stays";
        EXPECT_EQ(kestrane.Close().first, std::optional<DWORD>(0));
    }
}

TEST(Process, SecondStartShowsTheRunningWindowAndLeavesConfigAlone) {
    RunningKestrane first;
    first.Start();
    ShowWindow(first.window, SW_HIDE);
    ASSERT_FALSE(IsWindowVisible(first.window));
    std::string config = ReadAll(first.folder.Config());
    FILETIME writtenBefore{}, writtenAfter{};
    {
        UniqueFile file(CreateFileW(first.folder.Config().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        GetFileTime(file.get(), nullptr, nullptr, &writtenBefore);
    }

    ChildProcess second;
    ASSERT_TRUE(second.Start(first.folder.Executable()));
    std::optional<DWORD> code = second.WaitForExit(5000);
    ASSERT_TRUE(code.has_value()) << "the second start must end within 5 s";
    EXPECT_EQ(*code, 0u);

    for (int i = 0; i < 50 && !IsWindowVisible(first.window); ++i) Sleep(100);
    EXPECT_TRUE(IsWindowVisible(first.window)) << "the running instance shows its window";
    EXPECT_TRUE(first.process.IsRunning());
    {
        UniqueFile file(CreateFileW(first.folder.Config().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        GetFileTime(file.get(), nullptr, nullptr, &writtenAfter);
    }
    EXPECT_EQ(ReadAll(first.folder.Config()), config);
    EXPECT_EQ(CompareFileTime(&writtenBefore, &writtenAfter), 0) << "config.xml was rewritten";
    EXPECT_EQ(first.Close().first, std::optional<DWORD>(0));
}

TEST(Process, UpgradeRecordsTheNewVersionAndRemovesTheDownloadedInstaller) {
    RunningKestrane kestrane;
    WriteAll(kestrane.folder.Config(),
             "<?xml version=\"1.0\"?><TovarinSetting><Version>20061205</Version>"
             "<ChangeFrequency>30</ChangeFrequency><LastCheckUpdateTime>1000</LastCheckUpdateTime></TovarinSetting>");
    Path updates = kestrane.folder.path() / L"update";
    ASSERT_TRUE((updates / L"nested").CreateDirectories());
    WriteAll(updates / L"nested" / L"KestraneSetup.exe", "installer");

    std::int64_t before = std::time(nullptr);
    kestrane.Start();
    std::string config = ReadAll(kestrane.folder.Config());
    EXPECT_FALSE(updates.Exists()) << "the update folder goes after an upgrade";
    EXPECT_NE(config.find("<ChangeFrequency>30</ChangeFrequency>"), std::string::npos)
        << "settings survive the upgrade";
    size_t check = config.find("<LastCheckUpdateTime>");
    ASSERT_NE(check, std::string::npos);
    EXPECT_GE(std::stoll(config.substr(check + 21)), before) << "the update check time is renewed";
    EXPECT_EQ(kestrane.Close().first, std::optional<DWORD>(0));
}

TEST(Process, UnreadableConfigIsKeptAsideAndReplacedByDefaults) {
    RunningKestrane kestrane;
    const std::string garbage = "<TovarinSetting><ChangeFrequency>7</Change";
    WriteAll(kestrane.folder.Config(), garbage);
    kestrane.Start();
    EXPECT_EQ(ReadAll(kestrane.folder.path() / L"config.xml.broken"), garbage);
    EXPECT_NE(ReadAll(kestrane.folder.Config()).find("<ChangeFrequency>5</ChangeFrequency>"), std::string::npos);
    EXPECT_EQ(kestrane.Close().first, std::optional<DWORD>(0));
}

TEST(Process, HiddenDesktopIconsAreShownAgainAtExitAndHiddenAtTheNextStart) {
    ChildProcess shell;
    ASSERT_TRUE(shell.Start(FakeShell(), L"pump"));
    HWND icons = WaitForIconView(shell.GetId());
    ASSERT_NE(icons, nullptr);
    ShowWindow(icons, SW_SHOWNA);

    RunningKestrane kestrane;
    WriteAll(kestrane.folder.Config(), "<?xml version=\"1.0\"?><TovarinSetting><Version>" +
                                           ToUtf8(GetProgramVersion()) +
                                           "</Version>"
                                           "<HideDesktopIcons>1</HideDesktopIcons></TovarinSetting>");
    kestrane.Start();
    for (int i = 0; i < 50 && IsWindowVisible(icons); ++i) Sleep(100);
    EXPECT_FALSE(IsWindowVisible(icons)) << "the stored choice hides the icons at start";
    EXPECT_EQ(kestrane.Close().first, std::optional<DWORD>(0));
    EXPECT_TRUE(IsWindowVisible(icons)) << "the exit leaves the desktop icons visible";
    EXPECT_NE(ReadAll(kestrane.folder.Config()).find("<HideDesktopIcons>1</HideDesktopIcons>"), std::string::npos)
        << "and config.xml keeps the choice for the next start";
}

TEST(Process, WatchdogEndsTheProcessWhenTheCoreHangsOnExit) {
    // A shell that stops answering makes showing its icons block the exit job.
    ChildProcess shell;
    ASSERT_TRUE(shell.Start(FakeShell(), L"hang"));
    ASSERT_NE(WaitForIconView(shell.GetId()), nullptr);

    RunningKestrane kestrane;
    kestrane.Start();
    ASSERT_TRUE(WaitUntil([&] { return HasTrayIcon(kestrane.window); }, 10));
    auto [code, elapsed] = kestrane.Close();
    ASSERT_TRUE(code.has_value()) << "the watchdog did not end the process";
    EXPECT_EQ(*code, 0u);
    EXPECT_GE(elapsed, 9000u) << "the exit did hang, so only the watchdog can have ended it";
    EXPECT_LT(elapsed, 20000u);
    // Wine's shell drops the icons of a destroyed window by itself; Windows' keeps them until
    // the program removes them, which its window does as it is destroyed.
    EXPECT_FALSE(HasTrayIcon(kestrane.window)) << "no dead icon is left in the tray";
}

// The installer as a user (or an update) runs it, silently and without administrator rights,
// then the silent uninstaller: the program and everything registered for it go, the user's
// pictures and settings stay, and nothing outside the program folder is touched.
// An administrator's copy in a folder nobody may write to: everything the program writes goes
// to the user's local application data, and the folder stays as it was.
TEST(Process, AReadOnlyProgramFolderKeepsWhatKestraneWritesInTheUserFolder) {
    const Path userFolder = LocalUserFolder();
    ASSERT_FALSE(userFolder.empty());
    ASSERT_FALSE(userFolder.Exists()) << "left by another run: " << ToUtf8(userFolder.str());
    ProgramFolder source;
    TempDir program;
    if (!MountReadOnly(source.path(), program.path()))
        GTEST_SKIP() << "the host allows no read-only mount here (it needs root)";
    struct CleanUp {
        const Path& program;
        const Path& userFolder;
        ~CleanUp() {
            Unmount(program);
            userFolder.RemoveAll();
        }
    } cleanUp{program.path(), userFolder};
    ASSERT_FALSE(IsFolderWritable(program.path()));

    ChildProcess kestrane;
    ASSERT_TRUE(kestrane.Start(program / L"Kestrane.exe"));
    HWND window = WaitForWindow(kMainClass, kestrane.GetId(), 15000);
    ASSERT_NE(window, nullptr) << "Kestrane starts from a read-only folder";
    EXPECT_NE(ReadAll(userFolder / L"config.xml").find("<TovarinSetting>"), std::string::npos)
        << "the first start writes config.xml into " << ToUtf8(userFolder.str());
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(30000), std::optional<DWORD>(0));
    std::vector<Path> files = program.path().ListDirectory();
    EXPECT_EQ(files, std::vector<Path>{program / L"Kestrane.exe"}) << "nothing is written beside the program";
}

TEST(Process, SilentInstallAndUninstallKeepTheUsersData) {
    const wchar_t* const kSettingsKey = L"Software\\Kestrane";
    const wchar_t* const kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrane";
    const Path folder = ShellFolder(CSIDL_LOCAL_APPDATA) / L"Programs" / L"Kestrane";
    const Path shortcut = ShellFolder(CSIDL_PROGRAMS) / L"Kestrane" / L"Kestrane.lnk";
    ASSERT_FALSE(folder.Parent().Parent().empty());
    RemoveDirectoryLink(folder / L"update" / L"link");  // left by an earlier run
    folder.RemoveAll();
    SHDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    SHDeleteKeyW(HKEY_CURRENT_USER, kUninstallKey);

    ChildProcess setup;
    ASSERT_TRUE(BuiltSetup().Exists()) << "no installer at " << ToUtf8(BuiltSetup().str()) << ": run scripts/build";
    ASSERT_TRUE(setup.Start(BuiltSetup(), L"/S"));
    ASSERT_EQ(setup.WaitForExit(60000), std::optional<DWORD>(0)) << "the silent install failed or hung";
    const std::string installed = ReadAll(folder / L"Kestrane.exe");
    ASSERT_EQ(installed.substr(0, 2), "MZ") << "Kestrane.exe is not in the user's programs folder";
    EXPECT_EQ(FileVersionText(folder / L"Kestrane.exe"), GetProgramVersion()) << "the version resource";
    EXPECT_TRUE((folder / L"Uninstall.exe").Exists());
    std::vector<std::wstring> templates = ListTemplates(folder / L"templates");
    std::sort(templates.begin(), templates.end());
    EXPECT_EQ(templates, (std::vector<std::wstring>{L"Gallery", L"Photo Frame"})) << "the shipped templates";
    EXPECT_TRUE(shortcut.Exists()) << "in the user's own Start menu: " << ToUtf8(shortcut.str());
    EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kSettingsKey, L"InstallDir"), folder.str()) << "the next update's";
    EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion"), GetProgramVersion());
    EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kUninstallKey, L"QuietUninstallString"),
              L"\"" + (folder / L"Uninstall.exe").str() + L"\" /S");

    // A Kestrane.exe of a later release stays, and the exit code says why.
    ASSERT_TRUE(CopyFileW((TestExecutableDirectory() / L"newer_release.exe").c_str(),
                          (folder / L"Kestrane.exe").c_str(), FALSE));
    const std::string newer = ReadAll(folder / L"Kestrane.exe");
    ChildProcess older;
    ASSERT_TRUE(older.Start(BuiltSetup(), L"/S"));
    EXPECT_EQ(older.WaitForExit(60000), std::optional<DWORD>(3)) << "a newer Kestrane.exe is installed";
    EXPECT_EQ(ReadAll(folder / L"Kestrane.exe"), newer) << "and it was replaced";
    WriteAll(folder / L"Kestrane.exe", installed);

    // What the program and the user leave in the folder, and a link out of it.
    WriteAll(folder / L"config.xml", "<TovarinSetting/>");
    ASSERT_TRUE((folder / L"data").CreateDirectories());
    WriteAll(folder / L"data" / L"package.dat", "pictures");
    ASSERT_TRUE((folder / L"update").CreateDirectories());
    WriteAll(folder / L"update" / L"KestraneSetup.exe", "downloaded");
    ASSERT_TRUE((folder / L"templates" / L"Mine").CreateDirectories());
    WriteAll(folder / L"templates" / L"Mine" / L"index.tpl", "the user's own");
    TempDir outside;
    WriteAll(outside / L"keep.txt", "not Kestrane's");
    ASSERT_TRUE(MakeDirectoryLink(folder / L"update" / L"link", outside.path()));

    {
        // A Kestrane.exe that cannot go (still running where the uninstaller cannot see it) stops
        // the uninstaller before anything else goes, so it can run again later.
        UniqueFile held(CreateFileW((folder / L"Kestrane.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        ChildProcess blocked;
        ASSERT_TRUE(blocked.Start(folder / L"Uninstall.exe", L"/S _?=" + folder.str()));
        EXPECT_EQ(blocked.WaitForExit(60000), std::optional<DWORD>(2)) << "Kestrane.exe could not be removed";
        EXPECT_TRUE((folder / L"Kestrane.install").Exists()) << "still an installation";
        EXPECT_TRUE(shortcut.Exists());
        EXPECT_TRUE((folder / L"update" / L"KestraneSetup.exe").Exists());
    }
    ChildProcess uninstall;
    // _?= runs the uninstaller in place, so it ends only when it has finished.
    ASSERT_TRUE(uninstall.Start(folder / L"Uninstall.exe", L"/S _?=" + folder.str()));
    ASSERT_EQ(uninstall.WaitForExit(60000), std::optional<DWORD>(0)) << "the silent uninstall failed or hung";
    EXPECT_FALSE((folder / L"Kestrane.exe").Exists());
    EXPECT_FALSE((folder / L"templates" / L"Gallery").Exists()) << "the shipped templates go";
    EXPECT_EQ(ReadAll(folder / L"templates" / L"Mine" / L"index.tpl"), "the user's own") << "the user's stays";
    EXPECT_FALSE((folder / L"update" / L"KestraneSetup.exe").Exists()) << "downloaded installers go";
    EXPECT_EQ(ReadAll(outside / L"keep.txt"), "not Kestrane's") << "the uninstaller followed the link";
    EXPECT_FALSE(shortcut.Exists());
    EXPECT_FALSE(RegistryString(HKEY_CURRENT_USER, kSettingsKey, L"InstallDir"));
    EXPECT_FALSE(RegistryString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName"));
    EXPECT_EQ(ReadAll(folder / L"config.xml"), "<TovarinSetting/>") << "a silent uninstall keeps the settings";
    EXPECT_EQ(ReadAll(folder / L"data" / L"package.dat"), "pictures") << "and the pictures";

    // Pointed at a folder that is no Kestrane installation, it deletes nothing.
    TempDir other;
    WriteAll(other / L"Kestrane.exe", "someone else's");
    ChildProcess refused;
    ASSERT_TRUE(refused.Start(folder / L"Uninstall.exe", L"/S _?=" + other.path().str()));
    EXPECT_EQ(refused.WaitForExit(60000), std::optional<DWORD>(4)) << "not an installation";
    EXPECT_EQ(ReadAll(other / L"Kestrane.exe"), "someone else's");

    RemoveDirectoryLink(folder / L"update" / L"link");
    folder.RemoveAll();
}

// The command line: a second start hands its verb to the running Kestrane and ends at once; a
// bad one ends with 2 and changes nothing; with nothing running /exit does nothing, and another
// verb starts Kestrane, which performs it once it is ready.
TEST(Process, VerbsOfTheCommandLine) {
    WallpaperDescription previous = CaptureCurrentWallpaper();
    // Our own wallpaper already on the desktop: no question about the user's one.
    ASSERT_TRUE(SetDesktopWallpaper(L"0", L"1", GetWallpaperPath().str()));
    ProgramFolder folder;
    ASSERT_TRUE(StorePictures(folder, {RGB(200, 30, 30), RGB(30, 200, 30), RGB(30, 30, 200)}));
    const std::string config = ReadAll(folder.Config());
    auto run = [&](const wchar_t* arguments) {
        ChildProcess second;
        EXPECT_TRUE(second.Start(folder.Executable(), arguments));
        return second.WaitForExit(5000);
    };
    EXPECT_EQ(run(L"/exit"), std::optional<DWORD>(0));
    EXPECT_EQ(run(L"/bogus"), std::optional<DWORD>(2));
    EXPECT_EQ(ReadAll(folder.Config()), config) << "nothing was started";
    EXPECT_EQ(FindWindowW(kMainClass, nullptr), nullptr);

    std::optional<std::string> before = WallpaperBytes();
    ChildProcess first;
    ASSERT_TRUE(first.Start(folder.Executable(), L"/HIDE"));
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = FindWindowW(kMainClass, nullptr)) != nullptr; }, 15));
    ASSERT_TRUE(WallpaperChangesFrom(before, 20)) << "started as usual";
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, 5)) << "then hidden, as /hide asked";

    unsigned long long start = NowMs();
    EXPECT_EQ(run(L"-Show"), std::optional<DWORD>(0));
    EXPECT_LT(NowMs() - start, 2000u) << "handed over at once";
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5));
    Sleep(500);
    before = WallpaperBytes();
    start = NowMs();
    EXPECT_EQ(run(L"/next"), std::optional<DWORD>(0));
    EXPECT_LT(NowMs() - start, 2000u);
    EXPECT_TRUE(WallpaperChangesFrom(before, 20)) << "the running Kestrane showed the next picture";
    Sleep(500);
    before = WallpaperBytes();
    EXPECT_EQ(run(L"/next extra"), std::optional<DWORD>(2));
    EXPECT_FALSE(WallpaperChangesFrom(before, 3)) << "a bad command line changes nothing";

    EXPECT_EQ(run(L"/exit"), std::optional<DWORD>(0));
    EXPECT_EQ(first.WaitForExit(15000), std::optional<DWORD>(0));
    SetDesktopWallpaper(previous.TileWallpaper, previous.WallpaperStyle, previous.Wallpaper);
}
