#pragma once
// Programs started by the end-to-end tests, ended by the tests if they outlive them.
#include <windows.h>

#include <optional>
#include <string>

#include "base/handles.h"
#include "support/test_support.h"

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // terminates a process that is still running
    ChildProcess(ChildProcess&&) = default;
    ChildProcess& operator=(ChildProcess&&) = default;

    bool Start(const Path& program, const std::wstring& arguments = L"");
    // Takes charge of a process that another one started.
    bool Attach(DWORD processId);
    // The exit code, or nothing if the process is still running after timeoutMs.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    bool IsRunning() const;
    DWORD GetId() const { return m_id; }

private:
    UniqueHandle m_process;
    DWORD m_id = 0;
};

// Polls until a visible top-level window of the class, owned by the process, appears
// (null on time-out).
HWND WaitForWindow(const wchar_t* className, DWORD processId, DWORD timeoutMs);

// Whether the shell of the calling thread's desktop holds an icon of the window (id 0):
// modifying nothing succeeds only then, also for a window that no longer exists.
bool HasTrayIcon(HWND window);

// A fresh program folder with its own copy of Kestrane.exe.
class ProgramFolder {
public:
    ProgramFolder();
    const Path& path() const { return m_dir.path(); }
    Path Executable() const { return m_dir / L"Kestrane.exe"; }
    Path Config() const { return m_dir / L"config.xml"; }

private:
    TempDir m_dir;
};

// Kestrane.exe sits one folder above the test executables.
Path BuiltKestrane();
// The installer made from it, beside the build folders (build/KestraneSetup-x64.exe).
Path BuiltSetup();
Path FakeShell();

// Milliseconds since an arbitrary start, for measuring waits.
unsigned long long NowMs();
