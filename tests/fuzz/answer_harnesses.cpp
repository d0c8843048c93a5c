// The service's answers, through the tasks that read them: the image list, the sign-in state
// answers (heartbeat, sign-out, favourites), the sign-in, the update check and the partner's
// plain-text list. Their one documented failure is DownloadException.
#include <algorithm>
#include <functional>

#include "base/text.h"
#include "base/utf8.h"
#include "fuzz/harness.h"
#include "net/download_exception.h"
#include "net/service_requests.h"

namespace {

using Problem = std::optional<std::string>;

std::string Narrow(const std::wstring& text) { return ToUtf8(text); }

// A table of words, packed by hand: clang-format would give each a line of its own.
// clang-format off
Tokens AnswerTokens() {
    Tokens tokens = XmlTokens();
    const Tokens& numbers = InterestingNumbers();
    tokens.insert(tokens.end(), numbers.begin(), numbers.end());
    for (const char* word : {
        "<Response>", "</Response>", "<Login>", "</Login>", "<ImageList>", "</ImageList>", "<ImageList/>",
        "<Image pid=\"7\" baseurl=\"http://127.0.0.1:8723/pictures/qita/\" file=\"a.jpg\"/>",
        "<Image pid=\"7\" url=\"http://127.0.0.1:8723/p/a.jpg\" thumb=\"http://127.0.0.1:8723/t/a.jpg\" "
        "pinying=\"qita\" timestamp=\"1\"/>",
        "<Image", "<Image/>", " pid=\"", " baseurl=\"", " file=\"", " url=\"", " thumb=\"", " pinying=\"",
        " timestamp=\"", "<Error type=\"NeedLogin\"/>", "<Error/>", "<Error type=\"", "NeedLogin", "LoginFail",
        "InvalidPid", "DBError", "TooManyFavorites", "<LoginStatus>1</LoginStatus>", "<LoginStatus>",
        "</LoginStatus>", "<uid>", "<email>", "<username>", "<manage>1</manage>", "<Favorites>", "</Favorites>",
        "<Favorites/>", "<VersionInfo>", "</VersionInfo>", "<Version>", "</Version>", "<Description>", "<File><Url>",
        "</Url>", "<CheckSum>", "<Signature>", "</File>", "..\\", "../", "C:\\", "\\\\server\\share\\", ".tvp", ".jpg", ".JPG",
        "http://", "\r\n.jpg\r\n"})
        tokens.push_back(word);
    return tokens;
}
// clang-format on

// A table of words, packed by hand: clang-format would give each a line of its own.
// clang-format off
Tokens PartnerListTokens() {
    Tokens tokens = {
        "\r\n", "\n", "\r", ".jpg", ".JPG", ".jpg\r\n", "http://127.0.0.1:8723/pictures/a.jpg\r\n", "http://", "  ",
        "\t", std::string(1, '\0'), "\xC0\x80", "\xED\xA0\x80", "\xEF\xBB\xBF", "..\\..\\", "%1", "%s", "/"};
    const Tokens& numbers = InterestingNumbers();
    tokens.insert(tokens.end(), numbers.begin(), numbers.end());
    return tokens;
}
// clang-format on

bool IsLowerHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'); }

// Packages live directly in their folder under an MD5 name: nothing from an answer may
// steer a path anywhere else.
Problem CheckPackagePath(const ImagePtr& image, const Path& folder, const char* what) {
    if (!image) return std::string(what) + " is null";
    const Path& path = image->GetPath();
    std::wstring name = path.FileName();
    bool md5Name = name.size() == 36 && name.compare(32, 4, L".tvp") == 0 &&
                   std::all_of(name.begin(), name.begin() + 32, IsLowerHex);
    if (path.empty() || path.Parent() != folder || !md5Name)
        return std::string(what) + " has the path '" + Narrow(path.str()) + "', not a package in " +
               Narrow(folder.str());
    return std::nullopt;
}

Problem CheckImageList(const ImageListPtr& images, const Path& folder, bool mayBeEmpty) {
    if (!images) return std::string("the image list is null");
    if (images->empty() && !mayBeEmpty) return std::string("an empty image list was delivered");
    for (size_t i = 0; i < images->size(); ++i) {
        const ImagePtr& image = (*images)[i];
        if (Problem problem = CheckPackagePath(image, folder, "an image")) return problem;
        if (Trim(image->GetUrl()).empty()) return std::string("an image without a file part");
        if (image->GetOrder() != static_cast<int>(i)) return std::string("an image's order is not its position");
    }
    return std::nullopt;
}

Problem CheckFavorites(const FavoriteListPtr& favorites, const Settings& settings) {
    if (!favorites) return std::nullopt;  // the answer said nothing about them
    for (const FavoriteEntry& entry : *favorites) {
        if (!entry.image || !entry.thumbnail) return std::string("a favourite without image or thumbnail");
        if (Problem problem = CheckPackagePath(entry.image, settings.GetDataDirectory(), "a favourite")) return problem;
        if (Problem problem = CheckPackagePath(entry.thumbnail, settings.GetFavoritesDirectory(), "a thumbnail"))
            return problem;
        if (entry.image->GetId() == -1 || entry.image->GetId() != entry.thumbnail->GetId())
            return std::string("a favourite's image and thumbnail ids differ or are missing");
    }
    return std::nullopt;
}

// What a sign-in state answer did to the settings must agree with what it reported.
Problem CheckSignIn(const SignInData& data, const Settings& settings) {
    if (data.signedIn) {
        if (settings.GetLoginState() != Settings::kLoggedIn) return std::string("signed in, but the state is not 0");
        if (!(settings.GetLoginRecord() == data.record)) return std::string("the stored login record differs");
    } else {
        if (settings.GetLoginState() != Settings::kLoggedOut) return std::string("signed out, but the state is not 1");
        if (!data.favorites || !data.favorites->empty())
            return std::string("signed out, but the favourites were not cleared");
    }
    return CheckFavorites(data.favorites, settings);
}

// Each answer harness: fresh settings for a program folder of its own per input, the task's
// callbacks captured, and a thumbnail hook that only checks what it is handed.
class AnswerHarness : public Harness {
public:
    AnswerHarness(const char* name, Tokens tokens) : m_name(name), m_tokens(std::move(tokens)) {}
    const char* Name() const override { return m_name; }
    const Tokens& FormatTokens() const override { return m_tokens; }

