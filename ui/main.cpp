// Process entry: one instance, one main window, one message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "base/message_loop.h"
#include "base/utf8.h"
#include "resources/resource.h"
#include "ui/main_window/command_line.h"
#include "ui/main_window/main_dlg.h"

namespace {

// The main dialog's template names its own class, a copy of the system dialog class, so
// that a second start can find the running instance by class name.
bool RegisterMainDialogClass(HINSTANCE instance) {
    WNDCLASSEXW dialogClass{};
    dialogClass.cbSize = sizeof(dialogClass);
    if (!GetClassInfoExW(nullptr, L"#32770", &dialogClass)) return false;
    dialogClass.hInstance = instance;
    dialogClass.lpszClassName = CMainDlg::kClassName;
    return RegisterClassExW(&dialogClass) != 0;
}

// One line for the user who typed the command: on the standard error the starter gave us, else
// on the console of the process that started us (a window program has none of its own).
void TellStarter(const std::wstring& line) {
    const std::string text = ToUtf8(line) + "\r\n";
    DWORD written = 0;
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE && GetFileType(error) != FILE_TYPE_UNKNOWN &&
        WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
        const std::wstring wide = L"\r\n" + line + L"\r\n";
        WriteConsoleW(console, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
        CloseHandle(console);
    }
    FreeConsole();
}

int Run(int showCommand, WORD startCommand) {
    MessageLoop loop;
    AppModule::AddMessageLoop(&loop);
    int code = 0;
    {
        CMainDlg dialog;
        if (HWND window = dialog.Create(&loop, startCommand)) {
            ShowWindow(window, showCommand);
            code = loop.Run();
        }
        if (dialog.ExitWasForced()) {
            // The core hung on its way out and still holds its thread: waiting for it in the
            // destructors would hang again, so the process ends here.
            AppModule::RemoveMessageLoop();
            TerminateProcess(GetCurrentProcess(), 0);
        }
    }
    AppModule::RemoveMessageLoop();
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int showCommand) {
    const CommandLine line = ParseCommandLine(arguments ? arguments : L"");
    if (line.kind == CommandLine::Invalid) {
        TellStarter(CommandLineUsage());
        return 2;
    }
    CoInitialize(nullptr);
    DefWindowProcW(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterMainDialogClass(instance);

    int code = 0;
    if (HWND running = FindWindowW(CMainDlg::kClassName, nullptr)) {
        // The running Kestrane does it; this one is done.
        if (line.kind == CommandLine::Verb) {
            if (!SendVerb(running, line.verb)) code = 1;
        } else {
            PostMessageW(running, WM_COMMAND, MAKEWPARAM(ID_SHOW_MAIN_WINDOW, 0), 0);
        }
    } else if (line.command != ID_APP_EXIT) {
        code = Run(showCommand, line.command);
    }
    CoUninitialize();
    return code;
}
