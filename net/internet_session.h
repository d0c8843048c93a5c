#pragma once
// The process's one WinINet session and the proxy it goes through. A proxy change takes
// effect by opening the session afresh before the next request: setting the proxy option on
// an open session is not honoured everywhere.
#include <windows.h>
#include <wininet.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "net/internet_handle.h"

struct ProxySettings {
    DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG;
    std::wstring list;  // "HTTP=host:port", empty for none
    std::wstring username;
    std::wstring password;
    bool operator==(const ProxySettings& o) const {
        return accessType == o.accessType && list == o.list && username == o.username && password == o.password;
    }
};

// What the user's choice means: "NoProxy" direct, "IE" the system's settings, any other type
// (HTTP, SOCKS) that type's server. Nothing when such a type has no server: the session then
// keeps what it had.
std::optional<ProxySettings> MakeProxySettings(const std::wstring& type, const std::wstring& server,
                                               const std::wstring& username, const std::wstring& password);

// A server the session can go through: a host name, an IPv4 address or a bracketed IPv6
// address, optionally followed by ":" and a port from 1 to 65535.
bool IsValidProxyServer(const std::wstring& server);

class Settings;

class InternetSession {
public:
    // The agent is the executable's name without folder and extension.
    InternetSession();

    // Any thread; used from the next request on.
    void SetProxy(const ProxySettings& proxy);
    ProxySettings GetProxy() const;

    // The session for the next request, opened (again) when needed. Null when WinINet
    // refuses; the caller reports that as a failed call.
    InternetHandlePtr Acquire();

private:
    std::wstring m_agent;
    mutable std::mutex m_mutex;
    ProxySettings m_proxy;
    ProxySettings m_openedWith;
    InternetHandlePtr m_session;
};

// The user's proxy choice from the settings, for the session's next request. A choice that
// names no server leaves the session as it was.
void ApplyProxySettings(const Settings& settings, InternetSession& session);
