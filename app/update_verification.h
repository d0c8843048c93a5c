#pragma once
// What the program decides about an offered update: whether its version is newer, and whether
// the downloaded installer may run (checked over the very bytes that will run).
#include <memory>
#include <string>
#include <string_view>

#include "base/path.h"
#include "net/version_info.h"

// True when offered is exactly eight ASCII digits (YYYYMMDD) and later than running, which
// must have that form too. Anything else offers nothing.
bool IsNewerVersion(const std::wstring& offered, const std::wstring& running);

struct InstallerCheck {
    enum Verdict {
        Verified,    // signed by a trusted key (and the checksum, if any, matches)
        Unverified,  // no signature: only the user may let it run
        Rejected     // a bad signature, a contradicting checksum, or an unreadable file
    };
    Verdict verdict = Rejected;
    // The installer held open with writing and deleting denied (empty when Rejected): as long
    // as a copy of this lives, the checked bytes are the bytes that run.
    std::shared_ptr<void> file;
};

// Opens the installer once, reads at most maxBytes of it in chunks and checks the answer's
// signature (against trustedKeysPem) and checksum over what it read.
InstallerCheck CheckInstaller(const Path& installer, const VersionInfo& info, std::string_view trustedKeysPem,
                              unsigned long long maxBytes);
