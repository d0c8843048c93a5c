#pragma once
// A thread's message loop with message filters and idle handlers, registered per thread
// in the application module so that nested loops can find it.
#include <windows.h>

#include <vector>

class MessageFilter {
public:
    // True when the message was handled and must not be dispatched.
    virtual bool PreTranslateMessage(MSG& message) = 0;

protected:
    ~MessageFilter() = default;
};

class IdleHandler {
public:
    // True while there is more idle work to do.
    virtual bool OnIdle(int idleCount) = 0;

protected:
    ~IdleHandler() = default;
};

class MessageLoop {
public:
    void AddMessageFilter(MessageFilter* filter);
    void RemoveMessageFilter(MessageFilter* filter);
    void AddIdleHandler(IdleHandler* handler);
    void RemoveIdleHandler(IdleHandler* handler);

    // Pumps until WM_QUIT and returns its exit code.
    int Run();

    // Pieces shared with the nested loop.
    bool PreTranslate(MSG& message);
    bool RunIdleHandlers(int idleCount);
    static bool IsIdleMessage(const MSG& message);

private:
    std::vector<MessageFilter*> m_filters;
    std::vector<IdleHandler*> m_idleHandlers;
};

// The loops of the process's threads, by thread id.
namespace AppModule {
void AddMessageLoop(MessageLoop* loop);  // for the calling thread
void RemoveMessageLoop();
MessageLoop* GetMessageLoop();  // the calling thread's, or null
}  // namespace AppModule
