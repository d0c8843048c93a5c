#pragma once
// The inputs of a run: seeds from the corpus, and the index-th mutated input of a parser,
// the same for the same run seed on every machine and in every process.
#include <cstdint>
#include <string>
#include <vector>

#include "base/path.h"
#include "fuzz/harness.h"

// The files of folder, in name order; empty when there are none.
std::vector<std::string> LoadSeeds(const Path& folder);

struct InputSource {
    const Harness* harness;
    const std::vector<std::string>* seeds;
    const Mutator* mutator;
    std::uint64_t runSeed;

    // The first inputs are the seeds themselves, so a seed that fails shows first; then
    // mutations of one seed, spliced with another.
    std::string Make(std::uint64_t index) const;
};
