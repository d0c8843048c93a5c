#pragma once
// The tasks that fetch pictures and files: one picture into its package, a file into a
// folder, a batch of pictures for the selected categories, and a group of tasks shown as one.
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "base/path.h"
#include "net/download_task.h"
#include "store/ban_list.h"
#include "store/image.h"

class Settings;

// Progress of several sub-tasks shown as one: each entry starts at its own position number
// until its task reports; the sum is divided by the number of entries, but by at least 20.
class CombinedProgress {
public:
    size_t AddEntry(const DownloadTaskPtr& task);
    void Report(size_t entry, int percent);  // below 0 or above 100 counts as 100
    int Percent() const;
    template <typename F>
    void ForEachTask(F f) const {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (const auto& entry : m_entries)
            if (auto task = entry.task.lock()) f(task);
    }

private:
    struct Entry {
        int percent;
        std::weak_ptr<DownloadTask> task;
    };
    mutable std::mutex m_mutex;
    std::deque<Entry> m_entries;
};

// One picture, fetched and stored as its package (skipped when the package exists).
class SingleImageTask : public DownloadTask {
public:
    using ImageCallback = std::function<void(const ImagePtr& image)>;
    SingleImageTask(std::shared_ptr<Settings> settings, ImagePtr image);
    void SetImageCallback(ImageCallback callback) { m_onImage = std::move(callback); }
    void Run() override;

private:
    std::shared_ptr<Settings> m_settings;
    ImagePtr m_image;
    ImageCallback m_onImage;
};

// A file (the update installer) fetched into a folder under the last segment of its URL.
class FileDownloadTask : public DownloadTask {
public:
    using FileCallback = std::function<void(const Path& path)>;
    // A file larger than maxBytes is refused (it is held in memory until it is stored).
    FileDownloadTask(std::wstring url, Path directory, size_t maxBytes = fetch_limits::kMaxBodyBytes);
    void SetFileCallback(FileCallback callback) { m_onFile = std::move(callback); }
    void Run() override;

    // The file name a URL gives: its last segment without query or fragment; empty when
    // that is not a plain file name (".." or "C:x" would write outside the folder).
    static std::wstring FileNameOf(const std::wstring& url);

private:
    std::wstring m_url;
    Path m_directory;
    size_t m_maxBytes;
    FileCallback m_onFile;
};

// Tasks queued one by one but shown as one progress.
class DownloadTaskContainer : public std::enable_shared_from_this<DownloadTaskContainer> {
public:
    explicit DownloadTaskContainer(DownloadTask::ProgressCallback progress) : m_progress(std::move(progress)) {}
    // Reports the task's progress into the container's; queuing it is the caller's business.
    bool Add(const DownloadTaskPtr& task);

private:
    DownloadTask::ProgressCallback m_progress;
    CombinedProgress m_combined;
};

class Downloader;

// The pictures of the selected categories: the batch queues the list tasks (the service's
// list, and a share of the partner's), each list queues its pictures, and every stored
// picture is delivered at once. The batch lives as long as any of its sub-tasks; when the
// last one is gone, the whole collection is delivered once more as final, or, when not one
// picture came, the last picture's failure is reported as the batch's.
class DownloadImageTask : public DownloadTask {
public:
    using ImagesCallback = std::function<void(const ImageListPtr& images, bool moreToCome)>;

    static std::shared_ptr<DownloadImageTask> Create(std::shared_ptr<Settings> settings, std::wstring tags,
                                                     std::shared_ptr<Downloader> downloader);
    ~DownloadImageTask() override;

    void SetImagesCallback(ImagesCallback callback) { m_onImages = std::move(callback); }
    // Pictures the user banned are neither fetched nor delivered.
    void SetBans(std::shared_ptr<const BanList> bans) { m_bans = std::move(bans); }
    void Run() override;

    // How many partner pictures a batch keeps for the selected keys (0: none fetched).
    static int PartnerShare(const std::set<std::wstring>& keys);

protected:
    void OnSuspend() override;
    void OnAbort() override;

private:
    DownloadImageTask(std::shared_ptr<Settings> settings, std::wstring tags, std::shared_ptr<Downloader> downloader);
    std::shared_ptr<DownloadImageTask> Self() {
        return std::static_pointer_cast<DownloadImageTask>(shared_from_this());
    }
    // Reports the sub-task's progress into the batch's, counts it until it ends, and queues
    // it. The failure of the service's list fails the batch.
    void Queue(const DownloadTaskPtr& task, bool isTheList);
    void OnList(const ImageListPtr& images, bool shuffle, int limit);
    void OnImage(const ImagePtr& image);
    void ReportCombined();

    std::shared_ptr<Settings> m_settings;
    std::wstring m_tags;
    std::weak_ptr<Downloader> m_downloader;
    std::mutex m_mutex;  // guards the collected images and the last picture's failure
    CombinedProgress m_progress;
    ImageList m_collected;
    DownloadException::ErrorType m_pictureFailure = DownloadException::Error_Empty_Image;
    std::wstring m_pictureFailureMessage;
    std::atomic<int> m_unfinished{0};  // sub-tasks queued and not ended
    std::atomic<bool> m_queuedAny{false};
    std::atomic<bool> m_listFailed{false};
    ImagesCallback m_onImages;
    std::shared_ptr<const BanList> m_bans;
};
