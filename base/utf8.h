#pragma once
// The one pair of UTF-8 <-> UTF-16 conversions: XML files, HTTP bodies and form values.
#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);
