// Next-wallpaper latency, step by step: decode, composition, BMP save and apply, for the
// pictures scripts/bench names in KESTRANE_BENCH_JPEGS (separated by ';').
#include <windows.h>
#include <objbase.h>

#include <cstdlib>
#include <sstream>

#include "base/file_io.h"
#include "base/utf8.h"
#include "bench_support.h"
#include "config/settings.h"
#include "desktop/wallpaper_renderer.h"
#include "desktop/wallpaper_state.h"

int main() {
    const char* list = std::getenv("KESTRANE_BENCH_JPEGS");
    if (!list) {
        std::printf("wallpaper_bench: run it through scripts/bench, which names the pictures\n");
        return 0;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    auto settings = std::make_shared<Settings>(Path(temp));
    PlainRenderer renderer(settings);
    WallpaperDescription before = CaptureCurrentWallpaper();
    Settings::Point screen = Settings::GetScreenSize();
    std::printf("screen %dx%d\n", screen.x, screen.y);

    std::stringstream names(list);
    std::string name;
    while (std::getline(names, name, ';')) {
        // Files on the Linux side appear under Z: in Wine.
        Path file(L"Z:" + FromUtf8(name));
        auto bytes = ReadFileBytes(file, 256u << 20);
        if (!bytes) continue;
        Bytes data(bytes->begin(), bytes->end());
        Picture picture;
        double decode = MedianMs(20, [&] { picture.LoadFromBytes(data); });
        std::shared_ptr<Picture> wallpaper;
        double compose = MedianMs(20, [&] { wallpaper = ComposeWallpaper(picture, *settings, renderer); });
        if (!wallpaper) continue;
        Path bmp = GetWallpaperPath();
        double save = MedianMs(20, [&] { wallpaper->SaveToFile(bmp); });
        double apply = MedianMs(20, [&] { SetDesktopWallpaper(L"0", L"1", bmp.str()); });
        std::string label = file.FileName().empty() ? name : ToUtf8(file.FileName());
        std::printf("%s (%dx%d):\n", label.c_str(), picture.GetWidth(), picture.GetHeight());
        Report("  decode", decode, "ms median of 20");
        Report("  compose", compose, "ms median of 20");
        Report("  save BMP", save, "ms median of 20");
        Report("  apply", apply, "ms median of 20");
        Report("  all but the decode", compose + save + apply, "ms");
    }
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
    CoUninitialize();
    return 0;
}