    void Prepare(const Path& workFolder) override {
        m_folder = workFolder;
        (m_folder / L"data").CreateDirectories();
        (m_folder / L"favorites").CreateDirectories();
    }

    Problem Run(const std::string& input) override {
        Bytes body(input.begin(), input.end());
        m_thumbnailProblem.reset();
        try {
            ReportStage("reading the answer");
            Problem problem = RunTask(body);
            return problem ? problem : m_thumbnailProblem;
        } catch (const DownloadException& e) {
            ReportStage("formatting the failure");
            if (e.GetMessage().empty()) return std::string("a DownloadException with an empty message");
            return m_failureProblem ? m_failureProblem(e) : std::nullopt;
        } catch (...) {
            return DescribeCurrentException();
        }
    }

protected:
    // The kind's task run on body; throws what the task throws.
    virtual Problem RunTask(const Bytes& body) = 0;

    std::shared_ptr<Settings> NewSettings() {
        m_settings = std::make_shared<Settings>(m_folder);
        return m_settings;
    }
    ThumbnailRequest ThumbnailHook() {
        return [this](const ImagePtr& thumbnail) {
            if (!m_thumbnailProblem && m_settings)
                m_thumbnailProblem =
                    CheckPackagePath(thumbnail, m_settings->GetFavoritesDirectory(), "a requested thumbnail");
        };
    }
    // Checks the settings after a failure, for the kinds that promise something then.
    std::function<Problem(const DownloadException&)> m_failureProblem;
    std::shared_ptr<Settings> m_settings;

private:
    const char* m_name;
    Tokens m_tokens;
    Path m_folder;
    Problem m_thumbnailProblem;
};

class ImageListHarness : public AnswerHarness {
public:
    ImageListHarness() : AnswerHarness("imagelist", AnswerTokens()) {}

protected:
    Problem RunTask(const Bytes& body) override {
        auto task = std::make_shared<ImageListTask>(NewSettings(), L"fengguang");
        task->SetThumbnailRequest(ThumbnailHook());
        int calls = 0;
        ImageListPtr images;
        task->SetResultCallback([&](const ImageListPtr& list) {
            ++calls;
            images = list;
        });
        task->HandleAnswer(body);
        ReportAccepted();
        if (calls > 1) return std::string("the result was delivered twice");
        return calls ? CheckImageList(images, m_settings->GetDataDirectory(), false) : std::nullopt;
    }
};

// Heartbeat, sign-out and favourite read the same answer; each input goes through all three.
class SignInStateHarness : public AnswerHarness {
public:
    SignInStateHarness() : AnswerHarness("signin-state", AnswerTokens()) {}

protected:
    Problem RunTask(const Bytes& body) override {
        using Factory = std::function<std::shared_ptr<SignInStateTask>(std::shared_ptr<Settings>)>;
        const Factory kinds[] = {
            [](auto settings) { return std::make_shared<HeartbeatTask>(settings); },
            [](auto settings) { return std::make_shared<LogoutTask>(settings); },
            [](auto settings) { return std::make_shared<FavoriteTask>(settings, 5, true); },
        };
        m_anyRead = false;
        for (const Factory& make : kinds) {
            std::shared_ptr<SignInStateTask> task = make(NewSettings());
            if (Problem problem = RunOne(*task, body)) return problem;
        }
        if (m_anyRead) ReportAccepted();
        return std::nullopt;
    }

private:
    bool m_anyRead = false;

