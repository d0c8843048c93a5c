#include "net/service_requests.h"

#include <tinyxml.h>

#include <cstring>
#include <string_view>

#include "base/text.h"
#include "base/utf8.h"
#include "base/xml.h"

namespace {

// Between the request and its answer; the rest of the program only knows 0 and 1.
constexpr int kSigningIn = 2;
// Pictures below this are not worth sending when a frame may surround them anyway.
constexpr int kMinFramedWidth = 1024;
constexpr int kMinFramedHeight = 768;
constexpr int kFillScreen = 2;

Settings& Require(const std::shared_ptr<Settings>& settings) {
    if (!settings) throw DownloadException(DownloadException::Error_Null_Parameter);
    return *settings;
}

// A POST to one of our endpoints; only the sign-in lets WinINet cache its answer.
FetchRequest PostRequest(std::wstring url, FormFields fields, bool noCacheWrite = true) {
    FetchRequest request;
    request.verb = L"POST";
    request.url = std::move(url);
    request.fields = std::move(fields);
    request.noCacheWrite = noCacheWrite;
    return request;
}

}  // namespace

ImageListTask::ImageListTask(std::shared_ptr<Settings> settings, std::wstring tags)
    : XmlRequestTask(settings, L"imagelist", settings ? settings->GetImageListUrl() : std::wstring()),
      m_tags(std::move(tags)) {}

void ImageListTask::AddScreenFields(FormFields& fields, Settings::Point screen, int frameType) {
    bool fill = frameType == kFillScreen;
    fields[L"screenWidth"] = std::to_wstring(screen.x);
    fields[L"screenHeight"] = std::to_wstring(screen.y);
    fields[L"minWidth"] = std::to_wstring(fill ? screen.x : kMinFramedWidth);
    fields[L"minHeight"] = std::to_wstring(fill ? screen.y : kMinFramedHeight);
}

FormFields ImageListTask::BuildFields() const {
    FormFields fields = XmlRequestTask::BuildFields();
    fields[L"tags"] = m_tags;
    AddScreenFields(fields, Settings::GetScreenSize(), GetSettings().GetFrameType());
    return fields;
}

void ImageListTask::ParseDocument(const TiXmlDocument& document) {
    const TiXmlElement* root = document.RootElement();
    const TiXmlElement* list = root ? root->FirstChildElement("ImageList") : nullptr;
    // An answer without a list is as useless as an empty one: the batch must not count it
    // as a download.
    ImageListPtr images = ParseImageList(list, GetSettings().GetDataDirectory());
    if (!images || images->empty()) throw DownloadException(DownloadException::Error_Invalid_Paper);
    if (m_onResult) m_onResult(images);
}

void SignInStateTask::ParseDocument(const TiXmlDocument& document) {
    const TiXmlElement* root = document.RootElement();
    if (!root) return;
    SignInData data = ApplySignInState(root);
    if (m_onSignIn) m_onSignIn(data);
}

LogoutTask::LogoutTask(std::shared_ptr<Settings> settings)
    : SignInStateTask(settings, L"logout", settings ? settings->GetLogoutUrl() : std::wstring()) {
    SetPriority(0);
}

HeartbeatTask::HeartbeatTask(std::shared_ptr<Settings> settings)
    : SignInStateTask(settings, L"heartbeat", settings ? settings->GetHeartbeatUrl() : std::wstring()) {}

FavoriteTask::FavoriteTask(std::shared_ptr<Settings> settings, int pid, bool add)
    : SignInStateTask(settings, L"setFavorites", settings ? settings->GetFavoritesUrl() : std::wstring()),
      m_pid(pid),
      m_add(add) {}

FormFields FavoriteTask::BuildFields() const {
    FormFields fields = SignInStateTask::BuildFields();
    fields[L"pid"] = std::to_wstring(m_pid);
    fields[L"action"] = m_add ? L"add" : L"del";
    return fields;
}

std::optional<DownloadException::ErrorType> FavoriteTask::MapErrorType(const std::wstring& type) const {
    // The service answers InvalidPid when its session for us is gone, so it means: sign in.
    if (type == L"InvalidPid") return DownloadException::Error_Need_Login;
    if (type == L"DBError") return DownloadException::Error_DB_Error;
    if (type == L"TooManyFavorites") return DownloadException::Error_Too_Many_Favorites;
    return std::nullopt;
}

LoginTask::LoginTask(std::shared_ptr<Settings> settings)
    : m_settings(std::move(settings)), m_requestThumbnail(DefaultThumbnailRequest()) {
    SetPriority(0);
}

