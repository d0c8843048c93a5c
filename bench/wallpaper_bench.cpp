// Next-wallpaper latency, step by step: decode (the OLE loader, libjpeg-turbo whole and at the
// scale the screen needs), composition, BMP save and apply; then Next as the program makes it,
// cold and with the wallpaper made ahead, for the pictures scripts/bench names in
// KESTRANE_BENCH_JPEGS (separated by ';').
#include <windows.h>
#include <objbase.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "app/controller.h"
#include "app/controller_impl.h"
#include "app/iui.h"
#include "base/file_io.h"
#include "base/handles.h"
#include "base/utf8.h"
#include "bench_support.h"
#include "config/settings.h"
#include "desktop/shell/wallpaper_state.h"
#include "desktop/wallpaper/wallpaper_renderer.h"

// The benchmark drives the controller's record as the tests do.
class ControllerAccess {
public:
    static Controller::Impl& Of(Controller& controller) { return *controller.m_impl; }
};

namespace {

// The show job calls UpdateState once the system has taken the wallpaper (or it was not
// changed): the end of a Next.
class ChangeWatchingUI : public IUI {
public:
    ChangeWatchingUI() : changed(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    unsigned SetTimer(unsigned, Callback) override { return 0; }
    void KillTimer(unsigned) override {}
    bool ResetTimer(unsigned, unsigned) override { return false; }
    void RequestExit() override {}
    void UpdateState(ControllerStatePtr) override { SetEvent(changed.get()); }
    void ShowProgress(int, const std::wstring&) override {}
    void ShowInfo(ShowInfoType, const std::wstring&, const std::wstring&) override {}
    void ConfirmInstallUpdate(const VersionInfo&, bool, Callback) override {}
    void PictureSaved(const Path&) override {}
    UniqueHandle changed;
};

// Runs job on the controller's thread once every job before it has run, the wallpaper made
// ahead included, and waits for it.
void RunLast(JobThread& thread, std::function<void()> job) {
    UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE event = done.get();
    thread.Post(
        [event, &job] {
            job();
            SetEvent(event);
        },
        INT_MIN);
    WaitForSingleObject(event, INFINITE);
}

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
    const wallpaper_layout::Screen display = ScreenOf(SystemMonitors().front());

    auto files = std::make_shared<std::vector<Path>>();
    std::stringstream names(list);
    std::string name;
    while (std::getline(names, name, ';')) {
        // Files on the Linux side appear under Z: in Wine.
        Path file(L"Z:" + FromUtf8(name));
        files->push_back(file);
        auto bytes = ReadFileBytes(file, 256u << 20);
        if (!bytes) continue;
        Bytes data(bytes->begin(), bytes->end());
        const DecodeHint cover = WallpaperCover(display);
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
        double compose = MedianMs(20, [&] { wallpaper = ComposeWallpaper(picture, *settings, renderer, display); });
        if (!wallpaper) continue;
        Path bmp = GetWallpaperPath();
        double save = MedianMs(20, [&] { wallpaper->SaveToFile(bmp); });
        double apply = MedianMs(20, [&] { SetDesktopWallpaper(L"0", L"1", bmp.str()); });
        Report("  compose", compose, "ms median of 20");
        Report("  save BMP", save, "ms median of 20");
        Report("  apply", apply, "ms median of 20");
        Report("  all but the decode", compose + save + apply, "ms");
        // The same picture on two monitors of the screen's size, the second left of the
        // primary, as Windows before 8 tiles them (the part that wraps round).
        const wallpaper_layout::Monitor primary = SystemMonitors().front();
        const wallpaper_layout::Rect left{-screen.x, 0, 0, screen.y};
        const wallpaper_layout::SpanLayout two =
            LayOutSpan({primary, {left, left}}, wallpaper_layout::TileOrigin::PrimaryMonitor);
        const MonitorComposer part = [&](size_t, const wallpaper_layout::Screen& shown) {
            return ComposeWallpaper(picture, *settings, renderer, shown);
        };
        Report("  compose for two monitors", MedianMs(10, [&] { wallpaper = ComposeSpan(two, part, Watermark{}); }),
               "ms median of 10");
    }

    // Next as the program makes it: the pictures as the controller's local pictures, timed
    // from the command until the system has taken the wallpaper. Rounds alternate: cold (what
    // was made ahead is thrown away first) and prepared (made ahead in idle time).
    ChangeWatchingUI ui;
    Controller controller(&ui, settings);
    Controller::Impl& impl = ControllerAccess::Of(controller);
    impl.jobThread = std::make_shared<JobThread>(L"Controller");
    settings->SetUseLocalImage(true);
    RunLast(*impl.jobThread, [&] { impl.lists.SetLocal(files); });
    auto next = [&] {
        return TimeMs([&] {
            controller.ShowImage(Controller::ShowNext, true);
            WaitForSingleObject(ui.changed.get(), INFINITE);
        });
    };
    controller.ShowImage(Controller::ShowCurrent, true);
    WaitForSingleObject(ui.changed.get(), INFINITE);
    const int rounds = 10;
    std::map<size_t, std::vector<double>> cold, prepared;
    for (int round = 0; round < 2 * rounds; ++round) {
        for (size_t i = 1; i <= files->size(); ++i) {
            const size_t shown = i % files->size();
            if (round % 2 == 0) {
                RunLast(*impl.jobThread, [&] { impl.prepared.Discard(); });
                cold[shown].push_back(next());
            } else {
                RunLast(*impl.jobThread, [] {});
                prepared[shown].push_back(next());
            }
        }
    }
    RunLast(*impl.jobThread, [&] { impl.prepared.Discard(); });
    impl.jobThread->Stop();
    impl.jobThread->Wait();
    auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    for (size_t i = 0; i < files->size(); ++i) {
        std::printf("%s:\n", ToUtf8((*files)[i].FileName()).c_str());
        Report("  cold Next", median(cold[i]), "ms median of " + std::to_string(rounds));
        Report("  prepared Next", median(prepared[i]), "ms median of " + std::to_string(rounds));
    }
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
    CoUninitialize();
    return 0;
}
