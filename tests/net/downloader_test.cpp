// The Downloader's queue and the picture and file tasks.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <set>
#include <stdexcept>

#include "base/digest.h"
#include "base/localization.h"
#include "base/utf8.h"
#include "config/settings.h"
#include "net/downloader.h"
#include "net/image_tasks.h"
#include "net/service_requests.h"
#include "store/package_file.h"
#include "support/journal.h"
#include "support/service_control.h"
#include "support/test_support.h"

namespace {

// A task that runs until it is released or suspended, like a fetch whose connection closes.
class GateTask : public DownloadTask {
public:
    GateTask(Journal& journal, std::string name, int priority, bool gated)
        : m_journal(journal), m_name(std::move(name)), m_gated(gated) {
        SetPriority(priority);
        SetDoneCallback([this] { m_journal.Add(m_name + " done"); });
    }
    void Run() override {
        m_journal.Add(m_name + " runs");
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_gated) m_wake.wait(lock, [&] { return m_open || IsSuspended() || IsAborted(); });
        if (IsSuspended() || IsAborted()) throw DownloadException(DownloadException::Error_Internet_Exception);
    }
    void Open() {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_open = true;
        m_wake.notify_all();
    }

protected:
    void OnSuspend() override { Wake(); }
    void OnAbort() override { Wake(); }

private:
    void Wake() {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_wake.notify_all();
    }
    Journal& m_journal;
    std::string m_name;
    bool m_gated;
    bool m_open = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

using Strings = std::vector<std::string>;

}  // namespace

TEST(Downloader, QueueOrderAndPreemption) {
    TempDir dir;
    auto settings = std::make_shared<Settings>(dir.path());
    Journal journal;
    Downloader downloader(settings);
    auto first = std::make_shared<GateTask>(journal, "first", 1, true);
    downloader.AddTask(first);
    ASSERT_TRUE(journal.WaitFor(1));
    downloader.AddTask(std::make_shared<GateTask>(journal, "second", 1, false));
    downloader.AddTask(std::make_shared<GateTask>(journal, "low", 2, false));
    downloader.AddTask(std::make_shared<GateTask>(journal, "third", 1, false));
    auto urgent = std::make_shared<GateTask>(journal, "urgent", 0, false);
    downloader.AddTask(urgent);  // suspends "first", which stays queued
    ASSERT_TRUE(journal.WaitFor(3));
    first->Open();
    ASSERT_TRUE(journal.WaitFor(11));
    EXPECT_EQ(journal.Entries(),
              (Strings{"first runs", "urgent runs", "urgent done", "first runs", "first done", "second runs",
                       "second done", "third runs", "third done", "low runs", "low done"}))
        << "the suspended task runs again from its start; equal priorities keep their order";
}

// A fault of our own inside a task (not a network failure) must end that task with a failure
// and leave the queue running, not kill the Downloader thread.
class ThrowingTask : public DownloadTask {
public:
    void Run() override { throw std::out_of_range("index past the end"); }
};

TEST(Downloader, AnyExceptionEndsItsTaskAsAFailureAndTheQueueGoesOn) {
    TempDir dir;
    Journal journal;
    Downloader downloader(std::make_shared<Settings>(dir.path()));
    auto faulty = std::make_shared<ThrowingTask>();
    faulty->SetErrorCallback(
        [&](DownloadException::ErrorType type, const std::wstring&) { journal.Add("failed " + std::to_string(type)); });
    downloader.AddTask(faulty);
    downloader.AddTask(std::make_shared<GateTask>(journal, "next", 1, false));
    ASSERT_TRUE(journal.WaitFor(3));
    EXPECT_EQ(journal.Entries(), (Strings{"failed 6", "next runs", "next done"}));
}

TEST(Downloader, AbortAllEndsTheRunningTaskSilently) {
    TempDir dir;
    Journal journal;
    std::atomic<int> errors{0};
    Downloader downloader(std::make_shared<Settings>(dir.path()));
    auto running = std::make_shared<GateTask>(journal, "running", 1, true);
    running->SetErrorCallback([&](DownloadException::ErrorType, const std::wstring&) { ++errors; });
    downloader.AddTask(running);
    downloader.AddTask(std::make_shared<GateTask>(journal, "queued", 1, false));
    ASSERT_TRUE(journal.WaitFor(1));
    downloader.AbortAll();
    Sleep(300);
    EXPECT_EQ(journal.Entries(), (Strings{"running runs"})) << "no done callback, nothing else runs";
    EXPECT_EQ(errors, 0) << "an aborted task reports nothing";
}