void LoginTask::Run() {
    Settings& settings = Require(m_settings);
    settings.SetLoginState(kSigningIn);
    ReportProgress(0);
    try {
        FormFields fields = CommonFields(settings);
        fields[L"username"] = settings.GetUsername();
        fields[L"password"] = settings.GetPassword();
        Bytes body;
        Fetch(PostRequest(settings.GetLoginUrl(), std::move(fields), false), body);
        HandleAnswer(body);
    } catch (const DownloadException&) {
        // Whatever went wrong, we are not signed in now; "signing in" must not outlive the try.
        if (settings.GetLoginState() == kSigningIn) settings.SetLoginState(Settings::kLoggedOut);
        throw;
    }
}

void LoginTask::HandleAnswer(const Bytes& body) {
    Settings& settings = Require(m_settings);
    DumpAnswer(settings, L"dbg_login.xml", body);
    ReportProgress(-1);
    std::unique_ptr<TiXmlDocument> document = ParseAnswer(body, L"Login");
    const TiXmlElement* login = document->FirstChildElement("Login");
    if (!login) throw DownloadException(DownloadException::Error_Xml_Root_Not_Found) << L"Login";
    if (const TiXmlElement* error = login->FirstChildElement("Error")) {
        settings.SetLoginState(Settings::kLoggedOut);
        std::wstring type = ErrorTypeOf(error);
        if (type == L"LoginFail") throw DownloadException(DownloadException::Error_Login_Fail);
        // NeedLogin included: asked to sign in while signing in, retrying would loop.
        throw ServerError(error, type);
    }
    SignInData data = ApplySignInState(login, settings, m_requestThumbnail);
    if (m_onSignIn) m_onSignIn(data);
}

CheckUpdateTask::CheckUpdateTask(std::shared_ptr<Settings> settings) : m_settings(std::move(settings)) {
    SetPriority(0);
}

void CheckUpdateTask::Run() {
    Settings& settings = Require(m_settings);
    Bytes body;
    Fetch(PostRequest(settings.GetCheckUpdateUrl(), CommonFields(settings)), body);
    HandleAnswer(body);
}

void CheckUpdateTask::HandleAnswer(const Bytes& body) {
    Settings& settings = Require(m_settings);
    DumpAnswer(settings, L"dbg_tovarin_update.xml", body);
    std::unique_ptr<TiXmlDocument> document = ParseAnswer(body, L"VersionInfo");
    const TiXmlElement* root = document->FirstChildElement("VersionInfo");
    if (!root) throw DownloadException(DownloadException::Error_Xml_Root_Not_Found) << L"VersionInfo";
    VersionInfo info;
    info.Version = Trim(ChildText(root, "Version").value_or(L""));
    info.Description = Trim(ChildText(root, "Description").value_or(L""));
    const TiXmlElement* file = root->FirstChildElement("File");
    info.FileUrl = ChildText(file, "Url").value_or(L"");
    info.CheckSum = ChildText(file, "CheckSum").value_or(L"");
    info.Signature = Trim(ChildText(file, "Signature").value_or(L""));
    if (m_onResult) m_onResult(info);
}

PartnerListTask::PartnerListTask(std::shared_ptr<Settings> settings) : m_settings(std::move(settings)) {}

std::wstring PartnerListTask::GetUrl() const { return Require(m_settings).GetPartnerUrl() + L"/upimage/imglist.php"; }

void PartnerListTask::Run() {
    Bytes body;
    // No fields at all: the partner's server gets neither a body nor a form type.
    Fetch(PostRequest(GetUrl(), FormFields()), body);
    HandleAnswer(body);
}

void PartnerListTask::HandleAnswer(const Bytes& body) {
    Settings& settings = Require(m_settings);
    DumpAnswer(settings, L"dbg_Brellan.txt", body);
    // Text ends at the first zero byte, as it would in a C string.
    const char* text = reinterpret_cast<const char*>(body.data());
    size_t length = body.empty() ? 0 : strnlen(text, body.size());
    ImageListPtr images = ParseImageUrlList(FromUtf8(std::string_view(text, length)), settings.GetDataDirectory());
    if (m_onResult) m_onResult(images);
}

DownloadTaskPtr MakeSignInTask(std::shared_ptr<Settings> settings, SignInCallback onSignIn) {
    auto task = std::make_shared<LoginTask>(std::move(settings));
    task->SetSignInCallback(std::move(onSignIn));
    return task;
}
