#include "ui/main_window/ghost_tracker.h"

#include <cwchar>

#include "base/debug_log.h"

namespace {

// The hook's callback has no context of its own; there is one main window.
GhostTracker* g_tracker = nullptr;

bool IsOwnWindow(HWND window, HWND candidate) {
    return candidate && (candidate == window || IsChild(window, candidate));
}

}  // namespace

bool GhostTracker::Attach(HWND window, Actions actions) {
    Detach();
    m_window = window;
    m_actions = std::move(actions);
    g_tracker = this;
    // Out of context: the callback runs on this thread while it takes its messages.
    m_hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnWinEvent, 0, 0,
                             WINEVENT_OUTOFCONTEXT);
    if (!m_hook) DebugLog(L"SetWinEventHook(EVENT_SYSTEM_FOREGROUND) failed\n");
    return m_hook != nullptr;
}

void GhostTracker::Detach() {
    if (m_hook) UnhookWinEvent(m_hook);
    m_hook = nullptr;
    if (g_tracker == this) g_tracker = nullptr;
    m_window = nullptr;
    m_tracked = nullptr;
}

bool GhostTracker::IsDesktopClass(const wchar_t* className) {
    return std::wcscmp(className, L"Progman") == 0 || std::wcscmp(className, L"WorkerW") == 0;
}

void GhostTracker::OnQueuedMessage(const MSG& message) {
    if (!m_window || !IsOwnWindow(m_window, message.hwnd)) return;
    switch (message.message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
            Track(message.hwnd, message.message == WM_NCMOUSEMOVE);
            if (m_actions.setGhost) m_actions.setGhost(false);
            return;
        case WM_MOUSELEAVE:
        case WM_NCMOUSELEAVE:
            // Onto a button or back onto the face is still on the window: the move that
            // follows tracks the new part.
            if (message.hwnd == m_tracked) m_tracked = nullptr;
            Update();
            return;
        default:
            return;
    }
}

void GhostTracker::Track(HWND window, bool nonClient) {
    if (window == m_tracked && nonClient == m_trackedNonClient) return;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE | (nonClient ? TME_NONCLIENT : 0);
    track.hwndTrack = window;
    if (!TrackMouseEvent(&track)) return;
    m_tracked = window;
    m_trackedNonClient = nonClient;
}

void GhostTracker::OnActivation() {
    // The focus moves after the activation messages: look once they are done.
    if (m_updatePosted || !m_actions.post) return;
    m_updatePosted = true;
    m_actions.post([this] {
        m_updatePosted = false;
        if (m_window) Update(true);
    });
}

void GhostTracker::Update(bool trackCursor) {
    if (!m_window || !m_actions.setGhost) return;
    POINT cursor{};
    RECT box{};
    GetCursorPos(&cursor);
    GetWindowRect(m_window, &box);
    const bool inside = PtInRect(&box, cursor) != FALSE;
    // The cursor was already on the window when it came forward: no move has armed the leave.
    if (inside && trackCursor && !m_tracked) {
        HWND under = WindowFromPoint(cursor);
        if (IsOwnWindow(m_window, under))
            Track(under, SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y)) != HTCLIENT);
    }
    m_actions.setGhost(!(inside || GetFocus() != nullptr));
}

void CALLBACK GhostTracker::OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD, DWORD) {
    if (event == EVENT_SYSTEM_FOREGROUND && g_tracker) g_tracker->OnForeground(window);
}

// A click on the desktop brings the window forward, unless the window had the focus just
// before (then the user clicked away from it on purpose).
void GhostTracker::OnForeground(HWND foreground) {
    if (!m_window || !IsWindowVisible(m_window) || foreground == m_lastForeground) return OnActivation();
    const HWND previous = m_lastForeground;
    m_lastForeground = foreground;
    wchar_t className[65] = {};
    if (foreground && previous != m_window && GetClassNameW(foreground, className, 65) && IsDesktopClass(className))
        return BringForward(foreground);
    OnActivation();
}

void GhostTracker::BringForward(HWND desktop) {
    const DWORD own = GetCurrentThreadId(), theirs = GetWindowThreadProcessId(desktop, nullptr);
    AttachThreadInput(own, theirs, TRUE);
    SetForegroundWindow(m_window);
    SetFocus(m_window);
    AttachThreadInput(own, theirs, FALSE);
    ShowWindow(m_window, SW_RESTORE);
    if (m_actions.setGhost) m_actions.setGhost(false);
}
