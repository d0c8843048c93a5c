#include "app/update_verification.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/debug_log.h"
#include "base/digest.h"
#include "base/signature.h"

namespace {

bool IsDateVersion(const std::wstring& version) {
    return version.size() == 8 &&
           std::all_of(version.begin(), version.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

struct FileDigests {
    std::wstring md5Hex;
    std::wstring sha256Hex;
    std::string sha256;
};

// Reads the whole file through the handle; nothing when it cannot be read or is too large.
std::optional<FileDigests> DigestFile(HANDLE file, unsigned long long maxBytes) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        DebugLog(L"The update is unreadable or larger than any installer\n");
        return std::nullopt;
    }
    DigestStream digests;
    std::vector<char> chunk(64 << 10);
    unsigned long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
            LogLastError(L"ReadFile");
            return std::nullopt;
        }
        if (read == 0) break;
        total += read;
        if (total > maxBytes) return std::nullopt;
        digests.Add(chunk.data(), read);
    }
    FileDigests result;
    result.sha256 = digests.Sha256();
    result.sha256Hex = HexOf(result.sha256);
    result.md5Hex = HexOf(digests.Md5());
    return result;
}

InstallerCheck::Verdict Judge(const VersionInfo& info, const FileDigests& digests, std::string_view keys) {
    const ChecksumVerdict checksum = CheckDigests(info.CheckSum, digests.md5Hex, digests.sha256Hex);
    if (checksum == ChecksumVerdict::Mismatch) {
        DebugLog(L"The update does not match its checksum '" + info.CheckSum + L"'\n");
        return InstallerCheck::Rejected;
    }
    if (info.Signature.empty()) return InstallerCheck::Unverified;
    if (!VerifySignature(keys, info.Signature, digests.sha256)) {
        DebugLog(L"The update's signature does not verify with a trusted key\n");
        return InstallerCheck::Rejected;
    }
    // A signed update must not carry a checksum that vouches for nothing either.
    if (!info.CheckSum.empty() && checksum != ChecksumVerdict::Match) return InstallerCheck::Rejected;
    return InstallerCheck::Verified;
}

}  // namespace

bool IsNewerVersion(const std::wstring& offered, const std::wstring& running) {
    // Equal lengths of digits compare as numbers when compared as text.
    return IsDateVersion(offered) && IsDateVersion(running) && offered > running;
}

InstallerCheck CheckInstaller(const Path& installer, const VersionInfo& info, std::string_view trustedKeysPem,
                              unsigned long long maxBytes) {
    // Nobody may change or replace the file from here until the installer has started.
    HANDLE handle = CreateFileW(installer.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        LogLastError(L"CreateFileW");
        return InstallerCheck{};
    }
    std::shared_ptr<void> file(handle, CloseHandle);
    InstallerCheck check;
    std::optional<FileDigests> digests = DigestFile(handle, maxBytes);
    check.verdict = digests ? Judge(info, *digests, trustedKeysPem) : InstallerCheck::Rejected;
    if (check.verdict != InstallerCheck::Rejected) check.file = std::move(file);
    return check;
}
