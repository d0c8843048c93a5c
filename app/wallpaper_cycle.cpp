// The wallpaper cycle: which image is shown, when the next one comes, when new ones are
// fetched, and the hand-off to composition.
#include <windows.h>

#include <objbase.h>

#include <algorithm>
#include <random>

#include "app/controller_impl.h"
#include "base/debug_log.h"
#include "base/localization.h"
#include "base/text.h"
#include "desktop/shell/desktop_icons.h"
#include "desktop/templates/template_renderer.h"
#include "net/image_tasks.h"
#include "net/internet_session.h"
#include "net/service_requests.h"
#include "store/data_folder.h"
#include "store/package_file.h"

void Controller::ShowImage(ImageToBeShown which, bool force) {
    Post([which, force](Controller& c) { c.QueueShow(which, force); });
}

bool Controller::QueueShow(ImageToBeShown which, bool force) {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("QueueShow");
    if (!force && impl.settings->GetFreeze()) return false;
    if (which != ShowCurrent) impl.lastChangeTime = impl.now();
    impl.showQueue.push_back(Impl::ShowRequest{which, force});
    // Requests queued before the show job runs are rendered together, once.
    if (impl.showQueue.size() == 1 && impl.jobThread) {
        std::shared_ptr<Impl> self = m_impl;
        impl.jobThread->Post([self] { self->ShowJob(); });
    }
    return true;
}

namespace {

// While it makes a wallpaper ahead, the thread gives way to every other thread of the
// system: nothing the user does should wait for work that may never be needed.
class LowerThreadPriority {
public:
    LowerThreadPriority() : m_before(GetThreadPriority(GetCurrentThread())) {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    }
    ~LowerThreadPriority() { SetThreadPriority(GetCurrentThread(), m_before); }
    LowerThreadPriority(const LowerThreadPriority&) = delete;
    LowerThreadPriority& operator=(const LowerThreadPriority&) = delete;

private:
    int m_before;
};

}  // namespace

Controller::Impl::PictureSource Controller::Impl::SourceOf(const ImageLists::Snapshot& shown, int offset) const {
    if (offset == 0 && shown.override && shown.override->GetPath().Exists())
        return {shown.override->GetPath(), true, shown.override};
    const CursorLists sizes = shown.Sizes(settings->GetLocalImageInterval(), settings->GetUseLocalImage());
    const ImageCursor cursor = MoveCursor(shown.cursor, offset, sizes);
    switch (TargetOf(cursor, sizes)) {
        case CursorTarget::Local:
            return {(*shown.local)[cursor.localIndex], false, nullptr};
        case CursorTarget::Downloaded: {
            const ImagePtr& image = (*shown.downloaded)[cursor.downloadedIndex];
            return {image->GetPath(), true, image};
        }
        case CursorTarget::None:
            break;
    }
    return {};
}

std::vector<Controller::Impl::PictureSource> Controller::Impl::SourcesOf(const ImageLists::Snapshot& shown, int offset,
                                                                         size_t count) const {
    std::vector<PictureSource> sources;
    for (size_t i = 0; i < count; ++i) sources.push_back(SourceOf(shown, offset + static_cast<int>(i)));
    return sources;
}

PictureName Controller::Impl::NameOf(const PictureSource& source) const {
    PictureName name{source.path.Stem(), FileDay(source.path)};
    if (source.packaged) {
        const std::wstring category =
            source.image ? CategoryOfUrl(source.image->GetFullUrl(), settings->GetCategories()) : std::wstring();
        name.title = category.empty() ? GetString(L"Tooltip_ProgramName") : CategoryTitle(category);
    }
    return name;
}

Picture Controller::Impl::LoadPicture(const PictureSource& source, const wallpaper_layout::Screen& screen) const {
    AssertOnOwnThread("LoadPicture");
    Picture picture;
    if (source.packaged)
        LoadPackageImage(nullptr, &picture, source.path, WallpaperCover(screen));
    else
        picture.LoadFromFile(source.path, WallpaperCover(screen));
    return picture;
}

