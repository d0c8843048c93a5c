// The service requests against the reference service: what each sends, what its answer
// does to the settings, and how it fails.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <random>

#include "base/localization.h"
#include "base/text.h"
#include "base/utf8.h"
#include "base/xml.h"
#include "config/settings.h"
#include "config/version_table.h"
#include "net/internet_session.h"
#include "net/service_requests.h"
#include "store/image.h"
#include "support/service_control.h"
#include "support/test_support.h"

namespace {

using Type = DownloadException::ErrorType;

// What the sign-in dialog stores for the fixture's password "secret".
const wchar_t kSecretDigest[] = L"5EBE2294ECD0E0F08EAB7690D2A6EE69";
const std::wstring kHeartbeat = L"/service/viewer/v1.0/heartbeat.php";
const std::wstring kLogin = L"/service/viewer/v1.0/login.php";
const std::wstring kFavorites = L"/service/viewer/v1.0/favorites.php";
const std::wstring kImageList = L"/service/viewer/v1.0/image.php";
const std::wstring kCheckUpdate = L"/service/viewer/v1.0/checkupdate.php";
const std::wstring kPartnerList = L"/upimage/imglist.php";

std::string Narrow(const std::wstring& text) { return ToUtf8(text); }

// The raw form bodies of the logged requests to path, oldest first. An urlencoded body has
// neither quotes nor backslashes, so the JSON text needs no decoding.
std::vector<std::string> BodiesSentTo(const std::wstring& path) {
    std::string log = ServiceControl(L"GET", L"/_control/requests?path=" + path);
    std::vector<std::string> bodies;
    const std::string key = "\"body\": \"";
    for (size_t at = log.find(key); at != std::string::npos; at = log.find(key, at)) {
        at += key.size();
        size_t end = log.find('"', at);
        bodies.push_back(log.substr(at, end - at));
        at = end;
    }
    return bodies;
}

std::string Version() { return Narrow(GetProgramVersion()); }

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Line and column (from 1) where needle first stands in text.
std::pair<int, int> PlaceOf(const std::string& text, const std::string& needle) {
    size_t at = text.find(needle);
    size_t lineStart = text.rfind('\n', at);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    return {static_cast<int>(std::count(text.begin(), text.begin() + at, '\n')) + 1,
            static_cast<int>(at - lineStart) + 1};
}

// The failure f ended in, if any.
std::optional<DownloadException> Failure(const std::function<void()>& f) {
    try {
        f();
    } catch (const DownloadException& error) {
        return error;
    }
    return std::nullopt;
}

std::string MessageOf(const std::optional<DownloadException>& error) {
    return error ? Narrow(error->GetMessage()) : "(no failure)";
}

class ServiceRequest : public ::testing::Test {
protected:
    void SetUp() override {
        if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
        ServiceReset();
        ServiceControl(L"POST", L"/_control/sessions/clear");
        StringMap::Instance().LoadAll(L"C:\\no-such-folder");
        SelectLanguage(1033);
        settings = MakeSettings(dir.path());
    }
    void TearDown() override { ServiceReset(); }

    std::shared_ptr<Settings> MakeSettings(const Path& programDirectory) {
        auto made = std::make_shared<Settings>(programDirectory);
        made->SetServiceUrl(ServiceUrl());
        made->SetPartnerUrl(ServiceUrl());
        made->SetUsername(L"tester");
        made->SetPassword(kSecretDigest);
        return made;
    }

    // Runs the task here; the failure it ended in, if any.
    std::optional<DownloadException> Run(DownloadTask& task) {
        task.SetSession(std::make_shared<InternetSession>());
        return Failure([&] { task.Run(); });
    }
    Type FailureOf(DownloadTask& task) {
        std::optional<DownloadException> error = Run(task);
        if (!error) {
            ADD_FAILURE() << "the task did not fail";
            return DownloadException::Error_Unknown_Exception;
        }
        return error->GetErrorType();
    }
    template <typename Task>
    std::shared_ptr<Task> Quiet(std::shared_ptr<Task> task) {
        task->SetThumbnailRequest([this](const ImagePtr& thumbnail) { thumbnails.push_back(thumbnail); });
        task->SetSignInCallback([this](const SignInData& data) {
            if (data.favorites) favorites = data.favorites;
        });
        return task;
    }
    void SignIn() {
        auto login = Quiet(std::make_shared<LoginTask>(settings));
        ASSERT_FALSE(Run(*login)) << "the fixture's account signs in";
        ASSERT_EQ(settings->GetLoginState(), Settings::kLoggedIn);
    }
    ImageListPtr ImagesOf(const std::wstring& tags) {
        ImageListPtr images;
        auto task = std::make_shared<ImageListTask>(settings, tags);
        task->SetResultCallback([&](const ImageListPtr& list) { images = list; });
        std::optional<DownloadException> error = Run(*task);
        EXPECT_FALSE(error) << (error ? Narrow(error->GetMessage()) : "");
        return images;
    }
    int PidOf(const std::wstring& tags, const std::wstring& file) {
        ImageListPtr images = ImagesOf(tags);
        for (const ImagePtr& image : images ? *images : ImageList())
            if (image->GetUrl() == file) return image->GetId();
        ADD_FAILURE() << "no " << Narrow(file) << " in " << Narrow(tags);
        return -1;
    }
    std::vector<int> FavoritePids() const {
        std::vector<int> pids;
        if (favorites)
            for (const FavoriteEntry& entry : *favorites) pids.push_back(entry.image->GetId());
        return pids;
    }

