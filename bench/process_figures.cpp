#include "process_figures.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "base/handles.h"
#include "base/utf8.h"

WindowsCounters ReadWindowsCounters(HANDLE process) {
    WindowsCounters counters;
    // Any process with a window owns GDI and USER objects and kernel handles: 0 is no answer.
    if (DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS)) counters.gdiObjects = gdi;
    if (DWORD user = GetGuiResources(process, GR_USEROBJECTS)) counters.userObjects = user;
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && handles) counters.handles = handles;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)) &&
        memory.PrivateUsage)
        counters.privateBytes = memory.PrivateUsage;
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        auto seconds = [](FILETIME t) {
            return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
        };
        counters.cpuSeconds = seconds(kernel) + seconds(user);
    }
    return counters;
}

std::optional<ProcessListEntry> ReadProcessListEntry(DWORD processId) {
    std::vector<unsigned char> buffer(1 << 20);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<NTSTATUS>(0xC0000004L))
        buffer.resize(buffer.size() * 2);  // STATUS_INFO_LENGTH_MISMATCH
    if (status != 0) return std::nullopt;
    for (size_t offset = 0;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&buffer[offset]);
        if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId)) == processId) {
            ProcessListEntry result;
            result.handles = entry->HandleCount;
            result.threads = entry->NumberOfThreads;
            result.cpuSeconds = (entry->UserTime.QuadPart + entry->KernelTime.QuadPart) / 1e7;
            result.workingSet = entry->VirtualMemoryCounters.WorkingSetSize;
            result.pagefileUsage = entry->VirtualMemoryCounters.PagefileUsage;
            result.virtualSize = entry->VirtualMemoryCounters.VirtualSize;
            return result;
        }
        if (!entry->NextEntryOffset) return std::nullopt;
        offset += entry->NextEntryOffset;
    }
}

namespace {

struct WindowTally {
    DWORD processId;
    int count;
};

BOOL CALLBACK TallyWindow(HWND window, LPARAM parameter) {
    auto* tally = reinterpret_cast<WindowTally*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == tally->processId) ++tally->count;
    return TRUE;
}

BOOL CALLBACK TallyTopLevel(HWND window, LPARAM parameter) {
    TallyWindow(window, parameter);
    EnumChildWindows(window, TallyWindow, parameter);  // every descendant
    return TRUE;
}

// Files under /proc read through Wine's Z: drive; they report a size of 0, so read to the end.
std::string ReadProcFile(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text;
    if (!file) return text;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read) text.append(chunk, read);
    return text;
}

std::vector<std::wstring> ListNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find.get(), &found));
    return names;
}

// "0124:0128:trace:gdi:alloc_gdi_handle allocated NTGDI_OBJ_BITMAP 0x109003b 28/65536" with
// the process id first; a release prints the count from before it.
std::optional<int> ParseGdiCount(const std::string& line, DWORD processId) {
    char prefix[16];
    std::snprintf(prefix, sizeof(prefix), "%04lx:", processId);
    if (line.compare(0, std::strlen(prefix), prefix) != 0) return std::nullopt;
    bool allocated = line.find(":alloc_gdi_handle allocated ") != std::string::npos;
    bool freed = line.find(":free_gdi_handle freed ") != std::string::npos;
    size_t slash = line.rfind('/');
    if ((!allocated && !freed) || slash == std::string::npos) return std::nullopt;
    size_t space = line.rfind(' ', slash);
    if (space == std::string::npos) return std::nullopt;
    int count = std::atoi(line.c_str() + space + 1);
    return freed ? count - 1 : count;
}

std::wstring ProcFolder(int linuxPid) { return L"Z:\\proc\\" + std::to_wstring(linuxPid); }

}  // namespace

int CountWindows(DWORD processId) {
    WindowTally tally{processId, 0};
    EnumWindows(TallyTopLevel, reinterpret_cast<LPARAM>(&tally));
    for (HWND window = nullptr; (window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr));)
        TallyTopLevel(window, reinterpret_cast<LPARAM>(&tally));
    return tally.count;
}

int FindLinuxProcess(const std::wstring& commandLine) {
    std::string wanted = ToUtf8(commandLine);
    for (const std::wstring& name : ListNames(L"Z:\\proc")) {
        if (name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        std::string line = ReadProcFile(L"Z:\\proc\\" + name + L"\\cmdline");
        for (char& c : line)
            if (c == '\0') c = ' ';
        if (line.compare(0, wanted.size(), wanted) == 0) return std::stoi(name);
    }
    return 0;
}

std::optional<LinuxFigures> ReadLinuxFigures(int linuxPid) {
    if (linuxPid <= 0) return std::nullopt;
    std::string stat = ReadProcFile(ProcFolder(linuxPid) + L"\\stat");
    size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) return std::nullopt;
    // After the name: state, ppid, ... utime is the 12th field and stime the 13th, in
    // clock ticks of 1/100 s (USER_HZ, fixed for Linux user space on x86).
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i == 12) utime = std::stoull(field);
        if (i == 13) stime = std::stoull(field);
    }
    LinuxFigures figures;
    figures.cpuSeconds = (utime + stime) / 100.0;
    figures.fileDescriptors = static_cast<int>(ListNames(ProcFolder(linuxPid) + L"\\fd").size());
    std::string status = ReadProcFile(ProcFolder(linuxPid) + L"\\status");
    size_t rss = status.find("RssAnon:");
    if (rss != std::string::npos) figures.rssAnon = std::strtoull(status.c_str() + rss + 8, nullptr, 10) * 1024;
    return figures;
}

std::optional<int> GdiObjectsFromTrace(const std::wstring& traceFile, DWORD processId) {
    UniqueFile file(CreateFileW(traceFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size)) return std::nullopt;
    // Read backwards in pieces of whole lines until one of the process's counts turns up.
    constexpr LONGLONG kPiece = 1 << 20;
    for (LONGLONG end = size.QuadPart; end > 0;) {
        LONGLONG start = end > kPiece ? end - kPiece : 0;
        std::string text(static_cast<size_t>(end - start), '\0');
        LARGE_INTEGER at;
        at.QuadPart = start;
        DWORD read = 0;
        if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
            !ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr))
            return std::nullopt;
        text.resize(read);
        text.resize(text.rfind('\n') + 1);                    // whole lines only (npos + 1 is 0)
        size_t first = start == 0 ? 0 : text.find('\n') + 1;  // the piece may begin mid-line
        if (first == 0 && start != 0) return std::nullopt;    // a line longer than a piece
        std::optional<int> last;
        for (size_t at = first; at < text.size();) {
            size_t lineEnd = text.find('\n', at);
            if (auto count = ParseGdiCount(text.substr(at, lineEnd - at), processId)) last = count;
            at = lineEnd + 1;
        }
        if (last) return last;
        end = start + static_cast<LONGLONG>(first);
        if (start == 0) break;
    }
    return std::nullopt;
}
