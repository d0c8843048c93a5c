#include "net/internet_exception.h"

#include <windows.h>

#include <wininet.h>

#include "base/localization.h"

namespace {

std::wstring MessageOf(unsigned long code, DWORD source, HMODULE module) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(source | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, module, code,
                                  0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

}  // namespace

InternetException::InternetException(unsigned long code) : m_code(code ? code : GetLastError()) {
    m_message = MessageOf(m_code, FORMAT_MESSAGE_FROM_SYSTEM, nullptr);
    // WinINet's own codes (12001 and up) are explained by wininet.dll, not by the system.
    if (m_message.empty())
        if (HMODULE wininet = GetModuleHandleW(L"wininet.dll"))
            m_message = MessageOf(m_code, FORMAT_MESSAGE_FROM_HMODULE, wininet);
    if (m_message.empty()) m_message = FormatString(GetString(L"Error_Unknown_Internet_Error"), {m_code});
}

bool InternetException::IsCertificateFailure() const {
    switch (m_code) {
        case ERROR_INTERNET_INVALID_CA:
        case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        case ERROR_INTERNET_SEC_CERT_ERRORS:
        case ERROR_INTERNET_SEC_CERT_NO_REV:
        case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        case ERROR_INTERNET_SEC_CERT_REVOKED:
        case ERROR_INTERNET_SEC_INVALID_CERT:
            return true;
        default:
            return false;
    }
}