    TempDir dir;
    std::shared_ptr<Settings> settings;
    std::vector<ImagePtr> thumbnails;
    FavoriteListPtr favorites;  // as the sign-in answers' receiver keeps them
};

bool Contains(const std::vector<int>& values, int value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace

TEST_F(ServiceRequest, ImageListSendsTheScreenAndKeepsTheAnswersOrder) {
    const Settings::Point screen = Settings::GetScreenSize();
    std::vector<int> progress;
    ImageListPtr images;
    auto task = std::make_shared<ImageListTask>(settings, L"fengguang qiche");
    task->SetProgressCallback([&](int percent) { progress.push_back(percent); });
    task->SetResultCallback([&](const ImageListPtr& list) { images = list; });
    settings->SetFrameType(1);
    settings->SetPartnerId(L"Acme \u00e9");
    ASSERT_FALSE(Run(*task));

    EXPECT_EQ(BodiesSentTo(kImageList),
              std::vector<std::string>{
                  "minHeight=768&minWidth=1024&oem=Acme+%C3%A9&screenHeight=" + std::to_string(screen.y) +
                  "&screenWidth=" + std::to_string(screen.x) + "&tags=fengguang+qiche&version=" + Version() + "&"})
        << "fields go in name order, as the form encoder writes them";
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0);

    // The same answer, read on our own, is the oracle for ids, addresses and order.
    FetchRequest request;
    request.verb = L"POST";
    request.url = ServiceUrl() + kImageList;
    request.fields = {{L"tags", L"fengguang qiche"}};
    Bytes raw;
    InternetSession session;
    FetchUrl(session, request, raw, nullptr);
    auto document = ParseXml(std::string(raw.begin(), raw.end()));
    ASSERT_TRUE(document);
    ASSERT_TRUE(images);
    size_t index = 0;
    for (const TiXmlElement* element =
             document->RootElement()->FirstChildElement("ImageList")->FirstChildElement("Image");
         element; element = element->NextSiblingElement("Image"), ++index) {
        ASSERT_LT(index, images->size());
        const Image& image = *(*images)[index];
        EXPECT_EQ(image.GetId(), atoi(element->Attribute("pid")));
        EXPECT_EQ(Narrow(image.GetFullUrl()), std::string(element->Attribute("baseurl")) + element->Attribute("file"));
        EXPECT_EQ(image.GetPath().Parent(), settings->GetDataDirectory());
        EXPECT_EQ(image.GetOrder(), static_cast<int>(index));
    }
    EXPECT_EQ(index, images->size());
    std::vector<std::wstring> files;
    for (const ImagePtr& image : *images) files.push_back(image->GetUrl());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{L"blue.jpg", L"pattern.jpg", L"small.jpg"}));
}

TEST(ServiceRequestFields, TheSmallestPictureFollowsTheFrameType) {
    for (int frameType : {0, 1, 2}) {
        FormFields fields{{L"screenWidth", L"1"}, {L"tags", L"a"}};
        ImageListTask::AddScreenFields(fields, Settings::Point{1280, 1024}, frameType);
        bool fills = frameType == 2;
        EXPECT_EQ(fields[L"screenWidth"], L"1280") << "the later value wins";
        EXPECT_EQ(fields[L"screenHeight"], L"1024");
        EXPECT_EQ(fields[L"minWidth"], fills ? L"1280" : L"1024") << "frame type " << frameType;
        EXPECT_EQ(fields[L"minHeight"], fills ? L"1024" : L"768") << "frame type " << frameType;
        EXPECT_EQ(fields[L"tags"], L"a");
    }
}

