// Stands in for an installer: writes the command line it was started with, as UTF-16, to a
// file beside itself named after it with ".txt" added, and ends.
#include <windows.h>

#include <string>

int main() {
    wchar_t module[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    std::wstring record = std::wstring(module, length) + L".txt";
    HANDLE file = CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const wchar_t* commandLine = GetCommandLineW();
    DWORD written = 0;
    BOOL ok =
        WriteFile(file, commandLine, static_cast<DWORD>(lstrlenW(commandLine) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
