#pragma once
// What can be learnt about another process from outside: the documented Windows counters,
// the system's process list, the windows it owns, and, under Wine, the Linux process behind
// it and Wine's own trace of its GDI objects.
#include <windows.h>

#include <optional>
#include <string>

// GetGuiResources, GetProcessHandleCount, GetProcessMemoryInfo and GetProcessTimes, each
// empty when it gave no answer. Wine 8 answers GetGuiResources with 0 and
// ERROR_CALL_NOT_IMPLEMENTED, GetProcessHandleCount with 0, GetProcessMemoryInfo with zeros
// for another process, and GetProcessTimes with the caller's own times.
struct WindowsCounters {
    std::optional<DWORD> gdiObjects, userObjects, handles;
    std::optional<unsigned long long> privateBytes;
    std::optional<double> cpuSeconds;  // user + kernel
};
WindowsCounters ReadWindowsCounters(HANDLE process);

// The process's entry in NtQuerySystemInformation's process list. Under Wine the handle
// count is the size of the wineserver's handle table for the process (it doubles when full
// and halves when mostly empty), and the times and memory figures are Linux's: pagefile
// usage is the resident anonymous memory plus swap, the working set the resident set.
struct ProcessListEntry {
    unsigned long handles = 0, threads = 0;
    double cpuSeconds = 0;  // user + kernel
    unsigned long long workingSet = 0, pagefileUsage = 0, virtualSize = 0;
};
std::optional<ProcessListEntry> ReadProcessListEntry(DWORD processId);

// Top-level windows, their descendants and message-only windows owned by the process.
int CountWindows(DWORD processId);

// The Linux process that runs a Wine process: Wine shows the Windows command line as the
// Linux one, so it is found by that (0 when not found, for example on Windows).
int FindLinuxProcess(const std::wstring& commandLine);
struct LinuxFigures {
    double cpuSeconds = 0;  // utime + stime of all threads
    int fileDescriptors = 0;
    unsigned long long rssAnon = 0;  // bytes
};
std::optional<LinuxFigures> ReadLinuxFigures(int linuxPid);

// Wine's GDI reports the process's object count with every allocation and release when
// WINEDEBUG has "+pid,trace+gdi"; the debug output goes to the Linux standard error, which
// scripts/bench sends to a file. The count of the process's last such line, if any.
std::optional<int> GdiObjectsFromTrace(const std::wstring& traceFile, DWORD processId);
// The WINEDEBUG value that makes Wine write those lines.
constexpr const wchar_t* kGdiTraceDebug = L"-all,+pid,trace+gdi";
