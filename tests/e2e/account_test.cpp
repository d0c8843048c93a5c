// The account as a user meets it, against the reference service: the sign-in dialog, a
// members-only category, a favourite kept across a restart, and signing out, each told in a
// message box.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/utf8.h"
#include "config/version_table.h"
#include "desktop/shell/wallpaper_state.h"
#include "e2e/kestrane_process.h"
#include "e2e/wine_desktop.h"
#include "resources/resource.h"
#include "store/picture.h"
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

// The picture at the middle of the wallpaper bitmap; CLR_INVALID when there is none.
COLORREF WallpaperColour() {
    Picture bitmap;
    if (!bitmap.LoadFromFile(GetWallpaperPath())) return CLR_INVALID;
    return GetPixel(bitmap.GetDC(), bitmap.GetWidth() / 2, bitmap.GetHeight() / 2);
}

bool Near(COLORREF a, COLORREF b) {
    return a != CLR_INVALID && b != CLR_INVALID && std::abs(GetRValue(a) - GetRValue(b)) < 24 &&
           std::abs(GetGValue(a) - GetGValue(b)) < 24 && std::abs(GetBValue(a) - GetBValue(b)) < 24;
}

}  // namespace

// A members-only category refused, then signed in and downloaded; its picture kept as a
// favourite; after a restart the first heartbeat brings the favourite back and it is shown.
TEST(AccountEndToEnd, SignInForAMembersCategoryAndKeepAFavouriteAcrossARestart) {
    if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
    const COLORREF kMembersPicture = RGB(0x80, 0x40, 0x60);  // xiezhen/private.jpg at the service
    ServiceReset();
    ServiceControl(L"POST", L"/_control/users", R"({"username": "alice", "password": "s3cret", "email": "a@b.c"})");
    struct SignEveryoneOut {
        ~SignEveryoneOut() { ServiceControl(L"POST", L"/_control/sessions/clear"); }
    } signEveryoneOut;  // a kept cookie must not sign later tests in
    WallpaperDescription before = CaptureCurrentWallpaper();
    ProgramFolder folder;
    WriteAll(folder.Config(), "<?xml version=\"1.0\"?><TovarinSetting><Version>" + ToUtf8(GetProgramVersion()) +
                                  "</Version><Tags>xiezhen</Tags><ServiceUrl>" + ToUtf8(ServiceUrl()) +
                                  "</ServiceUrl></TovarinSetting>");
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    DWORD process = kestrane.GetId();
    ASSERT_NE(desktop.WaitForWindow(L"KestraneMainDialog", process, 15000), nullptr);
    EXPECT_NE(TakeMessageBox(desktop, process).find(L"Portraits"), std::wstring::npos)
        << "the members' category needs a sign-in";

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

    PostMessageW(window, WM_COMMAND, ID_DOWNLOAD_NOW, 0);
    ASSERT_TRUE(WaitUntil([&] { return Near(WallpaperColour(), kMembersPicture); }, 60))
        << "signed in, the members' picture is downloaded and shown";
    PostMessageW(window, WM_COMMAND, ID_ADD_FAVORITE, 0);
    EXPECT_NE(TakeMessageBox(desktop, process).find(L"1"), std::wstring::npos) << "added: one favourite";

    // Restart with another category: the favourite is all that brings the picture back.
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
    std::string config = ReadAll(folder.Config());
    const size_t tags = config.find("<Tags>xiezhen</Tags>");
    ASSERT_NE(tags, std::string::npos);
    WriteAll(folder.Config(), config.replace(tags, 20, "<Tags>zhiwu</Tags>"));
    ChildProcess restarted;
    window = desktop.StartKestrane(folder.Executable(), restarted);
    ASSERT_NE(window, nullptr);
    process = restarted.GetId();
    EXPECT_TRUE(WaitUntil([&] { return desktop.IsVisible(GetDlgItem(window, IDC_STATUS_ON)); }, 30))
        << "the first heartbeat finds the sign-in still alive";
    PostMessageW(window, WM_COMMAND, ID_DOWNLOAD_NOW, 0);  // the stored picture alone starts no download
    ASSERT_TRUE(
        WaitUntil([&] { return WallpaperColour() != CLR_INVALID && !Near(WallpaperColour(), kMembersPicture); }, 60))
        << "a plant of the new category is shown";

    PostMessageW(window, WM_COMMAND, IDC_FAVORITES, 0);
    ASSERT_NE(desktop.WaitForWindow(L"#32768", process, 10000), nullptr) << "the favourites menu";
    ASSERT_TRUE(desktop.XDoTool("key Down Return"));  // the first entry: the kept favourite
    EXPECT_TRUE(WaitUntil([&] { return Near(WallpaperColour(), kMembersPicture); }, 30))
        << "the favourite is shown again";

    PostMessageW(window, WM_COMMAND, ID_LOGOUT, 0);
    EXPECT_FALSE(TakeMessageBox(desktop, process).empty()) << "signed out";
    EXPECT_TRUE(WaitUntil([&] { return desktop.IsVisible(GetDlgItem(window, IDC_STATUS_OFF)); }, 5))
        << "the sign-in light is off";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(restarted.WaitForExit(20000), std::optional<DWORD>(0));
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}
