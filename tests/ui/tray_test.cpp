// The tray icon's record and the progress strip's arithmetic, without a shell.
#include <gtest/gtest.h>

#include <string>

#include "ui/controls/progress_strip.h"
#include "ui/tray/tray_icon.h"

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

TEST(ProgressStrip, FilledWidthFollowsThePercent) {
    EXPECT_EQ(ProgressStrip::FilledWidth(0, 88), 0);
    EXPECT_EQ(ProgressStrip::FilledWidth(1, 88), 1) << "a started download shows at least one pixel";
    EXPECT_EQ(ProgressStrip::FilledWidth(30, 88), 26);
    EXPECT_EQ(ProgressStrip::FilledWidth(100, 88), 88);
    EXPECT_EQ(ProgressStrip::FilledWidth(150, 88), 88);
    EXPECT_EQ(ProgressStrip::FilledWidth(-5, 88), 0);
    EXPECT_EQ(ProgressStrip::FilledWidth(50, 0), 0);
}
