// Self-update as a user meets it: the release before this one, installed by the real installer,
// learns of this release from the reference service, fetches and checks its installer and runs
// it silently; the installer closes it, installs over it and starts the new program, which
// reports the update and clears the update folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <string>

#include "base/utf8.h"
#include "config/version_table.h"
#include "e2e/kestrane_process.h"
#include "e2e/wine_desktop.h"
#include "support/service_control.h"

namespace {

// Wine shows the host's root as Z:; the service runs on the host.
std::string HostPathOf(const Path& path) {
    std::string text = ToUtf8(path.str());
    if (text.size() < 2 || (text[0] != 'Z' && text[0] != 'z') || text[1] != ':') return std::string();
    text.erase(0, 2);
    for (char& c : text)
        if (c == '\\') c = '/';
    return text;
}

// A balloon shown on the desktop: a visible tool-tip window with the balloon style.
bool BalloonShown(const WineDesktop& desktop) {
    bool shown = false;
    desktop.Run([&] {
        for (HWND tip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tip && !shown;
             tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr))
            shown = IsWindowVisible(tip) && (GetWindowLongW(tip, GWL_STYLE) & TTS_BALLOON);
    });
    return shown;
}

size_t RequestsFor(const std::wstring& path) {
    std::string log = ServiceControl(L"GET", L"/_control/requests?path=" + path);
    size_t count = 0;
    for (size_t at = log.find("\"seq\""); at != std::string::npos; at = log.find("\"seq\"", at + 1)) ++count;
    return count;
}

}  // namespace

TEST(UpdateEndToEnd, TheInstallerReplacesTheRunningReleaseAndTheNewOneReportsIt) {
    if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
    const Path setup = BuiltSetup();
    ASSERT_TRUE(setup.Exists()) << "no installer at " << ToUtf8(setup.str()) << ": run scripts/build";
    ASSERT_FALSE(HostPathOf(setup).empty()) << ToUtf8(setup.str());
    const std::string version = ToUtf8(GetProgramVersion());

    // The user has the previous release, installed where the installer put it.
    TempDir temporary;
    const Path folder = temporary / L"Program Files" / L"Kestrane";
    ChildProcess install;
    ASSERT_TRUE(install.Start(setup, L"/S /D=" + folder.str()));
    ASSERT_EQ(install.WaitForExit(60000), std::optional<DWORD>(0)) << "the first install failed";
    const Path program = folder / L"Kestrane.exe";
    ASSERT_TRUE(CopyFileW((TestExecutableDirectory() / L"KestranePrevious.exe").c_str(), program.c_str(), FALSE));
    const std::string previousVersion = ToUtf8(std::prev(GetVersionTable().end(), 2)->first);
    WriteAll(folder / L"config.xml", "<?xml version=\"1.0\"?><TovarinSetting><Version>" + previousVersion +
                                         "</Version>"
                                         "<AutoUpdate>1</AutoUpdate><SlientUpdate>1</SlientUpdate><Tags>zhiwu</Tags>"
                                         "<ServiceUrl>" +
                                         ToUtf8(ServiceUrl()) + "</ServiceUrl></TovarinSetting>");

    ServiceReset();
    ServiceControl(
        L"POST", L"/_control/installer",
        "{\"path\": \"" + HostPathOf(setup) + "\", \"version\": \"" + version + "\", \"description\": \"New\"}");
    struct Withdraw {
        ~Withdraw() { ServiceControl(L"DELETE", L"/_control/installer"); }
    } withdraw;

    WineDesktop desktop;
    ChildProcess previous;
    ASSERT_NE(desktop.StartKestrane(program, previous), nullptr);
    // Its first heartbeat asks for updates, finds this release and fetches and runs its installer.
    EXPECT_TRUE(previous.WaitForExit(180000)) << "the installer closes the running program";
    EXPECT_EQ(RequestsFor(L"/service/viewer/v1.0/checkupdate.php"), 1u);
    EXPECT_EQ(RequestsFor(L"/update/" + setup.FileName()), 1u) << "the installer is fetched once";

    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = desktop.Find(L"KestraneMainDialog")) != nullptr; }, 120))
        << "the installer starts the new program";
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    ChildProcess updated;
    ASSERT_TRUE(updated.Attach(processId));
    EXPECT_NE(processId, previous.GetId());
    EXPECT_EQ(ReadAll(program), ReadAll(TestExecutableDirectory().Parent() / L"installer" / L"Kestrane.exe"))
        << "this release's program replaced the previous one";

    EXPECT_TRUE(WaitUntil([&] { return BalloonShown(desktop); }, 30)) << "the update is reported in a balloon";
    EXPECT_TRUE(WaitUntil([&] { return !(folder / L"update").Exists(); }, 30)) << "the update folder is removed";
    EXPECT_TRUE(
        WaitUntil([&] { return ReadAll(folder / L"config.xml").find("<Version>" + version) != std::string::npos; }, 30))
        << "config.xml records the new version";
    EXPECT_EQ(RequestsFor(L"/service/viewer/v1.0/checkupdate.php"), 1u)
        << "the updated program does not ask again at once (its answer would cover the balloon)";
    RECT screen{0, 0, desktop.Width(), desktop.Height()};
    desktop.SaveScreen(screen, HostPathOf(TestExecutableDirectory() / L"update-balloon.png"));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(updated.WaitForExit(20000), std::optional<DWORD>(0));
    ChildProcess uninstall;
    ASSERT_TRUE(uninstall.Start(folder / L"Uninstall.exe", L"/S _?=" + folder.str()));
    EXPECT_EQ(uninstall.WaitForExit(60000), std::optional<DWORD>(0));
}
