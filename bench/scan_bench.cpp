// ScanImageDirectory over a store of 5,000 packages of 300 KB: only the headers are read.
#include <windows.h>

#include <random>

#include "bench_support.h"
#include "store/data_folder.h"
#include "store/package_file.h"

int main() {
    constexpr int kPackages = 5000;
    constexpr size_t kPayloadBytes = 300 * 1024;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    Path data = Path(temp) / (L"kestrane-scan-bench-" + std::to_wstring(GetCurrentProcessId()));
    data.CreateDirectories();

    std::mt19937 random(42);
    Bytes payload(kPayloadBytes);
    for (unsigned char& byte : payload) byte = static_cast<unsigned char>(random());
    double writeMs = TimeMs([&] {
        for (int i = 0; i < kPackages; ++i) {
            std::wstring url = L"http://img.example/wallpaper/" + std::to_wstring(i) + L".jpg";
            auto image = std::make_shared<Image>(i, data / MakePackageFileName(url), url, L"");
            image->SetOrder(kPackages - 1 - i);
            image->SetSize(1920, 1080);
            WritePackage(image, payload, image->GetPath());
        }
    });
    Report("write 5000 packages of 300 KB", writeMs, "ms");

    size_t found = 0;
    double scanMs = MedianMs(5, [&] { found = ScanImageDirectory(data)->size(); });
    Report("scan 5000 packages (" + std::to_string(found) + " found)", scanMs, "ms median of 5");
    data.RemoveAll();
    return found == kPackages ? 0 : 1;
}
