#pragma once
// A failed WinINet call: its error code and the text that explains it.
#include <string>

class InternetException {
public:
    // With 0, the calling thread's last error is taken.
    explicit InternetException(unsigned long code = 0);

    unsigned long GetErrorCode() const { return m_code; }
    const std::wstring& GetMessageText() const { return m_message; }
    // The server's certificate was refused (unknown issuer, wrong name, expired, revoked...).
    bool IsCertificateFailure() const;

private:
    unsigned long m_code;
    std::wstring m_message;
};
