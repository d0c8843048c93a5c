#pragma once
// Faults that are known and being mended elsewhere. The driver still finds and writes them,
// but reports them apart so that a run is not failed by them. When a fault is mended, delete
// its entry in known_faults.cpp: from then on the same finding fails the run, and its sample
// (tests/fuzz/known/) belongs in the parser's corpus as a seed.
#include <windows.h>

#include <string>
#include <vector>

#include "fuzz/harness.h"

// How a worker process ended on an input.
struct Death {
    enum class Kind { Crash, Memory, Allocation, Hang };
    Kind kind = Kind::Crash;
    DWORD exitCode = 0;
    std::string stage;  // what the harness was doing
    std::string note;   // the worker's own words, when it ended itself
};
std::string DescribeDeath(const Death& death);

struct KnownFault {
    const char* id;
    const char* parser;  // the parser its sample goes to
    const char* sample;  // file name under tests/fuzz/known/
    const char* description;
    bool (*matches)(const Harness& harness, const std::string& input, const Death& death);
};

const std::vector<KnownFault>& KnownFaults();
// The known fault this death shows, or null when it is a new one.
const KnownFault* FindKnownFault(const Harness& harness, const std::string& input, const Death& death);
