#include "net/online_check.h"

#include <windows.h>
#include <wininet.h>

bool OnlineCheck::IsOffline(unsigned long nowMs) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_onlineKept && nowMs - m_checkedAt < kKeepMs) return false;
    m_onlineKept = m_probe();
    m_checkedAt = nowMs;
    return !m_onlineKept;
}

bool IsSystemOffline() {
    static OnlineCheck check([] {
        DWORD state = 0;
        return InternetGetConnectedState(&state, 0) || (state & INTERNET_CONNECTION_LAN);
    });
    return check.IsOffline(GetTickCount());
}
