#include "desktop/shell/pause_signals.h"

namespace {

// QUERY_USER_NOTIFICATION_STATE, which the Windows XP headers leave out.
enum { kShellBusy = 2, kShellFullScreenDirect3D = 3, kShellPresentation = 4 };

bool ShellSaysFullScreen() {
    using Query = HRESULT(WINAPI*)(int* state);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), "SHQueryUserNotificationState")));
    int state = 0;
    if (!query || FAILED(query(&state))) return false;
    return state == kShellBusy || state == kShellFullScreenDirect3D || state == kShellPresentation;
}

bool IsShellDesktop(HWND window) {
    if (window == GetDesktopWindow() || window == GetShellWindow()) return true;
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, L"Progman") == 0 || lstrcmpW(name, L"WorkerW") == 0;
}

bool ForegroundCoversItsMonitor() {
    HWND window = GetForegroundWindow();
    if (!window || !IsWindowVisible(window) || IsIconic(window) || IsShellDesktop(window)) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) return false;
    // A maximised window with its title bar covers the monitor too when the task bar hides itself.
    if ((GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) return false;
    RECT rect{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetWindowRect(window, &rect) ||
        !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONULL), &monitor))
        return false;
    const RECT& screen = monitor.rcMonitor;
    return rect.left <= screen.left && rect.top <= screen.top && rect.right >= screen.right &&
           rect.bottom >= screen.bottom;
}

}  // namespace

bool FullScreenProgramRunning() { return ShellSaysFullScreen() || ForegroundCoversItsMonitor(); }

bool BatteryAsksForPause(const SYSTEM_POWER_STATUS& status) {
    constexpr BYTE kOnBattery = 0, kNoBattery = 128, kUnknown = 255, kSaverOn = 1;
    if (status.ACLineStatus != kOnBattery || status.BatteryFlag == kUnknown || (status.BatteryFlag & kNoBattery))
        return false;
    // Windows 10 and later tell the battery saver in what older headers call Reserved1.
    const bool saver = status.Reserved1 == kSaverOn;
    const bool low = status.BatteryLifePercent != kUnknown && status.BatteryLifePercent < 20;
    return saver || low;
}

bool BatteryAsksForPause() {
    SYSTEM_POWER_STATUS status{};
    return GetSystemPowerStatus(&status) && BatteryAsksForPause(status);
}
