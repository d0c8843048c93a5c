#pragma once
// A first-in first-out queue of calls to run on the thread that owns a window: Post appends
// under the lock and posts one message; each message runs the oldest call, lock released.
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

class PostedCallQueue {
public:
    using Call = std::function<void()>;

    // False (and the call dropped) when there is no window to wake.
    bool Post(HWND window, UINT message, Call call);
    // Runs the oldest call, if any. Call on the window's thread for each posted message.
    void RunOne();
    void Clear();

private:
    std::mutex m_mutex;
    std::deque<Call> m_calls;
};
