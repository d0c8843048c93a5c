// A stand-in for the Windows shell's desktop: a "Progman" window holding a
// "SHELLDLL_DefView" that holds a hidden "SysListView32", as Explorer has with its desktop
// icons hidden. Wine's desktop has none, so the end-to-end tests bring their own.
//   fake_shell pump   answers messages like a healthy shell
//   fake_shell hang   stops answering once the windows exist, like a hung shell
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void Register(const wchar_t* name) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);
}

}  // namespace

int main(int argc, char** argv) {
    bool hang = argc > 1 && std::strcmp(argv[1], "hang") == 0;
    Register(L"Progman");
    Register(L"SHELLDLL_DefView");
    Register(L"SysListView32");  // comctl32 is not loaded here, so the name is free
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND progman = CreateWindowExW(0, L"Progman", L"Program Manager", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr,
                                   nullptr, instance, nullptr);
    HWND defView = CreateWindowExW(0, L"SHELLDLL_DefView", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, progman, nullptr,
                                   instance, nullptr);
    HWND icons = CreateWindowExW(0, L"SysListView32", L"FolderView", WS_CHILD, 0, 0, 200, 200, defView, nullptr,
                                 instance, nullptr);
    if (!progman || !defView || !icons) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    if (hang) {
        Sleep(INFINITE);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
