#include "ui/main_window/posted_calls.h"

bool PostedCallQueue::Post(HWND window, UINT message, Call call) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!window) return false;
    m_calls.push_back(std::move(call));
    if (PostMessageW(window, message, 0, 0)) return true;
    m_calls.pop_back();  // the window is gone: nobody would run it
    return false;
}

void PostedCallQueue::RunOne() {
    Call call;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_calls.empty()) return;
        call = std::move(m_calls.front());
        m_calls.pop_front();
    }
    if (call) call();
}

void PostedCallQueue::Clear() {
    std::deque<Call> dropped;
    std::lock_guard<std::mutex> guard(m_mutex);
    dropped.swap(m_calls);
}
