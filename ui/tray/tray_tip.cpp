#include "ui/tray/tray_tip.h"

#include <windows.h>

#include <vector>

#include "app/picture_name.h"
#include "base/localization.h"

namespace {

constexpr size_t kTipLimit = 127;  // NOTIFYICONDATA's szTip, less its terminator

bool ToLocalTime(std::int64_t time, SYSTEMTIME& local) {
    constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000LL, kTicksPerSecond = 10000000;
    if (time < 0 || time > (INT64_MAX - kUnixEpochInFileTime) / kTicksPerSecond) return false;
    const std::int64_t ticks = time * kTicksPerSecond + kUnixEpochInFileTime;
    FILETIME file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    return FileTimeToSystemTime(&file, &utc) && SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
}

bool SameDay(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

std::wstring ClockTime(const SYSTEMTIME& time) {
    wchar_t text[80] = {};
    return GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, text, 80) > 0 ? text : L"";
}

}  // namespace

std::wstring WhenText(std::int64_t time, std::int64_t now) {
    SYSTEMTIME when{}, today{}, yesterday{};
    if (!ToLocalTime(time, when) || !ToLocalTime(now, today) || !ToLocalTime(now - 86400, yesterday)) return {};
    const std::wstring clock = ClockTime(when);
    if (SameDay(when, today)) return FormatString(GetString(L"Tooltip_Today"), {clock});
    if (SameDay(when, yesterday)) return FormatString(GetString(L"Tooltip_Yesterday"), {clock});
    return ShortDate(when) + L" " + clock;
}

std::wstring TrayTipText(const ControllerState& state, std::int64_t now) {
    // Most telling first: the picture shown, what holds the changes back, then the service,
    // then the last arrival.
    std::vector<std::wstring> lines;
    if (!state.currentPicture.empty()) lines.push_back(state.currentPicture);
    if (state.frozen) lines.push_back(GetString(L"Tooltip_Frozen"));
    if (state.pausedForFullScreen) lines.push_back(GetString(L"Tooltip_PausedFullScreen"));
    if (state.pausedForBattery) lines.push_back(GetString(L"Tooltip_PausedOnBattery"));
    if (state.serviceAway) lines.push_back(GetString(L"Tooltip_ServiceAway"));
    if (state.lastNewWallpapers > 0) {
        const std::wstring when = WhenText(state.lastNewWallpapers, now);
        if (!when.empty()) lines.push_back(FormatString(GetString(L"Tooltip_NewWallpapers"), {when}));
    }
    std::wstring tip = GetString(L"Tooltip_ProgramName");
    for (const std::wstring& line : lines)
        if (tip.size() + 1 + line.size() <= kTipLimit) tip += L"\n" + line;
    return tip;
}
