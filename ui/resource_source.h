#pragma once
// Where skins and string maps come from, first match wins: a file "resource\NAME.TYPE"
// under the current directory, then "resource.dll", then the program itself.
#include <windows.h>

#include <string>

#include "core/bytes.h"

class ResourceSource {
public:
    ResourceSource();
    ~ResourceSource();
    ResourceSource(const ResourceSource&) = delete;
    ResourceSource& operator=(const ResourceSource&) = delete;

    // The resource's bytes; false when no source has it.
    bool LoadResourceData(const std::wstring& type, const std::wstring& name, Bytes& data) const;
    // A device-dependent bitmap the caller owns, or null.
    HBITMAP LoadSkinBitmap(const std::wstring& name) const;

    // Largest override file we read; anything bigger is not a skin or a string map.
    static constexpr unsigned long long kMaxFileBytes = 32ull << 20;

private:
    HMODULE m_resourceDll = nullptr;
};
