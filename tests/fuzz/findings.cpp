#include "fuzz/findings.h"

#include "base/utf8.h"
#include "support/test_support.h"

std::wstring WriteFinding(const Path& folder, const Finding& finding, const std::string& input) {
    folder.CreateDirectories();
    std::string stem = (finding.knownFault.empty() ? "" : "known-") + finding.parser + "-" +
                       std::to_string(finding.runSeed) + "-" + std::to_string(finding.index);
    Path inputFile = folder / FromUtf8(stem + ".bin");
    WriteAll(inputFile, input);
    std::string note = "parser: " + finding.parser + "\nseed: " + std::to_string(finding.runSeed) +
                       "\nindex: " + std::to_string(finding.index) + "\nbytes: " + std::to_string(input.size()) +
                       "\nwhat: " + finding.what +
                       "\nknown fault: " + (finding.knownFault.empty() ? "no (new)" : finding.knownFault) +
                       "\nreplay: fuzz.exe --replay " + finding.parser + " " + stem + ".bin\n";
    WriteAll(folder / FromUtf8(stem + ".txt"), note);
    return inputFile.str();
}
