#include "base/debug_log.h"

#include <windows.h>

void DebugLog(const std::wstring& line) { OutputDebugStringW(line.c_str()); }

std::wstring SystemErrorText(unsigned long error) {
    wchar_t* buffer = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : L"error " + std::to_wstring(error);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

void LogError(const wchar_t* call, unsigned long error) {
    DebugLog(std::wstring(call) + L" failed: " + SystemErrorText(error) + L"\n");
}

void LogLastError(const wchar_t* call) { LogError(call, GetLastError()); }
