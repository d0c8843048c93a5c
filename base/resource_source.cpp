#include "base/resource_source.h"

#include "base/file_io.h"

namespace {

bool LoadModuleResource(HMODULE module, const std::wstring& type, const std::wstring& name, Bytes& data) {
    HRSRC resource = FindResourceW(module, name.c_str(), type.c_str());
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    DWORD size = SizeofResource(module, resource);  // resource data is not zero-terminated
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return false;
    data.assign(static_cast<const unsigned char*>(bytes), static_cast<const unsigned char*>(bytes) + size);
    return true;
}

Path& OverrideFolderInUse() {
    static Path folder;  // empty: beside the program
    return folder;
}

}  // namespace

Path ResourceOverrideFolder() {
    const Path& inUse = OverrideFolderInUse();
    return inUse.empty() ? ExecutableFolder() / L"resource" : inUse;
}

ScopedResourceFolder::ScopedResourceFolder(Path folder) : m_previous(OverrideFolderInUse()) {
    OverrideFolderInUse() = std::move(folder);
}

ScopedResourceFolder::~ScopedResourceFolder() { OverrideFolderInUse() = m_previous; }

// Loaded as data only: a planted resource.dll must never get to run code in our process. By its
// full name, so that no other folder is searched for it.
ResourceSource::ResourceSource()
    : m_resourceDll(LoadLibraryExW((ExecutableFolder() / L"resource.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
}

ResourceSource::~ResourceSource() {
    if (m_resourceDll) FreeLibrary(m_resourceDll);
}

bool ResourceSource::LoadResourceData(const std::wstring& type, const std::wstring& name, Bytes& data) const {
    if (auto file = ReadFileBytes(ResourceOverrideFolder() / (name + L"." + type), kMaxFileBytes)) {
        data.assign(file->begin(), file->end());
        return true;
    }
    if (m_resourceDll && LoadModuleResource(m_resourceDll, type, name, data)) return true;
    return LoadModuleResource(GetModuleHandleW(nullptr), type, name, data);
}

HBITMAP ResourceSource::LoadModuleBitmap(const std::wstring& name) const {
    if (m_resourceDll)
        if (HBITMAP bitmap = LoadBitmapW(m_resourceDll, name.c_str())) return bitmap;
    return LoadBitmapW(GetModuleHandleW(nullptr), name.c_str());
}
