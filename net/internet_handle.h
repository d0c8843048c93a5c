#pragma once
// Owner of one WinINet handle (session, connection or request). Closing is safe from any
// thread and happens once: another thread closes a connection to abort a blocked fetch.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle = nullptr) : m_handle(handle) {}
    ~InternetHandle() { Close(); }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET Get() const { return m_handle.load(); }
    explicit operator bool() const { return Get() != nullptr; }
    void Close() {
        if (HINTERNET handle = m_handle.exchange(nullptr)) InternetCloseHandle(handle);
    }

private:
    std::atomic<HINTERNET> m_handle;
};

using InternetHandlePtr = std::shared_ptr<InternetHandle>;
