#pragma once
// Where skins and string maps come from, first match wins: a file "resource\NAME.TYPE"
// beside the program, then "resource.dll" beside it, then the program itself. Never the
// current directory: a start from a shortcut or the installer may make that any folder.
#include <windows.h>

#include <string>

#include "base/bytes.h"
#include "base/path.h"

class ResourceSource {
public:
    ResourceSource();
    ~ResourceSource();
    ResourceSource(const ResourceSource&) = delete;
    ResourceSource& operator=(const ResourceSource&) = delete;

    // The resource's bytes; false when no source has it.
    bool LoadResourceData(const std::wstring& type, const std::wstring& name, Bytes& data) const;
    // A bitmap resource of resource.dll, then of the program: a device-dependent bitmap the
    // caller owns, or null. Loose bitmap files are read by the skin, which can decode them.
    HBITMAP LoadModuleBitmap(const std::wstring& name) const;

    // Largest override file we read; anything bigger is not a skin or a string map.
    static constexpr unsigned long long kMaxFileBytes = 32ull << 20;

private:
    HMODULE m_resourceDll = nullptr;
};

// The folder of loose override files, "resource" beside the program.
Path ResourceOverrideFolder();

// Loose override files come from another folder while this lives (tests).
class ScopedResourceFolder {
public:
    explicit ScopedResourceFolder(Path folder);
    ~ScopedResourceFolder();
    ScopedResourceFolder(const ScopedResourceFolder&) = delete;
    ScopedResourceFolder& operator=(const ScopedResourceFolder&) = delete;

private:
    Path m_previous;
};
