#include "base/path.h"

#include "base/handles.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool SameObject(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// Removes a junction or symbolic link itself. Only once a handle opened on the link is seen to
// be the link and not its target: where the file system opens the target anyway (Wine 8 with a
// host symbolic link), deleting "the link" would delete the folder it points at.
bool RemoveLink(const Path& link, bool directory) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    BY_HANDLE_FILE_INFORMATION self = {}, target = {};
    {
        UniqueFile handle(CreateFileW(link.c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!handle || !GetFileInformationByHandle(handle.get(), &self)) return false;
    }
    UniqueFile followed(CreateFileW(link.c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    // A link whose target is gone is only itself.
    if (followed && GetFileInformationByHandle(followed.get(), &target) && SameObject(self, target)) return false;
    followed.reset();
    return directory ? RemoveDirectoryW(link.c_str()) != FALSE : DeleteFileW(link.c_str()) != FALSE;
}

}  // namespace

Path::Path(std::wstring text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    m_text = text.substr(begin, end - begin);
    for (wchar_t& c : m_text)
        if (c == L'/') c = L'\\';
}

Path::Path(const wchar_t* text) : Path(std::wstring(text ? text : L"")) {}

Path Path::Join(const Path& tail) const {
    if (m_text.empty()) return tail;
    if (tail.m_text.empty()) return *this;
    std::wstring head = m_text;
    while (!head.empty() && head.back() == L'\\') head.pop_back();
    size_t skip = 0;
    while (skip < tail.m_text.size() && tail.m_text[skip] == L'\\') ++skip;
    Path joined;
    joined.m_text = head + L'\\' + tail.m_text.substr(skip);
    return joined;
}

std::wstring Path::FileName() const {
    size_t slash = m_text.find_last_of(L"\\:");
    return slash == std::wstring::npos ? m_text : m_text.substr(slash + 1);
}

std::wstring Path::Stem() const {
    std::wstring name = FileName();
    size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0 || name == L"..") return name;
    return name.substr(0, dot);
}

std::wstring Path::Extension() const {
    std::wstring name = FileName();
    size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0 || name == L"..") return L"";
    return name.substr(dot);
}

Path Path::Parent() const {
    size_t slash = m_text.find_last_of(L'\\');
    if (slash == std::wstring::npos) return Path();
    Path parent;
    parent.m_text = m_text.substr(0, slash);
    return parent;
}

Path Path::ReplaceExtension(const std::wstring& extension) const {
    std::wstring stem = m_text.substr(0, m_text.size() - Extension().size());
    if (!extension.empty() && extension[0] != L'.') stem += L'.';
    Path result;
    result.m_text = stem + extension;
    return result;
}

bool Path::Exists() const { return !m_text.empty() && GetFileAttributesW(m_text.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool Path::IsDirectory() const {
    if (m_text.empty()) return false;
    DWORD attributes = GetFileAttributesW(m_text.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Path::Remove() const {
    DWORD attributes = m_text.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(m_text.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return RemoveLink(*this, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    if (IsDirectory()) return RemoveDirectoryW(m_text.c_str()) != FALSE;
    // A read-only file would otherwise refuse to go.
    SetFileAttributesW(m_text.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(m_text.c_str()) != FALSE;
}

bool Path::CreateDirectories() const {
    if (m_text.empty()) return false;
    if (IsDirectory()) return true;
    Path parent = Parent();
    if (!parent.empty() && parent.m_text.back() != L':' && !parent.IsDirectory() && !parent.CreateDirectories())
        return false;
    return CreateDirectoryW(m_text.c_str(), nullptr) != FALSE || IsDirectory();
}

bool Path::RemoveAll() const {
    if (m_text.empty()) return true;
    DWORD attributes = GetFileAttributesW(m_text.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    // A junction or symbolic link is removed itself, never emptied: what it points at may be
    // anywhere, and is not ours.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        for (const Path& entry : ListDirectory()) entry.RemoveAll();
    }
    return Remove();
}

namespace {

std::vector<Path> List(const Path& directory, bool filesOnly) {
    std::vector<Path> entries;
    if (directory.empty()) return entries;
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW(directory.Join(L"*").c_str(), &data));
    if (!find) return entries;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (filesOnly && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        entries.push_back(directory.Join(name));
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

}  // namespace

std::vector<Path> Path::ListDirectory() const { return List(*this, false); }
std::vector<Path> Path::ListFiles() const { return List(*this, true); }

Path ExecutableFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0) return Path();
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return Path(buffer).Parent();
}
