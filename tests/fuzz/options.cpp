#include "fuzz/options.h"

#include <cstdlib>
#include <functional>
#include <map>

#include "base/utf8.h"

#ifndef KESTRANE_FUZZ_CORPUS
#define KESTRANE_FUZZ_CORPUS L"corpus"
#endif
#ifndef KESTRANE_FUZZ_FINDINGS
#define KESTRANE_FUZZ_FINDINGS L"fuzz-findings"
#endif
#ifndef KESTRANE_FUZZ_KNOWN
#define KESTRANE_FUZZ_KNOWN L"known"
#endif

namespace {

// A backslash before the closing quote would escape it.
std::wstring Quoted(std::wstring text) {
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return L"\"" + text + L"\"";
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

}  // namespace

const char* Usage() {
    return "usage: fuzz [--parser NAME[,NAME...]] [--count N] [--seed N] [--corpus DIR] [--findings DIR]\n"
           "            [--max-size BYTES] [--max-run N] [--max-picture-side N] [--memory-cap-mb N]\n"
           "            [--hang-seconds N] [--input FILE]\n"
           "       fuzz --replay PARSER FILE     run one input in this process and say what happened\n"
           "       fuzz --known-faults           check that each known fault's sample is still caught\n"
           "       fuzz --make-seeds PICTURE...  write the package and config.xml seeds into --corpus\n"
           "       fuzz --list                   the parsers\n";
}

bool ParseCommandLine(int argc, wchar_t** argv, FuzzOptions& options, std::string& error) {
    options.corpus = KESTRANE_FUZZ_CORPUS;
    options.findings = KESTRANE_FUZZ_FINDINGS;
    options.known = KESTRANE_FUZZ_KNOWN;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(ToUtf8(argv[i]));
    auto number = [](const std::string& text) { return std::strtoull(text.c_str(), nullptr, 0); };
    // Options that take one value.
    const std::map<std::string, std::function<void(const std::string&)>> valued = {
        {"--parser", [&](const std::string& v) { options.parsers = SplitList(v); }},
        {"--count", [&](const std::string& v) { options.count = number(v); }},
        {"--seed", [&](const std::string& v) { options.runSeed = number(v); }},
        {"--corpus", [&](const std::string& v) { options.corpus = Path(FromUtf8(v)); }},
        {"--findings", [&](const std::string& v) { options.findings = Path(FromUtf8(v)); }},
        {"--known", [&](const std::string& v) { options.known = Path(FromUtf8(v)); }},
        {"--max-size", [&](const std::string& v) { options.limits.maxSize = number(v); }},
        {"--max-run", [&](const std::string& v) { options.limits.maxRun = number(v); }},
        {"--max-picture-side",
         [&](const std::string& v) { options.limits.maxPictureSide = static_cast<std::uint32_t>(number(v)); }},
        {"--memory-cap-mb", [&](const std::string& v) { options.memoryCapMb = number(v); }},
        {"--hang-seconds", [&](const std::string& v) { options.hangSeconds = static_cast<int>(number(v)); }},
        {"--input", [&](const std::string& v) { options.inputFile = v; }},
        {"--from", [&](const std::string& v) { options.from = number(v); }},
        {"--progress", [&](const std::string& v) { options.progressHandle = static_cast<std::uintptr_t>(number(v)); }},
        {"--work", [&](const std::string& v) { options.workFolder = Path(FromUtf8(v)); }},
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto option = valued.find(arg);
        if (option != valued.end()) {
            if (i + 1 >= args.size()) return error = arg + " needs a value", false;
            option->second(args[++i]);
        } else if (arg == "--worker") {
            options.mode = FuzzOptions::Mode::Worker;
        } else if (arg == "--replay") {
            if (i + 2 >= args.size()) return error = "--replay needs a parser and a file", false;
            options.mode = FuzzOptions::Mode::Replay;
            options.parsers = {args[i + 1]};
            options.inputFile = args[i + 2];
            i += 2;
        } else if (arg == "--known-faults") {
            options.mode = FuzzOptions::Mode::KnownFaults;
        } else if (arg == "--make-seeds") {
            options.mode = FuzzOptions::Mode::MakeSeeds;
            options.pictures.assign(args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (arg == "--list") {
            options.mode = FuzzOptions::Mode::List;
        } else {
            return error = "unknown argument " + arg, false;
        }
    }
    if (options.limits.maxSize == 0 || options.limits.maxRun == 0) return error = "limits must be above 0", false;
    return true;
}

std::wstring WorkerArguments(const FuzzOptions& options, const std::string& parser) {
    auto n = [](std::uint64_t value) { return std::to_wstring(value); };
    std::wstring args = L"--worker --parser " + FromUtf8(parser) + L" --count " + n(options.count) + L" --seed " +
                        n(options.runSeed) + L" --from " + n(options.from) + L" --progress " +
                        n(options.progressHandle) + L" --corpus " + Quoted(options.corpus.str()) + L" --findings " +
                        Quoted(options.findings.str()) + L" --max-size " + n(options.limits.maxSize) + L" --max-run " +
                        n(options.limits.maxRun) + L" --max-picture-side " + n(options.limits.maxPictureSide) +
                        L" --memory-cap-mb " + n(options.memoryCapMb);
    if (!options.inputFile.empty()) args += L" --input " + Quoted(FromUtf8(options.inputFile));
    if (!options.workFolder.empty()) args += L" --work " + Quoted(options.workFolder.str());
    return args;
}
