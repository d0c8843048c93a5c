#pragma once
// The one worker that runs every network task, one at a time, in priority order: a more
// urgent task suspends the running one, which runs again afterwards from its start.
#include <deque>
#include <memory>
#include <mutex>

#include "base/job_thread.h"
#include "net/download_task.h"
#include "net/sign_in_state.h"
#include "store/image.h"

class InternetSession;
class Settings;

class Downloader : public JobThread {
public:
    // The settings tell whether the automatic sign-in worked.
    explicit Downloader(std::shared_ptr<Settings> settings);
    ~Downloader();

    // The process's downloader, created on first use.
    static std::shared_ptr<Downloader> Instance();

    // Any thread. Queues the task after every task of the same or a more urgent priority.
    bool AddTask(const DownloadTaskPtr& task);
    // Drops every queued task and aborts the running one; nothing is reported for them.
    void AbortAll();
    // GetTickCount of the last time a task was added or taken up.
    unsigned long GetActivityTick() const { return m_activityTick; }
    std::shared_ptr<InternetSession> GetSession() const { return m_session; }
    // Told what the automatic sign-in's answer said (on the Downloader thread).
    void SetSignInCallback(SignInCallback callback);

    // Runs a task to its end on the calling thread (the Downloader thread), with the sign-in
    // and retry rule. True when the task is finished, false when it was suspended.
    bool RunTaskLoop(const DownloadTaskPtr& task);

private:
    void RunQueue();

    std::shared_ptr<Settings> m_settings;
    std::shared_ptr<InternetSession> m_session;
    std::mutex m_mutex;  // guards the queue and the current task
    std::deque<DownloadTaskPtr> m_queue;
    DownloadTaskPtr m_current;
    SignInCallback m_onSignIn;  // guarded by m_mutex
    std::atomic<unsigned long> m_activityTick{0};
};

// Queues the download of a favourite's thumbnail package on the process's downloader.
void QueueThumbnailDownload(const ImagePtr& thumbnail);
