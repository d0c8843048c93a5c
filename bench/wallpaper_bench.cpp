// Next-wallpaper latency, step by step: decode (the OLE loader, libjpeg-turbo whole and at the
// scale the screen needs), composition, BMP save and apply, and all of it in one go as a Next
// does it, for the pictures scripts/bench names in KESTRANE_BENCH_JPEGS (separated by ';').
#include <windows.h>
#include <objbase.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

#include "base/file_io.h"
#include "base/utf8.h"
#include "bench_support.h"
#include "config/settings.h"
#include "desktop/wallpaper_renderer.h"
#include "desktop/wallpaper_state.h"

namespace {

// The OLE loader also takes a picture behind its own "lt\0\0" length header, which the JPEG
// path does not recognise: the way to time the loader the program used before.
Bytes ForOleLoader(const Bytes& jpeg) {
    Bytes bytes = {'l', 't', 0, 0};
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(jpeg.size() >> (8 * i)));
    bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
    return bytes;
}

// A median of runs loads, or a note when the picture is refused (too large to decode whole).
void ReportDecode(const char* name, int runs, const std::function<bool()>& load) {
    if (!load()) {
        std::printf("%s: refused\n", name);
        return;
    }
    Report(name, MedianMs(runs, [&] { load(); }), "ms median of " + std::to_string(runs));
}

}  // namespace

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
        const DecodeHint cover = WallpaperCover();
        Picture picture;
        if (!picture.LoadFromBytes(data, cover)) continue;
        std::string label = file.FileName().empty() ? name : ToUtf8(file.FileName());
        std::printf("%s (%ldx%ld, decoded at %dx%d):\n", label.c_str(), picture.GetFullSize().cx,
                    picture.GetFullSize().cy, picture.GetWidth(), picture.GetHeight());
        // The whole-size decodes of the large pictures take seconds each: fewer runs.
        const int wholeRuns = picture.GetFullSize().cx > 2 * screen.x ? 5 : 20;
        const Bytes ole = ForOleLoader(data);
        Picture other;
        ReportDecode("  decode, OLE loader", wholeRuns, [&] { return other.LoadFromBytes(ole); });
        ReportDecode("  decode, libjpeg-turbo whole", wholeRuns, [&] { return other.LoadFromBytes(data); });
        ReportDecode("  decode, libjpeg-turbo for the screen", 20, [&] { return other.LoadFromBytes(data, cover); });
        std::shared_ptr<Picture> wallpaper;
        double compose = MedianMs(20, [&] { wallpaper = ComposeWallpaper(picture, *settings, renderer); });
        if (!wallpaper) continue;
        Path bmp = GetWallpaperPath();
        double save = MedianMs(20, [&] { wallpaper->SaveToFile(bmp); });
        double apply = MedianMs(20, [&] { SetDesktopWallpaper(L"0", L"1", bmp.str()); });
        Report("  compose", compose, "ms median of 20");
        Report("  save BMP", save, "ms median of 20");
        Report("  apply", apply, "ms median of 20");
        Report("  all but the decode", compose + save + apply, "ms");
        // What a Next of a local picture does once the cycle has picked it.
        Report("  cold Next: read, decode for the screen, compose, save, apply",
               MedianMs(20,
                        [&] {
                            Picture next;
                            std::shared_ptr<Picture> shown;
                            if (next.LoadFromFile(file, cover) &&
                                (shown = ComposeWallpaper(next, *settings, renderer)) && shown->SaveToFile(bmp))
                                SetDesktopWallpaper(L"0", L"1", bmp.str());
                        }),
               "ms median of 20");
    }
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
    CoUninitialize();
    return 0;
}
