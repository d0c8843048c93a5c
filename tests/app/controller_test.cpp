// What the Controller tells of the account, the favourites and self-update, through IUI, with
// the downloader's answers posted to its thread (tests/app/controller_fixture.h).
#include "app/controller_fixture.h"

namespace {

TEST_F(Cycle, NeedLoginNamesEveryCategoryThatNeedsIt) {
    SelectLanguage(1033);
    ControllerAccess::Fail(*controller, DownloadException::Error_No_Internet_Connection);
    ControllerAccess::Fail(*controller, DownloadException::Error_Need_Login);
    Drain();
    std::lock_guard<std::mutex> guard(ui.mutex);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].first, IUI::ShowInfoBalloon) << "no connection: an outage, told in a balloon";
    EXPECT_EQ(ui.messages[1].first, IUI::ShowInfoMessage) << "only the need-login failure is shown in a box";
    // Of the built-in categories only the portraits need a sign-in.
    EXPECT_EQ(ui.messages[1].second, FormatString(GetString(L"Prompt_DownloadImage_NeedLogin"), {L"Portraits "}) +
                                         L"|" + GetString(L"Prompt_DownloadImage_Fail_Title"));
}

TEST_F(Cycle, ASignInIsWelcomedByTheNameTheServiceKnows) {
    SelectLanguage(1033);
    Settings::LoginRecord record;
    record.Username = L"Alice";
    settings->SetLoginRecord(record);
    ControllerAccess::LoginSucceeded(*controller);
    Drain();
    std::lock_guard<std::mutex> guard(ui.mutex);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].first, IUI::ShowInfoMessage);
    EXPECT_EQ(ui.messages[0].second, L"'Alice', welcome to Tovarin|" + GetString(L"Prompt_Login_Success_Title"));
}

TEST_F(Cycle, FavouriteOutcomesFollowWhatTheServiceNowHolds) {
    SelectLanguage(1033);
    auto favorites = std::make_shared<FavoriteList>();
    favorites->push_back({std::make_shared<Image>(7, Path(L"C:\\a.tvp"), L"a.jpg", L""), nullptr, L"dongwu", L""});
    OnThread([&] { Lists().SetFavorites(favorites); });
    ControllerAccess::FavoritesDone(*controller, 7, true);   // added, or already there: the count
    ControllerAccess::FavoritesDone(*controller, 7, false);  // the service kept it: nothing to tell
    ControllerAccess::FavoritesDone(*controller, 8, true);   // not added after all: nothing either
    ControllerAccess::FavoritesDone(*controller, 8, false);  // gone
    ControllerAccess::FavoritesFailed(*controller, L"Server says no", true);
    Drain();
    std::lock_guard<std::mutex> guard(ui.mutex);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].second, FormatString(GetString(L"Prompt_AddFavorites_Success"), {1}) + L"|" +
                                         GetString(L"Prompt_AddFavorites_Success_Title"));
    EXPECT_EQ(ui.messages[1].second, FormatString(GetString(L"Prompt_DelFavorites_Success"), {1}) + L"|" +
                                         GetString(L"Prompt_DelFavorites_Success_Title"));
    EXPECT_EQ(ui.messages[2].second, FormatString(GetString(L"Prompt_AddFavorites_Fail"), {L"Server says no"}) + L"|" +
                                         GetString(L"Prompt_AddFavorites_Fail_Title"));
    EXPECT_NE(ui.messages[2].second.find(L"Server says no"), std::wstring::npos);
}

TEST(SelfUpdateRules, OnlyALaterEightDigitVersionIsNewer) {
    EXPECT_TRUE(IsNewerVersion(L"20261210", L"20261209"));
    EXPECT_TRUE(IsNewerVersion(L"99991231", L"20261209"));
    EXPECT_FALSE(IsNewerVersion(L"20261209", L"20261209")) << "the same version";
    EXPECT_FALSE(IsNewerVersion(L"20261208", L"20261209")) << "an older one";
    for (const wchar_t* malformed : {L"9", L"", L"202612100", L"2026121a", L"2026-12-10", L" 20261210", L"20261210 ",
                                     L"\uFF12\uFF10\uFF12\uFF16\uFF11\uFF12\uFF11\uFF10", L"-2026121"})
        EXPECT_FALSE(IsNewerVersion(malformed, L"20261209")) << "not eight ASCII digits: " << ToUtf8(malformed);
    EXPECT_FALSE(IsNewerVersion(L"20261210", L"2026")) << "a running version we cannot compare with";
    EXPECT_EQ(GetProgramVersion().size(), 8u);
}

