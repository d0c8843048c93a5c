// The tray icon's record, its tip and the progress strip's arithmetic, without a shell.
#include <gtest/gtest.h>

#include <string>

#include "base/localization.h"
#include "ui/controls/progress_strip.h"
#include "ui/tray/tray_icon.h"
#include "ui/tray/tray_tip.h"

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

TEST(TrayTip, SaysWhatHoldsTheChangesBackAndWhenNewWallpapersCame) {
    ASSERT_TRUE(LoadStringMaps());
    SelectLanguage(1033);
    // 2025-12-10 12:30 UTC: past half past midnight on the 10th or the 11th in every time zone.
    const std::int64_t now = 1765369800;
    ControllerState state;
    EXPECT_EQ(TrayTipText(state, now), L"Tovarin") << "never downloaded, nothing paused";

    state.lastNewWallpapers = now - 60;
    EXPECT_EQ(WhenText(now - 60, now).rfind(L"today ", 0), 0u) << WhenText(now - 60, now);
    EXPECT_EQ(WhenText(now - 86400, now).rfind(L"yesterday ", 0), 0u);
    EXPECT_EQ(TrayTipText(state, now), L"Tovarin\nNew wallpapers: " + WhenText(now - 60, now));
    const std::wstring earlier = WhenText(now - 3 * 86400, now);
    EXPECT_EQ(earlier.find(L"today"), std::wstring::npos);
    EXPECT_EQ(earlier.find(L"yesterday"), std::wstring::npos);
    EXPECT_NE(earlier.find(L"2025"), std::wstring::npos) << "older ones carry the user's date: " << earlier;
    EXPECT_EQ(WhenText(-1, now), L"") << "a time before 1970 is no time";
    EXPECT_EQ(WhenText(INT64_MAX, now), L"");

    state.pausedForFullScreen = true;
    state.pausedForBattery = true;
    state.serviceAway = true;
    const std::wstring tip = TrayTipText(state, now);
    EXPECT_EQ(tip.rfind(L"Tovarin\nChanges paused: full-screen program\n", 0), 0u) << tip;
    EXPECT_NE(tip.find(L"Changes and downloads paused: on battery"), std::wstring::npos);
    EXPECT_NE(tip.find(L"Service unreachable"), std::wstring::npos);
    EXPECT_LE(tip.size(), 127u) << "what does not fit is left out whole, never cut";
    EXPECT_EQ(tip.find(L"New wallpapers: "), std::wstring::npos) << "the last arrival is the line that gives way";
    state.currentPicture = L"Plants \u00B7 12/10/2026";
    EXPECT_EQ(TrayTipText(state, now).rfind(L"Tovarin\nPlants \u00B7 12/10/2026\nChanges paused", 0), 0u)
        << "the picture shown comes first, named as the caption names it";
    state = ControllerState{};
    state.frozen = true;
    state.lastNewWallpapers = now - 60;
    SelectLanguage(2052);
    const std::wstring chinese = TrayTipText(state, now);
    EXPECT_NE(chinese.find(GetString(L"Tooltip_Frozen")), std::wstring::npos);
    EXPECT_NE(chinese.find(L"\u65b0\u58c1\u7eb8"), std::wstring::npos) << "the program's language";
    SelectLanguage(1033);
}