TEST(CombinedProgress, EntriesStartAtTheirPositionAndCountAtLeastTwenty) {
    CombinedProgress progress;
    auto a = std::make_shared<SingleImageTask>(nullptr, nullptr);
    auto b = std::make_shared<SingleImageTask>(nullptr, nullptr);
    size_t first = progress.AddEntry(a), second = progress.AddEntry(b);
    EXPECT_EQ(progress.Percent(), 0) << "(0 + 1) / 20";
    progress.Report(first, 100);
    progress.Report(second, -1);
    EXPECT_EQ(progress.Percent(), 10) << "two finished list tasks and no picture yet: 200 / 20";
    for (int i = 0; i < 38; ++i) progress.AddEntry(a);
    progress.Report(second, 50);
    b.reset();
    EXPECT_EQ(progress.Percent(), (100 + 100 + (2 + 39) * 38 / 2) / 40)
        << "an entry whose task is gone counts 100; the others count their position until they report";
}

TEST(FileDownloadTask, FileNamesComeFromPlainLastSegments) {
    EXPECT_EQ(FileDownloadTask::FileNameOf(L"http://host/update/KestraneSetup.exe"), L"KestraneSetup.exe");
    EXPECT_EQ(FileDownloadTask::FileNameOf(L"http://host/setup.exe?v=2#top"), L"setup.exe");
    for (const wchar_t* refused :
         {L"http://host/update/", L"http://host/..", L"http://host/.", L"http://host/a/..\\..\\x.exe",
          L"http://host/C:x.exe", L"http://host/a%00b|c", L"http://host/?name=x.exe"})
        EXPECT_EQ(FileDownloadTask::FileNameOf(refused), L"") << std::string(refused, refused + wcslen(refused));
}

class PictureTasks : public ::testing::Test {
protected:
    void SetUp() override {
        if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
        ServiceReset();
        settings = std::make_shared<Settings>(dir.path());
        settings->SetServiceUrl(ServiceUrl());
    }
    void TearDown() override { ServiceReset(); }

    ImagePtr Picture(const std::wstring& file) {
        std::wstring base = ServiceUrl() + L"/pictures/";
        return std::make_shared<Image>(7, settings->GetDataDirectory() / MakePackageFileName(base + file), file, base);
    }

    TempDir dir;
    std::shared_ptr<Settings> settings;
};

TEST_F(PictureTasks, APictureIsStoredWithItsSize) {
    ImagePtr image = Picture(L"fengguang/blue.jpg");
    image->SetOrder(3);
    auto task = std::make_shared<SingleImageTask>(settings, image);
    ImagePtr delivered;
    task->SetImageCallback([&](const ImagePtr& result) { delivered = result; });
    task->Run();
    EXPECT_EQ(delivered, image);
    EXPECT_EQ(image->GetWidth(), 64);
    EXPECT_EQ(image->GetHeight(), 48);
    auto stored = std::make_shared<Image>(-1, Path(), L"", L"");
    ASSERT_TRUE(LoadPackageImage(stored, nullptr, image->GetPath()));
    EXPECT_EQ(stored->GetId(), 7);
    EXPECT_EQ(stored->GetWidth(), 64) << "the package keeps the size";
    EXPECT_EQ(stored->GetOrder(), 3);
    EXPECT_NE(ServiceControl(L"GET", L"/_control/requests").find("image.php"), std::string::npos)
        << "the image-list address is sent as the referrer";

    ServiceControl(L"DELETE", L"/_control/requests");
    task->Run();
    EXPECT_EQ(ServiceControl(L"GET", L"/_control/requests").find("blue.jpg"), std::string::npos)
        << "a stored picture is not fetched again";
}

TEST_F(PictureTasks, AFailedPictureIsAnEmptyImage) {
    ServiceFault(R"({"mode": "status", "path": "/pictures/qiche/small.jpg", "code": 404})");
    auto task = std::make_shared<SingleImageTask>(settings, Picture(L"qiche/small.jpg"));
    try {
        task->Run();
        FAIL() << "expected a failure";
    } catch (const DownloadException& error) {
        EXPECT_EQ(error.GetErrorType(), DownloadException::Error_Empty_Image);
    }
    EXPECT_FALSE(Picture(L"qiche/small.jpg")->GetPath().Exists());
}

