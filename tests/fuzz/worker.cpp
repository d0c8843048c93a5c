#include "fuzz/worker.h"

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#include "base/handles.h"
#include "base/localization.h"
#include "base/utf8.h"
#include "fuzz/allocation_cap.h"
#include "fuzz/findings.h"
#include "fuzz/inputs.h"
#include "fuzz/progress.h"
#include "support/test_support.h"

namespace {

// The supervisor's page, or a page of our own when there is none (replay).
WorkerProgress g_ownProgress{-1, 0, 0, 0, 0, {}, {}};
WorkerProgress* g_progress = &g_ownProgress;
std::size_t g_capBytes = static_cast<std::size_t>(-1);

// Ends the process at once, saying why on the page and on the standard error; called where
// nothing may be allocated any more.
[[noreturn]] void EndWorker(DWORD exitCode, const char* note) {
    CopyNote(g_progress->note, sizeof g_progress->note, note);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), "worker: ", 8, &written, nullptr);
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), note, static_cast<DWORD>(std::strlen(note)), &written, nullptr);
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), "\n", 1, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), exitCode);
    for (;;) Sleep(INFINITE);
}

void OnOversizedAllocation(std::size_t bytes) {
    char note[sizeof g_progress->note];
    std::snprintf(note, sizeof note, "a single allocation of %llu bytes, over the cap of %llu MB, while %s",
                  static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(g_capBytes >> 20),
                  g_progress->stage);
    EndWorker(kExitAllocation, note);
}

std::size_t WorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

UniqueHandle CurrentThread() {
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return UniqueHandle(thread);
}

// Watches the thread that runs the inputs, every 10 ms:
// - its memory: allocations of the OLE picture decoder and of GDI do not pass through
//   operator new, but the working set shows them (as soon as the pages are touched);
// - its life: Wine ends a thread whose stack overflowed, not the process, which would then
//   live on with this thread alone.
class Watchdog {
public:
    explicit Watchdog(std::size_t capBytes)
        : m_start(WorkingSet()),
          m_limit(m_start + capBytes),
          m_inputs(CurrentThread()),
          m_thread([this] { Watch(); }) {}
    ~Watchdog() {
        m_stop = true;
        m_thread.join();
    }

private:
    void Watch() {
        while (!m_stop) {
            DWORD exitCode = 0;
            if (WaitForSingleObject(m_inputs.get(), 0) == WAIT_OBJECT_0 &&
                GetExitCodeThread(m_inputs.get(), &exitCode)) {
                char note[sizeof g_progress->note];
                std::snprintf(note, sizeof note, "the thread running the inputs died (exit code 0x%08lX) while %s",
                              static_cast<unsigned long>(exitCode), g_progress->stage);
                EndWorker(kExitThreadDied, note);
            }
            std::size_t used = WorkingSet();
            if (used > m_limit) {
                char note[sizeof g_progress->note];
                std::snprintf(note, sizeof note, "the working set grew by %llu MB, over the cap of %llu MB, while %s",
                              static_cast<unsigned long long>((used - m_start) >> 20),
                              static_cast<unsigned long long>((m_limit - m_start) >> 20), g_progress->stage);
                EndWorker(kExitMemory, note);
            }
            Sleep(10);
        }
    }

    const std::size_t m_start;
    const std::size_t m_limit;
    UniqueHandle m_inputs;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// What every input needs: COM for the picture decoder, the program's own string map so that
// failures are formatted with the texts users see, the allocation cap, and a fresh folder
// for the harness.
void PrepareProcess(const FuzzOptions& options, Harness& harness, const Path& folder) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    folder.RemoveAll();
    (folder / L"harness").CreateDirectories();
    StringMap::Instance().LoadAll(folder.str());  // no language files there
    g_capBytes = options.memoryCapMb << 20;
    SetAllocationCap(g_capBytes, OnOversizedAllocation);
    harness.Prepare(folder / L"harness");
}

void RecordProblem(const FuzzOptions& options, const std::string& parser, std::uint64_t index,
                   const std::string& problem, const std::string& input) {
    Finding finding{parser, options.runSeed, index, problem, ""};
    std::wstring file = WriteFinding(options.findings, finding, input);
    std::printf("finding: %s input %llu: %s\n  written to %s\n", parser.c_str(), static_cast<unsigned long long>(index),
                problem.c_str(), ToUtf8(file).c_str());
    std::fflush(stdout);
    InterlockedIncrement(&g_progress->findings);
}

}  // namespace

void ReportStage(const char* stage) { CopyNote(g_progress->stage, sizeof g_progress->stage, stage); }
void ReportAccepted() { g_progress->accepted = g_progress->accepted + 1; }

int RunWorker(const FuzzOptions& options, const std::string& parser) {
    std::unique_ptr<Harness> harness = MakeHarness(parser);
    SharedProgress shared = SharedProgress::Open(options.progressHandle);
    if (shared.get()) g_progress = shared.get();
    std::vector<std::string> seeds;
    if (options.inputFile.empty()) seeds = LoadSeeds(options.corpus / FromUtf8(parser));
    if (!harness || (options.inputFile.empty() && seeds.empty())) {
        std::fprintf(stderr, "fuzz: no parser '%s' or no seeds for it\n", parser.c_str());
        return static_cast<int>(kExitSetup);
    }
    // The supervisor names the folder, so that it can clean up after a worker that died.
    std::optional<TempDir> own;
    if (options.workFolder.empty()) own.emplace();
    PrepareProcess(options, *harness, own ? own->path() : options.workFolder);
    Mutator mutator(options.limits);
    InputSource source{harness.get(), &seeds, &mutator, options.runSeed};
    std::uint64_t count = options.inputFile.empty() ? options.count : 1;

    Watchdog watchdog(g_capBytes);
    for (std::uint64_t index = options.from; index < count; ++index) {
        g_progress->index = static_cast<LONG64>(index);
        ReportStage("making the input");
        std::string input = options.inputFile.empty() ? source.Make(index) : ReadAll(Path(FromUtf8(options.inputFile)));
        ResetLargestAllocation();
        std::optional<std::string> problem = harness->Run(input);
        LONG64 largest = static_cast<LONG64>(LargestAllocation());
        ReportStage("between inputs");
        if (problem) RecordProblem(options, parser, index, *problem, input);
        g_progress->done = g_progress->done + 1;
        if (largest > g_progress->largestAllocation) g_progress->largestAllocation = largest;
    }
    return 0;
}

std::optional<std::string> ReplayInput(Harness& harness, const std::string& input, const FuzzOptions& options) {
    TempDir work;
    PrepareProcess(options, harness, work.path());
    Watchdog watchdog(g_capBytes);
    return harness.Run(input);
}
