#include "net/download_task.h"

#include "net/internet_session.h"

void DownloadTask::Suspend() {
    m_suspended = true;
    OnSuspend();
    std::lock_guard<std::mutex> guard(m_nestedMutex);
    if (m_nested) m_nested->Suspend();
}

void DownloadTask::Abort() {
    m_aborted = true;
    OnAbort();
    std::lock_guard<std::mutex> guard(m_nestedMutex);
    if (m_nested) m_nested->Abort();
}

void DownloadTask::SetNested(std::shared_ptr<DownloadTask> nested) {
    std::lock_guard<std::mutex> guard(m_nestedMutex);
    m_nested = std::move(nested);
    // Cancelled before the nested task began: it must not start unhindered.
    if (m_nested && m_aborted) m_nested->Abort();
    if (m_nested && m_suspended) m_nested->Suspend();
}

void DownloadTask::Fetch(const FetchRequest& request, Bytes& body) {
    std::shared_ptr<InternetSession> session = m_session;
    if (!session) session = std::make_shared<InternetSession>();  // a task run on its own, as in tests
    FetchUrl(*session, request, body, m_progress, &m_connection);
}
