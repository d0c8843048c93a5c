#pragma once
// One HTTP exchange over WinINet: a GET or a form POST, read into memory, resumed with a
// Range request when the body comes up short.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "base/bytes.h"
#include "net/internet_handle.h"

class InternetSession;

using FormFields = std::map<std::wstring, std::wstring>;
using ProgressCallback = std::function<void(int percent)>;

// The connection a fetch is using, so that another thread can end the fetch: CloseCurrent
// closes it and cancels every fetch through the slot until Reset.
class ConnectionSlot {
public:
    void Set(const InternetHandlePtr& connection);
    void Clear();
    void CloseCurrent();
    bool IsCancelled() const;
    void Reset();

private:
    mutable std::mutex m_mutex;
    std::weak_ptr<InternetHandle> m_connection;
    bool m_cancelled = false;
};

namespace fetch_limits {
// An answer that makes no progress for this long has failed (the receive time-out).
constexpr unsigned long kStallLimitMs = 60000;
// How often the waiting thread looks at the cancel flag and the progress.
constexpr unsigned long kPollMs = 100;
// The announced length is a hint: the first allocation is never larger than this.
constexpr size_t kFirstAllocationBytes = 16u << 20;
// Nothing we fetch is larger; a server sending more is broken or hostile.
constexpr size_t kMaxBodyBytes = 512u << 20;
// Attempts of one fetch, resumed ones included.
constexpr int kMaxAttempts = 20;
}  // namespace fetch_limits

struct FetchRequest {
    std::wstring verb = L"GET";
    std::wstring url;
    FormFields fields;  // sent as an urlencoded form body with POST
    std::wstring referrer;
    bool noCacheWrite = false;
    size_t maxBytes = fetch_limits::kMaxBodyBytes;  // a larger answer fails (never above the limit)
};

// Form fields as "name=value&" pairs, names in map order; UTF-8, letters and digits kept, a
// blank as "+", every other byte as "%XX".
std::string EncodeForm(const FormFields& fields);

// Fetches the URL into body (replaced only on success); a GET that comes up short or stalls
// after some progress is resumed with Range, a POST is never sent twice. Throws
// DownloadException, Error_Abort soon after the slot is cancelled.
void FetchUrl(InternetSession& session, const FetchRequest& request, Bytes& body, const ProgressCallback& progress,
              ConnectionSlot* slot = nullptr);
