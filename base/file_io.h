#pragma once
// Whole-file reads with a size cap, and writes that replace a file in one step.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/path.h"

// The file's bytes, or nothing when it is missing, unreadable or larger than maxBytes.
std::optional<std::string> ReadFileBytes(const Path& path, std::uint64_t maxBytes);

// Writes a temporary file beside the target, flushes it and moves it over the target.
// On any failure the target is left as it was and the temporary file is removed.
bool WriteFileAtomically(const Path& path, std::string_view bytes);
