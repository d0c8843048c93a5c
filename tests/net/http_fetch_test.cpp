// The HTTP transport against the reference service over loopback.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <thread>

#include "base/localization.h"
#include "base/utf8.h"
#include "config/settings.h"
#include "net/download_exception.h"
#include "net/http_fetch.h"
#include "net/internet_session.h"
#include "net/online_check.h"
#include "support/service_control.h"

namespace {

class HttpFetch : public ::testing::Test {
protected:
    void SetUp() override {
        if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
        ServiceReset();
        StringMap::Instance().LoadAll(L"C:\\no-such-folder");
        SelectLanguage(1033);
    }
    void TearDown() override { ServiceReset(); }

    Bytes Fetch(const std::wstring& path, const std::wstring& verb = L"GET", const FormFields& fields = {},
                std::vector<int>* progress = nullptr, ConnectionSlot* slot = nullptr) {
        FetchRequest request;
        request.verb = verb;
        request.url = ServiceUrl() + path;
        request.fields = fields;
        Bytes body;
        FetchUrl(
            session, request, body,
            [progress](int percent) {
                if (progress) progress->push_back(percent);
            },
            slot);
        return body;
    }

    DownloadException FetchFailure(const std::wstring& url) {
        FetchRequest request;
        request.url = url;
        Bytes body{1, 2, 3};
        try {
            FetchUrl(session, request, body, nullptr);
        } catch (const DownloadException& error) {
            EXPECT_EQ(body, (Bytes{1, 2, 3})) << "a failed fetch leaves the body alone";
            return error;
        }
        ADD_FAILURE() << "the fetch did not fail";
        return DownloadException(DownloadException::Error_Abort);
    }

    std::string Requests(const std::wstring& path) {
        return ServiceControl(L"GET", L"/_control/requests?path=" + path);
    }

    InternetSession session;
};

const std::wstring kPattern = L"/pictures/fengguang/pattern.jpg";

}  // namespace

