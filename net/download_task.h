#pragma once
// Every network operation is a task queued on the Downloader. A task runs on the Downloader
// thread, reports progress, and ends in its done or its error callback, unless it was
// suspended (it runs again later) or aborted (it ends silently).
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "net/download_exception.h"
#include "net/http_fetch.h"

class InternetSession;

class DownloadTask : public std::enable_shared_from_this<DownloadTask> {
public:
    using DoneCallback = std::function<void()>;
    using ErrorCallback = std::function<void(DownloadException::ErrorType type, const std::wstring& message)>;
    using ProgressCallback = std::function<void(int percent)>;  // -1: the task has finished

    virtual ~DownloadTask() = default;

    // The work; throws DownloadException. May run again from the start after a suspension.
    virtual void Run() = 0;
    virtual bool TryComplete() { return false; }

    // Any thread: closes the current connection so that a blocked fetch ends.
    void Suspend();
    void Abort();

    void SetDoneCallback(DoneCallback callback) { m_done = std::move(callback); }
    void SetErrorCallback(ErrorCallback callback) { m_error = std::move(callback); }
    void SetProgressCallback(ProgressCallback callback) { m_progress = std::move(callback); }
    const DoneCallback& GetDoneCallback() const { return m_done; }
    const ErrorCallback& GetErrorCallback() const { return m_error; }
    const ProgressCallback& GetProgressCallback() const { return m_progress; }

    int GetPriority() const { return m_priority; }
    void SetPriority(int priority) { m_priority = priority; }
    bool IsSuspended() const { return m_suspended; }
    bool IsAborted() const { return m_aborted; }

    // Set by the task loop around Run.
    void SetSession(std::shared_ptr<InternetSession> session) { m_session = std::move(session); }
    void ClearFlags() {
        m_suspended = false;
        m_aborted = false;
        m_connection.Reset();
    }
    // A task run on this task's behalf (the sign-in a refused request needs) is suspended and
    // aborted with it.
    void SetNested(std::shared_ptr<DownloadTask> nested);

protected:
    virtual void OnSuspend() { m_connection.CloseCurrent(); }
    virtual void OnAbort() { m_connection.CloseCurrent(); }

    // The fetch every kind uses: through the task's session, closable by Suspend and Abort.
    void Fetch(const FetchRequest& request, Bytes& body);
    void ReportProgress(int percent) const {
        if (m_progress) m_progress(percent);
    }

private:
    DoneCallback m_done;
    ErrorCallback m_error;
    ProgressCallback m_progress;
    std::atomic<bool> m_suspended{false};
    std::atomic<bool> m_aborted{false};
    int m_priority = 1;  // lower runs earlier
    std::shared_ptr<InternetSession> m_session;
    ConnectionSlot m_connection;
    std::mutex m_nestedMutex;  // guards m_nested
    std::shared_ptr<DownloadTask> m_nested;
};

using DownloadTaskPtr = std::shared_ptr<DownloadTask>;
