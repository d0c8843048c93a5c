#pragma once
// Small text helpers shared by the parsers.
#include <string>

// Without blanks, tabs and line breaks at both ends.
std::wstring Trim(const std::wstring& text);

// Case-insensitive comparison, independent of the user's locale.
bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b);

// Decimal numbers as the C library reads them: leading blanks skipped, then an optional
// sign and digits; no digits gives 0. ParseInt clamps to the int range.
long long ParseNumber(const std::wstring& text);
int ParseInt(const std::wstring& text);
