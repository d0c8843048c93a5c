#include "app/controller.h"

#include <windows.h>
#include <shellapi.h>

#include "app/controller_impl.h"
#include "app/iui.h"
#include "base/debug_log.h"
#include "base/dpi.h"
#include "base/job_thread.h"
#include "base/localization.h"
#include "config/settings.h"
#include "config/version_table.h"
#include "desktop/shell/active_desktop.h"
#include "desktop/shell/auto_start.h"
#include "desktop/shell/desktop_icons.h"
#include "desktop/shell/wallpaper_state.h"
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

void Controller::Post(std::function<void(Controller&)> work) const {
    std::shared_ptr<Impl> impl = m_impl;
    if (!impl->jobThread) return;
    impl->jobThread->Post([impl, work] {
        impl->AssertOnOwnThread("a posted job");
        Controller controller(impl);
        work(controller);
    });
}

void Controller::PostTo(const std::weak_ptr<Impl>& weak, std::function<void(Controller&)> work) {
    if (std::shared_ptr<Impl> impl = weak.lock()) Controller(impl).Post(std::move(work));
}

void Controller::Impl::AssertOnOwnThread(const char* where) const {
    if (!jobThread || jobThread->IsCurrentThread()) return;
    if (offThread) {
        offThread(where);
        return;
    }
    std::string what(where);
    DebugLog(L"The Controller's state was touched off its thread: " + std::wstring(what.begin(), what.end()) + L"\n");
}

Controller::StartUp Controller::Init() {
    Impl& impl = *m_impl;
    StartUp result;
    if (!LoadStringMaps()) return result;
    // The default tags are a display name; the service wants category keys.
    impl.settings->SetTags(impl.settings->GetTags());
    impl.downloader = Downloader::Instance();
    std::weak_ptr<Impl> weak = m_impl;
    impl.downloader->SetSignInCallback(
        [weak](const SignInData& data) { PostTo(weak, [data](Controller& c) { c.OnSignInState(data); }); });
    impl.jobThread = std::make_shared<JobThread>(L"Controller");
    bool loaded = impl.settings->Load();
    impl.bans = BanList(impl.settings->GetUserDirectory() / BanList::kFileName);
    impl.bans.Load();
    if (loaded && impl.settings->GetVersion() < GetProgramVersion()) {
        impl.OnUpgrade();
    } else if (!loaded) {
        // First run, or a file we could not read: remember the user's own wallpaper.
        impl.settings->SetOldWallpaper(CaptureCurrentWallpaper());
        impl.settings->Save();
        SetAutoStartEnabled(true);
    }
    // Without its watermark the wallpaper is still shown.
    // In the primary screen's pixels: the caption is as large to the eye as the window's texts.
    if (!impl.watermark.Load(L"layout_watermark", GetSystemDpi())) DebugLog(L"No watermark layout\n");
    FollowSettings();  // after config.xml: loading it is no change to react to
    // Nothing of ours is on the desktop yet.
    WallpaperDescription current = CaptureCurrentWallpaper();
    if (!(current == impl.settings->GetOldWallpaper()) && !IsOwnWallpaper(current)) result.newUserWallpaper = current;
    // No job has run yet: the window gets its first state before it shows.
    impl.ui->UpdateState(impl.MakeState());
    result.ok = true;
    return result;
}

void Controller::FollowSettings() {
    std::weak_ptr<Impl> weak = m_impl;
    // Settings tell their observers on the thread that made the change.
    m_impl->settingsSubscription = m_impl->settings->Subscribe([weak](const Settings::Changes& changes) {
        PostTo(weak, [changes](Controller& c) { c.OnSettingChanged(changes); });
    });
}

// Part of Init, before the job thread has work.
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

void Controller::Start() {
    std::weak_ptr<Impl> weak = m_impl;
    // The window's timer only hands the tick over.
    m_impl->ui->SetTimer(5000, [weak] { PostTo(weak, [](Controller& c) { c.RunTick(); }); });
    Post([](Controller& c) { c.StartJob(); });
}

void Controller::StartJob() {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("StartJob");
    if (impl.downloader) ::ApplyProxySettings(*impl.settings, *impl.downloader->GetSession());
    StartHeartbeat();
    ScanLocalImages();
    // The stored packages are the list until a download brings a new one: a restart shows
    // them at once, network or not.
    ImageListPtr stored = impl.bans.Without(ScanImageDirectory(impl.settings->GetDataDirectory()));
    if (!stored->empty()) impl.lists.SetDownloaded(stored);
    UpdatePause();
    QueueAutomaticShow(ShowCurrent);
    impl.lastChangeTime = impl.now();
    ChangeDesktopIcons(impl.settings->GetHideDesktopIcons());
    auto images = impl.lists.GetDownloaded();
    if ((!images || images->empty()) && !impl.pausedForBattery) StartDownload(false);
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
    AssertOnOwnThread("ExitJob");
    settings->LockSave(true);
    // Hidden icons come back for the user; config.xml keeps the choice for the next start.
    if (ShowDesktopIconView(true, IconViewWait::Yes)) {
        settings->SetHideDesktopIcons(false);
        ::SetIconTextTransparent(settings->GetDesktopTextBkTransparent());
    }
    PublishState();
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
    Post([](Controller& c) {
        Impl& impl = *c.m_impl;
        if (impl.downloader) ::ApplyProxySettings(*impl.settings, *impl.downloader->GetSession());
    });
}

