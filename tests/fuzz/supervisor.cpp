#include "fuzz/supervisor.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

#include "base/handles.h"
#include "base/utf8.h"
#include "fuzz/findings.h"
#include "fuzz/inputs.h"
#include "fuzz/known_faults.h"
#include "fuzz/progress.h"
#include "support/test_support.h"

namespace {

// A parser that kills its worker this often for new reasons is broken beyond what a run can
// tell. Known faults do not count: they recur by the hundred in a long run until mended.
constexpr int kMaxNewDeaths = 100;
// Known faults recur; a few of their inputs are enough on disk.
constexpr int kKnownInputsKept = 3;

std::wstring OwnExecutable() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

// Starts a worker at options.from and waits for it, ending it when neither its input nor
// its count of finished inputs has moved for hangSeconds. Returns its exit code.
DWORD RunWorkerProcess(const FuzzOptions& options, const std::string& parser, const SharedProgress& progress) {
    std::wstring executable = OwnExecutable();
    std::wstring commandLine = L"\"" + executable + L"\" " + WorkerArguments(options, parser);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(executable.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &started)) {
        std::fprintf(stderr, "fuzz: cannot start a worker (error %lu)\n", GetLastError());
        return kExitSetup;
    }
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    WorkerProgress* page = progress.get();
    LONG64 index = page->index, done = page->done;
    auto lastMove = std::chrono::steady_clock::now();
    while (WaitForSingleObject(process.get(), 200) == WAIT_TIMEOUT) {
        if (page->index != index || page->done != done) {
            index = page->index;
            done = page->done;
            lastMove = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - lastMove > std::chrono::seconds(options.hangSeconds)) {
            TerminateProcess(process.get(), kExitHang);
            WaitForSingleObject(process.get(), INFINITE);
            return kExitHang;
        }
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}

Death DeathOf(DWORD exitCode, const WorkerProgress& page) {
    Death death;
    death.exitCode = exitCode;
    death.kind = exitCode == kExitMemory       ? Death::Kind::Memory
                 : exitCode == kExitAllocation ? Death::Kind::Allocation
                 : exitCode == kExitHang       ? Death::Kind::Hang
                                               : Death::Kind::Crash;
    death.stage = page.stage;
    death.note = page.note;
    return death;
}

// Makes the input again, tells whether it is a known fault, writes it out and counts it.
// True for a known fault.
bool RecordDeath(const FuzzOptions& options, const std::string& parser, std::uint64_t index, const Death& death,
                 ParserFigures& figures, std::map<std::string, int>& knownSeen) {
    std::unique_ptr<Harness> harness = MakeHarness(parser);
    std::vector<std::string> seeds = LoadSeeds(options.corpus / FromUtf8(parser));
    Mutator mutator(options.limits);
    InputSource source{harness.get(), &seeds, &mutator, options.runSeed};
    std::string input = options.inputFile.empty() ? source.Make(index) : ReadAll(Path(FromUtf8(options.inputFile)));

    const KnownFault* known = FindKnownFault(*harness, input, death);
    Finding finding{parser, options.runSeed, index, DescribeDeath(death), known ? known->id : ""};
    std::string where;
    if (!known || ++knownSeen[known->id] <= kKnownInputsKept)
        where = "\n  written to " + ToUtf8(WriteFinding(options.findings, finding, input));
    std::printf("%s: %s input %llu: %s%s\n", known ? (std::string("known fault ") + known->id).c_str() : "finding",
                parser.c_str(), static_cast<unsigned long long>(index), finding.what.c_str(), where.c_str());
    std::fflush(stdout);
    (known ? figures.known : figures.findings) += 1;
    return known != nullptr;
}

}  // namespace

ParserFigures SuperviseParser(const FuzzOptions& options, const std::string& parser) {
    ParserFigures figures;
    figures.parser = parser;
    std::map<std::string, int> knownSeen;
    auto start = std::chrono::steady_clock::now();
    std::uint64_t count = options.inputFile.empty() ? options.count : 1;
    TempDir work;  // the workers' folders, removed with whatever dead workers left there
    FuzzOptions workerOptions = options;
    workerOptions.workFolder = work / L"worker";
    for (int newDeaths = 0; workerOptions.from < count;) {
        SharedProgress progress = SharedProgress::Create();
        if (!progress.get()) {
            std::fprintf(stderr, "fuzz: cannot share a progress page (error %lu)\n", GetLastError());
            figures.setupFailed = true;
            break;
        }
        workerOptions.progressHandle = progress.HandleValue();
        DWORD exitCode = RunWorkerProcess(workerOptions, parser, progress);
        const WorkerProgress& page = *progress.get();
        figures.inputs += static_cast<std::uint64_t>(page.done);
        figures.accepted += static_cast<std::uint64_t>(page.accepted);
        figures.findings += page.findings;
        figures.largestAllocation =
            std::max(figures.largestAllocation, static_cast<std::size_t>(page.largestAllocation));
        if (exitCode == 0) break;
        if (exitCode == kExitSetup || page.index < 0) {
            figures.setupFailed = true;
            break;
        }
        std::uint64_t index = static_cast<std::uint64_t>(page.index);
        figures.inputs += 1;
        bool known = RecordDeath(options, parser, index, DeathOf(exitCode, page), figures, knownSeen);
        if (!known && ++newDeaths >= kMaxNewDeaths) {
            std::printf("fuzz: %s: stopped after %d workers died of new faults\n", parser.c_str(), newDeaths);
            figures.setupFailed = true;
            break;
        }
        workerOptions.from = index + 1;
    }
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return figures;
}
