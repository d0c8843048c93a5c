#pragma once
// The built-in table of released versions and their notes. Versions are 8-digit dates
// and compare as plain strings; the greatest is the running program's version.
#include <map>
#include <string>

const std::map<std::wstring, std::wstring>& GetVersionTable();
std::wstring GetProgramVersion();
std::wstring GetReleaseNotes(const std::wstring& version);  // empty for an unknown version