std::optional<WallpaperRecipe> Controller::Impl::RecipeFor(const std::vector<PictureSource>& sources,
                                                           const wallpaper_layout::Monitors& shownOn,
                                                           const WallpaperRenderer& renderer) const {
    AssertOnOwnThread("RecipeFor");
    std::vector<Path> paths;
    for (const PictureSource& source : sources) paths.push_back(source.path);
    // The caption names the primary monitor's picture, on the primary monitor.
    std::wstring caption;
    if (settings->GetShowCaption() && !sources.empty() && !sources.front().path.empty())
        caption = PictureLabel(NameOf(sources.front()));
    return MakeWallpaperRecipe(paths, *settings, RendererName(renderer), shownOn, std::move(caption));
}

std::shared_ptr<Picture> Controller::Impl::MakeWallpaper(const std::vector<PictureSource>& sources,
                                                         WallpaperRenderer& renderer, WallpaperRecipe& recipe) {
    AssertOnOwnThread("MakeWallpaper");
    WallpaperRenderer* rendering = &renderer;
    auto composePart = [&](size_t monitor, const wallpaper_layout::Screen& screen) -> std::shared_ptr<Picture> {
        Picture picture = LoadPicture(sources.at(monitor), screen);
        if (picture.IsEmpty()) return nullptr;
        std::shared_ptr<Picture> part = ComposeWallpaper(picture, *settings, *rendering, screen);
        // A template whose page never finished is not ready any more: the wallpaper is made in
        // the plain frame at once, rather than after another wait.
        if (!part && rendering != plainRenderer.get() && !rendering->IsReady()) {
            recipe.templateName.clear();
            rendering = plainRenderer.get();
            part = ComposeWallpaper(picture, *settings, *rendering, screen);
        }
        return part;
    };
    Watermark mark{&watermark, {}};
    if (!recipe.caption.empty()) mark.fields["caption"] = recipe.caption;
    return ComposeSpan(LayOutSpan(recipe.monitors, tileOrigin), composePart, mark);
}

std::wstring Controller::Impl::RendererName(const WallpaperRenderer& renderer) const {
    AssertOnOwnThread("RendererName");
    return &renderer == plainRenderer.get() ? std::wstring() : templateName;
}

ImagePtr Controller::Impl::CurrentImage() const {
    const ImageLists::Snapshot shown = lists.GetSnapshot();
    if (shown.override) return shown.override;
    const CursorLists sizes = shown.Sizes(settings->GetLocalImageInterval(), settings->GetUseLocalImage());
    if (TargetOf(shown.cursor, sizes) != CursorTarget::Downloaded) return nullptr;
    return (*shown.downloaded)[shown.cursor.downloadedIndex];
}

void Controller::Impl::ShowJob() {
    AssertOnOwnThread("ShowJob");
    std::deque<ShowRequest> requests;
    requests.swap(showQueue);
    // The freeze counts when the job runs: requests queued before a freeze or a Restore must
    // not replace the wallpaper the user now keeps. Next and Previous pressed by hand still do.
    const bool frozen = settings->GetFreeze();
    std::vector<int> steps;
    for (const ShowRequest& request : requests)
        if (request.force || !frozen) steps.push_back(request.step);
    if (steps.empty()) return;
    releaseDue = true;
    // Each monitor shows a picture of its own, so a step moves them all on.
    const wallpaper_layout::Monitors shownOn = monitors();
    for (int& step : steps) step *= static_cast<int>(shownOn.size());
    const ImageLists::Snapshot shown =
        lists.Move(steps, settings->GetLocalImageInterval(), settings->GetUseLocalImage());
    WallpaperRenderer& renderer = SelectRenderer();
    const std::vector<PictureSource> sources = SourcesOf(shown, 0, shownOn.size());
    std::optional<WallpaperRecipe> recipe = RecipeFor(sources, shownOn, renderer);
    if (!recipe) return;  // no image: the wallpaper stays
    bool applied;
    if (prepared.Holds(*recipe) && prepared.MoveIntoPlace()) {
        applied = ShowWallpaperBitmap(*settings);  // made ahead for exactly this
    } else {
        // A picture that does not load leaves the wallpaper, and so the state, as they are.
        std::shared_ptr<Picture> wallpaper = MakeWallpaper(sources, renderer, *recipe);
        if (!wallpaper) return;
        applied = ApplyWallpaper(*wallpaper, *settings);
    }
    if (!applied) DebugLog(L"The wallpaper was not changed\n");
    PublishState();
    PrepareLater();
}

