#include "e2e/kestrane_process.h"

#include <shellapi.h>

#include <chrono>

ChildProcess::~ChildProcess() {
    if (IsRunning()) {
        TerminateProcess(m_process.get(), 99);
        WaitForSingleObject(m_process.get(), 5000);
    }
}

bool ChildProcess::Start(const Path& program, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + program.str() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, program.Parent().c_str(),
                        &startup, &info))
        return false;
    CloseHandle(info.hThread);
    m_process.reset(info.hProcess);
    m_id = info.dwProcessId;
    return true;
}

bool ChildProcess::Attach(DWORD processId) {
    m_process.reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, processId));
    m_id = m_process ? processId : 0;
    return static_cast<bool>(m_process);
}

std::optional<DWORD> ChildProcess::WaitForExit(DWORD timeoutMs) {
    if (!m_process || WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(m_process.get(), &code);
    return code;
}

bool ChildProcess::IsRunning() const { return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT; }

namespace {

struct WindowSearch {
    const wchar_t* className;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    wchar_t name[64] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    // Visible: the window exists before its initialisation has run, and shows at its end.
    if (owner == search->processId && IsWindowVisible(window) && GetClassNameW(window, name, 64) &&
        wcscmp(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitForWindow(const wchar_t* className, DWORD processId, DWORD timeoutMs) {
    unsigned long long deadline = NowMs() + timeoutMs;
    do {
        WindowSearch search{className, processId, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    } while (NowMs() < deadline);
    return nullptr;
}

bool HasTrayIcon(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

ProgramFolder::ProgramFolder() { CopyFileW(BuiltKestrane().c_str(), Executable().c_str(), FALSE); }

Path BuiltKestrane() { return TestExecutableDirectory().Parent() / L"Kestrane.exe"; }
Path BuiltSetup() {
    return TestExecutableDirectory().Parent().Parent() /
           (sizeof(void*) == 8 ? L"KestraneSetup-x64.exe" : L"KestraneSetup.exe");
}
Path FakeShell() { return TestExecutableDirectory() / L"fake_shell.exe"; }

unsigned long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
