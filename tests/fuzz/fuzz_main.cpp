// The fuzz driver: mutated inputs for every parser of bytes from outside, each parser's
// inputs run in worker processes under a supervisor (supervisor.h). Prints, per parser, the
// inputs run, the seconds taken and the findings; exits 1 when there is a new finding.
#include <cstdio>

#include "base/utf8.h"
#include "fuzz/harness.h"
#include "fuzz/known_faults.h"
#include "fuzz/options.h"
#include "fuzz/seed_writer.h"
#include "fuzz/supervisor.h"
#include "fuzz/worker.h"
#include "support/test_support.h"

namespace {

std::vector<std::string> SelectedParsers(const FuzzOptions& options) {
    if (!options.parsers.empty()) return options.parsers;
    std::vector<std::string> all;
    for (const auto& harness : MakeHarnesses()) all.push_back(harness->Name());
    return all;
}

void PrintFigures(const ParserFigures& f) {
    double accepted = f.inputs ? 100.0 * static_cast<double>(f.accepted) / static_cast<double>(f.inputs) : 0;
    std::printf("%-13s %9llu %8.1f %9d %6d %9.0f%% %10.1f%s\n", f.parser.c_str(),
                static_cast<unsigned long long>(f.inputs), f.seconds, f.findings, f.known, accepted,
                static_cast<double>(f.largestAllocation) / 1024, f.setupFailed ? "  (did not finish)" : "");
    std::fflush(stdout);
}

int RunParsers(const FuzzOptions& options) {
    std::printf("fuzz: seed %llu, %llu inputs per parser, findings in %s\n",
                static_cast<unsigned long long>(options.runSeed), static_cast<unsigned long long>(options.count),
                ToUtf8(options.findings.str()).c_str());
    std::vector<ParserFigures> all;
    for (const std::string& parser : SelectedParsers(options)) all.push_back(SuperviseParser(options, parser));
    std::printf("\n%-13s %9s %8s %9s %6s %10s %10s\n", "parser", "inputs", "seconds", "findings", "known", "accepted",
                "largest KB");
    bool clean = true;
    for (const ParserFigures& figures : all) {
        PrintFigures(figures);
        clean = clean && figures.findings == 0 && !figures.setupFailed;
    }
    return clean ? 0 : 1;
}

int Replay(const FuzzOptions& options) {
    std::unique_ptr<Harness> harness = MakeHarness(options.parsers.at(0));
    if (!harness) return std::fprintf(stderr, "fuzz: no parser '%s'\n", options.parsers[0].c_str()), 2;
    std::string input = ReadAll(Path(FromUtf8(options.inputFile)));
    std::optional<std::string> problem = ReplayInput(*harness, input, options);
    std::printf("%s\n", problem ? problem->c_str() : "ok");
    return problem ? 1 : 0;
}

// Each known fault's sample must still be caught, and told as that fault: the proof that
// the driver sees it, and the alarm that goes off once it is mended.
int CheckKnownFaults(const FuzzOptions& options) {
    int missed = 0;
    for (const KnownFault& fault : KnownFaults()) {
        FuzzOptions sample = options;
        sample.inputFile = ToUtf8((options.known / FromUtf8(fault.sample)).str());
        ParserFigures figures = SuperviseParser(sample, fault.parser);
        bool caught = figures.known == 1 && figures.findings == 0;
        std::printf("known fault %s: %s\n", fault.id,
                    caught ? "caught" : "NOT caught: if it is mended, delete its entry in tests/fuzz/known_faults.cpp");
        missed += caught ? 0 : 1;
    }
    return missed ? 1 : 0;
}

int ListParsers() {
    for (const auto& harness : MakeHarnesses()) std::printf("%s\n", harness->Name());
    std::printf("(layout documents: not fuzzed, they have no parser yet)\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    FuzzOptions options;
    std::string error;
    if (!ParseCommandLine(argc, argv, options, error)) {
        std::fprintf(stderr, "fuzz: %s\n%s", error.c_str(), Usage());
        return 2;
    }
    bool needsParser = options.mode == FuzzOptions::Mode::Worker || options.mode == FuzzOptions::Mode::Replay;
    if (needsParser && options.parsers.empty()) {
        std::fprintf(stderr, "fuzz: which parser?\n%s", Usage());
        return 2;
    }
    switch (options.mode) {
        case FuzzOptions::Mode::Worker:
            return RunWorker(options, options.parsers.at(0));
        case FuzzOptions::Mode::Replay:
            return Replay(options);
        case FuzzOptions::Mode::KnownFaults:
            return CheckKnownFaults(options);
        case FuzzOptions::Mode::MakeSeeds:
            return WriteSeeds(options) ? 0 : 1;
        case FuzzOptions::Mode::List:
            return ListParsers();
        default:
            return RunParsers(options);
    }
}
