#pragma once
// A named worker thread with its own message loop (a COM single-threaded apartment) that
// runs posted jobs one at a time, highest priority first; those of one priority in the order
// they were posted.
#include <functional>
#include <memory>
#include <string>

class JobThread {
public:
    using Job = std::function<void()>;
    static constexpr int kDefaultPriority = 100;

    // Returns once the thread has started and registered its loop.
    explicit JobThread(std::wstring name);
    // Quits the thread, drops the queued jobs and waits for the thread to end.
    ~JobThread();
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    // Callable from any thread, the job thread itself included.
    void Post(Job job, int priority = kDefaultPriority);
    // Drops every queued job; a running job is not affected.
    void ClearQueue();
    // Asks the thread to quit and drops the queue; does not wait.
    void Stop();
    // Waits without limit for the thread to end.
    void Wait();

    unsigned long GetThreadId() const { return m_threadId; }
    bool IsCurrentThread() const;

private:
    struct Shared;
    static unsigned long __stdcall ThreadMain(void* parameter);

    void* m_thread = nullptr;
    unsigned long m_threadId = 0;
    std::shared_ptr<Shared> m_shared;
};

// Pumps the calling thread's messages until EndNestedLoop is called for this thread (true)
// or WM_QUIT arrives (false; WM_QUIT is posted again for the outer loop).
bool RunNestedLoop();
void EndNestedLoop(unsigned long threadId);
