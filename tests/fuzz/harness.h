#pragma once
// One harness per parser that reads bytes from outside: it feeds an input through the same
// code the program runs and checks what comes out.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/path.h"
#include "fuzz/mutator.h"

class Harness {
public:
    virtual ~Harness() = default;

    // The parser's name on the command line and the corpus folder of its seeds.
    virtual const char* Name() const = 0;
    virtual const Tokens& FormatTokens() const = 0;
    // A mutated copy of seed; the package harness knows its file layout, the rest use the
    // generic mutations with their tokens.
    virtual std::string Mutate(const std::string& seed, const std::string& other, const Mutator& mutator,
                               Rng& rng) const;

    // Called once in the process that runs the inputs, with a folder of its own.
    virtual void Prepare(const Path& workFolder) = 0;
    // Runs one input. Nothing, or what went wrong: an exception other than the parser's
    // documented failure, or a result that breaks the parser's own rules.
    virtual std::optional<std::string> Run(const std::string& input) = 0;

    // The XML text the parser reads out of input, when it reads XML (the package header is
    // enciphered inside the file): used to tell a known fault of the nesting guard.
    virtual std::optional<std::string> XmlText(const std::string& input) const { return input; }
};

// Where a harness is in its work, kept where a dying process leaves it for the supervisor.
void ReportStage(const char* stage);
// The parser took the input as valid: counted, to show how deep the mutations reach.
void ReportAccepted();

std::vector<std::unique_ptr<Harness>> MakeHarnesses();
std::unique_ptr<Harness> MakeHarness(const std::string& name);

// One per file: the service's answers, the package files, config.xml and the string map.
void AddAnswerHarnesses(std::vector<std::unique_ptr<Harness>>& harnesses);
std::unique_ptr<Harness> MakePackageHarness();
std::unique_ptr<Harness> MakeSettingsHarness();
std::unique_ptr<Harness> MakeStringMapHarness();
// The layout documents have no parser yet (desktop/skin/drawn_layout.h loads nothing): null
// until they do.
std::unique_ptr<Harness> MakeLayoutHarness();

// A problem text from the exception in flight; for the catch-all of every harness.
std::string DescribeCurrentException();
