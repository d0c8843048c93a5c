#pragma once
// A file-system path value: wide characters, backslashes, exact comparison.
#include <string>
#include <vector>

class Path {
public:
    Path() = default;
    // Trims white space at both ends and turns '/' into '\'.
    Path(std::wstring text);
    Path(const wchar_t* text);

    const std::wstring& str() const { return m_text; }
    const wchar_t* c_str() const { return m_text.c_str(); }
    bool empty() const { return m_text.empty(); }

    // One backslash between the parts; an empty side yields the other.
    Path Join(const Path& tail) const;
    Path operator/(const Path& tail) const { return Join(tail); }

    std::wstring FileName() const;   // "c:\a\b.jpg" -> "b.jpg"
    std::wstring Stem() const;       // "b"
    std::wstring Extension() const;  // ".jpg", or empty
    Path Parent() const;             // "c:\a"
    Path ReplaceExtension(const std::wstring& extension) const;

    bool Exists() const;
    bool IsDirectory() const;
    bool Remove() const;             // a file or an empty directory
    bool CreateDirectories() const;  // parents first; true when it exists afterwards
    // Recursive; a junction or symbolic link inside is removed as a link, its target untouched.
    bool RemoveAll() const;
    std::vector<Path> ListDirectory() const;  // entries, without "." and ".."
    std::vector<Path> ListFiles() const;      // the entries that are not folders

    bool operator==(const Path& other) const { return m_text == other.m_text; }
    bool operator!=(const Path& other) const { return m_text != other.m_text; }
    bool operator<(const Path& other) const { return m_text < other.m_text; }

private:
    std::wstring m_text;
};

// The folder of the running program (Kestrane.exe's, or a test's); empty when unknown.
Path ExecutableFolder();