TEST_F(ServiceRequest, SignInSetsTheStateRecordAndFavourites) {
    std::vector<int> stateAtProgress;
    std::optional<SignInData> delivered;
    auto login = Quiet(std::make_shared<LoginTask>(settings));
    login->SetProgressCallback([&](int) { stateAtProgress.push_back(settings->GetLoginState()); });
    login->SetSignInCallback([&](const SignInData& data) {
        delivered = data;
        favorites = data.favorites;
    });
    EXPECT_EQ(login->GetPriority(), 0);
    ASSERT_FALSE(Run(*login));

    ASSERT_GE(stateAtProgress.size(), 2u);
    EXPECT_EQ(stateAtProgress.front(), 2) << "signing in while the request runs";
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedIn);
    Settings::LoginRecord record = settings->GetLoginRecord();
    EXPECT_EQ(record.Username, L"tester");
    EXPECT_FALSE(record.Uid.empty());
    EXPECT_FALSE(record.Manage);
    ASSERT_TRUE(delivered);
    EXPECT_TRUE(delivered->signedIn);
    EXPECT_EQ(delivered->record.Uid, record.Uid);
    ASSERT_TRUE(favorites) << "the answer's (maybe empty) list replaces ours";
    EXPECT_EQ(BodiesSentTo(kLogin), std::vector<std::string>{"oem=&password=" + Narrow(kSecretDigest) +
                                                             "&username=tester&version=" + Version() + "&"});

    // A favourite comes back in the answer, and in the next sign-in's answer too.
    const int pid = PidOf(L"qiche", L"small.jpg");
    auto add = Quiet(std::make_shared<FavoriteTask>(settings, pid, true));
    ASSERT_FALSE(Run(*add));
    EXPECT_TRUE(Contains(FavoritePids(), pid));
    ASSERT_FALSE(thumbnails.empty()) << "a thumbnail that is not on disk is asked for";
    EXPECT_EQ(thumbnails.back()->GetPath().Parent(), settings->GetFavoritesDirectory());
    ASSERT_FALSE(BodiesSentTo(kFavorites).empty());
    EXPECT_EQ(BodiesSentTo(kFavorites).back(),
              "action=add&oem=&pid=" + std::to_string(pid) + "&version=" + Version() + "&");

    TempDir other;
    std::shared_ptr<Settings> first = settings;
    settings = MakeSettings(other.path());
    SignIn();
    EXPECT_TRUE(Contains(FavoritePids(), pid)) << "the service keeps favourites per account";

    auto remove = Quiet(std::make_shared<FavoriteTask>(settings, pid, false));
    ASSERT_FALSE(Run(*remove));
    EXPECT_FALSE(Contains(FavoritePids(), pid));
    EXPECT_EQ(BodiesSentTo(kFavorites).back().substr(0, 11), "action=del&");

    auto logout = Quiet(std::make_shared<LogoutTask>(settings));
    EXPECT_EQ(logout->GetPriority(), 0);
    ASSERT_FALSE(Run(*logout));
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedOut);
    ASSERT_TRUE(favorites);
    EXPECT_TRUE(favorites->empty()) << "signed out: no favourites";
    EXPECT_EQ(first->GetLoginState(), Settings::kLoggedIn) << "each task writes only its own settings";
}

TEST_F(ServiceRequest, SignInCategoriesNeedASignIn) {
    auto task = std::make_shared<ImageListTask>(settings, L"xiezhen");
    EXPECT_EQ(FailureOf(*task), DownloadException::Error_Need_Login);

    auto heartbeat = Quiet(std::make_shared<HeartbeatTask>(settings));
    settings->SetLoginState(Settings::kLoggedIn);
    ASSERT_FALSE(Run(*heartbeat));
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedOut) << "the service's view wins";

    DownloadTaskPtr signIn = MakeSignInTask(settings);
    EXPECT_EQ(signIn->GetPriority(), 0);
    EXPECT_FALSE(signIn->GetDoneCallback() || signIn->GetErrorCallback() || signIn->GetProgressCallback());
    ASSERT_FALSE(Run(*signIn));
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedIn);

    ImageListPtr images = ImagesOf(L"xiezhen");
    ASSERT_TRUE(images);
    ASSERT_EQ(images->size(), 1u);
    EXPECT_EQ(images->front()->GetUrl(), L"private.jpg");

    ASSERT_FALSE(Run(*heartbeat));
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedIn);
    EXPECT_EQ(heartbeat->GetPriority(), 1);
    EXPECT_EQ(BodiesSentTo(kHeartbeat).back(), "oem=&version=" + Version() + "&");
}

