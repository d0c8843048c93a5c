#pragma once
// Writes the seeds that the program's own writers make (packages, config.xml) into the
// corpus, and the known faults' samples; pictures are the small files to package.
#include "fuzz/options.h"

bool WriteSeeds(const FuzzOptions& options);