TEST_F(PictureTasks, AbortingAStalledPictureEndsWithoutAnError) {
    ServiceFault(R"({"mode": "hold_open", "path": "/pictures/qiche/small.jpg", "timeout": 60})");
    Downloader downloader(settings);
    std::atomic<int> errors{0};
    std::atomic<bool> ended{false};
    auto task = std::make_shared<SingleImageTask>(settings, Picture(L"qiche/small.jpg"));
    task->SetErrorCallback([&](DownloadException::ErrorType, const std::wstring&) { ++errors; });
    task->SetProgressCallback([&](int percent) {
        if (percent == -1) ended = true;
    });
    downloader.AddTask(task);
    // Abort only once the request is really stalled at the service.
    ASSERT_TRUE(WaitForHeldRequest());
    auto start = GetTickCount();
    downloader.AbortAll();
    while (!ended && GetTickCount() - start < 30000) Sleep(50);
    EXPECT_TRUE(ended);
    // Far below the service's 60 s stall: the abort, not the stall's end, ended it.
    EXPECT_LT(GetTickCount() - start, 30000u) << "abort ends a stalled download";
    EXPECT_EQ(errors, 0);
}

TEST_F(PictureTasks, AFileIsStoredUnderItsName) {
    Path updates = dir / L"update";
    auto task = std::make_shared<FileDownloadTask>(ServiceUrl() + L"/pictures/qiche/small.jpg?fresh=1", updates);
    Path stored;
    task->SetFileCallback([&](const Path& path) { stored = path; });
    task->Run();
    EXPECT_EQ(stored, updates / L"small.jpg");
    EXPECT_EQ(ReadAll(stored), "small picture");

    auto refused = std::make_shared<FileDownloadTask>(ServiceUrl() + L"/pictures/qiche/", updates);
    try {
        refused->Run();
        FAIL() << "a URL ending in / names no file";
    } catch (const DownloadException& error) {
        EXPECT_EQ(error.GetErrorType(), DownloadException::Error_Invalid_Url);
    }

    // A file over the caller's limit is not fetched whole, nor stored.
    auto oversized =
        std::make_shared<FileDownloadTask>(ServiceUrl() + L"/pictures/fengguang/pattern.jpg", updates, 1000);
    try {
        oversized->Run();
        FAIL() << "a file over the limit is refused";
    } catch (const DownloadException& error) {
        EXPECT_EQ(error.GetErrorType(), DownloadException::Error_Unknown_Exception);
    }
    EXPECT_FALSE((updates / L"pattern.jpg").Exists());
}

// WinINet's certificate checks stay on: a server nobody vouches for gets no request and
// leaves no picture, file or setting behind, and the failure says why.
TEST_F(PictureTasks, AnUntrustedServerFailsAndLeavesNothingBehind) {
    const std::wstring untrusted = UntrustedTlsUrl();
    if (untrusted.empty()) GTEST_SKIP() << "no TLS server was started for this test";
    StringMap::Instance().LoadAll(L"C:\\no-such-folder");  // the texts built into the program
    SelectLanguage(1033);
    auto expectCertificateFailure = [](const DownloadTaskPtr& task, const char* what,
                                       const wchar_t* says = L"the server's certificate is not trusted") {
        try {
            task->Run();
            ADD_FAILURE() << what << " succeeded against an untrusted certificate";
        } catch (const DownloadException& error) {
            EXPECT_EQ(error.GetErrorType(), DownloadException::Error_Certificate_Not_Trusted)
                << what << ": " << ToUtf8(error.GetMessage());
            EXPECT_NE(error.GetMessage().find(says), std::wstring::npos) << ToUtf8(error.GetMessage());
        }
    };
    const std::wstring base = untrusted + L"/pictures/";
    auto image =
        std::make_shared<Image>(8, settings->GetDataDirectory() / MakePackageFileName(base + L"x.jpg"), L"x.jpg", base);
    expectCertificateFailure(std::make_shared<SingleImageTask>(settings, image), "a picture");
    EXPECT_FALSE(image->GetPath().Exists());

    const Path updates = dir / L"update";
    expectCertificateFailure(std::make_shared<FileDownloadTask>(untrusted + L"/KestraneSetup.exe", updates),
                             "an update file");
    EXPECT_FALSE((updates / L"KestraneSetup.exe").Exists());

    ASSERT_TRUE(settings->Save());
    const std::string config = ReadAll(settings->GetConfigPath());
    settings->SetServiceUrl(untrusted);
    ASSERT_EQ(settings->GetServiceUrl(), untrusted) << "an https service address is taken";
    const std::int64_t lastDownload = settings->GetLastDownloadTime();
    expectCertificateFailure(std::make_shared<ImageListTask>(settings, L"fengguang"), "the picture list");
    EXPECT_EQ(settings->GetLastDownloadTime(), lastDownload);
    EXPECT_EQ(ReadAll(settings->GetConfigPath()), config) << "config.xml is left as it was";
    EXPECT_FALSE(settings->GetDataDirectory().Exists()) << "no data folder was even made";

    SelectLanguage(2052);
    expectCertificateFailure(std::make_shared<SingleImageTask>(settings, image), "a picture, in Chinese",
                             L"\u8BC1\u4E66\u4E0D\u53D7\u4FE1\u4EFB");  // the certificate is not trusted
    SelectLanguage(1033);
    EXPECT_EQ(UntrustedTlsRequests(), "") << "no request got past the handshake";
}

