#pragma once
// What a run is asked to do, shared by the supervisor and the worker processes it starts.
#include <cstdint>
#include <string>
#include <vector>

#include "base/path.h"
#include "fuzz/mutator.h"

struct FuzzOptions {
    enum class Mode { Run, Worker, Replay, KnownFaults, MakeSeeds, List };
    Mode mode = Mode::Run;
    std::vector<std::string> parsers;  // empty: all
    std::uint64_t count = 2000;        // inputs per parser
    std::uint64_t runSeed = 1;
    Path corpus;    // one folder of seeds per parser
    Path findings;  // where failing inputs are written
    Path known;     // the known faults' samples
    MutationLimits limits;
    // Per allocation, and for the working set over its start. A picture may decode to a
    // bitmap of up to 256 MB, which is held twice while it loads (the loader's and ours).
    std::size_t memoryCapMb = 640;
    int hangSeconds = 30;
    std::string inputFile;              // run (or replay) this file instead of generated inputs
    std::vector<std::string> pictures;  // --make-seeds: the pictures to package

    // Worker only: the first input, the supervisor's progress page and the folder to work in.
    std::uint64_t from = 0;
    std::uintptr_t progressHandle = 0;
    Path workFolder;
};

// Fills options from the command line; false (with the reason) for anything it does not know.
bool ParseCommandLine(int argc, wchar_t** argv, FuzzOptions& options, std::string& error);
const char* Usage();

// The options a worker process needs, as its command-line arguments.
std::wstring WorkerArguments(const FuzzOptions& options, const std::string& parser);
