#include "app/controller.h"

#include <windows.h>

#include "app/controller_impl.h"
#include "app/iui.h"
#include "base/debug_log.h"
#include "base/job_thread.h"
#include "base/localization.h"
#include "base/working_set.h"
#include "config/settings.h"
#include "config/version_table.h"
#include "desktop/active_desktop.h"
#include "desktop/auto_start.h"
#include "desktop/desktop_icons.h"
#include "desktop/wallpaper_state.h"
#include "net/downloader.h"
#include "net/internet_session.h"
#include "net/sign_in_state.h"
#include "store/data_folder.h"

namespace {

// The installer that started this program may still be ending, its file still in use: the
// job thread tries again a little later, letting other jobs run in between.
void RemoveUpdateFolder(std::weak_ptr<JobThread> thread, Path folder, int attemptsLeft) {
    if (!folder.IsDirectory() || folder.RemoveAll()) return;
    std::shared_ptr<JobThread> jobs = thread.lock();
    if (attemptsLeft == 0 || !jobs) {
        DebugLog(L"Could not remove " + folder.str() + L"\n");
        return;
    }
    jobs->Post([thread, folder, attemptsLeft] {
        Sleep(250);
        RemoveUpdateFolder(thread, folder, attemptsLeft - 1);
    });
}

}  // namespace

Controller::Controller(IUI* ui, std::shared_ptr<Settings> settings) : m_impl(std::make_shared<Impl>()) {
    m_impl->ui = ui;
    m_impl->settings = std::move(settings);
    m_impl->plainRenderer = std::make_unique<PlainRenderer>(m_impl->settings);
}

bool Controller::Init() {
    Impl& impl = *m_impl;
    if (!LoadStringMaps()) return false;
    // The default tags are a display name; the service wants category keys.
    impl.settings->SetTags(impl.settings->GetTags());
    impl.downloader = Downloader::Instance();
    std::weak_ptr<Impl> weak = m_impl;
    impl.downloader->SetSignInCallback([weak](const SignInData& data) {
        if (std::shared_ptr<Impl> self = weak.lock()) Controller(self).OnSignInState(data);
    });
    impl.jobThread = std::make_shared<JobThread>(L"Controller");
    bool loaded = impl.settings->Load();
    if (loaded && impl.settings->GetVersion() < GetProgramVersion()) {
        impl.OnUpgrade();
    } else if (!loaded) {
        // First run, or a file we could not read: remember the user's own wallpaper.
        SaveAsOldWallpaper(CaptureCurrentWallpaper());
        SetAutoStartEnabled(true);
    }
    // Without its watermark the wallpaper is still shown.
    if (!impl.watermark.Load(L"layout_watermark")) DebugLog(L"No watermark layout\n");
    FollowSettings();  // after config.xml: loading it is no change to react to
    return true;
}

void Controller::FollowSettings() {
    std::weak_ptr<Impl> weak = m_impl;
    m_impl->settingsSubscription = m_impl->settings->Subscribe([weak](const Settings::Changes& changes) {
        if (std::shared_ptr<Impl> owner = weak.lock()) Controller(owner).OnSettingChanged(changes);
    });
}

void Controller::Impl::OnUpgrade() {
    std::wstring previous = settings->GetVersion();
    if (previous == L"20061205" || previous == L"20061206") SetAutoStartEnabled(true);
    settings->SetLastCheckUpdateTime(0);  // 0 means now
    settings->Save();
    // This version is what the service offered: the first heartbeat need not ask again, and
    // its "no new version" would cover the balloon that reports the update.
    updateAnswered = true;
    std::wstring version = GetProgramVersion();
    ui->ShowInfo(IUI::ShowInfoBalloon,
                 FormatString(GetString(L"Balloon_UpdateComplete"), {version, GetReleaseNotes(version)}), L"");
    RemoveUpdateFolder(jobThread, settings->GetUpdateDirectory(), 40);
}

