#pragma once
// How the program names a picture to the user: its category in the program's language (a
// local picture: its file's name) and the day it came. The caption on the wallpaper, the tray
// tip, the favourites menu and a saved copy's file name all say it the same way.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/path.h"
#include "config/settings.h"

struct PictureName {
    std::wstring title;
    std::optional<SYSTEMTIME> day;  // in local time
};

// The category's name in the program's language.
std::wstring CategoryTitle(const std::wstring& id);
// The known category an address is filed under (one of its path segments); empty when none.
std::wstring CategoryOfUrl(const std::wstring& url, const std::vector<Settings::Category>& known);
// The local day the file was last written; none when it cannot be looked at.
std::optional<SYSTEMTIME> FileDay(const Path& file);
// The day of a "yyyyMMdd..." timestamp; none when it does not start with a real date.
std::optional<SYSTEMTIME> TimestampDay(const std::wstring& timestamp);

// The day in the user's short date format.
std::wstring ShortDate(const SYSTEMTIME& day);
// "Plants · 10/12/2026": what the caption and the tray tip say.
std::wstring PictureLabel(const PictureName& name);
// "Plants 2026-12-10": a file name, the same in every locale and sorted by day.
std::wstring PictureFileName(const PictureName& name);