TEST_F(HttpFetch, WholeBodyWithProgress) {
    std::vector<int> progress;
    EXPECT_EQ(Fetch(kPattern, L"GET", {}, &progress), PatternBytes());
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(HttpFetch, AShortBodyIsResumedWithRange) {
    ServiceFault(R"({"mode": "close_early", "path": "/pictures/fengguang/pattern.jpg", "count": 2, "bytes": 300000})");
    EXPECT_EQ(Fetch(kPattern), PatternBytes());
    std::string log = Requests(kPattern);
    EXPECT_NE(log.find("\"range\": \"bytes=300000-\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"range\": \"bytes=600000-\""), std::string::npos) << "each attempt asks only for the tail";
}

TEST_F(HttpFetch, AServerIgnoringRangeStartsTheBodyAgain) {
    ServiceFault(R"({"mode": "close_early", "path": "/pictures/fengguang/pattern.jpg", "count": 1, "bytes": 1000})");
    ServiceControl(L"POST", L"/_control/faults",
                   R"({"mode": "ignore_range", "path": "/pictures/fengguang/pattern.jpg"})");
    EXPECT_EQ(Fetch(kPattern), PatternBytes()) << "old bytes dropped, not duplicated";
}

TEST_F(HttpFetch, ABodyThatStaysShortFailsNamingWhatArrived) {
    ServiceFault(R"({"mode": "long_length", "path": "/pictures/qiche/small.jpg", "extra": 50})");
    FetchRequest request;
    request.url = ServiceUrl() + L"/pictures/qiche/small.jpg";
    Bytes body;
    try {
        FetchUrl(session, request, body, nullptr);
        FAIL() << "a body shorter than announced must fail";
    } catch (const DownloadException& error) {
        EXPECT_EQ(error.GetErrorType(), DownloadException::Error_DownloadPartialFile);
        EXPECT_EQ(error.GetMessage(), L"Failed to download '" + request.url + L"', filesize 63, only 13 downloaded");
    }
}

TEST_F(HttpFetch, ResumptionIsCappedForTricklingServers) {
    ServiceFault(R"({"mode": "close_early", "path": "/pictures/fengguang/pattern.jpg", "bytes": 1000})");
    FetchRequest request;
    request.url = ServiceUrl() + kPattern;
    Bytes body;
    EXPECT_THROW(FetchUrl(session, request, body, nullptr), DownloadException);
    std::string log = Requests(kPattern);
    size_t attempts = 0;
    for (size_t at = log.find("\"seq\""); at != std::string::npos; at = log.find("\"seq\"", at + 1)) ++attempts;
    EXPECT_EQ(attempts, static_cast<size_t>(fetch_limits::kMaxAttempts));
}

TEST_F(HttpFetch, FormsAreEncodedAndOnlySentWhenThereAreFields) {
    const std::wstring ping = L"/service/viewer/v1.0/heartbeat.php";
    Fetch(ping, L"POST", {{L"z", L"a b&c"}, {L"a", L"\u00e9\u4e2d-~."}});
    std::string log = Requests(ping);
    EXPECT_NE(log.find("\"body\": \"a=%C3%A9%E4%B8%AD%2D%7E%2E&z=a+b%26c&\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"content_type\": \"application/x-www-form-urlencoded\""), std::string::npos) << log;

    ServiceControl(L"DELETE", L"/_control/requests");
    Fetch(ping, L"POST");
    log = Requests(ping);
    EXPECT_NE(log.find("\"body\": \"\""), std::string::npos) << log;
    EXPECT_EQ(log.find("x-www-form-urlencoded"), std::string::npos) << "no body, no Content-Type";
    EXPECT_EQ(EncodeForm({}), "");
}

TEST_F(HttpFetch, FailuresCarryTheirKind) {
    ServiceFault(R"({"mode": "status", "path": "/pictures/qiche/small.jpg", "code": 404})");
    DownloadException status = FetchFailure(ServiceUrl() + L"/pictures/qiche/small.jpg");
    EXPECT_EQ(status.GetErrorType(), DownloadException::Error_Unexpected_Status_Code);
    EXPECT_NE(status.GetMessage().find(L"404"), std::wstring::npos)
        << std::string(status.GetMessage().begin(), status.GetMessage().end());

    EXPECT_EQ(FetchFailure(L"not a url").GetErrorType(), DownloadException::Error_Invalid_Url);
    EXPECT_EQ(FetchFailure(L"http://127.0.0.1:1/nothing-listens-here").GetErrorType(),
              DownloadException::Error_Internet_Exception);
}

TEST_F(HttpFetch, AnUntrustedCertificateFailsBeforeAnythingIsSent) {
    const std::wstring untrusted = UntrustedTlsUrl();
    if (untrusted.empty()) GTEST_SKIP() << "no TLS server was started for this test";
    DownloadException get = FetchFailure(untrusted + L"/pictures/qiche/small.jpg");
    EXPECT_EQ(get.GetErrorType(), DownloadException::Error_Certificate_Not_Trusted) << ToUtf8(get.GetMessage());
    EXPECT_NE(get.GetMessage().find(L"the server's certificate is not trusted"), std::wstring::npos)
        << ToUtf8(get.GetMessage());
    EXPECT_NE(get.GetMessage().find(untrusted), std::wstring::npos) << "the message names the address";

    FetchRequest post;
    post.verb = L"POST";
    post.url = untrusted + L"/service/viewer/v1.0/login.php";
    post.fields = {{L"username", L"tester"}, {L"password", L"secret"}};
    Bytes body;
    try {
        FetchUrl(session, post, body, nullptr);
        ADD_FAILURE() << "the sign-in went to an untrusted server";
    } catch (const DownloadException& error) {
        EXPECT_EQ(error.GetErrorType(), DownloadException::Error_Certificate_Not_Trusted) << ToUtf8(error.GetMessage());
    }
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(UntrustedTlsRequests(), "") << "no request, and no password, got past the handshake";
}

TEST_F(HttpFetch, ASlowButLivingServerIsReadToTheEnd) {
    ServiceFault(R"({"mode": "trickle", "path": "/pictures/qiche/small.jpg", "bytes": 2, "interval": 0.3})");
    Bytes body = Fetch(L"/pictures/qiche/small.jpg");
    EXPECT_EQ(std::string(body.begin(), body.end()), "small picture");
}

TEST_F(HttpFetch, ClosingTheConnectionEndsAStalledFetch) {
    ServiceFault(R"({"mode": "hold_open", "path": "/pictures/qiche/small.jpg", "timeout": 60})");
    ConnectionSlot slot;
    std::thread aborter([&slot] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        slot.CloseCurrent();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(Fetch(L"/pictures/qiche/small.jpg", L"GET", {}, nullptr, &slot), DownloadException);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    aborter.join();
    EXPECT_LT(seconds, 10.0) << "the receive time-out ends a read that closing cannot";
}

TEST_F(HttpFetch, ASlowAnswerIsAwaitedAndAPostIsNeverSentTwice) {
    // The service takes six seconds to answer a sign-in state request.
    const std::wstring ping = L"/service/viewer/v1.0/heartbeat.php";
    ServiceFault(R"({"mode": "hold_open", "path": "/service/viewer/v1.0/heartbeat.php", "count": 1, "timeout": 60})");
    std::thread releaser([] {
        std::this_thread::sleep_for(std::chrono::seconds(6));
        ServiceControl(L"POST", L"/_control/release");
    });
    Bytes answer = Fetch(ping, L"POST", {{L"a", L"1"}});
    releaser.join();
    EXPECT_NE(std::string(answer.begin(), answer.end()).find("LoginStatus"), std::string::npos);

    // A POST whose answer comes up short fails; it is not sent again with Range.
    ServiceFault(R"({"mode": "close_early", "path": "/service/viewer/v1.0/heartbeat.php", "bytes": 10})");
    EXPECT_THROW(Fetch(ping, L"POST", {{L"a", L"1"}}), DownloadException);
    std::string log = Requests(ping);
    EXPECT_EQ(log.find("\"seq\""), log.rfind("\"seq\"")) << "one request: " << log;
    EXPECT_NE(log.find("\"range\": null"), std::string::npos) << log;
}

TEST(OnlineCheck, OnlyAnOnlineAnswerIsKept) {
    std::vector<bool> answers{false, true, true, false};
    size_t asked = 0;
    OnlineCheck check([&] { return answers[asked++ % answers.size()]; });
    EXPECT_TRUE(check.IsOffline(1000));
    EXPECT_FALSE(check.IsOffline(1001)) << "off-line is asked again at once: the connection is back";
    EXPECT_FALSE(check.IsOffline(5000));
    EXPECT_EQ(asked, 2u) << "on-line is kept for five seconds";
    EXPECT_FALSE(check.IsOffline(6001));
    EXPECT_EQ(asked, 3u);
    EXPECT_TRUE(check.IsOffline(0xFFFFFFF0ul)) << "a wrapped clock asks again";
    EXPECT_EQ(asked, 4u);
}

TEST(ProxySettings, WhatTheUsersChoiceMeans) {
    auto direct = MakeProxySettings(L"noproxy", L"ignored:1", L"u", L"p");
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->accessType, static_cast<DWORD>(INTERNET_OPEN_TYPE_DIRECT));
    EXPECT_TRUE(direct->list.empty());
    EXPECT_TRUE(direct->username.empty()) << "credentials belong to a proxy server only";

    auto system = MakeProxySettings(L"IE", L"", L"", L"");
    ASSERT_TRUE(system);
    EXPECT_EQ(system->accessType, static_cast<DWORD>(INTERNET_OPEN_TYPE_PRECONFIG));

    auto socks = MakeProxySettings(L"SOCKS", L"10.0.0.1:1080", L"", L"secret");
    ASSERT_TRUE(socks);
    EXPECT_EQ(socks->accessType, static_cast<DWORD>(INTERNET_OPEN_TYPE_PROXY));
    EXPECT_EQ(socks->list, L"SOCKS=10.0.0.1:1080");
    EXPECT_TRUE(socks->password.empty()) << "a password without a user name is not sent";

    auto http = MakeProxySettings(L"HTTP", L"proxy:8080", L"me", L"pw");
    ASSERT_TRUE(http);
    EXPECT_EQ(http->list, L"HTTP=proxy:8080");
    EXPECT_EQ(http->username, L"me");
    EXPECT_EQ(http->password, L"pw");

    EXPECT_FALSE(MakeProxySettings(L"HTTP", L"", L"me", L"pw")) << "no server: the session keeps its setting";
}

TEST_F(HttpFetch, APartialAnswerAnnouncesOnlyItsTail) {
    // Three cuts: the second and third answers are partial ones whose lengths count only the
    // tail. Taken for the whole body's length, they would end the fetch bytes too early.
    ServiceFault(R"({"mode": "close_early", "path": "/pictures/fengguang/pattern.jpg", "count": 3, "bytes": 400000})");
    EXPECT_EQ(Fetch(kPattern), PatternBytes());
}

TEST_F(HttpFetch, TheProxySettingTakesEffectOnTheNextRequest) {
    if (ProxyAddress().empty()) GTEST_SKIP() << "no proxy was started for this test";
    auto throughProxy = [&] {
        ServiceControl(L"DELETE", L"/_control/requests");
        EXPECT_EQ(Fetch(L"/pictures/qiche/small.jpg").size(), 13u);
        std::string log = Requests(L"/pictures/qiche/small.jpg");
        EXPECT_NE(log.find("\"seq\""), std::string::npos);
        return log.find("tinyproxy") != std::string::npos;  // the proxy names itself in a Via header
    };
    session.SetProxy(*MakeProxySettings(L"HTTP", ProxyAddress(), L"", L""));
    EXPECT_TRUE(throughProxy()) << "type HTTP goes through the proxy";
    session.SetProxy(*MakeProxySettings(L"NoProxy", L"", L"", L""));
    EXPECT_FALSE(throughProxy()) << "NoProxy goes straight to the service";
}

TEST_F(HttpFetch, AnAnswerWithoutLengthIsReadToItsEnd) {
    ServiceFault(R"({"mode": "no_length", "path": "/pictures/fengguang/pattern.jpg"})");
    std::vector<int> progress;
    EXPECT_EQ(Fetch(kPattern, L"GET", {}, &progress), PatternBytes()) << "the buffer grows as the bytes come";
    EXPECT_FALSE(progress.empty());
}

TEST(ProxySettings, AppliedFromTheSettings) {
    Settings settings(Path(L"C:\\unused"));
    InternetSession session;
    settings.SetProxyType(L"HTTP");
    settings.SetProxyServer(L"proxy.local:3128");
    settings.SetProxyUsername(L"me");
    settings.SetProxyPassword(L"pw");
    ApplyProxySettings(settings, session);
    EXPECT_EQ(session.GetProxy().list, L"HTTP=proxy.local:3128");
    EXPECT_EQ(session.GetProxy().password, L"pw");
    settings.SetProxyServer(L"");
    ApplyProxySettings(settings, session);
    EXPECT_EQ(session.GetProxy().list, L"HTTP=proxy.local:3128") << "no server: nothing changes";
    settings.SetProxyType(L"NoProxy");
    ApplyProxySettings(settings, session);
    EXPECT_EQ(session.GetProxy().accessType, static_cast<DWORD>(INTERNET_OPEN_TYPE_DIRECT));
}
