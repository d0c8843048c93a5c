#include "desktop/active_desktop.h"

#include <windows.h>
// The Active Desktop declarations of shlobj.h need the types of wininet.h.
#include <wininet.h>

#include <shlguid.h>
#include <shlobj.h>

#include "base/handles.h"

void SetActiveDesktop(bool enabled) {
    ComPtr<IActiveDesktop> desktop;
    if (FAILED(CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveDesktop,
                                desktop.put_void())))
        return;
    COMPONENTSOPT options{};
    options.dwSize = sizeof(options);
    if (FAILED(desktop->GetDesktopItemOptions(&options, 0))) return;
    options.fEnableComponents = enabled;
    options.fActiveDesktop = enabled;
    if (SUCCEEDED(desktop->SetDesktopItemOptions(&options, 0))) desktop->ApplyChanges(AD_APPLY_ALL);
}