void Controller::Impl::PrepareLater() {
    AssertOnOwnThread("PrepareLater");
    if (preparationQueued || !jobThread) return;
    preparationQueued = true;
    std::weak_ptr<Impl> weak = weak_from_this();
    // The lowest priority: it runs only when no other job waits.
    jobThread->Post(
        [weak] {
            if (std::shared_ptr<Impl> self = weak.lock()) {
                self->AssertOnOwnThread("the preparation job");
                self->preparationQueued = false;
                self->PrepareNext();
                if (self->releaseDue) {
                    self->releaseDue = false;
                    self->releaseMemory();
                }
            }
        },
        kPreparationPriority);
}

void Controller::Impl::PrepareNext() {
    AssertOnOwnThread("PrepareNext");
    if (exiting) return;
    WallpaperRenderer& renderer = SelectRenderer();
    const wallpaper_layout::Monitors shownOn = monitors();
    const std::vector<PictureSource> sources =
        SourcesOf(lists.GetSnapshot(), static_cast<int>(shownOn.size()), shownOn.size());
    std::optional<WallpaperRecipe> recipe = RecipeFor(sources, shownOn, renderer);
    if (recipe && prepared.Holds(*recipe)) return;
    LowerThreadPriority lower;
    std::shared_ptr<Picture> wallpaper = recipe ? MakeWallpaper(sources, renderer, *recipe) : nullptr;
    // What was prepared before is for a picture that no longer comes next.
    if (wallpaper && !exiting)
        prepared.Store(*wallpaper, *recipe);
    else
        prepared.Discard();
}

WallpaperRenderer& Controller::Impl::SelectRenderer() {
    AssertOnOwnThread("SelectRenderer");
    if (settings->GetUseTemplate()) {
        std::wstring name = settings->GetTemplate();
        // A template that fails to load leaves the one loaded before in use.
        // The name loaded last is loaded only once: a template whose page timed out stays not
        // ready, and the plain frame renders without a 30-second wait on every show job, until
        // the user picks another template or switches templates off and on, which loads it
        // afresh and gives it another chance.
        if (!name.empty() && (!templateRenderer || name != templateName) &&
            LoadTemplate(templateRenderer, settings->GetTemplatesDirectory() / name, settings, templatePageTimeoutMs))
            templateName = name;
        if (templateRenderer && templateRenderer->IsReady()) return *templateRenderer;
    } else if (templateRenderer) {
        templateRenderer->Release();
        templateRenderer.reset();
        templateName.clear();
        CoFreeUnusedLibraries();
    }
    return *plainRenderer;
}

void Controller::Tick() {
    Post([](Controller& c) { c.RunTick(); });
}

void Controller::UpdatePause() {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("UpdatePause");
    const bool fullScreen = impl.settings->GetPauseWhileFullScreen() && impl.fullScreen();
    const bool battery = impl.settings->GetPauseOnBattery() && impl.lowBattery();
    if (fullScreen == impl.pausedForFullScreen && battery == impl.pausedForBattery) return;
    impl.pausedForFullScreen = fullScreen;
    impl.pausedForBattery = battery;
    if (!impl.ChangesPaused() && impl.showHeld) {
        impl.showHeld = false;
        QueueShow(ShowCurrent, false);
    }
    impl.PublishState();
}

bool Controller::QueueAutomaticShow(ImageToBeShown which) {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("QueueAutomaticShow");
    if (impl.ChangesPaused()) {
        impl.showHeld = true;
        return false;
    }
    return QueueShow(which, false);
}