TEST_F(SelfUpdate, OnlyASignedNewerInstallerRunsUnaskedAndOneFailingItsChecksIsRemoved) {
    auto updateFetches = [] {
        std::string log = ServiceControl(L"GET", L"/_control/requests?path=/update/KestraneSetup.exe");
        return log.find("\"seq\"") != std::string::npos;
    };
    auto failed = [this](size_t index) {
        std::lock_guard<std::mutex> guard(ui.mutex);
        return ui.messages.size() == index + 1 && ui.messages[index].first == IUI::ShowInfoMessage &&
               ui.messages[index].second == GetString(L"Prompt_InstallUpdateFail") + L"|";
    };
    const std::wstring running = GetProgramVersion();
    Offer(std::string(running.begin(), running.end()), "same");
    controller->CheckUpdate();
    Drain();
    EXPECT_NE(settings->GetLastCheckUpdateTime(), 0) << "the check's time is kept for the daily rule";
    Settle();
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.messages[0].first, IUI::ShowInfoBalloon);
    EXPECT_EQ(ui.messages[0].second, L"No New Version|");
    for (const char* noUpdate : {"9", "20000101"}) {  // "9" sorts after any date as text
        Offer(noUpdate, "not newer");
        controller->CheckUpdate();
        Settle();
        ASSERT_EQ(ui.MessageCount(), noUpdate[0] == '9' ? 2u : 3u);
        EXPECT_EQ(ui.messages.back().second, L"No New Version|") << noUpdate << " is no newer version";
    }
    EXPECT_FALSE(updateFetches()) << "nothing was downloaded";
    EXPECT_FALSE(settings->GetUpdateDirectory().Exists());

    Offer("99990101", "new installer");
    controller->CheckUpdate();
    Settle();
    {
        std::lock_guard<std::mutex> guard(ui.mutex);
        ASSERT_EQ(ui.confirmations.size(), 1u) << "the installer is handed to the window to install";
        EXPECT_EQ(ui.confirmations[0].first.Version, L"99990101");
        EXPECT_TRUE(ui.confirmations[0].second) << "signed by the trusted key, and its checksum matches";
    }
    EXPECT_EQ(ReadAll(Installer()), "new installer") << "stored under the URL's last segment";
    // Until the installer has started (or the user declined), nobody can change or remove it.
    UniqueFile writer(CreateFileW(Installer().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer) << "the checked file is held against writing";
    EXPECT_FALSE(DeleteFileW(Installer().c_str())) << "and against deletion";
    {
        std::lock_guard<std::mutex> guard(ui.mutex);
        ui.installs.clear();  // the user said No
    }
    writer.reset(CreateFileW(Installer().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(writer) << "released with the install action";
    writer.reset();

    // Each of these fails its checks: removed, never handed over, and the user is told.
    const std::wstring otherKey = fixtures::kOtherKeySignature;
    const std::wstring developmentKey = fixtures::kDevelopmentSignature;
    struct Refused {
        const char* version;
        std::string content;
        const char* checksum;
        std::wstring signature;
        const char* why;
    } refused[] = {
        {"99990102", "tampered", "00000000000000000000000000000000", kSign, "a checksum the file contradicts"},
        {"99990103", fixtures::kSignedMessage, nullptr, otherKey, "signed by a key nobody trusts"},
        {"99990104", std::string(fixtures::kSignedMessage) + "!", nullptr, developmentKey, "signed other bytes"},
        {"99990105", "unsigned but contradicted", "00000000000000000000000000000000", L"", "unsigned, bad checksum"},
        {"99990106", "garbage", nullptr, L"!!not base64!!", "a signature that is no base64"},
    };
    for (const Refused& offer : refused) {
        const size_t before = ui.MessageCount();
        Offer(offer.version, offer.content, offer.checksum, offer.signature);
        controller->CheckUpdate();
        Settle();
        EXPECT_TRUE(failed(before)) << offer.why;
        EXPECT_FALSE(Installer().Exists()) << offer.why << ": the file that failed is gone";
        std::lock_guard<std::mutex> guard(ui.mutex);
        EXPECT_EQ(ui.confirmations.size(), 1u) << offer.why << ": nothing to install";
    }

    // Without a signature even a matching checksum vouches for nothing: the window must ask,
    // silent updates or not.
    settings->SetSlientUpdate(true);
    Offer("99990107", "unsigned", nullptr, L"");
    controller->CheckUpdate();
    Settle();
    std::lock_guard<std::mutex> guard(ui.mutex);
    ASSERT_EQ(ui.confirmations.size(), 2u);
    EXPECT_FALSE(ui.confirmations[1].second);
    EXPECT_EQ(ReadAll(Installer()), "unsigned");
}

TEST_F(SelfUpdate, OneCheckAtATimeAndHeartbeatsCheckOnlyUntilOneHasAnswered) {
    Offer("20000101", "old");
    const char* hold = R"({"mode": "hold_open", "path": "/service/viewer/v1.0/checkupdate.php", "timeout": 60})";
    ServiceFault(hold);
    settings->SetAutoUpdate(false);
    ControllerAccess::HeartbeatDone(*controller);
    EXPECT_FALSE(CheckInFlight()) << "automatic updates are off";
    controller->CheckUpdate();  // the command still checks
    ASSERT_TRUE(CheckInFlight());
    controller->CheckUpdate();
    ASSERT_TRUE(WaitForHeldRequest());
    ServiceControl(L"POST", L"/_control/release");
    Settle();
    EXPECT_EQ(Requests(L"checkupdate.php"), 1u) << "a check while one is in flight does nothing";

    ServiceReset();
    ServiceFault(hold);
    settings->SetAutoUpdate(true);
    OnThread([this] { ControllerAccess::Of(*controller).updateAnswered = false; });  // as at start
    ControllerAccess::HeartbeatDone(*controller);
    EXPECT_TRUE(CheckInFlight()) << "the first heartbeat brings the check forward";
    ASSERT_TRUE(WaitForHeldRequest());
    ServiceControl(L"POST", L"/_control/release");
    Settle();
    ControllerAccess::HeartbeatDone(*controller);
    EXPECT_FALSE(CheckInFlight()) << "a check has answered: heartbeats leave it to the daily rule";
    EXPECT_EQ(Requests(L"checkupdate.php"), 1u);
}

TEST_F(SelfUpdate, TheInstallerStartsSilentlyFromAQuotedPathOverThisCopy) {
    Path folder = dir / L"update folder";
    ASSERT_TRUE(folder.CreateDirectories());
    Path installer = folder / L"Kestrane Setup.exe";
    ASSERT_TRUE(
        CopyFileW((TestExecutableDirectory() / L"command_line_recorder.exe").c_str(), installer.c_str(), FALSE));
    controller->InstallUpdate(installer);
    Drain();
    Path record(installer.str() + L".txt");
    for (int i = 0; i < 100 && ReadAll(record).empty(); ++i) Sleep(100);
    std::string bytes = ReadAll(record);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t)),
              L"\"" + installer.str() + L"\" /S /D=" + dir.path().str())
        << "the installer goes over this copy, not into its default folder";
    EXPECT_EQ(ui.MessageCount(), 0u);

    controller->InstallUpdate(folder / L"missing.exe");
    Drain();
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.messages[0].second, GetString(L"Prompt_InstallUpdateFail") + L"|");
}

