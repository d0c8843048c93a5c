#include "fuzz/harness.h"

#include <exception>
#include <typeinfo>

std::string Harness::Mutate(const std::string& seed, const std::string& other, const Mutator& mutator, Rng& rng) const {
    return mutator.Mutate(seed, other, FormatTokens(), rng);
}

std::vector<std::unique_ptr<Harness>> MakeHarnesses() {
    std::vector<std::unique_ptr<Harness>> harnesses;
    AddAnswerHarnesses(harnesses);
    harnesses.push_back(MakePackageHarness());
    harnesses.push_back(MakeSettingsHarness());
    harnesses.push_back(MakeStringMapHarness());
    if (std::unique_ptr<Harness> layout = MakeLayoutHarness()) harnesses.push_back(std::move(layout));
    return harnesses;
}

std::unique_ptr<Harness> MakeHarness(const std::string& name) {
    for (std::unique_ptr<Harness>& harness : MakeHarnesses())
        if (name == harness->Name()) return std::move(harness);
    return nullptr;
}

std::string DescribeCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        return std::string("an exception escaped: ") + typeid(e).name() + ": " + e.what();
    } catch (...) {
        return "an exception of an unknown type escaped";
    }
}
