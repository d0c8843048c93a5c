#include "base/temporary_file.h"

#include "base/debug_log.h"
#include "base/handles.h"

#include <algorithm>

TemporaryFile::TemporaryFile(const wchar_t* prefix) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(256, folder);
    if (length == 0 || length > 256) {
        LogLastError(L"GetTempPathW");
        return;
    }
    wchar_t name[MAX_PATH + 1];
    if (!GetTempFileNameW(folder, prefix, 0, name)) {
        LogLastError(L"GetTempFileNameW");
        return;
    }
    m_path = Path(name);
}

TemporaryFile::~TemporaryFile() {
    if (!m_path.empty() && !DeleteFileW(m_path.c_str())) LogLastError(L"DeleteFileW");
}

bool TemporaryFile::Write(std::string_view bytes) const {
    if (m_path.empty()) return false;
    UniqueFile file(CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, nullptr));
    if (!file) {
        LogLastError(L"CreateFileW");
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20)), put = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &put, nullptr) || put != chunk) {
            LogLastError(L"WriteFile");
            return false;
        }
        done += put;
    }
    if (!FlushFileBuffers(file.get())) {
        LogLastError(L"FlushFileBuffers");
        return false;
    }
    return true;
}
