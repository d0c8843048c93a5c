#include "net/download_task.h"

#include "net/internet_session.h"

void DownloadTask::Suspend() {
    m_suspended = true;
    OnSuspend();
}

void DownloadTask::Abort() {
    m_aborted = true;
    OnAbort();
}

void DownloadTask::Fetch(const FetchRequest& request, Bytes& body) {
    std::shared_ptr<InternetSession> session = m_session;
    if (!session) session = std::make_shared<InternetSession>();  // a task run on its own, as in tests
    FetchUrl(*session, request, body, m_progress, &m_connection);
}
