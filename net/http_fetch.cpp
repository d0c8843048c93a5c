#include "net/http_fetch.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "base/text.h"
#include "base/utf8.h"
#include "net/download_exception.h"
#include "net/internet_exception.h"
#include "net/internet_session.h"

using namespace fetch_limits;

void ConnectionSlot::Set(const InternetHandlePtr& connection) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_connection = connection;
}

void ConnectionSlot::Clear() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_connection.reset();
}

void ConnectionSlot::CloseCurrent() {
    InternetHandlePtr connection;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        connection = m_connection.lock();
    }
    if (connection) connection->Close();
}

std::string EncodeForm(const FormFields& fields) {
    static const char kHex[] = "0123456789ABCDEF";
    auto encode = [](const std::wstring& text, std::string& out) {
        for (unsigned char c : ToUtf8(text)) {
            if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
                out += static_cast<char>(c);
            } else if (c == ' ') {
                out += '+';
            } else {
                out += '%';
                out += kHex[c >> 4];
                out += kHex[c & 15];
            }
        }
    };
    std::string body;
    for (const auto& [name, value] : fields) {
        encode(name, body);
        body += '=';
        encode(value, body);
        body += '&';
    }
    return body;
}

namespace {

struct UrlParts {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_HTTP;
    std::wstring host, user, password, path;
    INTERNET_PORT port = 0;
};

bool SplitUrl(const std::wstring& url, UrlParts& parts) {
    wchar_t host[256] = {}, user[128] = {}, password[128] = {}, path[2048] = {};
    URL_COMPONENTSW components{};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = host;
    components.dwHostNameLength = 256;
    components.lpszUserName = user;
    components.dwUserNameLength = 128;
    components.lpszPassword = password;
    components.dwPasswordLength = 128;
    components.lpszUrlPath = path;
    components.dwUrlPathLength = 2048;
    if (url.empty() || !InternetCrackUrlW(url.c_str(), 0, 0, &components)) return false;
    parts.scheme = components.nScheme;
    parts.host = host;
    parts.user = user;
    parts.password = password;
    parts.path = path;
    parts.port = components.nPort;
    return !parts.host.empty();
}

// Keeps the bytes received so far in the body, whatever ends the read.
class ReceivedBytes {
public:
    explicit ReceivedBytes(Bytes& body) : m_body(body), m_count(body.size()) {}
    ~ReceivedBytes() { m_body.resize(m_count); }
    size_t& count() { return m_count; }

private:
    Bytes& m_body;
    size_t m_count;
};

// One request on an open connection; the body holds what earlier attempts received and
// grows by what this one brings. Returns the announced length (0 when there is none).
unsigned long long SendHttpRequest(HINTERNET connection, Bytes& body, const FetchRequest& request,
                                   const std::wstring& object, const ProgressCallback& progress, DWORD flags) {
    const wchar_t* accept[] = {L"*/*", nullptr};
    InternetHandle handle(HttpOpenRequestW(connection, request.verb.c_str(), object.c_str(), nullptr,
                                           request.referrer.empty() ? nullptr : request.referrer.c_str(), accept, flags,
                                           0));
    if (!handle) throw InternetException();

    std::string form = EncodeForm(request.fields);
    std::wstring headers;
    if (!body.empty()) headers = L"Range: bytes=" + std::to_wstring(body.size()) + L"-";
    const bool withForm = EqualsIgnoringCase(request.verb, L"POST") && !form.empty();
    if (withForm)
        headers +=
            (headers.empty() ? L"" : L"\r\n") + std::wstring(L"Content-Type: application/x-www-form-urlencoded\r\n");
    if (!HttpSendRequestW(handle.Get(), headers.empty() ? nullptr : headers.c_str(), static_cast<DWORD>(headers.size()),
                          withForm ? &form[0] : nullptr, withForm ? static_cast<DWORD>(form.size()) : 0))
        throw InternetException();

    DWORD status = 0, size = sizeof(status);
    if (!HttpQueryInfoW(handle.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        throw InternetException();
    if (status == 200) {
        body.clear();  // a server that ignores Range sends the whole body again
    } else if (status != 206) {
        throw DownloadException(DownloadException::Error_Unexpected_Status_Code) << request.url << status;
    }
    // The length arrives as text; read it whole (a number query stops at 4 GB). A partial
    // answer announces only its tail, so the whole body is what we hold plus that tail.
    wchar_t lengthText[32] = {};
    DWORD lengthSize = sizeof(lengthText);
    unsigned long long announced = 0;
    if (HttpQueryInfoW(handle.Get(), HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr)) {
        announced = std::wcstoull(lengthText, nullptr, 10);
        if (announced && status == 206) announced += body.size();
    }

    ReceivedBytes received(body);
    size_t& count = received.count();
    size_t capacity = announced > count
                          ? static_cast<size_t>(std::min<unsigned long long>(announced, count + kFirstAllocationBytes))
                          : (count ? count * 2 : 2048);
    body.resize(std::max(capacity, count + 1));
    for (;;) {
        if (count == body.size()) {
            if (body.size() >= kMaxBodyBytes) throw std::length_error("the answer is larger than 512 MB");
            body.resize(std::min(body.size() * 2, kMaxBodyBytes));
        }
        // Moderate reads: InternetReadFile fills its whole buffer before it returns, so
        // larger ones would hold progress back; smaller ones cost time under Wine.
        DWORD want = static_cast<DWORD>(std::min<size_t>(body.size() - count, 65536)), got = 0;
        if (!InternetReadFile(handle.Get(), &body[count], want, &got)) throw InternetException();
        if (got == 0) break;
        count += got;
        if (progress) progress(static_cast<int>(static_cast<unsigned long long>(count) * 100 / body.size()));
    }
    return announced;
}

// Asking the system whether it is on-line costs about 10 ms under Wine, more than fetching
// a picture; the answer is kept for a few seconds.
bool IsOffline() {
    static std::atomic<DWORD> checkedAt{0};
    static std::atomic<bool> offline{false};
    DWORD now = GetTickCount();
    if (checkedAt == 0 || now - checkedAt >= 5000) {
        DWORD state = 0;
        offline = !InternetGetConnectedState(&state, 0) && !(state & INTERNET_CONNECTION_LAN);
        checkedAt = now ? now : 1;
    }
    return offline;
}

bool IsTimeOut(const InternetException& error) {
    return error.GetErrorCode() == ERROR_INTERNET_TIMEOUT || error.GetErrorCode() == 10060;
}

}  // namespace

void FetchUrl(InternetSession& session, const FetchRequest& request, Bytes& body, const ProgressCallback& progress,
              ConnectionSlot* slot) {
    if (IsOffline()) throw DownloadException(DownloadException::Error_No_Internet_Connection);
    UrlParts url;
    if (!SplitUrl(request.url, url)) throw DownloadException(DownloadException::Error_Invalid_Url) << request.url;
    const bool secure = url.scheme == INTERNET_SCHEME_HTTPS;

    struct SlotRelease {
        ConnectionSlot* slot;
        ~SlotRelease() {
            if (slot) slot->Clear();
        }
    } release{slot};
    try {
        InternetHandlePtr sessionHandle = session.Acquire();
        if (!sessionHandle) throw InternetException();
        auto connection = std::make_shared<InternetHandle>(InternetConnectW(
            sessionHandle->Get(), url.host.c_str(), url.port, url.user.empty() ? nullptr : url.user.c_str(),
            url.password.empty() ? nullptr : url.password.c_str(), INTERNET_SERVICE_HTTP,
            secure ? INTERNET_FLAG_SECURE : 0, 0));
        if (!*connection) throw InternetException();
        DWORD timeout = kReceiveTimeoutMs;
        InternetSetOptionW(connection->Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
        ProxySettings proxy = session.GetProxy();
        if (!proxy.username.empty()) {
            InternetSetOptionW(connection->Get(), INTERNET_OPTION_PROXY_USERNAME, &proxy.username[0],
                               static_cast<DWORD>(proxy.username.size()));
            InternetSetOptionW(connection->Get(), INTERNET_OPTION_PROXY_PASSWORD,
                               proxy.password.empty() ? nullptr : &proxy.password[0],
                               static_cast<DWORD>(proxy.password.size()));
        }
        if (slot) slot->Set(connection);

        // The secure flag goes on the request too: that is where WinINet looks for it.
        DWORD flags = INTERNET_FLAG_KEEP_CONNECTION | (request.noCacheWrite ? INTERNET_FLAG_NO_CACHE_WRITE : 0) |
                      (secure ? INTERNET_FLAG_SECURE : 0);
        Bytes local;
        for (int attempt = 1;; ++attempt) {
            const size_t before = local.size();
            unsigned long long announced = 0;
            try {
                announced = SendHttpRequest(connection->Get(), local, request, url.path, progress, flags);
            } catch (const InternetException& error) {
                // A stall after some progress is resumed where it stopped; anything else ends it.
                if (!IsTimeOut(error) || local.size() <= before || attempt >= kMaxAttempts) throw;
                continue;
            }
            if (announced == 0 || local.size() >= announced) break;
            if (local.size() <= before || attempt >= kMaxAttempts)
                throw DownloadException(DownloadException::Error_DownloadPartialFile)
                    << request.url << announced << static_cast<unsigned long long>(local.size());
        }
        body = std::move(local);
    } catch (const InternetException& error) {
        throw DownloadException(DownloadException::Error_Internet_Exception) << request.url << error.GetMessageText();
    } catch (const DownloadException&) {
        throw;
    } catch (const std::exception& error) {
        throw DownloadException(DownloadException::Error_Unknown_Exception) << request.url << FromUtf8(error.what());
    }
}
