#include "net/internet_session.h"

#include "base/path.h"
#include "base/text.h"
#include "config/settings.h"

std::optional<ProxySettings> MakeProxySettings(const std::wstring& type, const std::wstring& server,
                                               const std::wstring& username, const std::wstring& password) {
    ProxySettings proxy;
    if (EqualsIgnoringCase(type, L"NoProxy")) {
        proxy.accessType = INTERNET_OPEN_TYPE_DIRECT;
    } else if (EqualsIgnoringCase(type, L"IE")) {
        proxy.accessType = INTERNET_OPEN_TYPE_PRECONFIG;
    } else {
        if (server.empty()) return std::nullopt;
        proxy.accessType = INTERNET_OPEN_TYPE_PROXY;
        proxy.list = type + L"=" + server;
        proxy.username = username;
        if (!username.empty()) proxy.password = password;
    }
    return proxy;
}

namespace {

bool IsAsciiAlnum(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsValidPort(const std::wstring& port) {
    if (port.empty() || port.size() > 5) return false;
    long value = 0;
    for (wchar_t c : port) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace

bool IsValidProxyServer(const std::wstring& server) {
    std::wstring host = server, rest;
    if (!host.empty() && host.front() == L'[') {
        const size_t close = host.find(L']');
        if (close == std::wstring::npos || close == 1) return false;
        rest = host.substr(close + 1);
        host = host.substr(1, close - 1);
        if (host.find_first_not_of(L"0123456789abcdefABCDEF:.") != std::wstring::npos) return false;
    } else {
        const size_t colon = host.find(L':');
        if (colon != std::wstring::npos) {
            rest = host.substr(colon);
            host.resize(colon);
        }
        bool letterOrDigit = false;
        for (wchar_t c : host) {
            if (IsAsciiAlnum(c))
                letterOrDigit = true;
            else if (c != L'.' && c != L'-' && c != L'_')
                return false;
        }
        if (!letterOrDigit) return false;
    }
    if (rest.empty()) return true;
    return rest.front() == L':' && IsValidPort(rest.substr(1));
}

InternetSession::InternetSession() {
    wchar_t module[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    m_agent = Path(std::wstring(module, length)).Stem();
}

void InternetSession::SetProxy(const ProxySettings& proxy) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_proxy = proxy;
}

ProxySettings InternetSession::GetProxy() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_proxy;
}

InternetHandlePtr InternetSession::Acquire() {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_session && m_openedWith == m_proxy) return m_session;
    const wchar_t* list = m_proxy.list.empty() ? nullptr : m_proxy.list.c_str();
    auto session =
        std::make_shared<InternetHandle>(InternetOpenW(m_agent.c_str(), m_proxy.accessType, list, nullptr, 0));
    if (!*session) return nullptr;
    m_session = session;
    m_openedWith = m_proxy;
    return m_session;
}

void ApplyProxySettings(const Settings& settings, InternetSession& session) {
    if (auto proxy = MakeProxySettings(settings.GetProxyType(), settings.GetProxyServer(), settings.GetProxyUsername(),
                                       settings.GetProxyPassword()))
        session.SetProxy(*proxy);
}
