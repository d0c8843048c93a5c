#pragma once
// Helpers shared by the test suites.
#include <string>

#include "base/path.h"

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const Path& path() const { return m_path; }
    Path operator/(const std::wstring& name) const { return m_path / name; }

private:
    Path m_path;
};

std::string ReadAll(const Path& path);  // empty when missing
void WriteAll(const Path& path, const std::string& bytes);
// The folder of the running test executable.
Path TestExecutableDirectory();
