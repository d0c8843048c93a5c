#pragma once
// Plain lines to the debugger output (WINEDEBUG=+debugstr shows them under Wine).
#include <string>

void DebugLog(const std::wstring& line);
// "<call> failed: <GetLastError text>", for a failed system call; reads GetLastError itself.
void LogLastError(const wchar_t* call);
void LogError(const wchar_t* call, unsigned long error);
std::wstring SystemErrorText(unsigned long error);