bool Controller::Start() {
    Impl& impl = *m_impl;
    ApplyProxySettings();
    Heartbeat();
    LoadLocalImages();
    // The stored packages are the list until a download brings a new one: a restart shows
    // them at once, network or not.
    ImageListPtr stored = ScanImageDirectory(impl.settings->GetDataDirectory());
    if (!stored->empty()) impl.lists.SetDownloaded(stored);
    ShowImage(ShowCurrent, false);
    impl.lastChangeTime = impl.now();
    std::shared_ptr<Impl> self = m_impl;
    impl.tickTimer = impl.ui->SetTimer(5000, [self] { Controller(self).Tick(); });
    SetDesktopIconsHidden(impl.settings->GetHideDesktopIcons());
    TrimWorkingSet();
    auto images = impl.lists.GetDownloaded();
    if (!images || images->empty()) DownloadImages(false);
    return true;
}

void Controller::Exit() {
    if (m_impl->exiting.exchange(true)) return;
    if (m_impl->settingsSubscription) m_impl->settings->Unsubscribe(m_impl->settingsSubscription);
    if (!m_impl->jobThread) return;
    m_impl->jobThread->ClearQueue();
    std::shared_ptr<Impl> impl = m_impl;
    m_impl->jobThread->Post([impl] { impl->ExitJob(); });
    // A template page being waited for gives up now, so the exit job runs well within the
    // window's watchdog rather than after the page's time-out.
    EndNestedLoop(m_impl->jobThread->GetThreadId());
}

void Controller::Impl::ExitJob() {
    settings->LockSave(true);
    // Hidden icons come back for the user; config.xml keeps the choice for the next start.
    if (ShowDesktopIconView(true, IconViewWait::Yes)) {
        settings->SetHideDesktopIcons(false);
        ::SetIconTextTransparent(settings->GetDesktopTextBkTransparent());
    }
    ui->UpdateState();
    if (downloader) {
        downloader->AbortAll();
        downloader->Stop();
        downloader->Wait();
    }
    if (templateRenderer) templateRenderer->Release();  // its COM objects live on this thread
    prepared.Discard();
    jobThread->Stop();
    ui->RequestExit();
}

void Controller::WaitForCompletion() {
    if (m_impl->jobThread) m_impl->jobThread->Wait();
}

void Controller::ApplyProxySettings() {
    if (m_impl->downloader) ::ApplyProxySettings(*m_impl->settings, *m_impl->downloader->GetSession());
}

void Controller::SetDesktopIconsHidden(bool hidden) {
    Settings& settings = *m_impl->settings;
    if (ShowDesktopIconView(!hidden)) {
        settings.SetHideDesktopIcons(hidden);
        settings.Save();
        if (!hidden) ::SetIconTextTransparent(settings.GetDesktopTextBkTransparent());
    }
    m_impl->ui->UpdateState();
}

void Controller::SetIconTextTransparent(bool transparent) { ::SetIconTextTransparent(transparent); }

void Controller::RestoreOldWallpaper() {
    WallpaperDescription saved = m_impl->settings->GetOldWallpaper();
    // An empty record would clear the user's desktop; our own file is nothing to go back to.
    if (::IsOwnWallpaper(saved)) return;
    SetFreeze(true);
    SetDesktopWallpaper(saved.TileWallpaper, saved.WallpaperStyle, saved.Wallpaper);
    SetActiveDesktop(saved.IsActiveDesktopEnabled);
}

std::optional<WallpaperDescription> Controller::FindNewUserWallpaper() const {
    WallpaperDescription current = CaptureCurrentWallpaper();
    if (current == m_impl->settings->GetOldWallpaper() || IsOwnWallpaper(current)) return std::nullopt;
    return current;
}

void Controller::SaveAsOldWallpaper(const WallpaperDescription& wallpaper) {
    m_impl->settings->SetOldWallpaper(wallpaper);
    m_impl->settings->Save();
}

void Controller::SetFreeze(bool frozen) {
    m_impl->settings->SetFreeze(frozen);
    m_impl->settings->Save();
}