TEST_F(ServiceRequest, AWrongPasswordSignsOut) {
    settings->SetPassword(L"00000000000000000000000000000000");
    settings->SetLoginState(Settings::kLoggedIn);
    auto login = Quiet(std::make_shared<LoginTask>(settings));
    std::optional<DownloadException> error = Run(*login);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->GetErrorType(), DownloadException::Error_Login_Fail);
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedOut);

    settings->SetServiceUrl(L"http://127.0.0.1:1");
    auto unreachable = Quiet(std::make_shared<LoginTask>(settings));
    EXPECT_EQ(FailureOf(*unreachable), DownloadException::Error_Internet_Exception);
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedOut) << "no answer: not left signing in";
}

TEST_F(ServiceRequest, TheServicesErrorForms) {
    // Where the Error element stands in the service's own answer.
    auto errorPlace = [](const std::wstring& path) {
        std::string answer = ServiceControl(L"POST", path);
        return PlaceOf(answer, "<Error");
    };
    struct Case {
        std::wstring path;
        const char* type;  // nullptr: no type attribute
        std::function<DownloadTaskPtr()> make;
        Type expected;
    };
    auto heartbeat = [this] { return Quiet(std::make_shared<HeartbeatTask>(settings)); };
    auto login = [this] { return Quiet(std::make_shared<LoginTask>(settings)); };
    auto favorite = [this] { return Quiet(std::make_shared<FavoriteTask>(settings, 1, true)); };
    auto images = [this] { return std::make_shared<ImageListTask>(settings, L"qiche"); };
    const Case cases[] = {
        {kHeartbeat, "NeedLogin", heartbeat, DownloadException::Error_Need_Login},
        {kHeartbeat, nullptr, heartbeat, DownloadException::Error_Xml_Attribute_Not_Found},
        {kHeartbeat, "needlogin", heartbeat, DownloadException::Error_Xml_Server_Error},
        {kHeartbeat, "InvalidPid", heartbeat, DownloadException::Error_Xml_Server_Error},
        {kImageList, "NeedLogin", images, DownloadException::Error_Need_Login},
        {kImageList, "TooManyFavorites", images, DownloadException::Error_Xml_Server_Error},
        {kLogin, "LoginFail", login, DownloadException::Error_Login_Fail},
        {kLogin, "NeedLogin", login, DownloadException::Error_Xml_Server_Error},
        {kLogin, nullptr, login, DownloadException::Error_Xml_Attribute_Not_Found},
        {kFavorites, "InvalidPid", favorite, DownloadException::Error_Need_Login},
        {kFavorites, "DBError", favorite, DownloadException::Error_DB_Error},
        {kFavorites, "TooManyFavorites", favorite, DownloadException::Error_Too_Many_Favorites},
        {kFavorites, "InvalidAction", favorite, DownloadException::Error_Xml_Server_Error},
        {kFavorites, nullptr, favorite, DownloadException::Error_Xml_Attribute_Not_Found},
    };
    for (const Case& c : cases) {
        std::string type = c.type ? "\"" + std::string(c.type) + "\"" : "null";
        std::string fault = R"({"mode": "error_type", "path": ")" + Narrow(c.path) + R"(", "type": )" + type + "}";
        ServiceFault(fault);
        settings->SetLoginState(Settings::kLoggedIn);
        DownloadTaskPtr task = c.make();
        std::optional<DownloadException> error = Run(*task);
        std::string label = Narrow(c.path) + " " + (c.type ? c.type : "without type");
        ASSERT_TRUE(error) << label;
        EXPECT_EQ(error->GetErrorType(), c.expected) << label;
        std::pair<int, int> place = errorPlace(c.path);
        std::string message = Narrow(error->GetMessage());
        if (c.expected == DownloadException::Error_Xml_Attribute_Not_Found) {
            EXPECT_EQ(message, "NODE R" + std::to_string(place.first) + "C" + std::to_string(place.second) +
                                   ":  <Error> Attribute 'type' not found")
                << label;
        }
        if (c.expected == DownloadException::Error_Xml_Server_Error) {
            EXPECT_EQ(message, "Server Error: " + std::string(c.type)) << label;
        }
        if (c.path == kLogin) {
            EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedOut) << label;
        }
        ServiceReset();
    }
}

