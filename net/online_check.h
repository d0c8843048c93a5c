#pragma once
// Whether the system says it is off-line, asked before every fetch. Asking costs about 10 ms
// under Wine, more than fetching a picture, so an on-line answer is kept for a few seconds;
// an off-line one never is, so that the first fetch after a reconnection goes through.
#include <functional>
#include <mutex>

class OnlineCheck {
public:
    using Probe = std::function<bool()>;  // true when on-line
    static constexpr unsigned long kKeepMs = 5000;

    explicit OnlineCheck(Probe probe) : m_probe(std::move(probe)) {}
    // nowMs: a millisecond clock that may wrap (GetTickCount).
    bool IsOffline(unsigned long nowMs);

private:
    Probe m_probe;
    std::mutex m_mutex;
    bool m_onlineKept = false;
    unsigned long m_checkedAt = 0;
};

// The process's check, through WinINet's connected state.
bool IsSystemOffline();
