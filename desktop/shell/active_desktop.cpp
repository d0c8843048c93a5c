#include "desktop/shell/active_desktop.h"

#include <windows.h>
// The Active Desktop declarations of shlobj.h need the types of wininet.h.
#include <wininet.h>

#include <shlguid.h>
#include <shlobj.h>

#include "base/handles.h"

bool SetActiveDesktop(bool enabled) {
    ComPtr<IActiveDesktop> desktop;
    if (FAILED(CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveDesktop,
                                desktop.put_void())))
        return false;
    COMPONENTSOPT options{};
    options.dwSize = sizeof(options);
    if (FAILED(desktop->GetDesktopItemOptions(&options, 0))) return false;
    options.fEnableComponents = enabled;
    options.fActiveDesktop = enabled;
    return SUCCEEDED(desktop->SetDesktopItemOptions(&options, 0)) && SUCCEEDED(desktop->ApplyChanges(AD_APPLY_ALL));
}