TEST_F(ServiceRequest, MalformedAndRootlessAnswers) {
    ServiceFault(R"({"mode": "malformed_xml"})");
    std::string malformed = ServiceControl(L"POST", kHeartbeat);
    XmlError expected;
    ASSERT_FALSE(ParseXml(malformed, &expected));
    ASSERT_GT(expected.row, 0);
    ASSERT_GT(expected.column, 0);
    std::string where = "R" + std::to_string(expected.row) + "C" + std::to_string(expected.column) + ": ";
    for (DownloadTaskPtr task : std::initializer_list<DownloadTaskPtr>{
             Quiet(std::make_shared<HeartbeatTask>(settings)), Quiet(std::make_shared<LoginTask>(settings)),
             std::make_shared<CheckUpdateTask>(settings), std::make_shared<ImageListTask>(settings, L"qiche")}) {
        std::optional<DownloadException> error = Run(*task);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->GetErrorType(), DownloadException::Error_Xml_Parse_Exception);
        EXPECT_EQ(Narrow(error->GetMessage()), "XML Error: " + where + Narrow(expected.description));
    }
    ServiceReset();

    // Lines and columns from 1, a tab to the next multiple of four: the parser's place, unchanged.
    HeartbeatTask heartbeat(settings);
    LoginTask login(settings);
    CheckUpdateTask update(settings);
    EXPECT_EQ(MessageOf(Failure([&] { heartbeat.HandleAnswer(ToBytes("<Response>\n\t<LoginStatus>1</Status>")); })),
              "XML Error: R2C19: Error reading end tag.");
    std::optional<DownloadException> empty = Failure([&] { heartbeat.HandleAnswer(Bytes()); });
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->GetErrorType(), DownloadException::Error_Xml_Parse_Exception);

    for (const char* body : {"<?xml version=\"1.0\"?>", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n"}) {
        const Bytes bytes = ToBytes(body);
        EXPECT_EQ(MessageOf(Failure([&] { heartbeat.HandleAnswer(bytes); })), "XML Error, Can't find the Root<>");
        EXPECT_EQ(MessageOf(Failure([&] { login.HandleAnswer(bytes); })), "XML Error, Can't find the Root<Login>");
        EXPECT_EQ(MessageOf(Failure([&] { update.HandleAnswer(bytes); })),
                  "XML Error, Can't find the Root<VersionInfo>");
    }
    // A network's sign-in page where the answer belongs, well-formed or not, is told apart.
    ImageListTask images(settings, L"qiche");
    for (const char* page : {"<!DOCTYPE html><html><body>Sign in to the hotel Wi-Fi</body></html>",
                             "\xEF\xBB\xBF\r\n  <HTML><p>Proxy login<br></HTML>", "<html/>"}) {
        const Bytes bytes = ToBytes(page);
        for (std::optional<DownloadException> error :
             {Failure([&] { images.HandleAnswer(bytes); }), Failure([&] { heartbeat.HandleAnswer(bytes); }),
              Failure([&] { login.HandleAnswer(bytes); }), Failure([&] { update.HandleAnswer(bytes); })}) {
            ASSERT_TRUE(error) << page;
            EXPECT_EQ(error->GetErrorType(), DownloadException::Error_Web_Page_Answer) << page;
        }
    }
    EXPECT_FALSE(IsWebPage(ToBytes("<Response><html/></Response>"))) << "only a page, not a word in an answer";
    EXPECT_FALSE(IsWebPage(ToBytes("<htm")));
    const Bytes otherRoot = ToBytes("<Response><LoginStatus>1</LoginStatus></Response>");
    EXPECT_EQ(MessageOf(Failure([&] { login.HandleAnswer(otherRoot); })), "XML Error, Can't find the Root<Login>");
    EXPECT_EQ(MessageOf(Failure([&] { update.HandleAnswer(otherRoot); })),
              "XML Error, Can't find the Root<VersionInfo>");
}

