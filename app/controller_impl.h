#pragma once
// The record behind a Controller handle, shared by the jobs and callbacks bound to it.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "app/controller.h"
#include "app/image_lists.h"
#include "app/iui.h"
#include "base/job_thread.h"
#include "config/settings.h"
#include "desktop/drawn_layout.h"
#include "desktop/template_renderer.h"
#include "desktop/wallpaper_renderer.h"
#include "net/download_task.h"
#include "net/downloader.h"
#include "store/picture.h"

struct Controller::Impl {
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
    std::atomic<bool> exiting{false};
    unsigned tickTimer = 0;
    std::atomic<std::int64_t> lastChangeTime{0};
    std::atomic<std::int64_t> lastDownloadAttempt{0};
    std::function<std::int64_t()> now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };

    struct ShowRequest {
        int step;    // images forward (negative: back)
        bool force;  // shown even while frozen
    };
    std::mutex showMutex;  // guards showQueue
    std::deque<ShowRequest> showQueue;
    std::mutex tasksMutex;  // guards the weak task handles
    std::weak_ptr<DownloadTask> downloadTask;
    std::weak_ptr<DownloadTask> heartbeatTask;
    std::weak_ptr<DownloadTask> checkUpdateTask;
    std::atomic<bool> updateAnswered{false};  // a version answer arrived in this run

    void OnUpgrade();
    void ExitJob();
    void ShowJob();
    WallpaperRenderer& SelectRenderer();
    // The picture the snapshot's cursor (moved by offset, not stored) points at; empty when
    // none loads.
    Picture LoadPicture(const ImageLists::Snapshot& shown, int offset) const;
};