TEST(DownloadImageTask, PartnerShare) {
    using Keys = std::set<std::wstring>;
    EXPECT_EQ(DownloadImageTask::PartnerShare(Keys{}), 5);
    EXPECT_EQ(DownloadImageTask::PartnerShare(Keys{L"qiche"}), 0);
    EXPECT_EQ(DownloadImageTask::PartnerShare(Keys{L"Oem_Brellan"}), 20);
    EXPECT_EQ(DownloadImageTask::PartnerShare(Keys{L"Oem_Brellan", L"a", L"b", L"c", L"d"}), 4);
    Keys eleven{L"Oem_Brellan"};
    for (int i = 0; i < 10; ++i) eleven.insert(L"k" + std::to_wstring(i));
    EXPECT_EQ(DownloadImageTask::PartnerShare(eleven), 2) << "at least 2";
}

TEST_F(PictureTasks, ABatchDeliversEachPictureThenAllOfThem) {
    auto downloader = std::make_shared<Downloader>(settings);
    std::mutex mutex;
    std::vector<std::pair<size_t, bool>> deliveries;
    std::atomic<bool> final{false};
    {
        auto batch = DownloadImageTask::Create(settings, L"qiche  fengguang\tqiche", downloader);
        batch->SetImagesCallback([&](const ImageListPtr& images, bool more) {
            std::lock_guard<std::mutex> guard(mutex);
            deliveries.emplace_back(images->size(), more);
            if (!more) final = true;
        });
        downloader->AddTask(batch);
    }
    for (int i = 0; i < 400 && !final; ++i) Sleep(50);
    ASSERT_TRUE(final) << "the batch ends when its last picture task is gone";
    std::lock_guard<std::mutex> guard(mutex);
    ASSERT_EQ(deliveries.size(), 4u) << "three pictures one by one, then all three";
    EXPECT_EQ(deliveries[0], std::make_pair(size_t{1}, true));
    EXPECT_EQ(deliveries[2], std::make_pair(size_t{3}, true));
    EXPECT_EQ(deliveries[3], std::make_pair(size_t{3}, false));
    std::string log = ServiceControl(L"GET", L"/_control/requests?path=/service/viewer/v1.0/image.php");
    EXPECT_NE(log.find("\"tags\", \"fengguang qiche\""), std::string::npos) << "keys once each, in order: " << log;
    EXPECT_EQ(ServiceControl(L"GET", L"/_control/requests").find("imglist.php"), std::string::npos)
        << "no partner key, no partner list";
}