TEST_F(ServiceRequest, ImageListAnswersWithoutPictures) {
    bool delivered = false;
    ImageListTask task(settings, L"qiche");
    task.SetResultCallback([&](const ImageListPtr&) { delivered = true; });
    for (const char* empty : {"<Response><Other/></Response>", "<Response/>", "<Response><ImageList/></Response>",
                              "<Response><ImageList><Image pid=\"3\" baseurl=\"http://x/\"/></ImageList></Response>"}) {
        std::optional<DownloadException> error = Failure([&] { task.HandleAnswer(ToBytes(empty)); });
        EXPECT_TRUE(error && error->GetErrorType() == DownloadException::Error_Invalid_Paper) << MessageOf(error);
    }
    EXPECT_FALSE(delivered);
    std::optional<DownloadException> error = Run(*std::make_shared<ImageListTask>(nullptr, L"qiche"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->GetErrorType(), DownloadException::Error_Null_Parameter);
}

TEST_F(ServiceRequest, SignInStateChildren) {
    auto apply = [&](const std::string& xml) {
        auto document = ParseXml(xml);
        EXPECT_TRUE(document) << xml;
        return ApplySignInState(document->RootElement(), *settings, nullptr);
    };
    SignInData data = apply(
        "<R><LoginStatus> 7 </LoginStatus><uid>42</uid><username>\xe5\xbc\xa0</username><email>a@b</email>"
        "<manage>1</manage></R>");
    EXPECT_TRUE(data.signedIn);
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedIn);
    Settings::LoginRecord record = settings->GetLoginRecord();
    EXPECT_EQ(record.Uid, L"42");
    EXPECT_EQ(record.Username, L"\u5f20");
    EXPECT_EQ(record.Email, L"a@b");
    EXPECT_TRUE(record.Manage);
    EXPECT_FALSE(data.favorites) << "no Favorites element: the list is left alone";

    favorites = apply(
                    "<R><LoginStatus>1</LoginStatus><Favorites><Image pid=\"9\" url=\"http://x/a.jpg\" "
                    "thumb=\"http://x/t.jpg\"/>"
                    "</Favorites></R>")
                    .favorites;
    EXPECT_EQ(FavoritePids(), std::vector<int>{9});
    EXPECT_EQ(settings->GetLoginRecord().Uid, L"") << "a new record from the answer alone";
    EXPECT_FALSE(settings->GetLoginRecord().Manage);

    for (const char* out : {"<R><LoginStatus>0</LoginStatus><uid>5</uid></R>", "<R/>", "<R><LoginStatus/></R>",
                            "<R><LoginStatus>none</LoginStatus></R>"}) {
        settings->SetLoginState(Settings::kLoggedIn);
        SignInData signedOut = apply(out);
        EXPECT_FALSE(signedOut.signedIn) << out;
        EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedOut) << out;
        EXPECT_TRUE(signedOut.favorites && signedOut.favorites->empty()) << out;
    }
    std::optional<DownloadException> error = Failure([&] { ApplySignInState(nullptr, *settings, nullptr); });
    EXPECT_TRUE(error && error->GetErrorType() == DownloadException::Error_Null_Parameter) << MessageOf(error);
}

TEST_F(ServiceRequest, UpdateCheck) {
    std::optional<VersionInfo> info;
    auto task = std::make_shared<CheckUpdateTask>(settings);
    task->SetResultCallback([&](const VersionInfo& answer) { info = answer; });
    EXPECT_EQ(task->GetPriority(), 0);
    ASSERT_FALSE(Run(*task));
    ASSERT_TRUE(info) << "the fixture offers no installer: an empty VersionInfo";
    EXPECT_EQ(info->Version + info->Description + info->FileUrl + info->CheckSum, L"");
    EXPECT_EQ(BodiesSentTo(kCheckUpdate), std::vector<std::string>{"oem=&version=" + Version() + "&"});

    info.reset();
    task->HandleAnswer(
        ToBytes("<?xml version=\"1.0\"?>\n<VersionInfo>\n<Version>\n  20240101 \t</Version>"
                "<Description>  Faster.\nSmaller.  </Description><File><Url>http://h/setup.exe</Url>"
                "<CheckSum>ABC </CheckSum><Signature>\n  c2ln\nbmVk \n</Signature></File>"
                "<Error type=\"NeedLogin\"/></VersionInfo>"));
    ASSERT_TRUE(info) << "the update check has no error form";
    EXPECT_EQ(info->Version, L"20240101");
    EXPECT_EQ(info->Description, L"Faster.\nSmaller.");
    EXPECT_EQ(info->FileUrl, L"http://h/setup.exe");
    EXPECT_EQ(info->CheckSum, L"ABC ") << "as sent";
    EXPECT_EQ(info->Signature, L"c2ln\nbmVk") << "base64 in lines, blanks at the ends dropped";

    task->HandleAnswer(ToBytes("<VersionInfo><Version>2</Version></VersionInfo>"));
    EXPECT_EQ(info->Version, L"2");
    EXPECT_EQ(info->FileUrl + info->CheckSum + info->Signature, L"") << "no File: no address, checksum, signature";
}

