#pragma once
// The page a worker process shares with its supervisor: which input it is running and where
// in it, so that when the worker dies the supervisor knows the input that killed it.
#include <windows.h>

#include <cstdint>

struct WorkerProgress {
    volatile LONG64 index;              // the input being run; -1 before the first
    volatile LONG64 done;               // inputs finished
    volatile LONG64 accepted;           // inputs the parser took as valid
    volatile LONG findings;             // problems the worker found and wrote itself
    volatile LONG64 largestAllocation;  // largest single operator new while running an input
    char stage[64];                     // what the harness was doing
    char note[256];                     // why the worker ended itself, when it did
};

// Exit codes of a worker that ended itself; any other code but 0 is a crash.
constexpr DWORD kExitMemory = 0x4B460001;      // the working set went over the cap
constexpr DWORD kExitAllocation = 0x4B460002;  // one allocation over the cap
constexpr DWORD kExitHang = 0x4B460003;        // set by the supervisor when it ends a hung worker
constexpr DWORD kExitSetup = 0x4B460004;       // the worker could not start its work
constexpr DWORD kExitThreadDied = 0x4B460005;  // the thread running the inputs vanished

// Owns the mapping; the supervisor creates it inheritable, the worker opens the handle it
// was given on its command line.
class SharedProgress {
public:
    static SharedProgress Create();
    static SharedProgress Open(std::uintptr_t handle);
    SharedProgress(SharedProgress&& other) noexcept;
    SharedProgress& operator=(SharedProgress&& other) = delete;
    ~SharedProgress();

    WorkerProgress* get() const { return m_view; }
    std::uintptr_t HandleValue() const { return reinterpret_cast<std::uintptr_t>(m_mapping); }

private:
    SharedProgress(HANDLE mapping);
    HANDLE m_mapping = nullptr;
    WorkerProgress* m_view = nullptr;
};

// Copies text into a fixed field without allocating (safe inside operator new).
void CopyNote(char* field, std::size_t size, const char* text);
