// Process entry: one instance, one main window, one message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/message_loop.h"
#include "resources/resource.h"
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

int Run(int showCommand) {
    MessageLoop loop;
    AppModule::AddMessageLoop(&loop);
    int code = 0;
    {
        CMainDlg dialog;
        if (HWND window = dialog.Create(&loop)) {
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    CoInitialize(nullptr);
    DefWindowProcW(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterMainDialogClass(instance);

    int code = 0;
    if (HWND running = FindWindowW(CMainDlg::kClassName, nullptr)) {
        PostMessageW(running, WM_COMMAND, MAKEWPARAM(ID_SHOW_MAIN_WINDOW, 0), 0);
    } else {
        code = Run(showCommand);
    }
    CoUninitialize();
    return code;
}
