#include "support/service_control.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>

#include "base/file_io.h"
#include "base/path.h"

namespace {

// The fixture's state folder as Wine sees it, or empty.
Path FixtureDirectory() {
    const char* state = std::getenv("KESTRANE_TEST_SERVICE_DIR");
    if (!state) return Path();
    // The fixture runs on the Linux side; Wine shows its files under Z:.
    return Path(L"Z:" + std::wstring(state, state + strlen(state)));
}

// The port the fixture wrote into a file of its state folder, or empty.
std::wstring FixturePort(const wchar_t* file) {
    const Path dir = FixtureDirectory();
    if (dir.empty()) return std::wstring();
    auto port = ReadFileBytes(dir / file, 64);
    if (!port) return std::wstring();
    std::wstring digits;
    for (char c : *port)
        if (c >= '0' && c <= '9') digits += static_cast<wchar_t>(c);
    return digits;
}

}  // namespace

std::wstring ServiceUrl() {
    static const std::wstring port = FixturePort(L"port");
    return port.empty() ? std::wstring() : L"http://127.0.0.1:" + port;
}

std::wstring ProxyAddress() {
    static const std::wstring port = FixturePort(L"proxy-port");
    return port.empty() ? std::wstring() : L"127.0.0.1:" + port;
}

std::wstring UntrustedTlsUrl() {
    static const std::wstring port = FixturePort(L"tls-port");
    return port.empty() ? std::wstring() : L"https://127.0.0.1:" + port;
}

std::string UntrustedTlsRequests() {
    const Path dir = FixtureDirectory();
    if (dir.empty() || !(dir / L"tls-requests.log").Exists()) return std::string();
    return ReadFileBytes(dir / L"tls-requests.log", 1 << 20).value_or(std::string());
}

std::string ServiceControl(const std::wstring& verb, const std::wstring& path, const std::string& json) {
    std::wstring base = ServiceUrl();
    if (base.empty()) return std::string();
    INTERNET_PORT port =
        static_cast<INTERNET_PORT>(std::wcstoul(base.substr(base.rfind(L':') + 1).c_str(), nullptr, 10));
    HINTERNET session = InternetOpenW(L"KestraneTests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectW(session, L"127.0.0.1", port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestW(connection, verb.c_str(), path.c_str(), nullptr, nullptr, nullptr,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    // Closed after each answer: Wine keeps idle connections per target host for the whole
    // process and would lend ours to the client under test, proxy or not.
    std::wstring headers = L"Connection: close\r\n";
    if (!json.empty()) headers += L"Content-Type: application/json\r\n";
    std::string body = json;
    HttpSendRequestW(request, headers.c_str(), static_cast<DWORD>(headers.size()), body.empty() ? nullptr : &body[0],
                     static_cast<DWORD>(body.size()));
    std::string answer;
    char buffer[4096];
    DWORD got = 0;
    while (InternetReadFile(request, buffer, sizeof(buffer), &got) && got > 0) answer.append(buffer, got);
    InternetCloseHandle(request);
    InternetCloseHandle(connection);
    InternetCloseHandle(session);
    return answer;
}

void ServiceFault(const std::string& json) {
    ServiceControl(L"POST", L"/_control/faults", json);
    ServiceControl(L"DELETE", L"/_control/requests");
}

void ServiceReset() {
    // Sign-in cookies outlive the test process that got them: no test starts signed in.
    ServiceControl(L"POST", L"/_control/sessions/clear");
    ServiceControl(L"DELETE", L"/_control/faults");
    ServiceControl(L"POST", L"/_control/release");
    ServiceControl(L"DELETE", L"/_control/requests");
}

bool WaitForHeldRequest() {
    for (int i = 0; i < 300; ++i) {
        if (ServiceControl(L"GET", L"/_control/faults").find("\"held\": 1") != std::string::npos) return true;
        Sleep(100);
    }
    return false;
}

Bytes PatternBytes() {
    Bytes bytes(1 << 20);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>((i * 7 + i / 256) % 256);
    return bytes;
}
