#include "base/job_thread.h"

#include <objbase.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <vector>

#include "base/debug_log.h"
#include "base/handles.h"
#include "base/message_loop.h"
#include "base/utf8.h"

namespace {

UINT ExecJobMessage() {
    static const UINT message = RegisterWindowMessageW(L"WM_TOVARIN_EXECJOB");
    return message;
}

UINT EndEventLoopMessage() {
    static const UINT message = RegisterWindowMessageW(L"WM_TOVARIN_END_EVENTLOOP");
    return message;
}

// A heap alone does not keep the order of equal elements: the sequence number makes jobs of
// one priority run in the order they were posted.
struct QueuedJob {
    JobThread::Job job;
    int priority;
    unsigned long long sequence;
    bool operator<(const QueuedJob& other) const {
        return priority != other.priority ? priority < other.priority : sequence > other.sequence;
    }
};

// Debuggers learn thread names from exception 0x406D1388; newer systems also keep a
// description of their own. Both are best effort.
LONG CALLBACK SkipThreadNameException(EXCEPTION_POINTERS* info) {
    return info->ExceptionRecord->ExceptionCode == 0x406D1388 ? EXCEPTION_CONTINUE_EXECUTION
                                                              : EXCEPTION_CONTINUE_SEARCH;
}

void SetThreadName(const std::wstring& name) {
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    if (auto set = reinterpret_cast<SetDescription>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription"))))
        set(GetCurrentThread(), name.c_str());
    if (!IsDebuggerPresent()) return;
    static PVOID handler = AddVectoredExceptionHandler(0, SkipThreadNameException);
    (void)handler;
    std::string ansi(name.size() * 2 + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, &ansi[0], static_cast<int>(ansi.size()), nullptr, nullptr);
    ULONG_PTR info[4] = {0x1000, reinterpret_cast<ULONG_PTR>(ansi.c_str()), GetCurrentThreadId(), 0};
    RaiseException(0x406D1388, 0, 4, info);
}

// Nothing throws out of a job: what escapes is logged and the thread goes on with the next.
void RunGuarded(const JobThread::Job& job) {
    if (!job) return;
    try {
        job();
    } catch (const std::exception& error) {
        DebugLog(L"A job failed: " + FromUtf8(error.what()) + L"\n");
    } catch (...) {
        DebugLog(L"A job failed\n");
    }
}

}  // namespace

struct JobThread::Shared : MessageFilter {
    std::wstring name;
    UniqueHandle startEvent;
    std::mutex mutex;              // guards queue and busy
    std::vector<QueuedJob> queue;  // a max-heap by priority, then by age
    unsigned long long posted = 0;  // jobs queued so far
    bool busy = false;
    bool stopping = false;  // set by Stop: jobs still queued or posted later never run
    DWORD threadId = 0;

    // One job per WM_TOVARIN_EXECJOB; a nested loop inside a job cannot start another.
    bool PreTranslateMessage(MSG& message) override {
        if (message.hwnd || message.message != ExecJobMessage()) return false;
        std::unique_lock<std::mutex> lock(mutex);
        if (!busy && !stopping && !queue.empty()) {
            std::pop_heap(queue.begin(), queue.end());
            Job job = std::move(queue.back().job);
            queue.pop_back();
            busy = true;
            lock.unlock();
            RunGuarded(job);
            job = nullptr;  // release what the job holds before the next one runs
            lock.lock();
            busy = false;
            PostThreadMessageW(threadId, ExecJobMessage(), 0, 0);
        }
        return true;
    }

    void Clear() {
        std::vector<QueuedJob> dropped;
        {
            std::lock_guard<std::mutex> guard(mutex);
            dropped.swap(queue);
        }
        // Dropped jobs are destroyed outside the lock: their captures may post again.
    }
};

JobThread::JobThread(std::wstring name) : m_shared(std::make_shared<Shared>()) {
    ExecJobMessage();
    EndEventLoopMessage();
    m_shared->name = std::move(name);
    m_shared->startEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    DWORD id = 0;
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, CREATE_SUSPENDED, &id);
    if (!m_thread) {
        LogLastError(L"CreateThread");
        return;
    }
    m_threadId = id;
    m_shared->threadId = id;
    ResumeThread(m_thread);
    WaitForSingleObject(m_shared->startEvent.get(), INFINITE);
    m_shared->startEvent.reset();
}

JobThread::~JobThread() {
    Stop();
    // A thread cannot wait for itself; the last owner letting go on this thread just
    // leaves the thread to finish its loop.
    if (!IsCurrentThread()) Wait();
    if (m_thread) CloseHandle(m_thread);
}

unsigned long __stdcall JobThread::ThreadMain(void* parameter) {
    // The creator waits for the start event, so `this` is valid until it is signalled;
    // afterwards only the shared state is used.
    std::shared_ptr<Shared> shared = static_cast<JobThread*>(parameter)->m_shared;
    MessageLoop loop;
    AppModule::AddMessageLoop(&loop);
    loop.AddMessageFilter(shared.get());
    MSG peek;  // make sure the thread has a message queue before anyone posts to it
    PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(shared->startEvent.get());

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (!shared->name.empty()) {
        std::wstring name = shared->name;
        std::lock_guard<std::mutex> guard(shared->mutex);
        shared->queue.push_back({[name] { SetThreadName(name); }, kDefaultPriority, shared->posted++});
        std::push_heap(shared->queue.begin(), shared->queue.end());
        PostThreadMessageW(shared->threadId, ExecJobMessage(), 0, 0);
    }
    int code = loop.Run();
    shared->Clear();
    CoUninitialize();
    loop.RemoveMessageFilter(shared.get());
    AppModule::RemoveMessageLoop();
    return static_cast<unsigned long>(code);
}

void JobThread::Post(Job job, int priority) {
    std::lock_guard<std::mutex> guard(m_shared->mutex);
    m_shared->queue.push_back({std::move(job), priority, m_shared->posted++});
    std::push_heap(m_shared->queue.begin(), m_shared->queue.end());
    // If the thread has ended the job stays queued and goes with the shared state.
    PostThreadMessageW(m_threadId, ExecJobMessage(), 0, 0);
}

void JobThread::ClearQueue() { m_shared->Clear(); }

void JobThread::Stop() {
    {
        // A job message posted before WM_QUIT would otherwise still run a job posted
        // after Stop.
        std::lock_guard<std::mutex> guard(m_shared->mutex);
        m_shared->stopping = true;
    }
    PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    ClearQueue();
}

void JobThread::Wait() {
    if (m_thread) WaitForSingleObject(m_thread, INFINITE);
}

bool JobThread::IsCurrentThread() const { return GetCurrentThreadId() == m_threadId; }

bool RunNestedLoop() {
    MessageLoop* loop = AppModule::GetMessageLoop();
    bool idle = true;
    int idleCount = 0;
    MSG message;
    for (;;) {
        while (idle && loop && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!loop->RunIdleHandlers(idleCount++)) idle = false;
        }
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (!message.hwnd && message.message == EndEventLoopMessage()) return true;
        if (!loop || !loop->PreTranslate(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (MessageLoop::IsIdleMessage(message)) {
            idle = true;
            idleCount = 0;
        }
    }
}

void EndNestedLoop(unsigned long threadId) { PostThreadMessageW(threadId, EndEventLoopMessage(), 0, 0); }
