#pragma once
// A file of the system's temporary folder that lives as long as its owner: named by the
// system with a prefix of ours, written once, and deleted however the work that needed it ends.
#include <string_view>

#include "base/path.h"

class TemporaryFile {
public:
    // Creates an empty "<prefix>XXXX.tmp"; check with operator bool.
    explicit TemporaryFile(const wchar_t* prefix);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    explicit operator bool() const { return !m_path.empty(); }
    const Path& path() const { return m_path; }

    // Opens the file for exclusive write, writes the bytes, flushes and closes it, so that a
    // reader in another component finds it whole. False when any step fails.
    bool Write(std::string_view bytes) const;

private:
    Path m_path;
};
