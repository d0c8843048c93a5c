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