    Problem RunOne(SignInStateTask& task, const Bytes& body) {
        task.SetThumbnailRequest(ThumbnailHook());
        int calls = 0;
        SignInData data;
        task.SetSignInCallback([&](const SignInData& answer) {
            ++calls;
            data = answer;
        });
        try {
            task.HandleAnswer(body);
        } catch (const DownloadException& e) {
            if (e.GetMessage().empty()) return std::string("a DownloadException with an empty message");
            return std::nullopt;  // the other kinds may still read it; this one is done
        }
        m_anyRead = true;
        if (calls != 1)
            return std::string(task.GetName().empty() ? "a" : Narrow(task.GetName())) +
                   " task read the answer but reported " + std::to_string(calls) + " times";
        return CheckSignIn(data, *m_settings);
    }
};

class LoginHarness : public AnswerHarness {
public:
    LoginHarness() : AnswerHarness("login", AnswerTokens()) {
        // An Error in the Login answer signs the user out before it is reported.
        m_failureProblem = [this](const DownloadException& e) -> Problem {
            auto type = e.GetErrorType();
            bool errorElement = type == DownloadException::Error_Login_Fail ||
                                type == DownloadException::Error_Xml_Server_Error ||
                                type == DownloadException::Error_Xml_Attribute_Not_Found;
            if (errorElement && m_settings->GetLoginState() != Settings::kLoggedOut)
                return std::string("a refused sign-in left the state at ") +
                       std::to_string(m_settings->GetLoginState());
            return std::nullopt;
        };
    }

protected:
    Problem RunTask(const Bytes& body) override {
        auto task = std::make_shared<LoginTask>(NewSettings());
        m_settings->SetLoginState(2);  // what Run sets before the answer arrives
        task->SetThumbnailRequest(ThumbnailHook());
        int calls = 0;
        SignInData data;
        task->SetSignInCallback([&](const SignInData& answer) {
            ++calls;
            data = answer;
        });
        task->HandleAnswer(body);
        ReportAccepted();
        if (calls != 1) return "the sign-in was reported " + std::to_string(calls) + " times";
        return CheckSignIn(data, *m_settings);
    }
};

class CheckUpdateHarness : public AnswerHarness {
public:
    CheckUpdateHarness() : AnswerHarness("checkupdate", AnswerTokens()) {}

protected:
    Problem RunTask(const Bytes& body) override {
        auto task = std::make_shared<CheckUpdateTask>(NewSettings());
        int calls = 0;
        VersionInfo info;
        task->SetResultCallback([&](const VersionInfo& answer) {
            ++calls;
            info = answer;
        });
        task->HandleAnswer(body);
        ReportAccepted();
        if (calls != 1) return "the version was reported " + std::to_string(calls) + " times";
        if (Trim(info.Version) != info.Version || Trim(info.Description) != info.Description ||
            Trim(info.Signature) != info.Signature)
            return std::string("the version, its description or the signature kept blanks at an end");
        return std::nullopt;
    }
};

class PartnerListHarness : public AnswerHarness {
public:
    PartnerListHarness() : AnswerHarness("partnerlist", PartnerListTokens()) {}
    std::optional<std::string> XmlText(const std::string&) const override { return std::nullopt; }

protected:
    Problem RunTask(const Bytes& body) override {
        auto task = std::make_shared<PartnerListTask>(NewSettings());
        int calls = 0;
        ImageListPtr images;
        task->SetResultCallback([&](const ImageListPtr& list) {
            ++calls;
            images = list;
        });
        task->HandleAnswer(body);
        if (calls != 1) return "the list was reported " + std::to_string(calls) + " times";
        if (Problem problem = CheckImageList(images, m_settings->GetDataDirectory(), true)) return problem;
        if (!images->empty()) ReportAccepted();
        for (const ImagePtr& image : *images) {
            const std::wstring& url = image->GetUrl();
            bool jpg = url.size() >= 4 && EqualsIgnoringCase(url.substr(url.size() - 4), L".jpg");
            bool oneLine = url.find(L"\r\n") == std::wstring::npos && url.find(L'\0') == std::wstring::npos;
            if (!jpg || !oneLine || image->GetId() != -1)
                return "a partner picture '" + Narrow(url) + "' that is not one line ending in .jpg";
        }
        return std::nullopt;
    }
};

}  // namespace

void AddAnswerHarnesses(std::vector<std::unique_ptr<Harness>>& harnesses) {
    harnesses.push_back(std::make_unique<ImageListHarness>());
    harnesses.push_back(std::make_unique<SignInStateHarness>());
    harnesses.push_back(std::make_unique<LoginHarness>());
    harnesses.push_back(std::make_unique<CheckUpdateHarness>());
    harnesses.push_back(std::make_unique<PartnerListHarness>());
}
