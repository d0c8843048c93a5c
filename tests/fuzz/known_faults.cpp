#include "fuzz/known_faults.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fuzz/progress.h"

const std::vector<KnownFault>& KnownFaults() {
    // A finding that cannot be mended at once is described here, with a recogniser that tells
    // it apart, so that the other parsers' runs still mean something. None is open.
    static const std::vector<KnownFault> faults = {};
    return faults;
}

const KnownFault* FindKnownFault(const Harness& harness, const std::string& input, const Death& death) {
    for (const KnownFault& fault : KnownFaults())
        if (fault.matches(harness, input, death)) return &fault;
    return nullptr;
}

std::string DescribeDeath(const Death& death) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(death.exitCode));
    std::string where = death.stage.empty() ? "" : " while " + death.stage;
    switch (death.kind) {
        case Death::Kind::Memory:
        case Death::Kind::Allocation:
            return death.note;
        case Death::Kind::Hang:
            return "no progress for too long" + where;
        default:
            return death.note.empty() ? std::string("the process died (exit code ") + code + ")" + where : death.note;
    }
}
