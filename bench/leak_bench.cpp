// No leak across wallpaper changes: what Kestrane.exe holds after 10 changes and after 500,
// each made with its Next command and awaited until the new wallpaper bitmap is in place.
// scripts/bench sends our Linux standard error to the file KESTRANE_BENCH_TRACE names, where
// Wine's GDI traces Kestrane's object count.
#include <windows.h>

#include <chrono>
#include <cstdlib>

#include "base/utf8.h"
#include "bench_support.h"
#include "kestrane_run.h"
#include "process_figures.h"
#include "resources/resource.h"

namespace {

constexpr int kFirst = 10, kLast = 500;
constexpr DWORD kSettleMs = 2000;  // lets the work after the bitmap's move (apply, repaint) end

struct Snapshot {
    WindowsCounters windows;
    std::optional<ProcessListEntry> list;
    std::optional<LinuxFigures> onLinux;
    std::optional<int> gdiTrace;
    int windowCount = 0;
};

Snapshot Take(const KestraneRun& run, const std::wstring& traceFile) {
    Sleep(kSettleMs);
    Snapshot s;
    s.windows = ReadWindowsCounters(run.Process());
    s.list = ReadProcessListEntry(run.ProcessId());
    s.onLinux = ReadLinuxFigures(run.LinuxPid());
    if (!traceFile.empty()) s.gdiTrace = GdiObjectsFromTrace(traceFile, run.ProcessId());
    s.windowCount = CountWindows(run.ProcessId());
    return s;
}

// One line of counts; false when both were read and differ.
template <typename T>
bool Counts(const char* what, const std::optional<T>& first, const std::optional<T>& last, const char* missing) {
    if (!first || !last) {
        std::printf("%s: %s\n", what, missing);
        return true;
    }
    long long difference = static_cast<long long>(*last) - static_cast<long long>(*first);
    std::printf("%s: %lld after %d, %lld after %d (%s)\n", what, static_cast<long long>(*first), kFirst,
                static_cast<long long>(*last), kLast, difference == 0 ? "equal" : "DIFFERENT");
    return difference == 0;
}

void Memory(const char* what, double first, double last) {
    std::printf("%s: %s after %d, %s after %d (%+.1f KB per change)\n", what, Megabytes(first).c_str(), kFirst,
                Megabytes(last).c_str(), kLast, (last - first) / 1024.0 / (kLast - kFirst));
}

template <typename T, typename F>
auto Field(const std::optional<T>& value, F field) -> std::optional<decltype(field(*value))> {
    if (!value) return std::nullopt;
    return field(*value);
}

}  // namespace

int main() {
    const char* trace = std::getenv("KESTRANE_BENCH_TRACE");
    std::wstring traceFile = trace ? L"Z:" + FromUtf8(trace) : L"";
    std::printf("screen %dx%d, 6 packages of 2400x1600 BMP pictures\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN));
    KestraneRun run(6, 2400, 1600);
    ULONGLONG shown = WallpaperWriteTime();
    if (!run.Start(trace ? kGdiTraceDebug : nullptr) || !WaitForWallpaperChange(shown, 60000)) {
        std::printf("Kestrane.exe did not start and show a wallpaper within a minute\n");
        return 1;
    }
    Snapshot startUp = Take(run, traceFile);
    Snapshot first;
    auto clockStart = std::chrono::steady_clock::now();
    for (int i = 1; i <= kLast; ++i) {
        shown = WallpaperWriteTime();
        run.Command(IDC_NEXT);
        if (!WaitForWallpaperChange(shown, 30000)) {
            std::printf("change %d did not finish within 30 s\n", i);
            return 1;
        }
        if (i == kFirst) {
            first = Take(run, traceFile);
            clockStart = std::chrono::steady_clock::now();
        }
    }
    double changesMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - clockStart).count();
    Snapshot last = Take(run, traceFile);
    Report("changes " + std::to_string(kFirst + 1) + " to " + std::to_string(kLast) + ", each",
           changesMs / (kLast - kFirst), "ms on average");

    const char* stub = "not available under Wine (it answers 0)";
    bool same = true;
    same &= Counts("GDI objects, GetGuiResources", first.windows.gdiObjects, last.windows.gdiObjects, stub);
    same &= Counts("USER objects, GetGuiResources", first.windows.userObjects, last.windows.userObjects, stub);
    same &= Counts("kernel handles, GetProcessHandleCount", first.windows.handles, last.windows.handles, stub);
    same &= Counts("GDI objects, Wine's GDI trace", first.gdiTrace, last.gdiTrace,
                   "no trace (run it through scripts/bench, which collects Wine's GDI trace)");
    same &= Counts("windows of the process (top-level, child, message-only)", std::optional<int>(first.windowCount),
                   std::optional<int>(last.windowCount), "");
    auto handles = [](const ProcessListEntry& e) { return e.handles; };
    same &= Counts("handle table size, wineserver (a power of two)", Field(first.list, handles),
                   Field(last.list, handles), "not in the process list");
    auto fds = [](const LinuxFigures& f) { return f.fileDescriptors; };
    same &= Counts("file descriptors, Linux", Field(first.onLinux, fds), Field(last.onLinux, fds),
                   "the Linux process was not found");
    auto threads = [](const ProcessListEntry& e) { return e.threads; };
    same &= Counts("threads", Field(first.list, threads), Field(last.list, threads), "not in the process list");
    if (first.windows.privateBytes && last.windows.privateBytes)
        Memory("private bytes, GetProcessMemoryInfo", *first.windows.privateBytes, *last.windows.privateBytes);
    else
        std::printf(
            "private bytes, GetProcessMemoryInfo: not available under Wine (it answers 0 for another process)\n");
    if (startUp.list && first.list && last.list) {
        std::printf("CPU per change, process list: %.1f ms\n",
                    (last.list->cpuSeconds - first.list->cpuSeconds) * 1000 / (kLast - kFirst));
        std::printf("pagefile usage after start-up (one wallpaper shown): %s\n",
                    Megabytes(startUp.list->pagefileUsage).c_str());
        Memory("pagefile usage (under Wine: resident anonymous memory)", first.list->pagefileUsage,
               last.list->pagefileUsage);
        Memory("working set", first.list->workingSet, last.list->workingSet);
        Memory("virtual size", first.list->virtualSize, last.list->virtualSize);
    }
    std::printf("counts: %s\n", same ? "every count read is equal: no leak seen" : "SOME DIFFER, see above");

    run.Close(20000);
    return 0;
}
