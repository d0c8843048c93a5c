#pragma once
#include <vector>

// Raw bytes: file contents, picture data, HTTP bodies.
using Bytes = std::vector<unsigned char>;
