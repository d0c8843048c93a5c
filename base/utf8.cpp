#include "base/utf8.h"

#include <windows.h>

#include <climits>

std::string ToUtf8(std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX) return std::string();
    int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], length, nullptr,
                            nullptr);
    return result;
}

std::wstring FromUtf8(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) return std::wstring();
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(length > 0 ? length : 0, L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], length);
    return result;
}
