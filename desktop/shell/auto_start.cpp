#include "desktop/shell/auto_start.h"

#include <windows.h>
#include <shlobj.h>

#include "base/handles.h"

long CreateShortcut(const ShortcutSpec& shortcut) {
    if (shortcut.target.empty() || shortcut.link.empty() || shortcut.showCommand < 0 || shortcut.iconIndex < 0)
        return E_INVALIDARG;
    ComPtr<IShellLinkW> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
    if (FAILED(result)) return result;
    link->SetPath(shortcut.target.c_str());
    if (shortcut.arguments) link->SetArguments(shortcut.arguments->c_str());
    if (!shortcut.description.empty()) link->SetDescription(shortcut.description.c_str());
    if (!shortcut.workingDirectory.empty()) link->SetWorkingDirectory(shortcut.workingDirectory.c_str());
    if (!shortcut.iconPath.empty()) link->SetIconLocation(shortcut.iconPath.c_str(), shortcut.iconIndex);
    if (shortcut.showCommand > 0) link->SetShowCmd(shortcut.showCommand);
    ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.put_void());
    if (FAILED(result)) return result;
    return file->Save(shortcut.link.c_str(), TRUE);
}

namespace {

Path ExecutablePath() {
    wchar_t module[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    return length && length < MAX_PATH ? Path(std::wstring(module, length)) : Path();
}

}  // namespace

Path GetAutoStartShortcutPath() {
    Path executable = ExecutablePath();
    wchar_t startup[MAX_PATH] = {};
    if (executable.empty() || FAILED(SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, startup)))
        return Path();
    return Path(startup) / (executable.Stem() + L".lnk");
}

bool IsAutoStartEnabled() {
    Path link = GetAutoStartShortcutPath();
    return !link.empty() && link.Exists() && !link.IsDirectory();
}

void SetAutoStartEnabled(bool on) {
    if (on == IsAutoStartEnabled()) return;
    Path link = GetAutoStartShortcutPath();
    if (link.empty()) return;
    if (on) {
        link.Parent().CreateDirectories();
        ShortcutSpec shortcut;
        shortcut.target = ExecutablePath().str();
        shortcut.link = link;
        shortcut.showCommand = SW_SHOWNORMAL;
        CreateShortcut(shortcut);
    } else if (!link.IsDirectory()) {
        link.Remove();
    }
}
