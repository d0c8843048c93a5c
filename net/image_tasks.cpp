#include "net/image_tasks.h"

#include <algorithm>
#include <random>

#include "base/debug_log.h"
#include "base/file_io.h"
#include "config/settings.h"
#include "net/downloader.h"
#include "net/service_requests.h"
#include "store/package_file.h"
#include "store/picture.h"

size_t CombinedProgress::AddEntry(const DownloadTaskPtr& task) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_entries.push_back(Entry{static_cast<int>(m_entries.size()), task});
    return m_entries.size() - 1;
}

void CombinedProgress::Report(size_t entry, int percent) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (entry < m_entries.size()) m_entries[entry].percent = percent < 0 || percent > 100 ? 100 : percent;
}

int CombinedProgress::Percent() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    long long sum = 0;
    for (const Entry& entry : m_entries) sum += entry.task.expired() ? 100 : entry.percent;
    return static_cast<int>(sum / std::max<long long>(20, static_cast<long long>(m_entries.size())));
}

SingleImageTask::SingleImageTask(std::shared_ptr<Settings> settings, ImagePtr image)
    : m_settings(std::move(settings)), m_image(std::move(image)) {}

void SingleImageTask::Run() {
    if (!m_image) {
        ReportProgress(100);
        return;
    }
    ReportProgress(0);
    const Path& path = m_image->GetPath();
    if (!path.Exists()) {
        FetchRequest request;
        request.url = m_image->GetFullUrl();
        request.referrer = m_settings->GetImageListUrl();
        // The package is the picture's one copy: a second in WinINet's cache only costs.
        request.noCacheWrite = true;
        Bytes body;
        try {
            Fetch(request, body);
        } catch (const DownloadException& error) {
            DebugLog(L"Exception: " + error.GetMessage() + L"\n");
            // These say more than "empty picture" would.
            if (error.GetErrorType() == DownloadException::Error_No_Internet_Connection ||
                error.GetErrorType() == DownloadException::Error_Certificate_Not_Trusted)
                throw;
            body.clear();
        }
        if (body.empty()) throw DownloadException(DownloadException::Error_Empty_Image) << request.url;
        Path directory = path.Parent();
        if (!directory.IsDirectory() && !directory.CreateDirectories())
            throw DownloadException(DownloadException::Error_Create_Directory) << directory.str();
        // The record and the package keep the picture's full size; a picture the loader refuses
        // is stored all the same, with no size, as the service sent it. The smallest decode
        // tells as well as a full one whether it loads.
        Picture picture;
        if (picture.LoadFromBytes(body, DecodeHint{1, 1})) {
            const SIZE size = picture.GetFullSize();
            m_image->SetSize(size.cx, size.cy);
        }
        if (!WritePackage(m_image, body, path))
            throw DownloadException(DownloadException::Error_Save_Image) << request.url << path.str();
    }
    ReportProgress(100);
    if (m_onImage) m_onImage(m_image);
}

FileDownloadTask::FileDownloadTask(std::wstring url, Path directory, size_t maxBytes)
    : m_url(std::move(url)), m_directory(std::move(directory)), m_maxBytes(maxBytes) {
    SetPriority(0);
}

std::wstring FileDownloadTask::FileNameOf(const std::wstring& url) {
    std::wstring address = url.substr(0, url.find_first_of(L"?#"));
    std::wstring name = address.substr(address.rfind(L'/') + 1);
    if (name.empty() || name == L"." || name == L"..") return std::wstring();
    for (wchar_t c : name)
        if (c < 32 || std::wcschr(L"\\/:*?\"<>|", c)) return std::wstring();
    return name;
}

void FileDownloadTask::Run() {
    ReportProgress(0);
    // A URL that names no plain file is refused before anything is fetched.
    std::wstring name = FileNameOf(m_url);
    if (name.empty()) throw DownloadException(DownloadException::Error_Invalid_Url) << m_url;
    FetchRequest request;
    request.url = m_url;
    request.noCacheWrite = true;
    request.maxBytes = m_maxBytes;
    Bytes body;
    Fetch(request, body);
    if (!m_directory.IsDirectory() && !m_directory.CreateDirectories())
        throw DownloadException(DownloadException::Error_Create_Directory) << m_directory.str();
    Path path = m_directory / name;
    if (!WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(body.data()), body.size())))
        throw DownloadException(DownloadException::Error_Save_Update_File) << path.str();
    if (m_onFile) m_onFile(path);
}

bool DownloadTaskContainer::Add(const DownloadTaskPtr& task) {
    if (!task) return false;
    size_t entry = m_combined.AddEntry(task);
    std::shared_ptr<DownloadTaskContainer> self = shared_from_this();
    task->SetProgressCallback([self, entry](int percent) {
        self->m_combined.Report(entry, percent);
        if (self->m_progress) self->m_progress(self->m_combined.Percent());
    });
    return true;
}

std::shared_ptr<DownloadImageTask> DownloadImageTask::Create(std::shared_ptr<Settings> settings, std::wstring tags,
                                                             std::shared_ptr<Downloader> downloader) {
    return std::shared_ptr<DownloadImageTask>(
        new DownloadImageTask(std::move(settings), std::move(tags), std::move(downloader)));
}

