#pragma once
// The record behind a Controller handle, kept alive by the jobs and callbacks bound to it and
// touched only on the "Controller" job thread (Init aside, which runs before that thread has
// work). The one exception is the exit flag, which the window thread sets.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "app/controller.h"
#include "app/image_lists.h"
#include "app/iui.h"
#include "app/picture_name.h"
#include "app/service_outage.h"
#include "base/job_thread.h"
#include "base/working_set.h"
#include "config/settings.h"
#include "config/user_folder.h"
#include "desktop/shell/pause_signals.h"
#include "desktop/shell/wallpaper_state.h"
#include "desktop/skin/drawn_layout.h"
#include "desktop/templates/template_renderer.h"
#include "desktop/wallpaper/monitor_layout.h"
#include "desktop/wallpaper/prepared_wallpaper.h"
#include "desktop/wallpaper/wallpaper_renderer.h"
#include "net/download_task.h"
#include "net/downloader.h"
#include "store/ban_list.h"
#include "store/picture.h"

struct Controller::Impl : std::enable_shared_from_this<Controller::Impl> {
    IUI* ui = nullptr;
    std::shared_ptr<Settings> settings;
    int settingsSubscription = 0;
    ImageLists lists;
    std::shared_ptr<Downloader> downloader;
    std::shared_ptr<JobThread> jobThread;
    // The show job's renderers: the plain frame always, a template while one is in use.
    std::unique_ptr<WallpaperRenderer> plainRenderer;
    std::unique_ptr<TemplateRenderer> templateRenderer;
    std::wstring templateName;                                          // the template the template renderer holds
    unsigned templatePageTimeoutMs = TemplateRenderer::kPageTimeoutMs;  // tests make it short
    DrawnLayout watermark;
    // The monitors as the system lists them and where it starts its tiles; the tests put their own.
    std::function<wallpaper_layout::Monitors()> monitors = SystemMonitors;
    wallpaper_layout::TileOrigin tileOrigin = SystemTileOrigin();
    // The next wallpaper, made ahead on disk after each change (the show job's thread only).
    PreparedWallpaper prepared{GetPreparedWallpaperPath()};
    bool preparationQueued = false;
    // One release of freed memory after each change, once the next wallpaper is made ahead;
    // a frozen cycle changes nothing and so releases nothing. Tests count the calls.
    bool releaseDue = false;
    std::function<void()> releaseMemory = ReleaseFreedMemory;
    static constexpr int kPreparationPriority = 0;  // below every other job
    std::atomic<bool> exiting{false};               // set by Exit on the window thread
    std::int64_t lastChangeTime = 0;
    std::int64_t lastDownloadAttempt = 0;
    ServiceOutage outage;
    BanList bans{Path()};                                   // Init gives it its file
    std::function<Path()> picturesFolder = PicturesFolder;  // the tests put their own
    // Why automatic changes wait, as the last look found it, and whether one waits for the end.
    bool pausedForFullScreen = false;
    bool pausedForBattery = false;
    bool showHeld = false;
    bool ChangesPaused() const { return pausedForFullScreen || pausedForBattery; }
    // What the system says; the tests put their own.
    std::function<bool()> fullScreen = FullScreenProgramRunning;
    std::function<bool()> lowBattery = [] { return BatteryAsksForPause(); };
    std::function<std::int64_t()> now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };

    struct ShowRequest {
        int step;    // images forward (negative: back)
        bool force;  // shown even while frozen
    };
    std::deque<ShowRequest> showQueue;
    std::weak_ptr<DownloadTask> downloadTask;
    std::weak_ptr<DownloadTask> heartbeatTask;
    std::weak_ptr<DownloadTask> checkUpdateTask;
    bool updateAnswered = false;                      // a version answer arrived in this run
    std::map<std::wstring, ThumbnailPtr> thumbnails;  // the favourites', by package path

    // Called first by every method and job that touches the record. Off the Controller thread
    // it calls offThread when set (the tests fail there), else it writes to the debug log.
    void AssertOnOwnThread(const char* where) const;
    std::function<void(const char* where)> offThread;

    // The state as the window should see it; decodes the favourites' thumbnails not yet
    // decoded. PublishState hands it to IUI. MakeState, CurrentImage, SourceOf and NameOf go
    // unchecked: Init calls them on the window thread before the job thread has work.
    ControllerStatePtr MakeState();
    void PublishState();
    // True when a favourite's thumbnail package not yet decoded is there now.
    bool ThumbnailArrived() const;
    ImagePtr CurrentImage() const;

    void OnUpgrade();
    void ExitJob();
    void ShowJob();
    WallpaperRenderer& SelectRenderer();
    // The template's name when renderer is the template renderer, else empty.
    std::wstring RendererName(const WallpaperRenderer& renderer) const;

    struct PictureSource {
        Path path;  // empty: no picture
        bool packaged = false;
        ImagePtr image;  // the downloaded image, when it is one
    };
    // What the snapshot's cursor, moved by offset (not stored), points at; at offset 0 the
    // image shown instead of the cursor's, while its package is there.
    PictureSource SourceOf(const ImageLists::Snapshot& shown, int offset) const;
    // The pictures for count monitors from offset on, one each.
    std::vector<PictureSource> SourcesOf(const ImageLists::Snapshot& shown, int offset, size_t count) const;
    // The picture's category in the program's language (from the address it came from) and the
    // day its package was written; the user's own file: its name and day.
    PictureName NameOf(const PictureSource& source) const;
    // The picture, decoded as large as the screen needs; empty when it does not load.
    Picture LoadPicture(const PictureSource& source, const wallpaper_layout::Screen& screen) const;
    // The recipe of the wallpaper for these pictures on the monitors; none without a picture.
    std::optional<WallpaperRecipe> RecipeFor(const std::vector<PictureSource>& sources,
                                             const wallpaper_layout::Monitors& monitors,
                                             const WallpaperRenderer& renderer) const;
    // The wallpaper for the recipe's monitors, one picture each; a template that timed out
    // gives way to the plain frame, and the recipe says so. Null when a picture does not load.
    std::shared_ptr<Picture> MakeWallpaper(const std::vector<PictureSource>& sources, WallpaperRenderer& renderer,
                                           WallpaperRecipe& recipe);
    // Queues PrepareNext behind every other job (once while it waits).
    void PrepareLater();
    // Makes the wallpaper the next step would show and keeps it on disk, unless it is there.
    void PrepareNext();
};
