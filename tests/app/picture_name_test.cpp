// How a picture is named to the user: the caption, the tray tip, the favourites menu and a
// saved copy's file name.
#include <gtest/gtest.h>

#include "app/picture_name.h"
#include "base/localization.h"
#include "base/utf8.h"

namespace {

SYSTEMTIME Day(WORD year, WORD month, WORD day) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    return time;
}

TEST(PictureName, TheCategoryFromTheAddressAndTheDayInTheUsersFormat) {
    ASSERT_TRUE(LoadStringMaps());
    SelectLanguage(1033);
    const std::vector<Settings::Category> known = {{L"fengguang"}, {L"meinv"}, {L"dongwu"}};
    EXPECT_EQ(CategoryOfUrl(L"http://host/pictures/meinv/a.jpg", known), L"meinv");
    EXPECT_EQ(CategoryOfUrl(L"http://host/meinvx/fengguang", known), L"fengguang") << "whole segments only";
    EXPECT_EQ(CategoryOfUrl(L"http://host/pictures/a.jpg", known), L"");
    EXPECT_EQ(CategoryTitle(L"fengguang"), GetString(L"Category_fengguang"));
    EXPECT_EQ(CategoryTitle(L"unknown"), L"unknown") << "a category without a name keeps its id";

    const SYSTEMTIME day = Day(2026, 12, 10);
    const std::wstring date = ShortDate(day);
    EXPECT_NE(date.find(L"2026"), std::wstring::npos) << "the whole year: " << ToUtf8(date);
    EXPECT_NE(date.find(L"10"), std::wstring::npos);
    EXPECT_EQ(PictureLabel({L"Plants", day}), L"Plants \u00B7 " + date);
    EXPECT_EQ(PictureLabel({L"Plants", std::nullopt}), L"Plants");
    EXPECT_EQ(PictureFileName({L"Plants", day}), L"Plants 2026-12-10") << "the same in every locale";
    EXPECT_EQ(PictureFileName({L"Plants", Day(2027, 1, 2)}), L"Plants 2027-01-02");
}

TEST(PictureName, AFavouritesTimestampGivesItsDayOnlyWhenItStartsWithARealDate) {
    const std::optional<SYSTEMTIME> day = TimestampDay(L"19991231235959");
    ASSERT_TRUE(day);
    EXPECT_EQ(day->wYear, 1999);
    EXPECT_EQ(day->wMonth, 12);
    EXPECT_EQ(day->wDay, 31);
    EXPECT_TRUE(TimestampDay(L"20240715"));
    for (const wchar_t* bad : {L"2024071", L"2024-07-15", L"20241315", L"20240700", L"20240631", L"00000101", L""})
        EXPECT_FALSE(TimestampDay(bad)) << ToUtf8(bad);
}

}  // namespace
