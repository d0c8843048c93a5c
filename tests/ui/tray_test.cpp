// The tray icon's record and menu, and the progress strip's arithmetic, without a shell.
#include <gtest/gtest.h>

#include <string>

#include "base/localization.h"
#include "resources/resource.h"
#include "ui/progress_strip.h"
#include "ui/tray_icon.h"
#include "ui/tray_menu.h"

namespace {

std::vector<UINT> IdsOf(HMENU menu) {
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
    return ids;
}

std::wstring TextOf(HMENU menu, int position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

}  // namespace

TEST(TrayIcon, TextsAreCutToWhatTheShellHolds) {
    TrayIcon icon;
    icon.ShowBalloon(std::wstring(300, L'b'), std::wstring(80, L't'), NIIF_NONE, 10000);
    EXPECT_EQ(std::wstring(icon.Data().szInfo), std::wstring(255, L'b'));
    EXPECT_EQ(std::wstring(icon.Data().szInfoTitle), std::wstring(63, L't'));
    EXPECT_EQ(icon.Data().uTimeout, 10000u);
    icon.SetTip(std::wstring(200, L'x'));
    EXPECT_EQ(std::wstring(icon.Data().szTip), std::wstring(127, L'x'));
    icon.ShowBalloon(L"short", L"", NIIF_NONE, 10000);
    EXPECT_EQ(std::wstring(icon.Data().szInfo), L"short") << "a shorter text leaves nothing of the longer one";
    EXPECT_FALSE(icon.IsAdded()) << "never added: changes are kept, nothing is sent";
}

TEST(TrayIcon, TheMenuFollowsTheSignInState) {
    ASSERT_TRUE(LoadStringMaps());
    SelectLanguage(1033);
    HMENU out = BuildTrayMenu(TrayMenuState{false, false}, CreatePopupMenu());
    ASSERT_NE(out, nullptr);
    const UINT popup = static_cast<UINT>(-1), separator = 0;
    EXPECT_EQ(IdsOf(out),
              (std::vector<UINT>{ID_SHOW_MAIN_WINDOW, ID_RESTORE_OLD_WALLPAPER, separator, popup, ID_DOWNLOAD_NOW,
                                 ID_SHOW_PROPERTY_SHEET, separator, ID_LOGIN, ID_APP_ABOUT, ID_APP_EXIT}));
    EXPECT_EQ(TextOf(out, 0), GetString(L"CmdName_ShowMainWindow"));
    EXPECT_EQ(TextOf(out, 3), GetString(L"CmdName_QuickCategory"));
    const std::wstring english = TextOf(out, 0);
    DestroyMenu(out);

    HMENU in = BuildTrayMenu(TrayMenuState{true, true}, nullptr);
    EXPECT_EQ(IdsOf(in), (std::vector<UINT>{ID_SHOW_MAIN_WINDOW, ID_RESTORE_OLD_WALLPAPER, separator, ID_DOWNLOAD_NOW,
                                            ID_SHOW_PROPERTY_SHEET, separator, ID_LOGOUT, ID_MANAGE_CATEGORY,
                                            ID_APP_ABOUT, ID_APP_EXIT}));
    DestroyMenu(in);
    HMENU plain = BuildTrayMenu(TrayMenuState{true, false}, nullptr);
    EXPECT_EQ(GetMenuState(plain, ID_MANAGE_CATEGORY, MF_BYCOMMAND), static_cast<UINT>(-1))
        << "no management item without the manage flag or an image with an id";
    DestroyMenu(plain);

    SelectLanguage(2052);
    HMENU chinese = BuildTrayMenu(TrayMenuState{false, false}, nullptr);
    EXPECT_EQ(TextOf(chinese, 0), GetString(L"CmdName_ShowMainWindow"));
    EXPECT_NE(TextOf(chinese, 0), english) << "the menu is built in the current language";
    DestroyMenu(chinese);
    SelectLanguage(1033);
}

TEST(ProgressStrip, FilledWidthFollowsThePercent) {
    EXPECT_EQ(ProgressStrip::FilledWidth(0, 88), 0);
    EXPECT_EQ(ProgressStrip::FilledWidth(1, 88), 1) << "a started download shows at least one pixel";
    EXPECT_EQ(ProgressStrip::FilledWidth(30, 88), 26);
    EXPECT_EQ(ProgressStrip::FilledWidth(100, 88), 88);
    EXPECT_EQ(ProgressStrip::FilledWidth(150, 88), 88);
    EXPECT_EQ(ProgressStrip::FilledWidth(-5, 88), 0);
    EXPECT_EQ(ProgressStrip::FilledWidth(50, 0), 0);
}
