#pragma once
// Writes other widths and heights into the header of a JPEG, GIF, BMP or PNG picture: a
// small file that claims a large picture is what makes a decoder allocate.
#include <cstdint>
#include <string>

#include "fuzz/mutator.h"

// Changes the size fields of the first picture header found in bytes (nothing when there is
// none); no side is set above maxSide.
void ChangePictureSize(std::string& bytes, std::uint32_t maxSide, Rng& rng);
