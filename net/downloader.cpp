#include "net/downloader.h"

#include <windows.h>

#include <algorithm>
#include <exception>

#include "base/debug_log.h"
#include "base/utf8.h"
#include "base/working_set.h"
#include "config/settings.h"
#include "net/image_tasks.h"
#include "net/internet_session.h"
#include "net/service_requests.h"

namespace {

// The task boundary: whatever a task throws reaches the loop as a DownloadException.
void RunTask(DownloadTask& task) {
    try {
        task.Run();
    } catch (const DownloadException&) {
        throw;
    } catch (const std::exception& error) {
        throw DownloadException(DownloadException::Error_Unknown_Exception) << L"" << FromUtf8(error.what());
    } catch (...) {
        throw DownloadException(DownloadException::Error_Unknown_Exception) << L"" << L"";
    }
}

}  // namespace

Downloader::Downloader(std::shared_ptr<Settings> settings)
    : JobThread(L"Downloader"), m_settings(std::move(settings)), m_session(std::make_shared<InternetSession>()) {
    m_activityTick = GetTickCount();
}

Downloader::~Downloader() {
    AbortAll();
    Stop();
    Wait();
}

std::shared_ptr<Downloader> Downloader::Instance() {
    static std::shared_ptr<Downloader> instance = std::make_shared<Downloader>(Settings::Get());
    return instance;
}

bool Downloader::AddTask(const DownloadTaskPtr& task) {
    if (!task) return false;
    if (task->TryComplete()) {
        if (task->GetDoneCallback()) task->GetDoneCallback()();
        return true;
    }
    DownloadTaskPtr preempted;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_activityTick = GetTickCount();
        auto place = std::find_if(m_queue.begin(), m_queue.end(), [&](const DownloadTaskPtr& queued) {
            return queued->GetPriority() > task->GetPriority();
        });
        place = m_queue.insert(place, task);
        if (place == m_queue.begin() && m_current && m_current != task) preempted = m_current;
    }
    // A more urgent task closes the running one's connection; that one stays queued.
    if (preempted) preempted->Suspend();
    Post([self = this] { self->RunQueue(); });
    return true;
}

void Downloader::RunQueue() {
    DownloadTaskPtr task;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_queue.empty()) return;
        task = m_queue.front();
        m_current = task;
    }
    m_activityTick = GetTickCount();
    bool finished = RunTaskLoop(task);
    std::lock_guard<std::mutex> guard(m_mutex);
    if (finished) {
        auto entry = std::find(m_queue.begin(), m_queue.end(), task);
        if (entry != m_queue.end()) m_queue.erase(entry);
    } else {
        Post([self = this] { self->RunQueue(); });
    }
    m_current.reset();
    if (m_queue.empty()) TrimWorkingSet();
}

bool Downloader::RunTaskLoop(const DownloadTaskPtr& task) {
    task->SetSession(m_session);
    bool signInFirst = false;
    bool finished = true;
    for (;;) {
        if (task->IsAborted()) break;
        if (task->IsSuspended()) {
            finished = false;
            break;
        }
        try {
            if (signInFirst) {
                // The service wants a sign-in: sign in right here, then try the task once more.
                SignInCallback onSignIn;
                {
                    std::lock_guard<std::mutex> guard(m_mutex);
                    onSignIn = m_onSignIn;
                }
                DownloadTaskPtr signIn = MakeSignInTask(m_settings, std::move(onSignIn));
                task->SetNested(signIn);  // an abort of the task (the program closing) ends it too
                RunTaskLoop(signIn);
                task->SetNested(nullptr);
                if (task->IsAborted() || task->IsSuspended()) continue;
                if (m_settings->GetLoginState() != Settings::kLoggedIn)
                    throw DownloadException(DownloadException::Error_Need_Login);
            }
            RunTask(*task);
            if (task->GetProgressCallback()) task->GetProgressCallback()(-1);
            if (task->GetDoneCallback()) task->GetDoneCallback()();
            break;
        } catch (const DownloadException& error) {
            if (task->IsAborted()) break;
            if (task->IsSuspended()) {
                finished = false;
                break;
            }
            if (error.GetErrorType() == DownloadException::Error_Need_Login && !signInFirst) {
                signInFirst = true;
                continue;
            }
            DebugLog(L"Task failed: " + error.GetMessage() + L"\n");
            if (task->GetErrorCallback()) task->GetErrorCallback()(error.GetErrorType(), error.GetMessage());
            break;
        }
    }
    task->ClearFlags();
    task->SetSession(nullptr);
    if (task->GetProgressCallback()) task->GetProgressCallback()(-1);
    return finished;
}

void Downloader::SetSignInCallback(SignInCallback callback) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_onSignIn = std::move(callback);
}

void Downloader::AbortAll() {
    ClearQueue();
    DownloadTaskPtr current;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_queue.clear();
        current = m_current;
    }
    if (current) current->Abort();
}

void QueueThumbnailDownload(const ImagePtr& thumbnail) {
    Downloader::Instance()->AddTask(std::make_shared<SingleImageTask>(Settings::Get(), thumbnail));
}