DownloadImageTask::DownloadImageTask(std::shared_ptr<Settings> settings, std::wstring tags,
                                     std::shared_ptr<Downloader> downloader)
    : m_settings(std::move(settings)), m_tags(std::move(tags)), m_downloader(downloader) {}

DownloadImageTask::~DownloadImageTask() {
    ReportProgress(-1);
    // Only a batch whose every sub-task ended, and whose list came, is a download: the final
    // list replaces the stored one and renews the download time. Sub-tasks dropped by an
    // abort (the program closing) never end, and what they leave is no list to prune by.
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_queuedAny || m_unfinished != 0 || m_listFailed) return;
    if (!m_collected.empty()) {
        if (m_onImages) m_onImages(std::make_shared<const ImageList>(m_collected), false);
    } else if (GetErrorCallback()) {
        // The lists came but not one picture: as much a failed download as a failed list.
        GetErrorCallback()(m_pictureFailure, m_pictureFailureMessage);
    }
}

int DownloadImageTask::PartnerShare(const std::set<std::wstring>& keys) {
    if (keys.empty()) return 5;
    if (!keys.count(Settings::kPartnerCategory)) return 0;
    return std::max(2, static_cast<int>(20 / keys.size()));
}

void DownloadImageTask::Queue(const DownloadTaskPtr& task, bool isTheList) {
    size_t entry = m_progress.AddEntry(task);
    std::shared_ptr<DownloadImageTask> self = Self();
    task->SetProgressCallback([self, entry](int percent) {
        self->m_progress.Report(entry, percent);
        self->ReportCombined();
    });
    ++m_unfinished;
    m_queuedAny = true;
    task->SetDoneCallback([self] { --self->m_unfinished; });
    task->SetErrorCallback([self, isTheList, report = task->GetErrorCallback()](DownloadException::ErrorType type,
                                                                                const std::wstring& message) {
        if (isTheList) self->m_listFailed = true;
        --self->m_unfinished;
        if (report) report(type, message);
    });
    if (auto downloader = m_downloader.lock()) downloader->AddTask(task);
}

void DownloadImageTask::Run() {
    ReportCombined();
    std::set<std::wstring> keys;
    size_t start = 0;
    while (start <= m_tags.size()) {
        size_t end = m_tags.find_first_of(L" \t", start);
        if (end == std::wstring::npos) end = m_tags.size();
        if (end > start) keys.insert(m_tags.substr(start, end - start));
        start = end + 1;
    }
    const int share = PartnerShare(keys);
    const bool partnerOnly = keys.size() == 1 && keys.count(Settings::kPartnerCategory) && share != 0;
    std::shared_ptr<DownloadImageTask> self = Self();
    if (!partnerOnly) {
        std::wstring joined;
        for (const std::wstring& key : keys) joined += (joined.empty() ? L"" : L" ") + key;
        auto list = std::make_shared<ImageListTask>(m_settings, joined);
        list->SetResultCallback([self](const ImageListPtr& images) { self->OnList(images, false, -1); });
        list->SetErrorCallback(GetErrorCallback());
        Queue(list, true);
    }
    if (share > 0) {
        auto partner = std::make_shared<PartnerListTask>(m_settings);
        partner->SetResultCallback([self, share](const ImageListPtr& images) { self->OnList(images, true, share); });
        Queue(partner, false);
    }
}

void DownloadImageTask::OnList(const ImageListPtr& listed, bool shuffle, int limit) {
    const ImageListPtr images = m_bans ? m_bans->Without(listed) : listed;
    if (!images) return;
    ImageList order = *images;
    if (shuffle) std::shuffle(order.begin(), order.end(), std::mt19937(std::random_device()()));
    std::shared_ptr<DownloadImageTask> self = Self();
    for (const ImagePtr& image : order) {
        if (!image) continue;
        if (limit != -1 && limit-- == 0) break;
        auto picture = std::make_shared<SingleImageTask>(m_settings, image);
        picture->SetImageCallback([self](const ImagePtr& stored) { self->OnImage(stored); });
        picture->SetErrorCallback([self](DownloadException::ErrorType type, const std::wstring& message) {
            std::lock_guard<std::mutex> guard(self->m_mutex);
            self->m_pictureFailure = type;
            self->m_pictureFailureMessage = message;
        });
        Queue(picture, false);
    }
    ReportCombined();
}

void DownloadImageTask::OnImage(const ImagePtr& image) {
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_collected.push_back(image);
        if (m_onImages) m_onImages(std::make_shared<const ImageList>(m_collected), true);
    }
    ReportCombined();
}

void DownloadImageTask::ReportCombined() { ReportProgress(m_progress.Percent()); }

void DownloadImageTask::OnSuspend() {
    m_progress.ForEachTask([](const DownloadTaskPtr& task) { task->Suspend(); });
}

void DownloadImageTask::OnAbort() {
    m_progress.ForEachTask([](const DownloadTaskPtr& task) { task->Abort(); });
}
