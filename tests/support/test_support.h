#pragma once
// Helpers shared by the test suites.
#include <windows.h>

#include <string>

#include "base/path.h"

class Picture;

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

// A directory symbolic link at link pointing at target (on Wine, a host symbolic link, which
// Wine reports as a directory reparse point); false when none could be made.
bool MakeDirectoryLink(const Path& link, const Path& target);
// Removes such a link, not what it points at (Wine itself cannot remove a host link).
void RemoveDirectoryLink(const Path& link);

// Shows source's files at target (an empty folder) through a read-only bind mount of the host,
// which not even root can write to; false where the host allows no mount (not root, no
// privilege). Unmount takes it away again.
bool MountReadOnly(const Path& source, const Path& target);
void Unmount(const Path& target);

// The smallest rectangle holding every pixel where the two pictures (of one size) differ;
// right < 0 when none does.
RECT DifferingBox(const Picture& a, const Picture& b);
