#pragma once
// The pictures the user never wants to see again: the service's by their id, the user's own
// by their path. Kept in a file beside config.xml, written whole and atomically at every
// change. Reading is lenient: entries it cannot read are skipped, and a file that is not such
// a list at all is kept aside (".bad") and a new one begun, so nothing else is lost.
#include <map>
#include <memory>
#include <set>
#include <string>

#include "base/path.h"
#include "store/image.h"

class BanList {
public:
    // The file's name beside config.xml.
    static constexpr const wchar_t* kFileName = L"banned.xml";

    explicit BanList(Path file) : m_file(std::move(file)) {}

    // Reads the file (a missing one is an empty list); false when it had to be set aside.
    bool Load();
    // Adds the entry and writes the file; false when the file could not be written (the entry
    // holds all the same, for this run).
    bool Ban(int pid);
    bool Ban(const Path& picture);

    bool IsBanned(int pid) const { return m_ids->count(pid) != 0; }
    // Paths compare without regard to case, as the file system does.
    bool IsBanned(const Path& picture) const;
    // The banned ids as they are now, for another thread (a download) to keep.
    std::shared_ptr<const std::set<int>> Ids() const { return m_ids; }
    // The list without its banned images, by id or by package (the same list when none is
    // banned).
    ImageListPtr Without(const ImageListPtr& images) const;

private:
    bool Save() const;

    Path m_file;
    std::shared_ptr<const std::set<int>> m_ids = std::make_shared<std::set<int>>();
    std::map<std::wstring, Path> m_paths;  // by the path folded to lower case
};
