#include "net/xml_request_task.h"

#include <tinyxml.h>

#include <cctype>
#include <string_view>

#include "base/debug_log.h"
#include "base/handles.h"
#include "base/text.h"
#include "base/xml.h"
#include "config/version_table.h"
#include "net/downloader.h"

namespace {

std::wstring TextOf(const TiXmlElement* parent, const char* name) { return ChildText(parent, name).value_or(L""); }

}  // namespace

SignInData ApplySignInState(const TiXmlElement* element, Settings& settings, const ThumbnailRequest& requestThumbnail) {
    if (!element) throw DownloadException(DownloadException::Error_Null_Parameter);
    SignInData data;
    std::optional<std::wstring> status = ChildText(element, "LoginStatus");
    data.signedIn = status && ParseNumber(*status) != 0;
    if (!data.signedIn) {
        settings.SetLoginState(Settings::kLoggedOut);
        data.favorites = std::make_shared<const FavoriteList>();
        return data;
    }
    data.record.Uid = TextOf(element, "uid");
    data.record.Username = TextOf(element, "username");
    data.record.Email = TextOf(element, "email");
    std::optional<std::wstring> manage = ChildText(element, "manage");
    data.record.Manage = manage && ParseNumber(*manage) != 0;
    settings.SetLoginRecord(data.record);
    settings.SetLoginState(Settings::kLoggedIn);
    // An answer without the element says nothing about favourites: keep what we have.
    if (const TiXmlElement* favorites = element->FirstChildElement("Favorites")) {
        data.favorites = ParseFavoriteList(favorites, settings.GetDataDirectory(), settings.GetFavoritesDirectory(),
                                           requestThumbnail);
    }
    return data;
}

void DumpAnswer(const Settings& settings, const std::wstring& fileName, const Bytes& body) {
    if (!settings.GetDebugMode()) return;
    Path path = settings.GetUserDirectory() / fileName;
    UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        LogLastError(L"CreateFileW");
        return;
    }
    DWORD written = 0;
    if (!body.empty() && !WriteFile(file.get(), body.data(), static_cast<DWORD>(body.size()), &written, nullptr))
        LogLastError(L"WriteFile");
}

std::unique_ptr<TiXmlDocument> ParseAnswer(const Bytes& body, const std::wstring& rootName) {
    if (IsWebPage(body)) throw DownloadException(DownloadException::Error_Web_Page_Answer);
    XmlError error;
    std::unique_ptr<TiXmlDocument> document =
        ParseXml(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()), &error);
    if (document) return document;
    if (error.noRoot) throw DownloadException(DownloadException::Error_Xml_Root_Not_Found) << rootName;
    throw DownloadException(DownloadException::Error_Xml_Parse_Exception)
        << error.id << error.description << error.row << error.column;
}

bool IsWebPage(const Bytes& body) {
    size_t at = 0;
    if (body.size() >= 3 && body[0] == 0xEF && body[1] == 0xBB && body[2] == 0xBF) at = 3;
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t' || body[at] == '\r' || body[at] == '\n')) ++at;
    auto startsWith = [&](const char* word) {
        for (size_t i = 0; word[i]; ++i)
            if (at + i >= body.size() || std::tolower(body[at + i]) != word[i]) return false;
        return true;
    };
    return startsWith("<!doctype html") || startsWith("<html");
}

std::wstring ErrorTypeOf(const TiXmlElement* error) {
    std::optional<std::wstring> type = AttributeText(error, "type");
    if (!type) {
        throw DownloadException(DownloadException::Error_Xml_Attribute_Not_Found)
            << error->Row() << error->Column() << L"Error" << L"type";
    }
    return *type;
}

DownloadException ServerError(const TiXmlElement* error, const std::wstring& type) {
    DownloadException exception(DownloadException::Error_Xml_Server_Error);
    exception << error->Row() << error->Column() << type;
    return exception;
}

FormFields CommonFields(const Settings& settings) {
    return FormFields{{L"version", GetProgramVersion()}, {L"oem", settings.GetPartnerId()}};
}

ThumbnailRequest DefaultThumbnailRequest() { return QueueThumbnailDownload; }

XmlRequestTask::XmlRequestTask(std::shared_ptr<Settings> settings, std::wstring name, std::wstring url)
    : m_settings(std::move(settings)),
      m_name(std::move(name)),
      m_url(std::move(url)),
      m_requestThumbnail(DefaultThumbnailRequest()) {}

void XmlRequestTask::Run() {
    ReportProgress(0);
    FetchRequest request;
    request.verb = L"POST";
    request.url = m_url;
    request.fields = BuildFields();
    request.noCacheWrite = true;
    Bytes body;
    Fetch(request, body);
    HandleAnswer(body);
}

void XmlRequestTask::HandleAnswer(const Bytes& body) {
    // Dumped before any check: the broken answers are the ones worth looking at.
    DumpAnswer(GetSettings(), L"dbg_" + m_name + L".xml", body);
    std::unique_ptr<TiXmlDocument> document = ParseAnswer(body, L"");
    if (const TiXmlElement* error = document->RootElement()->FirstChildElement("Error")) {
        std::wstring type = ErrorTypeOf(error);
        if (type == L"NeedLogin") throw DownloadException(DownloadException::Error_Need_Login);
        if (std::optional<DownloadException::ErrorType> mapped = MapErrorType(type)) throw DownloadException(*mapped);
        throw ServerError(error, type);
    }
    ParseDocument(*document);
}

std::optional<DownloadException::ErrorType> XmlRequestTask::MapErrorType(const std::wstring&) const {
    return std::nullopt;
}

FormFields XmlRequestTask::BuildFields() const { return CommonFields(GetSettings()); }

Settings& XmlRequestTask::GetSettings() const {
    if (!m_settings) throw DownloadException(DownloadException::Error_Null_Parameter);
    return *m_settings;
}

SignInData XmlRequestTask::ApplySignInState(const TiXmlElement* element) const {
    return ::ApplySignInState(element, GetSettings(), m_requestThumbnail);
}
