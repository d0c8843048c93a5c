#include "fuzz/inputs.h"

#include <windows.h>

#include <algorithm>

#include "support/test_support.h"

namespace {

std::uint64_t Mix(std::uint64_t value) { return Rng(value).Next(); }

std::uint64_t HashName(const char* name) {
    std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
    for (; *name; ++name) hash = (hash ^ static_cast<unsigned char>(*name)) * 0x100000001B3ull;
    return hash;
}

}  // namespace

std::vector<std::string> LoadSeeds(const Path& folder) {
    std::vector<Path> files = folder.ListFiles();
    std::sort(files.begin(), files.end());
    std::vector<std::string> seeds;
    for (const Path& file : files) seeds.push_back(ReadAll(file));
    return seeds;
}

std::string InputSource::Make(std::uint64_t index) const {
    if (seeds->empty()) return std::string();
    if (index < seeds->size()) return (*seeds)[index];
    Rng rng(Mix(runSeed) ^ Mix(HashName(harness->Name())) ^ Mix(index));
    const std::string& seed = rng.Pick(*seeds);
    const std::string& other = rng.Pick(*seeds);
    return harness->Mutate(seed, other, *mutator, rng);
}
