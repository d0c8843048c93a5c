#include "base/file_io.h"

#include "base/debug_log.h"
#include "base/handles.h"

#include <algorithm>

std::optional<std::string> ReadFileBytes(const Path& path, std::uint64_t maxBytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        LogLastError(L"GetFileSizeEx");
        return std::nullopt;
    }
    if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > maxBytes) {
        DebugLog(L"Refusing to read " + path.str() + L": larger than " + std::to_wstring(maxBytes) + L" bytes\n");
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20)), got = 0;
        if (!ReadFile(file.get(), &bytes[done], chunk, &got, nullptr)) {
            LogLastError(L"ReadFile");
            return std::nullopt;
        }
        if (got == 0) break;  // the file shrank while we read it
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

bool WriteFileAtomically(const Path& path, std::string_view bytes) {
    Path temporary(path.str() + L".tmp");
    {
        UniqueFile file(
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            LogLastError(L"CreateFileW");
            return false;
        }
        bool written = true;
        size_t done = 0;
        while (written && done < bytes.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20)), put = 0;
            written = WriteFile(file.get(), bytes.data() + done, chunk, &put, nullptr) && put == chunk;
            done += put;
        }
        if (!written || !FlushFileBuffers(file.get())) {
            LogLastError(L"WriteFile");
            file.reset();
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        LogLastError(L"MoveFileExW");
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}
