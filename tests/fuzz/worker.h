#pragma once
// Runs the inputs of one parser in this process. Problems the harness finds are written as
// findings here; deaths (crashes, memory over the cap) are left to the supervisor, which
// reads the progress page this process keeps.
#include <optional>
#include <string>

#include "fuzz/harness.h"
#include "fuzz/options.h"

// The worker's process exit code: 0 when every input ran.
int RunWorker(const FuzzOptions& options, const std::string& parser);

// One input in this process, without a supervisor: what went wrong, if anything.
std::optional<std::string> ReplayInput(Harness& harness, const std::string& input, const FuzzOptions& options);