TEST_F(ServiceRequest, PartnerListKeepsThePictureLines) {
    ImageListPtr images;
    auto task = std::make_shared<PartnerListTask>(settings);
    task->SetResultCallback([&](const ImageListPtr& list) { images = list; });
    EXPECT_EQ(task->GetPriority(), 1);
    EXPECT_EQ(task->GetUrl(), ServiceUrl() + kPartnerList);
    ASSERT_FALSE(Run(*task));
    std::string log = ServiceControl(L"GET", L"/_control/requests?path=" + kPartnerList);
    EXPECT_NE(log.find("\"method\": \"POST\""), std::string::npos) << log;
    EXPECT_EQ(BodiesSentTo(kPartnerList), std::vector<std::string>{""}) << "no fields at all";
    EXPECT_NE(log.find("\"content_type\": null"), std::string::npos) << log;
    ASSERT_TRUE(images);
    std::vector<std::wstring> urls;
    for (const ImagePtr& image : *images) urls.push_back(image->GetFullUrl());
    std::sort(urls.begin(), urls.end());
    const std::wstring pictures = ServiceUrl() + L"/pictures/";
    EXPECT_EQ(urls, (std::vector<std::wstring>{pictures + L"dongwu/sunset.jpg", pictures + L"fengguang/blue.jpg",
                                               pictures + L"fengguang/pattern.jpg", pictures + L"qiche/small.jpg",
                                               pictures + L"zhiwu/bark.jpg", pictures + L"zhiwu/fern.jpg"}))
        << "the pictures that need no sign-in";

    task->HandleAnswer(
        ToBytes("http://p/a.jpg\r\nhttp://p/b.png\r\n http://p/c.JPG \r\n\r\nhttp://p/d.jpg\0http://p/e.jpg"));
    ASSERT_TRUE(images);
    ASSERT_EQ(images->size(), 3u);
    EXPECT_EQ((*images)[0]->GetFullUrl(), L"http://p/a.jpg");
    EXPECT_EQ((*images)[1]->GetFullUrl(), L"http://p/c.JPG");
    EXPECT_EQ((*images)[2]->GetFullUrl(), L"http://p/d.jpg");
    EXPECT_EQ((*images)[2]->GetPath().Parent(), settings->GetDataDirectory());
}

TEST_F(ServiceRequest, DebugDumpsComeBeforeTheChecks) {
    auto dumps = [&] {
        std::vector<std::wstring> names;
        for (const Path& file : dir.path().ListFiles())
            if (file.FileName().rfind(L"dbg_", 0) == 0) names.push_back(file.FileName());
        std::sort(names.begin(), names.end());
        return names;
    };
    ASSERT_FALSE(Run(*Quiet(std::make_shared<HeartbeatTask>(settings))));
    EXPECT_TRUE(dumps().empty()) << "DebugMode off: no dump";

    settings->SetDebugMode(true);
    ServiceFault(R"({"mode": "malformed_xml", "count": 1})");
    EXPECT_EQ(FailureOf(*Quiet(std::make_shared<HeartbeatTask>(settings))),
              DownloadException::Error_Xml_Parse_Exception);
    std::string first = ReadAll(dir / L"dbg_heartbeat.xml");
    EXPECT_NE(first.find("</Status>"), std::string::npos) << "the broken answer itself: " << first;
    ASSERT_FALSE(Run(*Quiet(std::make_shared<HeartbeatTask>(settings))));
    std::string second = ReadAll(dir / L"dbg_heartbeat.xml");
    auto replaced = ParseXml(second);
    ASSERT_TRUE(replaced) << "the next answer replaces it: " << second;
    EXPECT_EQ(replaced->RootElement()->ValueStr(), "Response");

    SignIn();
    ASSERT_FALSE(Run(*Quiet(std::make_shared<FavoriteTask>(settings, PidOf(L"qiche", L"small.jpg"), false))));
    ASSERT_FALSE(Run(*std::make_shared<CheckUpdateTask>(settings)));
    ASSERT_FALSE(Run(*std::make_shared<PartnerListTask>(settings)));
    ASSERT_FALSE(Run(*Quiet(std::make_shared<LogoutTask>(settings))));
    EXPECT_EQ(dumps(), (std::vector<std::wstring>{L"dbg_Brellan.txt", L"dbg_heartbeat.xml", L"dbg_imagelist.xml",
                                                  L"dbg_login.xml", L"dbg_logout.xml", L"dbg_setFavorites.xml",
                                                  L"dbg_tovarin_update.xml"}));
    EXPECT_NE(ReadAll(dir / L"dbg_Brellan.txt").find(".jpg\r\n"), std::string::npos);

    // A dump that cannot be written does not fail the request.
    auto nowhere = MakeSettings(dir / L"missing\\folder");
    nowhere->SetDebugMode(true);
    EXPECT_FALSE(Run(*Quiet(std::make_shared<HeartbeatTask>(nowhere))));
}

