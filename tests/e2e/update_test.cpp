// Self-update as a user meets it: the release before this one, installed by the real installer,
// learns of this release from the reference service, fetches and verifies its signed installer
// and runs it silently; the installer closes it, installs over it and starts the new program,
// which reports the update and clears the update folder. And what happens to installers the
// service cannot vouch for.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <string>

#include "base/utf8.h"
#include "config/version_table.h"
#include "e2e/kestrane_process.h"
#include "e2e/wine_desktop.h"
#include "resources/resource.h"
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

size_t RequestsFor(const std::wstring& path) {
    std::string log = ServiceControl(L"GET", L"/_control/requests?path=" + path);
    size_t count = 0;
    for (size_t at = log.find("\"seq\""); at != std::string::npos; at = log.find("\"seq\"", at + 1)) ++count;
    return count;
}

struct Withdraw {
    ~Withdraw() { ServiceControl(L"DELETE", L"/_control/installer"); }
};

// A string as a JSON text (paths and base64 need no escapes beyond these).
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
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

    // The build signed its installer with the key this build trusts.
    const std::string signature = ReadAll(Path(setup.str() + L".sig"));
    ASSERT_FALSE(signature.empty()) << "no signature beside the installer: run scripts/build";
    ServiceReset();
    ServiceControl(L"POST", L"/_control/installer",
                   "{\"path\": " + Quoted(HostPathOf(setup)) + ", \"version\": \"" + version +
                       "\", \"description\": \"New\", \"signature\": " + Quoted(signature) + "}");
    Withdraw withdraw;

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

    EXPECT_TRUE(WaitUntil([&] { return desktop.BalloonShown(); }, 30)) << "the update is reported in a balloon";
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

// A malformed version fetches nothing; an installer signed by a foreign key is removed unrun and
// the user told; an unsigned one with a correct SHA-256 runs, even with silent updates on, only
// once the user has said Yes.
TEST(UpdateEndToEnd, AForeignSignatureIsRemovedAndAnUnsignedInstallerWaitsForTheUsersYes) {
    if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
    const Path recorder = TestExecutableDirectory() / L"command_line_recorder.exe";
    const Path foreign = TestExecutableDirectory() / L"foreign_signed_installer.exe";
    const std::string foreignSignature = ReadAll(Path(foreign.str() + L".sig"));
    ASSERT_FALSE(foreignSignature.empty()) << "no " << ToUtf8(foreign.str()) << ".sig: run scripts/build";
    ServiceReset();
    Withdraw withdraw;
    ServiceControl(L"POST", L"/_control/installer",
                   "{\"path\": " + Quoted(HostPathOf(recorder)) + ", \"version\": \"9\", \"sign\": true}");
    ProgramFolder folder;
    WriteAll(folder.Config(), "<?xml version=\"1.0\"?><TovarinSetting><Version>" + ToUtf8(GetProgramVersion()) +
                                  "</Version><AutoUpdate>1</AutoUpdate><SlientUpdate>1</SlientUpdate>"
                                  "<Tags>zhiwu</Tags><ServiceUrl>" +
                                  ToUtf8(ServiceUrl()) + "</ServiceUrl></TovarinSetting>");
    const Path update = folder.path() / L"update";
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([] { return RequestsFor(L"/service/viewer/v1.0/checkupdate.php") == 1; }, 60))
        << "the first heartbeat brings the check";
    WaitUntil([&] { return desktop.BalloonShown(); }, 15);  // "no new version"
    EXPECT_EQ(RequestsFor(L"/update/command_line_recorder.exe"), 0u) << "version 9 is no newer version";

    ServiceControl(L"POST", L"/_control/installer",
                   "{\"path\": " + Quoted(HostPathOf(foreign)) +
                       ", \"version\": \"99990101\", \"signature\": " + Quoted(foreignSignature) + "}");
    PostMessageW(window, WM_COMMAND, ID_CHECK_UPDATE, 0);
    HWND box = desktop.WaitForWindow(L"#32770", kestrane.GetId(), 60000);
    ASSERT_NE(box, nullptr) << "the failed update is told";
    EXPECT_EQ(RequestsFor(L"/update/foreign_signed_installer.exe"), 1u);
    EXPECT_EQ(GetDlgItem(box, IDNO), nullptr) << "nothing is asked";
    EXPECT_FALSE((update / L"foreign_signed_installer.exe").Exists()) << "the foreign file is removed";
    EXPECT_FALSE((update / L"foreign_signed_installer.exe.txt").Exists()) << "and was never run";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !desktop.IsVisible(box); }, 5));

    ServiceControl(L"POST", L"/_control/installer",
                   "{\"path\": " + Quoted(HostPathOf(recorder)) + ", \"version\": \"99990102\"}");
    PostMessageW(window, WM_COMMAND, ID_CHECK_UPDATE, 0);
    box = desktop.WaitForWindow(L"#32770", kestrane.GetId(), 60000);
    ASSERT_NE(box, nullptr) << "an unsigned installer is not run silently: the user is asked";
    const Path record = update / L"command_line_recorder.exe.txt";
    EXPECT_TRUE((update / L"command_line_recorder.exe").Exists());
    EXPECT_NE(GetDlgItem(box, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(box, IDNO), nullptr);
    Sleep(1000);
    EXPECT_FALSE(record.Exists()) << "nothing ran before the answer";
    PostMessageW(box, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(WaitUntil([&] { return !ReadAll(record).empty(); }, 30)) << "Yes runs it";
    const std::string bytes = ReadAll(record);
    const std::wstring commandLine(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    EXPECT_NE(commandLine.find(L"command_line_recorder.exe\" /S"), std::wstring::npos) << ToUtf8(commandLine);

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
}