TEST_F(Account, AFailedSignInIsToldPlainlyOrInDetailThenTheStateIsAskedFor) {
    settings->SetAutoUpdate(false);  // the heartbeat would bring an update check along
    const std::wstring wrong = Md5Hex("wrong", 5, HexCase::Upper);
    controller->Login(L"tester", wrong);
    Settle();
    settings->SetDebugMode(true);
    controller->Login(L"tester", wrong);
    Settle();
    const std::wstring title = L"|" + GetString(L"Prompt_Login_Fail_Title");
    std::lock_guard<std::mutex> guard(ui.mutex);
    std::wstring all;
    for (const auto& message : ui.messages) all += message.second + L"\n";
    ASSERT_EQ(ui.messages.size(), 2u) << ToUtf8(all);
    EXPECT_EQ(ui.messages[0].second, GetString(L"Prompt_Login_Fail") + title);
    const std::wstring detailed = ui.messages[1].second;
    const std::wstring lead = FormatString(GetString(L"Prompt_Login_Fail_Debug"), {L""});
    EXPECT_EQ(detailed.substr(0, lead.size()), lead) << "debug mode shows the failure itself";
    EXPECT_GT(detailed.size(), lead.size() + title.size()) << "with the service's words";
    EXPECT_EQ(Requests(L"heartbeat.php"), 2u) << "each failure asks the service for the state";
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedOut);
}

}  // namespace
