// The account as a user meets it: the sign-in dialog, a downloaded picture added to the
// favourites, and signing out, each told in a message box, against the reference service.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/utf8.h"
#include "desktop/wallpaper_state.h"
#include "e2e/kestrane_process.h"
#include "e2e/wine_desktop.h"
#include "resources/resource.h"
#include "support/service_control.h"

namespace {

// The text of the message box the process shows next, which is then closed.
std::wstring TakeMessageBox(const WineDesktop& desktop, DWORD processId) {
    HWND box = desktop.WaitForWindow(L"#32770", processId, 20000);
    if (!box) return L"";
    std::wstring text;
    desktop.Run([&] {
        wchar_t buffer[512] = {};
        GetDlgItemTextW(box, 0xFFFF, buffer, 512);  // the static text of a message box
        text = buffer;
    });
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !desktop.IsVisible(box); }, 5);
    return text;
}

}  // namespace

TEST(AccountEndToEnd, SignInAddAFavouriteAndSignOut) {
    if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
    ServiceReset();
    ServiceControl(L"POST", L"/_control/users", R"({"username": "alice", "password": "s3cret", "email": "a@b.c"})");
    WallpaperDescription before = CaptureCurrentWallpaper();
    ASSERT_TRUE(SetDesktopWallpaper(L"0", L"1", GetWallpaperPath().str()));
    GetWallpaperPath().Remove();
    ProgramFolder folder;
    WriteAll(folder.Config(), "<?xml version=\"1.0\"?><TovarinSetting><Version>20261208</Version><Tags>dongwu</Tags>"
                              "<ServiceUrl>" + ToUtf8(ServiceUrl()) + "</ServiceUrl></TovarinSetting>");
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    const DWORD process = kestrane.GetId();
    ASSERT_NE(desktop.WaitForWindow(L"KestraneMainDialog", process, 15000), nullptr);
    ASSERT_TRUE(WaitUntil([] { return GetWallpaperPath().Exists(); }, 60)) << "a downloaded picture is shown";

    PostMessageW(window, WM_COMMAND, ID_LOGIN, 0);
    HWND dialog = desktop.WaitForWindow(L"#32770", process, 10000);
    ASSERT_NE(dialog, nullptr) << "the sign-in dialog";
    SetDlgItemTextW(dialog, IDC_LOGIN_USERNAME, L"  alice ");
    SetDlgItemTextW(dialog, IDC_LOGIN_PASSWORD, L"s3cret");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !desktop.IsVisible(dialog); }, 5));
    EXPECT_NE(TakeMessageBox(desktop, process).find(L"alice"), std::wstring::npos) << "welcomed by name";
    EXPECT_NE(ReadAll(folder.Config()).find("<Username>alice</Username>"), std::string::npos);
    EXPECT_EQ(ReadAll(folder.Config()).find("s3cret"), std::string::npos) << "no password in config.xml";
    EXPECT_TRUE(WaitUntil([&] { return desktop.IsVisible(GetDlgItem(window, IDC_STATUS_ON)); }, 5))
        << "the sign-in light is on";

    PostMessageW(window, WM_COMMAND, ID_ADD_FAVORITE, 0);
    EXPECT_NE(TakeMessageBox(desktop, process).find(L"1"), std::wstring::npos) << "added: one favourite";
    EXPECT_NE(ServiceControl(L"GET", L"/_control/requests?path=/service/viewer/v1.0/favorites.php").find("\"status\": 200"),
              std::string::npos);

    PostMessageW(window, WM_COMMAND, ID_LOGOUT, 0);
    EXPECT_FALSE(TakeMessageBox(desktop, process).empty()) << "signed out";
    EXPECT_TRUE(WaitUntil([&] { return desktop.IsVisible(GetDlgItem(window, IDC_STATUS_OFF)); }, 5))
        << "the sign-in light is off";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}
