// 200 pictures of about 500 KB fetched from the reference service through the Downloader,
// each stored as its package: the throughput scripts/bench compares with curl's.
#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "bench_support.h"
#include "config/settings.h"
#include "net/downloader.h"
#include "net/image_tasks.h"
#include "store/package_file.h"

int main() {
    const char* service = std::getenv("KESTRANE_BENCH_SERVICE");
    const char* countText = std::getenv("KESTRANE_BENCH_PICTURES");
    if (!service || !countText) {
        std::printf("download_bench: run it through scripts/bench, which starts the service\n");
        return 0;
    }
    const int count = std::atoi(countText);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    Path dir = Path(temp) / (L"kestrane-download-bench-" + std::to_wstring(GetCurrentProcessId()));
    dir.CreateDirectories();
    auto settings = std::make_shared<Settings>(dir);
    std::wstring base = std::wstring(service, service + strlen(service)) + L"/pictures/bench/";

    auto downloader = std::make_shared<Downloader>(settings);
    std::atomic<int> stored{0}, failed{0};
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    unsigned long long bytes = 0;
    double ms = TimeMs([&] {
        for (int i = 0; i < count; ++i) {
            std::wstring file = std::to_wstring(i) + L".jpg";
            auto image =
                std::make_shared<Image>(i, settings->GetDataDirectory() / MakePackageFileName(base + file), file, base);
            auto task = std::make_shared<SingleImageTask>(settings, image);
            task->SetImageCallback([&](const ImagePtr&) {
                if (++stored + failed == count) SetEvent(done);
            });
            task->SetErrorCallback([&](DownloadException::ErrorType, const std::wstring&) {
                if (stored + ++failed == count) SetEvent(done);
            });
            downloader->AddTask(task);
        }
        WaitForSingleObject(done, 600000);
    });
    for (const Path& file : settings->GetDataDirectory().ListFiles()) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) bytes += data.nFileSizeLow;
    }
    Report("downloader: " + std::to_string(stored) + " pictures stored, " + std::to_string(failed) + " failed, in", ms,
           "ms");
    Report("downloader throughput", bytes / 1048576.0 / (ms / 1000.0), "MB/s");
    CloseHandle(done);
    downloader->AbortAll();
    dir.RemoveAll();
    return failed == 0 ? 0 : 1;
}