TEST_F(PictureTasks, AnAbortedBatchDeliversNothingFinal) {
    // One picture is stored already and comes at once; the others hang until the abort.
    ImagePtr stored = std::make_shared<Image>(
        7, settings->GetDataDirectory() / MakePackageFileName(ServiceUrl() + L"/pictures/fengguang/blue.jpg"), L"",
        L"");
    ASSERT_TRUE(settings->GetDataDirectory().CreateDirectories());
    ASSERT_TRUE(WritePackage(stored, Bytes{1, 2, 3}, stored->GetPath()));
    ServiceFault(R"({"mode": "hold_open", "path": "/pictures/*", "timeout": 60})");
    auto downloader = std::make_shared<Downloader>(settings);
    std::mutex mutex;
    std::vector<bool> deliveries;  // moreToCome of each
    std::weak_ptr<DownloadImageTask> gone;
    {
        auto batch = DownloadImageTask::Create(settings, L"fengguang qiche", downloader);
        gone = batch;
        batch->SetImagesCallback([&](const ImageListPtr&, bool more) {
            std::lock_guard<std::mutex> guard(mutex);
            deliveries.push_back(more);
        });
        downloader->AddTask(batch);
    }
    for (int i = 0; i < 200; ++i) {
        Sleep(50);
        std::lock_guard<std::mutex> guard(mutex);
        if (!deliveries.empty()) break;
    }
    downloader->AbortAll();
    for (int i = 0; i < 400 && !gone.expired(); ++i) Sleep(50);
    ASSERT_TRUE(gone.expired()) << "the batch ends with its last sub-task";
    std::lock_guard<std::mutex> guard(mutex);
    EXPECT_EQ(deliveries, std::vector<bool>{true}) << "the stored picture, and no final list of one";
}

TEST_F(PictureTasks, AbortingDuringTheSignInATaskNeedsEndsBoth) {
    // The list wants a sign-in; the sign-in hangs. Closing the program must not wait for it.
    settings->SetUsername(L"tester");
    settings->SetPassword(L"00000000000000000000000000000000");
    ServiceFault(R"({"mode": "hold_open", "path": "/service/viewer/v1.0/login.php", "timeout": 60})");
    Downloader downloader(settings);
    std::atomic<bool> ended{false};
    std::atomic<int> errors{0};
    auto task = std::make_shared<ImageListTask>(settings, L"xiezhen");
    task->SetErrorCallback([&](DownloadException::ErrorType, const std::wstring&) { ++errors; });
    task->SetProgressCallback([&](int percent) {
        if (percent == -1) ended = true;
    });
    downloader.AddTask(task);
    for (int i = 0; i < 200; ++i) {
        Sleep(50);
        if (ServiceControl(L"GET", L"/_control/requests?path=/service/viewer/v1.0/login.php").find("\"seq\"") !=
            std::string::npos)
            break;
    }
    auto start = GetTickCount();
    downloader.AbortAll();
    while (!ended && GetTickCount() - start < 20000) Sleep(50);
    EXPECT_TRUE(ended);
    EXPECT_LT(GetTickCount() - start, 3000u) << "the sign-in ends with the task it was made for";
    EXPECT_EQ(errors, 0) << "an aborted task reports nothing";
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedOut) << "not left signing in";
}

TEST_F(PictureTasks, OnlyThePartnerKeyFetchesOnlyThePartnerList) {
    settings->SetPartnerUrl(ServiceUrl());
    auto downloader = std::make_shared<Downloader>(settings);
    std::atomic<bool> final{false};
    {
        auto batch = DownloadImageTask::Create(settings, L"Oem_Brellan", downloader);
        batch->SetImagesCallback([&](const ImageListPtr&, bool more) {
            if (!more) final = true;
        });
        downloader->AddTask(batch);
    }
    for (int i = 0; i < 400 && !final; ++i) Sleep(50);
    EXPECT_TRUE(final);
    EXPECT_NE(ServiceControl(L"GET", L"/_control/requests?path=/upimage/imglist.php").find("\"seq\""),
              std::string::npos);
    EXPECT_EQ(ServiceControl(L"GET", L"/_control/requests?path=/service/viewer/v1.0/image.php").find("\"seq\""),
              std::string::npos)
        << "the partner alone: no request for the service's list";
}

TEST_F(PictureTasks, TheServiceAskingForASignInSignsInOnceAndRetries) {
    auto listOf = [&](const std::wstring& password, std::vector<std::wstring>& files, int& needLogin) {
        settings->SetUsername(L"tester");
        settings->SetPassword(password);
        settings->SetLoginState(Settings::kLoggedOut);
        auto downloader = std::make_shared<Downloader>(settings);
        std::atomic<bool> ended{false};
        auto task = std::make_shared<ImageListTask>(settings, L"xiezhen");
        task->SetResultCallback([&](const ImageListPtr& images) {
            for (const ImagePtr& image : *images) files.push_back(image->GetUrl());
        });
        task->SetErrorCallback([&](DownloadException::ErrorType type, const std::wstring&) {
            if (type == DownloadException::Error_Need_Login) ++needLogin;
        });
        task->SetProgressCallback([&](int percent) {
            if (percent == -1) ended = true;
        });
        downloader->AddTask(task);
        for (int i = 0; i < 200 && !ended; ++i) Sleep(50);
        EXPECT_TRUE(ended);
    };
    std::string digest = ToUtf8(Md5Hex("secret", 6));
    std::transform(digest.begin(), digest.end(), digest.begin(), ::toupper);

    std::vector<std::wstring> files;
    int needLogin = 0;
    listOf(FromUtf8(digest), files, needLogin);
    EXPECT_EQ(files, std::vector<std::wstring>{L"private.jpg"}) << "signed in on the way, the list came";
    EXPECT_EQ(needLogin, 0);
    EXPECT_EQ(settings->GetLoginState(), Settings::kLoggedIn);

    ServiceControl(L"POST", L"/_control/sessions/clear");
    files.clear();
    listOf(L"0123456789ABCDEF0123456789ABCDEF", files, needLogin);
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(needLogin, 1) << "a sign-in that fails ends in one need-login error";
}

TEST_F(PictureTasks, EveryTaskEndsWhateverTheServiceDoes) {
    // Forty tasks of four kinds, each meeting a fault picked at random (seeded): every one
    // must end in exactly one of its done or error callbacks, and none may hang the queue.
    const char* faults[] = {
        R"({"mode": "close_early", "path": "%s", "count": 1, "bytes": 7})",
        R"({"mode": "status", "path": "%s", "count": 1, "code": 503})",
        R"({"mode": "malformed_xml", "path": "%s", "count": 1})",
        R"({"mode": "hold_open", "path": "%s", "count": 1, "timeout": 1})",
        R"({"mode": "trickle", "path": "%s", "count": 1, "bytes": 512, "interval": 0.01})",
        R"({"mode": "no_length", "path": "%s", "count": 1})",
        R"({"mode": "long_length", "path": "%s", "count": 2, "extra": 9})",
        R"({"mode": "error_type", "path": "%s", "count": 1, "type": "SomethingNew"})",
    };
    auto downloader = std::make_shared<Downloader>(settings);
    constexpr int kTasks = 40;
    std::vector<std::atomic<int>> endings(kTasks);
    unsigned seed = 20261208;
    auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 16; };
    for (int i = 0; i < kTasks; ++i) {
        DownloadTaskPtr task;
        std::string path;
        switch (i % 4) {
            case 0:
                task = std::make_shared<ImageListTask>(settings, L"fengguang qiche");
                path = "/service/viewer/v1.0/image.php";
                break;
            case 1:
                task = std::make_shared<HeartbeatTask>(settings);
                path = "/service/viewer/v1.0/heartbeat.php";
                break;
            case 2: {
                auto image = Picture(L"fengguang/pattern.jpg");
                image = std::make_shared<Image>(i, dir / (L"p" + std::to_wstring(i) + L".tvp"), image->GetUrl(),
                                                image->GetBaseUrl());
                task = std::make_shared<SingleImageTask>(settings, image);
                path = "/pictures/fengguang/pattern.jpg";
                break;
            }
            default:
                task = std::make_shared<CheckUpdateTask>(settings);
                path = "/service/viewer/v1.0/checkupdate.php";
                break;
        }
        char fault[256];
        std::snprintf(fault, sizeof(fault), faults[next() % 8], path.c_str());
        ServiceControl(L"POST", L"/_control/faults", fault);
        task->SetDoneCallback([&endings, i] { ++endings[i]; });
        task->SetErrorCallback([&endings, i](DownloadException::ErrorType, const std::wstring&) { ++endings[i]; });
        downloader->AddTask(task);
    }
    auto ended = [&] {
        for (auto& count : endings)
            if (count == 0) return false;
        return true;
    };
    for (int i = 0; i < 1200 && !ended(); ++i) Sleep(100);
    for (int i = 0; i < kTasks; ++i) EXPECT_EQ(endings[i], 1) << "task " << i;
}
