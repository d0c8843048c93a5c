#pragma once
// The service's XML requests: one form POST, the raw answer dumped in debug mode, then the
// answer checked for the service's error forms before the request kind reads it.
#include <memory>
#include <optional>
#include <string>

#include "base/bytes.h"
#include "config/settings.h"
#include "net/download_task.h"
#include "net/service_answers.h"
#include "net/sign_in_state.h"

class TiXmlDocument;
class TiXmlElement;

// Signed in when LoginStatus is a non-zero number: the login record, state 0 and, when the
// answer carries them, the favourites. Otherwise state 1 and an empty favourites list.
// Throws DownloadException (Error_Null_Parameter) when no element is given.
SignInData ApplySignInState(const TiXmlElement* element, Settings& settings, const ThumbnailRequest& requestThumbnail);

// With DebugMode on, the raw answer goes to fileName in the program directory; a dump that
// cannot be written is skipped, it never fails a request.
void DumpAnswer(const Settings& settings, const std::wstring& fileName, const Bytes& body);

// The answer as a document. Throws Error_Web_Page_Answer for an HTML page,
// Error_Xml_Parse_Exception for bytes that are not XML and Error_Xml_Root_Not_Found (naming
// rootName) for a document without any element.
std::unique_ptr<TiXmlDocument> ParseAnswer(const Bytes& body, const std::wstring& rootName);

// An HTML page where an answer of the service belongs: what a network's sign-in page or a
// proxy sends in the service's place.
bool IsWebPage(const Bytes& body);

// The "type" of an Error element; without one, throws Error_Xml_Attribute_Not_Found.
std::wstring ErrorTypeOf(const TiXmlElement* error);
// Error_Xml_Server_Error naming where the Error element stands and its type.
DownloadException ServerError(const TiXmlElement* error, const std::wstring& type);

// "version" (the program's) and "oem" (the partner id, often empty): sent with every request
// to the service, not to the partner's host.
FormFields CommonFields(const Settings& settings);

// The thumbnails of favourites are fetched by the process's Downloader unless a task is
// given another hook (tests keep them to themselves).
ThumbnailRequest DefaultThumbnailRequest();

// Image list, sign-out, heartbeat and favourite requests.
class XmlRequestTask : public DownloadTask {
public:
    XmlRequestTask(std::shared_ptr<Settings> settings, std::wstring name, std::wstring url);

    const std::wstring& GetName() const { return m_name; }
    const std::wstring& GetUrl() const { return m_url; }
    void SetThumbnailRequest(ThumbnailRequest request) { m_requestThumbnail = std::move(request); }

    void Run() override;
    // Everything after the fetch: the dump, the checks and the kind's reading of the answer.
    void HandleAnswer(const Bytes& body);

protected:
    // The answer, known to have a root without an Error child.
    virtual void ParseDocument(const TiXmlDocument& document) = 0;
    // An error type the kind knows; nothing turns it into a server error.
    virtual std::optional<DownloadException::ErrorType> MapErrorType(const std::wstring& type) const;
    // "version" and "oem"; kinds add theirs after these, so theirs win.
    virtual FormFields BuildFields() const;

    // Throws Error_Null_Parameter for a task made without settings.
    Settings& GetSettings() const;
    SignInData ApplySignInState(const TiXmlElement* element) const;

private:
    std::shared_ptr<Settings> m_settings;
    std::wstring m_name;
    std::wstring m_url;
    ThumbnailRequest m_requestThumbnail;
};
