#include "base/text.h"

#include <windows.h>

#include <climits>
#include <cwchar>

std::wstring Trim(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n";
    size_t begin = text.find_first_not_of(blanks);
    if (begin == std::wstring::npos) return std::wstring();
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

long long ParseNumber(const std::wstring& text) { return std::wcstoll(text.c_str(), nullptr, 10); }

int ParseInt(const std::wstring& text) {
    long long value = ParseNumber(text);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}
