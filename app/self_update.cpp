// Self-update: the check for a newer version, its download into the update folder, the
// installer's checksum, and starting the installer.
#include <windows.h>
#include <shellapi.h>

#include "app/controller.h"
#include "app/controller_impl.h"
#include "base/debug_log.h"
#include "base/digest.h"
#include "base/file_io.h"
#include "base/localization.h"
#include "config/version_table.h"
#include "net/image_tasks.h"
#include "net/service_requests.h"

namespace {

// Far larger than any installer we ship; a bigger download is not ours and is not fetched.
constexpr size_t kMaxInstallerBytes = 64u << 20;
// ERROR_ELEVATION_REQUIRED, which the XP headers we build against do not have.
constexpr DWORD kElevationRequired = 740;

void ShowProgressText(IUI& ui, const wchar_t* textId, int percent) {
    ui.ShowProgress(percent, percent < 0 ? std::wstring() : FormatString(GetString(textId), {percent}));
}

// Since Vista an installer that asks for administrator rights cannot be started plainly:
// CreateProcess refuses it, and the shell asks the user for consent instead.
bool StartElevated(const Path& installer) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.lpVerb = L"runas";
    info.lpFile = installer.c_str();
    info.lpParameters = L"/S";
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&info)) return true;
    LogLastError(L"ShellExecuteExW");
    return false;
}

}  // namespace

void Controller::CheckUpdate() {
    Impl& impl = *m_impl;
    if (!impl.downloader) return;
    std::lock_guard<std::mutex> guard(impl.tasksMutex);
    if (impl.checkUpdateTask.lock()) return;
    impl.settings->SetLastCheckUpdateTime(impl.now());
    DebugLog(L"Begin to CheckUpdate\n");
    auto task = std::make_shared<CheckUpdateTask>(impl.settings);
    std::shared_ptr<Impl> self = m_impl;
    task->SetProgressCallback(
        [self](int percent) { ShowProgressText(*self->ui, L"Balloon_CheckUpdateProgress", percent); });
    task->SetResultCallback([self](const VersionInfo& info) { Controller(self).OnVersionInfo(info); });
    task->SetErrorCallback(
        [self](DownloadException::ErrorType type, const std::wstring&) { Controller(self).OnDownloadError(type); });
    impl.checkUpdateTask = task;
    impl.downloader->AddTask(task);
}

// Heartbeats bring the first check of a run forward, until a check has answered.
void Controller::OnHeartbeatDone() {
    Impl& impl = *m_impl;
    if (impl.updateAnswered || !impl.settings->GetAutoUpdate() || impl.exiting) return;
    CheckUpdate();  // does nothing while a check is in flight
}

void Controller::OnVersionInfo(const VersionInfo& info) {
    Impl& impl = *m_impl;
    impl.updateAnswered = true;
    const std::wstring running = GetProgramVersion();
    DebugLog(L"Found version: " + info.Version + L", my version is: " + running + L"\n");
    // Plain comparison of date strings: an empty version is never newer.
    if (!(info.Version > running)) {
        DebugLog(L"We have the lastest version.\n");
        // A balloon: the progress display takes the icon's tip back as soon as the check ends.
        impl.ui->ShowInfo(IUI::ShowInfoBalloon, GetString(L"Balloon_NoNewVersion"), L"");
        return;
    }
    DebugLog(L"New version. Description: " + info.Description + L"\n");
    if (!impl.downloader || impl.exiting) return;
    auto task =
        std::make_shared<FileDownloadTask>(info.FileUrl, impl.settings->GetUpdateDirectory(), kMaxInstallerBytes);
    std::shared_ptr<Impl> self = m_impl;
    task->SetProgressCallback(
        [self](int percent) { ShowProgressText(*self->ui, L"Balloon_DownloadUpdateProgress", percent); });
    task->SetFileCallback([self, info](const Path& path) { Controller(self).OnUpdateDownloaded(info, path); });
    task->SetErrorCallback(
        [self](DownloadException::ErrorType type, const std::wstring&) { Controller(self).OnDownloadError(type); });
    impl.downloader->AddTask(task);
}

// The installer came over plain HTTP: it runs only when the answer's checksum vouches for it,
// or when the user agrees to run it unverified. A file that contradicts its checksum is removed.
void Controller::OnUpdateDownloaded(const VersionInfo& info, const Path& installer) {
    Impl& impl = *m_impl;
    DebugLog(L"Download new version success. Saved to '" + installer.str() + L"'\n");
    if (!installer.Exists() || installer.IsDirectory() || impl.exiting) return;
    std::optional<std::string> bytes = ReadFileBytes(installer, kMaxInstallerBytes);
    ChecksumVerdict verdict =
        bytes ? CheckDigest(info.CheckSum, bytes->data(), bytes->size()) : ChecksumVerdict::Mismatch;
    if (verdict == ChecksumVerdict::Mismatch) {
        DebugLog(L"The update does not match its checksum '" + info.CheckSum + L"': removed\n");
        if (!installer.Remove()) DebugLog(L"Could not remove " + installer.str() + L"\n");
        impl.ui->ShowInfo(IUI::ShowInfoMessage, GetString(L"Prompt_InstallUpdateFail"), L"");
        return;
    }
    std::shared_ptr<Impl> self = m_impl;
    impl.ui->ConfirmInstallUpdate(info, verdict == ChecksumVerdict::Match,
                                  [self, installer] { Controller(self).InstallUpdate(installer); });
}

void Controller::InstallUpdate(const Path& installer) {
    std::wstring commandLine = L"\"" + installer.str() + L"\" /S";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return;  // the installer closes this program and starts the new one
    }
    const DWORD error = GetLastError();
    LogLastError(L"CreateProcessW");
    if (error == kElevationRequired && StartElevated(installer)) return;
    m_impl->ui->ShowInfo(IUI::ShowInfoMessage, GetString(L"Prompt_InstallUpdateFail"), L"");
}
