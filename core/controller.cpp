#include "core/controller.h"

#include <windows.h>

#include "core/debug_log.h"
#include "core/job_thread.h"
#include "core/settings.h"
#include "core/version_table.h"
#include "desktop/active_desktop.h"
#include "desktop/desktop_icons.h"
#include "desktop/wallpaper_state.h"
#include "net/downloader.h"
#include "net/internet_session.h"
#include "store/image_catalogue.h"
#include "ui/iui.h"
#include "ui/localization.h"

#include "core/controller_impl.h"

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
    impl.jobThread = std::make_shared<JobThread>(L"Controller");
    bool loaded = impl.settings->Load();
    if (loaded && impl.settings->GetVersion() < GetProgramVersion()) {
        impl.OnUpgrade();
    } else if (!loaded) {
        // First run, or a file we could not read: remember the user's own wallpaper.
        SaveCurrentWallpaperAsOld();
        impl.settings->SetAutoStartEnabled(true);
    }
    // Without its watermark the wallpaper is still shown.
    if (!impl.watermark.Load(L"layout_watermark")) DebugLog(L"No watermark layout\n");
    return true;
}

void Controller::Impl::OnUpgrade() {
    std::wstring previous = settings->GetVersion();
    if (previous == L"20061205" || previous == L"20061206") settings->SetAutoStartEnabled(true);
    settings->SetLastCheckUpdateTime(0);  // 0 means now
    settings->Save();
    std::wstring version = GetProgramVersion();
    ui->ShowInfo(IUI::ShowInfoBalloon, FormatString(GetString(L"Balloon_UpdateComplete"), {version, GetReleaseNotes(version)}),
                 L"");
    Path updates = settings->GetUpdateDirectory();
    if (updates.IsDirectory() && !updates.RemoveAll()) DebugLog(L"Could not remove " + updates.str() + L"\n");
}

bool Controller::Start() {
    Impl& impl = *m_impl;
    ApplyProxySettings();
    Heartbeat();
    LoadLocalImages();
    // The stored packages are the list until a download brings a new one: a restart shows
    // them at once, network or not.
    ImageListPtr stored = ScanImageDirectory(impl.settings->GetDataDirectory());
    if (!stored->empty()) impl.settings->SetDownloadedImages(stored);
    ShowImage(ShowCurrent, false);
    impl.lastChangeTime = impl.now();
    std::shared_ptr<Impl> self = m_impl;
    impl.tickTimer = impl.ui->SetTimer(5000, [self] { Controller(self).Tick(); });
    SetDesktopIconsHidden(impl.settings->GetHideDesktopIcons());
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    auto images = impl.settings->GetDownloadedImages();
    if (!images || images->empty()) DownloadImages(false);
    return true;
}

void Controller::Exit() {
    if (m_impl->exiting.exchange(true) || !m_impl->jobThread) return;
    m_impl->jobThread->ClearQueue();
    std::shared_ptr<Impl> impl = m_impl;
    m_impl->jobThread->Post([impl] { impl->ExitJob(); });
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

bool Controller::IsOwnWallpaper(const WallpaperDescription& wallpaper) const { return ::IsOwnWallpaper(wallpaper); }

WallpaperDescription Controller::CaptureCurrentWallpaper() const { return ::CaptureCurrentWallpaper(); }

void Controller::SaveCurrentWallpaperAsOld() {
    m_impl->settings->SetOldWallpaper(::CaptureCurrentWallpaper());
    m_impl->settings->Save();
}

void Controller::SetFreeze(bool frozen) {
    m_impl->settings->SetFreeze(frozen);
    m_impl->settings->Save();
}