void Controller::RunTick() {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("RunTick");
    UpdatePause();
    const Settings& settings = *impl.settings;
    TickState state;
    state.now = impl.now();
    state.lastChange = impl.lastChangeTime;
    state.changeMinutes = settings.GetChangeFrequency();
    state.lastDownload = settings.GetLastDownloadTime();
    state.downloadHours = settings.GetDownloadFrequency();
    state.lastAttempt = impl.lastDownloadAttempt;
    state.serviceAway = impl.outage.IsAway();
    state.retryAt = impl.outage.RetryAt();
    state.changesPaused = impl.ChangesPaused();
    state.downloadsPaused = impl.pausedForBattery;
    state.idleMs = impl.downloader ? GetTickCount() - impl.downloader->GetActivityTick() : 0;
    state.autoUpdate = settings.GetAutoUpdate();
    state.lastCheckUpdate = settings.GetLastCheckUpdateTime();
    TickActions actions = DecideTick(state);
    if (actions.showNext) QueueShow(ShowNext, false);
    if (actions.download) StartDownload(false);
    if (actions.checkUpdate) StartCheckUpdate();
    if (actions.heartbeat) StartHeartbeat();
    // The downloader fetches thumbnails on its own: the favourites menu gets them here.
    if (impl.ThumbnailArrived()) impl.PublishState();
}

void Controller::DownloadImages(bool restart) {
    Post([restart](Controller& c) { c.StartDownload(restart); });
}

void Controller::StartDownload(bool restart) {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("StartDownload");
    if (!impl.downloader) return;
    if (DownloadTaskPtr running = impl.downloadTask.lock()) {
        if (!restart) return;
        running->Abort();
    }
    impl.lastDownloadAttempt = impl.now();
    auto task = DownloadImageTask::Create(impl.settings, impl.settings->GetTags(), impl.downloader);
    task->SetBans(std::make_shared<const BanList>(impl.bans));  // as they are now: never fetched
    // Progress goes straight to the window (the IUI pointer never changes); answers that
    // touch the state are posted to the Controller thread.
    IUI* ui = impl.ui;
    task->SetProgressCallback([ui](int percent) {
        std::wstring text = FormatString(GetString(L"Balloon_DownloadImageProgress"), {percent});
        ui->ShowProgress(percent, percent < 0 ? std::wstring() : text);
    });
    std::weak_ptr<Impl> weak = m_impl;
    task->SetImagesCallback([weak](const ImageListPtr& images, bool more) {
        PostTo(weak, [images, more](Controller& c) { c.OnImageList(images, more); });
    });
    task->SetErrorCallback([weak](DownloadException::ErrorType type, const std::wstring& message) {
        PostTo(weak, [type, message](Controller& c) { c.OnDownloadError(type, message); });
    });
    impl.downloadTask = task;
    impl.downloader->AddTask(task);
}

void Controller::OnImageList(const ImageListPtr& delivered, bool moreToCome) {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("OnImageList");
    // A ban made while the download ran.
    const ImageListPtr images = impl.bans.Without(delivered);
    // Whatever arrives on the way out is no reason to prune the store.
    if (!images || images->empty() || impl.exiting) return;
    if (impl.outage.Arrived() == ServiceOutage::Change::Ended) {
        impl.ui->ShowInfo(IUI::ShowInfoBalloon, GetString(L"Balloon_ServiceBack"), L"");
        impl.PublishState();
    }
    if (moreToCome) {
        // The new images first, then those of the previous list that are not among them.
        auto merged = std::make_shared<ImageList>(*images);
        if (auto previous = impl.lists.GetDownloaded())
            for (const ImagePtr& image : *previous)
                if (std::find(images->begin(), images->end(), image) == images->end()) merged->push_back(image);
        impl.lists.SetDownloaded(merged);
        if (images->size() == 1) QueueAutomaticShow(ShowCurrent);  // the first new image of a download
        return;
    }
    impl.settings->SetLastDownloadTime(impl.now());
    impl.lists.SetDownloaded(images);
    // The window learns when new wallpapers came from the show, or at once when none follows.
    if (!QueueAutomaticShow(ShowCurrent)) impl.PublishState();
    FavoriteListPtr favorites = impl.lists.GetFavorites();
    CleanImageDirectory(impl.settings->GetDataDirectory(), images.get(), favorites.get());
    impl.settings->Save();
}

