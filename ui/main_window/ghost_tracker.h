#pragma once
// When the main window fades to a ghost: opaque while the cursor is on it or the program has
// the focus, and brought forward when the user clicks the desktop. Driven by the window's own
// messages and a foreground-change hook, so an idle program is not woken to look.
#include <windows.h>

#include <functional>

class GhostTracker {
public:
    struct Actions {
        std::function<void(bool ghost)> setGhost;
        // Runs a call later on the window's thread, once the message at hand is done with.
        std::function<void(std::function<void()>)> post;
    };

    GhostTracker() = default;
    ~GhostTracker() { Detach(); }
    GhostTracker(const GhostTracker&) = delete;
    GhostTracker& operator=(const GhostTracker&) = delete;

    // Starts following the window (one at a time); false when the foreground hook could not
    // be set, so only this program's own activations are seen.
    bool Attach(HWND window, Actions actions);
    void Detach();

    // Mouse messages of the window and its children as they leave the queue: the face answers
    // HTCAPTION, so a move there is non-client, and a move onto a button leaves the window.
    void OnQueuedMessage(const MSG& message);
    // WM_ACTIVATE and WM_ACTIVATEAPP of the window: the focus settles after them.
    void OnActivation();
    // Ghost unless the cursor is on the window or a window of this thread has the focus;
    // trackCursor also arms the leave when the cursor is found on the window.
    void Update(bool trackCursor = false);

    // The hook's report of a new foreground window: a click on the desktop brings the window
    // forward.
    void OnForeground(HWND foreground);

    // The windows a click on the desktop makes the foreground one.
    static bool IsDesktopClass(const wchar_t* className);

private:
    static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child, DWORD thread,
                                    DWORD time);
    void BringForward(HWND desktop);
    void Track(HWND window, bool nonClient);

    HWND m_window = nullptr;
    Actions m_actions;
    HWINEVENTHOOK m_hook = nullptr;
    HWND m_lastForeground = nullptr;
    HWND m_tracked = nullptr;  // the window whose leave is awaited
    bool m_trackedNonClient = false;
    bool m_updatePosted = false;
};
