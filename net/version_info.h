#pragma once
// The service's answer to an update check.
#include <string>

struct VersionInfo {
    std::wstring Version;
    std::wstring Description;
    std::wstring FileUrl;
    std::wstring CheckSum;
    std::wstring Signature;  // base64 of the installer's detached signature; empty when unsigned
};
