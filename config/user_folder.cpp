#include "config/user_folder.h"

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "base/handles.h"

bool IsFolderWritable(const Path& folder) {
    if (!folder.IsDirectory()) return false;
    static LONG counter = 0;
    std::wstring name = L"~kestrane-write-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(InterlockedIncrement(&counter)) + L"-" + std::to_wstring(GetTickCount()) +
                        L".tmp";
    // CREATE_NEW never touches a file that is there already; the handle deletes it on close.
    UniqueFile probe(CreateFileW((folder / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!probe) return false;
    DWORD written = 0;
    return WriteFile(probe.get(), "k", 1, &written, nullptr) && written == 1;
}

Path LocalUserFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK)
        return Path();
    return Path(folder) / L"Kestrane";
}

Path PicturesFolder() {
    // SHGetKnownFolderPath (Vista on) follows a Pictures folder the user moved; found at run
    // time so that XP still starts.
    using KnownFolderPath = HRESULT(WINAPI*)(REFGUID, DWORD, HANDLE, PWSTR*);
    static const auto known = reinterpret_cast<KnownFolderPath>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), "SHGetKnownFolderPath")));
    static const GUID kPictures = {0x33E28130, 0x4E1E, 0x4676, {0x83, 0x5A, 0x98, 0x39, 0x5C, 0x3B, 0xC3, 0xBB}};
    PWSTR found = nullptr;
    if (known && SUCCEEDED(known(kPictures, 0, nullptr, &found)) && found) {
        Path folder(found);
        CoTaskMemFree(found);
        return folder;
    }
    wchar_t folder[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return Path();
    return Path(folder);
}

Path ChooseUserFolder(const Path& programFolder, const Path& perUserFolder,
                      const std::function<bool(const Path&)>& isWritable) {
    if (perUserFolder.empty()) return programFolder;
    if (isWritable(programFolder)) {
        const bool settingsElsewhere =
            !(programFolder / kConfigFileName).Exists() && (perUserFolder / kConfigFileName).Exists();
        return settingsElsewhere ? perUserFolder : programFolder;
    }
    perUserFolder.CreateDirectories();
    return perUserFolder;
}
