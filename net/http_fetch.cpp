#include "net/http_fetch.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <stdexcept>
#include <thread>

#include "base/handles.h"
#include "base/text.h"
#include "base/utf8.h"
#include "net/download_exception.h"
#include "net/internet_exception.h"
#include "net/internet_session.h"
#include "net/online_check.h"

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
        m_cancelled = true;
        connection = m_connection.lock();
    }
    if (connection) connection->Close();
}

bool ConnectionSlot::IsCancelled() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_cancelled;
}

void ConnectionSlot::Reset() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_cancelled = false;
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

    const size_t limit = std::min(request.maxBytes, kMaxBodyBytes);
    if (announced > limit)
        throw std::length_error("the answer announces more than " + std::to_string(limit) + " bytes");
    ReceivedBytes received(body);
    size_t& count = received.count();
    size_t capacity = announced > count
                          ? static_cast<size_t>(std::min<unsigned long long>(announced, count + kFirstAllocationBytes))
                          : (count ? count * 2 : 2048);
    body.resize(std::max(capacity, count + 1));
    for (;;) {
        if (count == body.size()) {
            if (body.size() >= limit)
                throw std::length_error("the answer is larger than " + std::to_string(limit) + " bytes");
            body.resize(std::min(body.size() * 2, limit));
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

bool IsTimeOut(const InternetException& error) {
    return error.GetErrorCode() == ERROR_INTERNET_TIMEOUT || error.GetErrorCode() == 10060;
}

// One fetch's exchange with the server, run by a worker thread of its own so that the task's
// thread can stop waiting the moment the task is cancelled: a blocked WinINet read cannot be
// interrupted from outside (under Wine not even by closing its handles), only left behind.
// The worker touches nothing but this record and the handles it shares.
struct Exchange {
    FetchRequest request;
    std::wstring object;
    DWORD flags = 0;
    InternetHandlePtr session, connection;
    UniqueHandle done;
    std::atomic<int> percent{-1};
    Bytes body;  // the result once done is set
    std::exception_ptr failure;
};

void RunExchange(Exchange& exchange) {
    try {
        const FetchRequest& request = exchange.request;
        // Only a GET may be sent again: a POST repeated would sign in or add a favourite twice.
        const bool resumable = EqualsIgnoringCase(request.verb, L"GET");
        auto progress = [&exchange](int percent) { exchange.percent = percent; };
        Bytes local;
        for (int attempt = 1;; ++attempt) {
            const size_t before = local.size();
            unsigned long long announced = 0;
            try {
                announced = SendHttpRequest(exchange.connection->Get(), local, request, exchange.object, progress,
                                            exchange.flags);
            } catch (const InternetException& error) {
                // A stall after some progress is resumed where it stopped; anything else ends it.
                if (!resumable || !IsTimeOut(error) || local.size() <= before || attempt >= kMaxAttempts) throw;
                continue;
            }
            if (announced == 0 || local.size() >= announced) break;
            if (!resumable || local.size() <= before || attempt >= kMaxAttempts)
                throw DownloadException(DownloadException::Error_DownloadPartialFile)
                    << request.url << announced << static_cast<unsigned long long>(local.size());
        }
        exchange.body = std::move(local);
    } catch (...) {
        exchange.failure = std::current_exception();
    }
    SetEvent(exchange.done.get());
}

// Waits for the worker, passing its progress on from this thread; gives up on the exchange
// when the slot is cancelled.
void WaitFor(Exchange& exchange, const ProgressCallback& progress, ConnectionSlot* slot) {
    int reported = -1;
    for (;;) {
        const bool finished = WaitForSingleObject(exchange.done.get(), kPollMs) == WAIT_OBJECT_0;
        const int percent = exchange.percent;
        if (progress && percent >= 0 && percent != reported) progress(reported = percent);
        if (finished) return;
        if (slot && slot->IsCancelled()) {
            exchange.connection->Close();
            throw DownloadException(DownloadException::Error_Abort) << exchange.request.url;
        }
    }
}

}  // namespace

void FetchUrl(InternetSession& session, const FetchRequest& request, Bytes& body, const ProgressCallback& progress,
              ConnectionSlot* slot) {
    if (IsSystemOffline()) throw DownloadException(DownloadException::Error_No_Internet_Connection);
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
        auto exchange = std::make_shared<Exchange>();
        exchange->request = request;
        exchange->object = url.path;
        exchange->session = session.Acquire();
        if (!exchange->session) throw InternetException();
        // Opening the connection only makes a handle; the network is met by the worker.
        exchange->connection = std::make_shared<InternetHandle>(InternetConnectW(
            exchange->session->Get(), url.host.c_str(), url.port, url.user.empty() ? nullptr : url.user.c_str(),
            url.password.empty() ? nullptr : url.password.c_str(), INTERNET_SERVICE_HTTP,
            secure ? INTERNET_FLAG_SECURE : 0, 0));
        const HINTERNET connection = exchange->connection->Get();
        if (!connection) throw InternetException();
        DWORD timeout = kStallLimitMs;
        InternetSetOptionW(connection, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
        ProxySettings proxy = session.GetProxy();
        if (!proxy.username.empty()) {
            InternetSetOptionW(connection, INTERNET_OPTION_PROXY_USERNAME, &proxy.username[0],
                               static_cast<DWORD>(proxy.username.size()));
            InternetSetOptionW(connection, INTERNET_OPTION_PROXY_PASSWORD,
                               proxy.password.empty() ? nullptr : &proxy.password[0],
                               static_cast<DWORD>(proxy.password.size()));
        }
        if (slot) slot->Set(exchange->connection);
        // The secure flag goes on the request too: that is where WinINet looks for it.
        exchange->flags = INTERNET_FLAG_KEEP_CONNECTION | (request.noCacheWrite ? INTERNET_FLAG_NO_CACHE_WRITE : 0) |
                          (secure ? INTERNET_FLAG_SECURE : 0);
        exchange->done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!exchange->done) throw std::runtime_error("no event for the fetch");

        std::thread([exchange] { RunExchange(*exchange); }).detach();
        WaitFor(*exchange, progress, slot);
        if (exchange->failure) std::rethrow_exception(exchange->failure);
        body = std::move(exchange->body);
    } catch (const InternetException& error) {
        // WinINet's own checks stand: an untrusted server gets nothing sent and nothing kept.
        if (error.IsCertificateFailure())
            throw DownloadException(DownloadException::Error_Certificate_Not_Trusted)
                << request.url << error.GetMessageText();
        throw DownloadException(DownloadException::Error_Internet_Exception) << request.url << error.GetMessageText();
    } catch (const DownloadException&) {
        throw;
    } catch (const std::exception& error) {
        throw DownloadException(DownloadException::Error_Unknown_Exception) << request.url << FromUtf8(error.what());
    }
}
