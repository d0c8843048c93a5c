#pragma once
// An input that failed, written out with a note so that it can be replayed and become a test:
// <parser>-<seed>-<index>.bin beside <parser>-<seed>-<index>.txt.
#include <cstdint>
#include <string>

#include "base/path.h"

struct Finding {
    std::string parser;
    std::uint64_t runSeed = 0;
    std::uint64_t index = 0;
    std::string what;        // what went wrong
    std::string knownFault;  // the known fault it shows, or empty for a new one
};

// Writes both files into folder (created when missing); returns the input's file name.
std::wstring WriteFinding(const Path& folder, const Finding& finding, const std::string& input);