void Controller::SetDesktopIconsHidden(bool hidden) {
    Post([hidden](Controller& c) { c.ChangeDesktopIcons(hidden); });
}

void Controller::ToggleDesktopIconsHidden() {
    Post([](Controller& c) { c.ChangeDesktopIcons(!c.m_impl->settings->GetHideDesktopIcons()); });
}

void Controller::ChangeDesktopIcons(bool hidden) {
    m_impl->AssertOnOwnThread("ChangeDesktopIcons");
    Settings& settings = *m_impl->settings;
    if (ShowDesktopIconView(!hidden)) {
        settings.SetHideDesktopIcons(hidden);
        settings.Save();
        if (!hidden) ::SetIconTextTransparent(settings.GetDesktopTextBkTransparent());
    }
    m_impl->PublishState();
}

void Controller::RestoreOldWallpaper() {
    Post([](Controller& c) {
        WallpaperDescription saved = c.m_impl->settings->GetOldWallpaper();
        // An empty record would clear the user's desktop; our own file is nothing to go back to.
        if (::IsOwnWallpaper(saved)) return;
        c.ChangeFreeze(true);
        SetDesktopWallpaper(saved.TileWallpaper, saved.WallpaperStyle, saved.Wallpaper);
        SetActiveDesktop(saved.IsActiveDesktopEnabled);
    });
}

void Controller::SaveAsOldWallpaper(const WallpaperDescription& wallpaper) {
    Post([wallpaper](Controller& c) {
        c.m_impl->settings->SetOldWallpaper(wallpaper);
        c.m_impl->settings->Save();
        c.m_impl->PublishState();
    });
}

void Controller::SaveSettings() {
    Post([](Controller& c) { c.m_impl->settings->Save(); });
}

void Controller::SetFreeze(bool frozen) {
    Post([frozen](Controller& c) { c.ChangeFreeze(frozen); });
}

void Controller::ToggleFreeze() {
    Post([](Controller& c) { c.ChangeFreeze(!c.m_impl->settings->GetFreeze()); });
}

void Controller::ChangeFreeze(bool frozen) {
    m_impl->AssertOnOwnThread("ChangeFreeze");
    m_impl->settings->SetFreeze(frozen);
    m_impl->settings->Save();
    m_impl->PublishState();
}

ControllerStatePtr Controller::Impl::MakeState() {
    auto state = std::make_shared<ControllerState>();
    state->currentImage = CurrentImage();
    const PictureSource shown = SourceOf(lists.GetSnapshot(), 0);
    if (!shown.path.empty()) state->currentPicture = PictureLabel(NameOf(shown));
    state->favorites = lists.GetFavorites();
    std::map<std::wstring, ThumbnailPtr> kept;
    if (state->favorites)
        for (const FavoriteEntry& entry : *state->favorites) {
            if (!entry.thumbnail) continue;
            const std::wstring path = entry.thumbnail->GetPath().str();
            auto cached = thumbnails.find(path);
            ThumbnailPtr thumbnail = cached != thumbnails.end() ? cached->second : DecodeThumbnail(path);
            if (thumbnail) kept[path] = thumbnail;
        }
    thumbnails = kept;  // those of favourites the user deleted go
    state->thumbnails = std::move(kept);
    state->frozen = settings->GetFreeze();
    state->desktopIconsHidden = settings->GetHideDesktopIcons();
    state->loginState = settings->GetLoginState();
    state->loginRecord = settings->GetLoginRecord();
    state->canRestoreOldWallpaper = !IsOwnWallpaper(settings->GetOldWallpaper());
    state->pausedForFullScreen = pausedForFullScreen;
    state->pausedForBattery = pausedForBattery;
    state->serviceAway = outage.IsAway();
    state->lastNewWallpapers = settings->GetLastDownloadTime();
    return state;
}

void Controller::Impl::PublishState() {
    AssertOnOwnThread("PublishState");
    ui->UpdateState(MakeState());
}

bool Controller::Impl::ThumbnailArrived() const {
    AssertOnOwnThread("ThumbnailArrived");
    FavoriteListPtr favorites = lists.GetFavorites();
    if (!favorites) return false;
    for (const FavoriteEntry& entry : *favorites)
        if (entry.thumbnail && !thumbnails.count(entry.thumbnail->GetPath().str()) &&
            entry.thumbnail->GetPath().Exists())
            return true;
    return false;
}

void Controller::ManageCategory() {
    Post([](Controller& c) {
        ImagePtr image = c.m_impl->CurrentImage();
        if (!image || image->GetId() <= 0) return;
        const std::wstring url = c.m_impl->settings->GetManageCategoryUrl(image->GetId());
        ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    });
}
