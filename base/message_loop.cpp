#include "base/message_loop.h"

#include <algorithm>

void MessageLoop::AddMessageFilter(MessageFilter* filter) { m_filters.push_back(filter); }
void MessageLoop::RemoveMessageFilter(MessageFilter* filter) {
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), filter), m_filters.end());
}
void MessageLoop::AddIdleHandler(IdleHandler* handler) { m_idleHandlers.push_back(handler); }
void MessageLoop::RemoveIdleHandler(IdleHandler* handler) {
    m_idleHandlers.erase(std::remove(m_idleHandlers.begin(), m_idleHandlers.end(), handler), m_idleHandlers.end());
}

bool MessageLoop::PreTranslate(MSG& message) {
    // Newest filter first, and on a copy: a filter may remove itself.
    std::vector<MessageFilter*> filters(m_filters.rbegin(), m_filters.rend());
    for (MessageFilter* filter : filters)
        if (filter->PreTranslateMessage(message)) return true;
    return false;
}

bool MessageLoop::RunIdleHandlers(int idleCount) {
    std::vector<IdleHandler*> handlers = m_idleHandlers;
    bool more = false;
    for (IdleHandler* handler : handlers) more = handler->OnIdle(idleCount) || more;
    return more;
}

bool MessageLoop::IsIdleMessage(const MSG& message) {
    // Messages that arrive all the time and must not re-arm idle work.
    switch (message.message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_PAINT:
        case 0x0118:  // the system timer that blinks the caret
            return false;
        default:
            return true;
    }
}

int MessageLoop::Run() {
    bool idle = true;
    int idleCount = 0;
    MSG message{};
    for (;;) {
        while (idle && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!RunIdleHandlers(idleCount++)) idle = false;
        }
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) break;
        if (!PreTranslate(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (IsIdleMessage(message)) {
            idle = true;
            idleCount = 0;
        }
    }
    return static_cast<int>(message.wParam);
}