void Controller::OnDownloadError(int type, const std::wstring& message) {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("OnDownloadError");
    const auto kind = static_cast<DownloadException::ErrorType>(type);
    // The cycle goes on over the stored pictures: the user hears once that the service is
    // away, and the attempts thin out until it is back.
    if (impl.outage.Failed(impl.now(), DownloadException::MeansServiceAway(kind)) == ServiceOutage::Change::Began) {
        const std::wstring text = impl.settings->GetDebugMode()
                                      ? FormatString(GetString(L"Balloon_ServiceAway_Debug"), {message})
                                      : GetString(L"Balloon_ServiceAway");
        impl.ui->ShowInfo(IUI::ShowInfoBalloon, text, L"");
        impl.PublishState();
    }
    OnRequestError(type);
}

void Controller::OnRequestError(int type) {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("OnRequestError");
    if (type != DownloadException::Error_Need_Login) return;
    std::wstring categories;
    for (const Settings::Category& category : impl.settings->GetCategories())
        if (category.flags & Settings::kNeedsLogin) categories += GetString(L"Category_" + category.id) + L" ";
    impl.ui->ShowInfo(IUI::ShowInfoMessage, FormatString(GetString(L"Prompt_DownloadImage_NeedLogin"), {categories}),
                      GetString(L"Prompt_DownloadImage_Fail_Title"));
}

void Controller::LoadLocalImages() {
    Post([](Controller& c) { c.ScanLocalImages(); });
}

void Controller::ScanLocalImages() {
    m_impl->AssertOnOwnThread("ScanLocalImages");
    Settings& settings = *m_impl->settings;
    auto list = std::make_shared<std::vector<Path>>();
    if (settings.GetUseLocalImage() && !settings.GetLocalImagePath().empty()) {
        for (const Path& file : settings.GetLocalImagePath().ListFiles())
            if (EqualsIgnoringCase(file.Extension(), L".jpg") && !m_impl->bans.IsBanned(file)) list->push_back(file);
        if (settings.GetShuffleLocalImage())
            std::shuffle(list->begin(), list->end(), std::mt19937(std::random_device()()));
    }
    m_impl->lists.SetLocal(list);
}

void Controller::Heartbeat() {
    Post([](Controller& c) { c.StartHeartbeat(); });
}

void Controller::StartHeartbeat() {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("StartHeartbeat");
    if (!impl.downloader) return;
    if (impl.heartbeatTask.lock()) return;
    auto task = std::make_shared<HeartbeatTask>(impl.settings);
    std::weak_ptr<Impl> weak = m_impl;
    task->SetSignInCallback(
        [weak](const SignInData& data) { PostTo(weak, [data](Controller& c) { c.OnSignInState(data); }); });
    task->SetDoneCallback([weak] { PostTo(weak, [](Controller& c) { c.OnHeartbeatDone(); }); });
    impl.heartbeatTask = task;
    impl.downloader->AddTask(task);
}

void Controller::OnSignInState(const SignInData& data) {
    m_impl->AssertOnOwnThread("OnSignInState");
    if (data.favorites) m_impl->lists.SetFavorites(data.favorites);
    // The sign-in light follows every answer (a sign-out, or a session the service ended).
    m_impl->PublishState();
}

void Controller::OnSettingChanged(const Settings::Changes& changes) {
    using Field = Settings::Field;
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("OnSettingChanged");
    if (changes.Has(Field::Tags)) StartDownload(true);
    if (changes.HasAny({Field::ProxyType, Field::ProxyServer, Field::ProxyUsername, Field::ProxyPassword}) &&
        impl.downloader)
        ::ApplyProxySettings(*impl.settings, *impl.downloader->GetSession());
    if (changes.HasAny({Field::UseLocalImage, Field::ShuffleLocalImage, Field::LocalImagePath})) ScanLocalImages();
    // Not forced: a frozen cycle (or the user's own wallpaper put back) stays as it is.
    if (changes.HasAny({Field::FrameType, Field::FrameColor, Field::StretchPercent, Field::Template, Field::UseTemplate,
                        Field::ShowCaption}))
        QueueShow(ShowCurrent, false);
    // Hidden icons take their label background when they are shown again. This thread makes
    // the change: on newer systems it is a settings broadcast that may wait on other
    // programs' windows.
    if (changes.Has(Field::DesktopTextBkTransparent) && !impl.settings->GetHideDesktopIcons())
        ::SetIconTextTransparent(impl.settings->GetDesktopTextBkTransparent());
}
