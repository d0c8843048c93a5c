#include "config/version_table.h"

#include <iterator>

const std::map<std::wstring, std::wstring>& GetVersionTable() {
    static const std::map<std::wstring, std::wstring> table = [] {
        std::map<std::wstring, std::wstring> versions = {
            {L"20061205", L"First public release."},
            {L"20061206", L"Fixes for the first release; the program now starts with Windows."},
            {L"20070411", L"Templates, favourites and local pictures."},
            {L"20261208", L"A new foundation: faster start, safer settings and a clean exit."},
            {L"20261209",
             L"Sign-in and favourites, the options sheet, and updates that install themselves once their checksum is "
             L"verified."},
        };
#ifdef KESTRANE_PREVIOUS_RELEASE
        // A build that plays the release before this one, for the self-update test.
        versions.erase(std::prev(versions.end()));
#endif
        return versions;
    }();
    return table;
}

std::wstring GetProgramVersion() { return GetVersionTable().rbegin()->first; }

std::wstring GetReleaseNotes(const std::wstring& version) {
    auto entry = GetVersionTable().find(version);
    return entry == GetVersionTable().end() ? std::wstring() : entry->second;
}
