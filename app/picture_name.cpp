#include "app/picture_name.h"

#include <algorithm>
#include <cwchar>

#include "base/localization.h"

std::wstring CategoryTitle(const std::wstring& id) { return GetString(L"Category_" + id, id); }

std::wstring CategoryOfUrl(const std::wstring& url, const std::vector<Settings::Category>& known) {
    const std::wstring segments = L"/" + url + L"/";
    for (const Settings::Category& category : known)
        if (!category.id.empty() && segments.find(L"/" + category.id + L"/") != std::wstring::npos) return category.id;
    return {};
}

std::optional<SYSTEMTIME> FileDay(const Path& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    SYSTEMTIME utc{}, day{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &day))
        return std::nullopt;
    return day;
}

std::optional<SYSTEMTIME> TimestampDay(const std::wstring& timestamp) {
    if (timestamp.size() < 8 ||
        !std::all_of(timestamp.begin(), timestamp.begin() + 8, [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return std::nullopt;
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(std::stoi(timestamp.substr(0, 4)));
    day.wMonth = static_cast<WORD>(std::stoi(timestamp.substr(4, 2)));
    day.wDay = static_cast<WORD>(std::stoi(timestamp.substr(6, 2)));
    // A day the calendar does not have (the 31st of June) is no day.
    FILETIME check;
    if (day.wYear < 1601 || !SystemTimeToFileTime(&day, &check)) return std::nullopt;
    return day;
}

std::wstring ShortDate(const SYSTEMTIME& day) {
    wchar_t text[80] = {};
    return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, text, 80) > 0 ? text : L"";
}

std::wstring PictureLabel(const PictureName& name) {
    const std::wstring date = name.day ? ShortDate(*name.day) : std::wstring();
    if (date.empty()) return name.title;
    return name.title.empty() ? date : name.title + L" \u00B7 " + date;
}

std::wstring PictureFileName(const PictureName& name) {
    if (!name.day) return name.title;
    wchar_t date[16] = {};
    std::swprintf(date, 16, L"%04u-%02u-%02u", name.day->wYear, name.day->wMonth, name.day->wDay);
    return name.title + L" " + date;
}
