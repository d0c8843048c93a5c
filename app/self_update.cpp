// Self-update: the check for a newer version, its download into the update folder, the
// installer's signature and checksum, and starting the installer.
#include <windows.h>

#include "app/controller.h"
#include "app/controller_impl.h"
#include "app/update_keys.h"
#include "app/update_verification.h"
#include "base/debug_log.h"
#include "base/localization.h"
#include "config/user_folder.h"
#include "config/version_table.h"
#include "net/image_tasks.h"
#include "net/service_requests.h"

namespace {

// Far larger than any installer we ship; a bigger download is not ours and is not fetched.
constexpr size_t kMaxInstallerBytes = 64u << 20;

void ShowProgressText(IUI& ui, const wchar_t* textId, int percent) {
    ui.ShowProgress(percent, percent < 0 ? std::wstring() : FormatString(GetString(textId), {percent}));
}

}  // namespace

void Controller::CheckUpdate() {
    Post([](Controller& c) { c.StartCheckUpdate(); });
}

void Controller::StartCheckUpdate() {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("StartCheckUpdate");
    if (!impl.downloader) return;
    if (impl.checkUpdateTask.lock()) return;
    impl.settings->SetLastCheckUpdateTime(impl.now());
    DebugLog(L"Begin to CheckUpdate\n");
    auto task = std::make_shared<CheckUpdateTask>(impl.settings);
    IUI* ui = impl.ui;
    task->SetProgressCallback([ui](int percent) { ShowProgressText(*ui, L"Balloon_CheckUpdateProgress", percent); });
    std::weak_ptr<Impl> weak = m_impl;
    task->SetResultCallback(
        [weak](const VersionInfo& info) { PostTo(weak, [info](Controller& c) { c.OnVersionInfo(info); }); });
    task->SetErrorCallback([weak](DownloadException::ErrorType type, const std::wstring&) {
        PostTo(weak, [type](Controller& c) { c.OnRequestError(type); });
    });
    impl.checkUpdateTask = task;
    impl.downloader->AddTask(task);
}

// Heartbeats bring the first check of a run forward, until a check has answered.
void Controller::OnHeartbeatDone() {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("OnHeartbeatDone");
    if (impl.updateAnswered || !impl.settings->GetAutoUpdate() || impl.exiting) return;
    StartCheckUpdate();  // does nothing while a check is in flight
}

void Controller::OnVersionInfo(const VersionInfo& info) {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("OnVersionInfo");
    impl.updateAnswered = true;
    const std::wstring running = GetProgramVersion();
    DebugLog(L"Found version: " + info.Version + L", my version is: " + running + L"\n");
    if (!IsNewerVersion(info.Version, running)) {
        DebugLog(L"We have the lastest version.\n");
        // A balloon: the progress display takes the icon's tip back as soon as the check ends.
        impl.ui->ShowInfo(IUI::ShowInfoBalloon, GetString(L"Balloon_NoNewVersion"), L"");
        return;
    }
    DebugLog(L"New version. Description: " + info.Description + L"\n");
    if (!impl.downloader || impl.exiting) return;
    auto task =
        std::make_shared<FileDownloadTask>(info.FileUrl, impl.settings->GetUpdateDirectory(), kMaxInstallerBytes);
    IUI* ui = impl.ui;
    task->SetProgressCallback([ui](int percent) { ShowProgressText(*ui, L"Balloon_DownloadUpdateProgress", percent); });
    std::weak_ptr<Impl> weak = m_impl;
    task->SetFileCallback([weak, info](const Path& path) {
        PostTo(weak, [info, path](Controller& c) { c.OnUpdateDownloaded(info, path); });
    });
    task->SetErrorCallback([weak](DownloadException::ErrorType type, const std::wstring&) {
        PostTo(weak, [type](Controller& c) { c.OnRequestError(type); });
    });
    impl.downloader->AddTask(task);
}

// The installer came over plain HTTP: it runs by itself only when a trusted key signed it; an
// unsigned one runs only if the user agrees; one that fails its signature or its checksum is
// removed. The checked file stays open, denying writes and deletion, until the installer has
// started or the user has declined.
void Controller::OnUpdateDownloaded(const VersionInfo& info, const Path& installer) {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("OnUpdateDownloaded");
    DebugLog(L"Download new version success. Saved to '" + installer.str() + L"'\n");
    if (!installer.Exists() || installer.IsDirectory() || impl.exiting) return;
    InstallerCheck check = CheckInstaller(installer, info, TrustedUpdateKeys(), kMaxInstallerBytes);
    if (check.verdict == InstallerCheck::Rejected) {
        DebugLog(L"The update failed its checks: removed\n");
        if (!installer.Remove()) DebugLog(L"Could not remove " + installer.str() + L"\n");
        impl.ui->ShowInfo(IUI::ShowInfoMessage, GetString(L"Prompt_InstallUpdateFail"), L"");
        return;
    }
    std::weak_ptr<Impl> weak = m_impl;
    std::shared_ptr<void> held = std::move(check.file);
    // The window's answer comes back here; the file stays held until the installer has started.
    impl.ui->ConfirmInstallUpdate(info, check.verdict == InstallerCheck::Verified, [weak, installer, held] {
        PostTo(weak, [installer, held](Controller& c) { c.RunInstaller(installer); });
    });
}

// The installer runs as the user: it installs for this user alone and needs no elevation.
void Controller::InstallUpdate(const Path& installer) {
    Post([installer](Controller& c) { c.RunInstaller(installer); });
}

void Controller::RunInstaller(const Path& installer) {
    m_impl->AssertOnOwnThread("RunInstaller");
    std::wstring commandLine = L"\"" + installer.str() + L"\" /S";
    // Over this very copy, wherever it lives, rather than the installer's default folder. A
    // program folder we cannot write to is no place the installer could write either.
    const Path program = m_impl->settings->GetProgramDirectory();
    if (IsFolderWritable(program)) commandLine += L" /D=" + program.str();  // last and unquoted, as NSIS wants
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return;  // the installer closes this program and starts the new one
    }
    LogLastError(L"CreateProcessW");
    m_impl->ui->ShowInfo(IUI::ShowInfoMessage, GetString(L"Prompt_InstallUpdateFail"), L"");
}
