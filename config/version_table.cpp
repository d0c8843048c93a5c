#include "config/version_table.h"

const std::map<std::wstring, std::wstring>& GetVersionTable() {
    static const std::map<std::wstring, std::wstring> table = {
        {L"20061205", L"First public release."},
        {L"20061206", L"Fixes for the first release; the program now starts with Windows."},
        {L"20070411", L"Templates, favourites and local pictures."},
        {L"20261208", L"A new foundation: faster start, safer settings and a clean exit."},
    };
    return table;
}

std::wstring GetProgramVersion() { return GetVersionTable().rbegin()->first; }

std::wstring GetReleaseNotes(const std::wstring& version) {
    auto entry = GetVersionTable().find(version);
    return entry == GetVersionTable().end() ? std::wstring() : entry->second;
}