// Answers broken in every way we could think of end in a failure or a result, never a crash.
TEST_F(ServiceRequest, MutatedAnswersFailCleanly) {
    settings->SetDebugMode(true);
    SignIn();
    const int pid = PidOf(L"fengguang qiche", L"small.jpg");
    ASSERT_FALSE(Run(*Quiet(std::make_shared<FavoriteTask>(settings, pid, true))));
    ASSERT_FALSE(Run(*std::make_shared<CheckUpdateTask>(settings)));
    std::vector<std::string> seeds;
    for (const wchar_t* name :
         {L"dbg_login.xml", L"dbg_imagelist.xml", L"dbg_setFavorites.xml", L"dbg_tovarin_update.xml"})
        seeds.push_back(ReadAll(dir / name));
    seeds.push_back(
        "<VersionInfo><Version>1</Version><Description>d</Description><File><Url>u</Url><CheckSum>c</CheckSum></File>"
        "</VersionInfo>");
    ASSERT_FALSE(Run(*Quiet(std::make_shared<FavoriteTask>(settings, pid, false))));
    settings->SetDebugMode(false);
    for (const std::string& seed : seeds) ASSERT_FALSE(seed.empty());

    std::mt19937 random(20240607);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    auto mutate = [&](int round) {
        std::string body = seeds[pick(seeds.size())];
        switch (round % 6) {
            case 0:  // flipped bytes
                for (int flips = 1 + static_cast<int>(pick(8)); flips > 0; --flips)
                    body[pick(body.size())] ^= 1 << pick(8);
                break;
            case 1:  // truncated
                body.resize(pick(body.size()));
                break;
            case 2:  // binary
                body.assign(1 + pick(4096), '\0');
                for (char& c : body) c = static_cast<char>(pick(256));
                break;
            case 3:  // deeply nested, closed or not
                body = "<Login>" + std::string(1000 + pick(200000), 'x');
                for (size_t i = 7; i + 3 < body.size(); i += 3) body.replace(i, 3, "<a>");
                break;
            case 4:  // oversized: a thousand copies of the seed's elements
                for (int i = 0; i < 10; ++i) body += body.substr(body.find('<', 2));
                break;
            default: {  // the head of one seed on the tail of another
                const std::string& tail = seeds[pick(seeds.size())];
                body = body.substr(0, pick(body.size())) + tail.substr(pick(tail.size()));
            }
        }
        return ToBytes(body);
    };
    // Each round ends in a failure of a known kind, or in a delivered result that holds together.
    bool delivered = false;
    auto survive = [&](auto&& handle, const Bytes& body, int round) {
        delivered = false;
        try {
            handle(body);
            EXPECT_TRUE(delivered) << "round " << round << ": a success delivers its result";
        } catch (const DownloadException& error) {
            EXPECT_NE(DownloadException::StringIdOf(error.GetErrorType()), L"Error_Unknown_Error") << "round " << round;
            EXPECT_FALSE(delivered) << "round " << round << ": a failure delivers nothing";
        } catch (const std::exception& error) {
            ADD_FAILURE() << "round " << round << ": " << error.what();
        }
    };
    auto storedIn = [&](const ImageListPtr& list) {
        for (const ImagePtr& image : *list) {
            EXPECT_TRUE(image && image->GetPath().Parent() == settings->GetDataDirectory() && !image->GetUrl().empty());
        }
        delivered = true;
    };
    auto signedIn = [&](const SignInData& data) {
        if (data.favorites)
            for (const FavoriteEntry& entry : *data.favorites) {
                EXPECT_TRUE(entry.image && entry.image->GetPath().Parent() == settings->GetDataDirectory());
                EXPECT_TRUE(entry.thumbnail &&
                            entry.thumbnail->GetPath().Parent() == settings->GetFavoritesDirectory());
            }
        delivered = true;
    };
    ImageListTask images(settings, L"qiche");
    FavoriteTask favorite(settings, pid, true);
    LoginTask login(settings);
    CheckUpdateTask update(settings);
    PartnerListTask partner(settings);
    favorite.SetThumbnailRequest(nullptr);
    login.SetThumbnailRequest(nullptr);
    size_t results = 0;
    images.SetResultCallback([&](const ImageListPtr& list) {
        storedIn(list);
        results += list->size();
    });
    partner.SetResultCallback(storedIn);
    favorite.SetSignInCallback(signedIn);
    login.SetSignInCallback(signedIn);
    update.SetResultCallback([&](const VersionInfo& info) {
        EXPECT_EQ(info.Version, Trim(info.Version));
        delivered = true;
    });
    for (int round = 0; round < 200; ++round) {
        Bytes body = mutate(round);
        survive([&](const Bytes& b) { images.HandleAnswer(b); }, body, round);
        survive([&](const Bytes& b) { favorite.HandleAnswer(b); }, body, round);
        survive([&](const Bytes& b) { login.HandleAnswer(b); }, body, round);
        survive([&](const Bytes& b) { update.HandleAnswer(b); }, body, round);
        survive([&](const Bytes& b) { partner.HandleAnswer(b); }, body, round);
    }
    EXPECT_GT(results, 0u) << "some mutations leave a usable list";
}
