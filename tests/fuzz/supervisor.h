#pragma once
// Runs a parser's inputs in worker processes of this program. A worker that dies (a crash,
// memory over the cap) or stops making progress is ended; the supervisor makes the input
// it died on again from the run seed, writes it out, tells whether it is a known fault, and
// starts a new worker at the next input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/options.h"

struct ParserFigures {
    std::string parser;
    std::uint64_t inputs = 0;
    double seconds = 0;
    std::uint64_t accepted = 0;  // inputs the parser took as valid
    int findings = 0;            // new ones: these fail the run
    int known = 0;               // inputs that showed a known fault
    std::size_t largestAllocation = 0;
    bool setupFailed = false;  // the worker could not start (no seeds, no such parser)
};

ParserFigures SuperviseParser(const FuzzOptions& options, const std::string& parser);
