#include "store/picture_copy.h"

#include <windows.h>

#include "base/bytes.h"
#include "base/debug_log.h"
#include "base/file_io.h"
#include "store/package_file.h"

namespace {

constexpr std::uint64_t kMaxPictureBytes = 512u << 20;  // as much as a download may bring
constexpr int kMaxNumber = 9999;

std::wstring ExtensionOf(const Bytes& picture) {
    auto startsWith = [&](std::initializer_list<unsigned char> magic) {
        return picture.size() >= magic.size() && std::equal(magic.begin(), magic.end(), picture.begin());
    };
    if (startsWith({0x89, 'P', 'N', 'G'})) return L".png";
    if (startsWith({'B', 'M'})) return L".bmp";
    if (startsWith({'G', 'I', 'F', '8'})) return L".gif";
    return L".jpg";
}

// Moves the written file to the first free name; MoveFileEx without its replace flag never
// takes the place of a file that is there.
std::optional<Path> MoveToFreeName(const Path& written, const Path& folder, const std::wstring& baseName,
                                   const std::wstring& extension) {
    for (int number = 1; number <= kMaxNumber; ++number) {
        const std::wstring suffix = number == 1 ? L"" : L" (" + std::to_wstring(number) + L")";
        const Path target = folder / (baseName + suffix + extension);
        if (MoveFileExW(written.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return target;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
            LogLastError(L"MoveFileExW");
            break;
        }
    }
    written.Remove();
    return std::nullopt;
}

// A name the file system takes: the characters it refuses become "_".
std::wstring FileNameOf(std::wstring name) {
    for (wchar_t& c : name)
        if (c < L' ' || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos) c = L'_';
    return name.empty() ? L"_" : name;
}

}  // namespace

std::optional<Path> SavePictureCopy(const Path& source, bool packaged, const Path& folder,
                                    const std::wstring& name) {
    const std::wstring baseName = FileNameOf(name);
    std::string bytes;
    std::wstring extension;
    if (packaged) {
        Bytes picture;
        if (!ReadPackage(nullptr, &picture, source) || picture.empty()) return std::nullopt;
        extension = ExtensionOf(picture);
        bytes.assign(picture.begin(), picture.end());
    } else {
        std::optional<std::string> file = ReadFileBytes(source, kMaxPictureBytes);
        if (!file) return std::nullopt;
        bytes = std::move(*file);
        extension = source.Extension();
    }
    if (!folder.IsDirectory() && !folder.CreateDirectories()) return std::nullopt;
    // Written whole under a name of its own first: a half-written copy never has the final name.
    const Path written = folder / (L"~" + baseName + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp");
    if (!WriteFileAtomically(written, bytes)) return std::nullopt;
    return MoveToFreeName(written, folder, baseName, extension);
}
