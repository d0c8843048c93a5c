#pragma once
// A Controller with its job thread inside the test process, for the cycle's tests and for the
// account, self-update and thread tests: a clock the test moves, packages of solid colours in
// a temporary program folder, and the desktop of the test prefix. Every operation is posted to
// the Controller thread: the tests wait for that thread, and reach the Controller's record
// only through jobs run there.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <climits>
#include <mutex>
#include <vector>

#include "app/controller.h"
#include "app/controller_impl.h"
#include "app/update_verification.h"
#include "base/digest.h"
#include "base/file_io.h"
#include "base/handles.h"
#include "base/localization.h"
#include "base/utf8.h"
#include "config/version_table.h"
#include "desktop/shell/desktop_icons.h"
#include "desktop/shell/wallpaper_state.h"
#include "net/download_exception.h"
#include "net/downloader.h"
#include "net/image_tasks.h"
#include "store/package_file.h"
#include "support/service_control.h"
#include "support/signature_fixtures.h"
#include "support/test_support.h"

// The downloader's answers, posted to the Controller thread as the downloader's callbacks post them.
class ControllerAccess {
public:
    static Controller::Impl& Of(Controller& controller) { return *controller.m_impl; }
    static void Deliver(Controller& controller, const ImageListPtr& images, bool more) {
        controller.Post([images, more](Controller& c) { c.OnImageList(images, more); });
    }
    static void Fail(Controller& controller, int type, const std::wstring& message = L"") {
        controller.Post([type, message](Controller& c) { c.OnDownloadError(type, message); });
    }
    static void FollowSettings(Controller& controller) { controller.FollowSettings(); }
    static void LoginSucceeded(Controller& controller) {
        controller.Post([](Controller& c) { c.OnLoginSuccess(); });
    }
    static void FavoritesDone(Controller& controller, int pid, bool add) {
        controller.Post([pid, add](Controller& c) { c.OnFavoritesDone(pid, add); });
    }
    static void FavoritesFailed(Controller& controller, const std::wstring& message, bool add) {
        controller.Post([message, add](Controller& c) { c.OnFavoritesError(message, add); });
    }
    static void HeartbeatDone(Controller& controller) {
        controller.Post([](Controller& c) { c.OnHeartbeatDone(); });
    }
};

class RecordingUI : public IUI {
public:
    unsigned SetTimer(unsigned, Callback) override { return 0; }
    void KillTimer(unsigned) override {}
    bool ResetTimer(unsigned, unsigned) override { return false; }
    void RequestExit() override {}
    void UpdateState(ControllerStatePtr state) override {
        std::lock_guard<std::mutex> guard(mutex);
        last = std::move(state);
        ++updates;
    }
    ControllerStatePtr Last() {
        std::lock_guard<std::mutex> guard(mutex);
        return last;
    }
    void ShowProgress(int, const std::wstring&) override {}
    void ShowInfo(ShowInfoType type, const std::wstring& text, const std::wstring& title) override {
        std::lock_guard<std::mutex> guard(mutex);
        messages.push_back({type, text + L"|" + title});
    }
    void ConfirmInstallUpdate(const VersionInfo& info, bool verified, Callback install) override {
        std::lock_guard<std::mutex> guard(mutex);
        confirmations.push_back({info, verified});
        installs.push_back(std::move(install));  // as a question still open would hold it
    }
    void PictureSaved(const Path& file) override {
        std::lock_guard<std::mutex> guard(mutex);
        saved.push_back(file);
    }
    size_t MessageCount() {
        std::lock_guard<std::mutex> guard(mutex);
        return messages.size();
    }

    std::atomic<int> updates{0};
    std::mutex mutex;
    ControllerStatePtr last;
    std::vector<std::pair<ShowInfoType, std::wstring>> messages;
    std::vector<std::pair<VersionInfo, bool>> confirmations;
    std::vector<Callback> installs;
    std::vector<Path> saved;
};

inline COLORREF ColourOf(int n) { return RGB(10 + 30 * n, 220 - 30 * n, 90 + 17 * n); }

inline Bytes SolidBitmap(COLORREF colour) {
    Settings::Point screen = Settings::GetScreenSize();
    Picture picture;
    Bytes bytes;
    EXPECT_TRUE(picture.Create(screen.x, screen.y, colour));
    EXPECT_TRUE(picture.SaveToBytes(bytes));
    return bytes;
}

class Cycle : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadStringMaps());
        before = CaptureCurrentWallpaper();
        settings = std::make_shared<Settings>(dir.path());
        ASSERT_TRUE(settings->GetDataDirectory().CreateDirectories());
        settings->SetLastDownloadTime(clock);
        controller = std::make_unique<Controller>(&ui, settings);
        Controller::Impl& impl = ControllerAccess::Of(*controller);
        impl.jobThread = std::make_shared<JobThread>(L"Controller");
        impl.now = [this] { return clock.load(); };
        impl.offThread = [this](const char* where) {
            std::lock_guard<std::mutex> guard(offThreadMutex);
            offThread.push_back(where);
        };
    }
    void TearDown() override {
        Controller::Impl& impl = ControllerAccess::Of(*controller);
        for (const std::string& where : TakeOffThread())
            ADD_FAILURE() << "the Controller's state was touched off its thread: " << where;
        if (impl.downloader) {
            impl.downloader->AbortAll();
            impl.downloader->Stop();
            impl.downloader->Wait();
        }
        impl.jobThread->Stop();
        impl.jobThread->Wait();
        SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
    }

    // Package n holds a screen-sized bitmap of ColourOf(n).
    ImagePtr Package(int n) {
        std::wstring url = L"picture" + std::to_wstring(n) + L".jpg";
        auto image = std::make_shared<Image>(100 + n, settings->GetDataDirectory() / MakePackageFileName(url), url,
                                             L"http://127.0.0.1/pictures/");
        EXPECT_TRUE(WritePackage(image, SolidBitmap(ColourOf(n)), image->GetPath()));
        return image;
    }
    ImageListPtr Packages(std::initializer_list<int> numbers) {
        auto list = std::make_shared<ImageList>();
        for (int n : numbers) list->push_back(Package(n));
        return list;
    }

    // Runs the action on the Controller thread after every job posted so far, and waits for it.
    void OnThread(std::function<void()> action) {
        UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        HANDLE event = done.get();
        ControllerAccess::Of(*controller).jobThread->Post([event, action] {
            action();
            SetEvent(event);
        });
        ASSERT_EQ(WaitForSingleObject(event, 30000), WAIT_OBJECT_0);
    }
    // Runs after every job posted so far and the jobs those post (an operation's job posts the
    // show job, for one), three deep. Each marker posts the next from the job thread, so that
    // no idle job (the wallpaper made ahead) slips in between.
    void Drain() {
        UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        Mark(ControllerAccess::Of(*controller).jobThread, done.get(), 3);
        ASSERT_EQ(WaitForSingleObject(done.get(), 30000), WAIT_OBJECT_0);
    }
    static void Mark(std::weak_ptr<JobThread> jobs, HANDLE event, int left) {
        if (left == 0) {
            SetEvent(event);
        } else if (std::shared_ptr<JobThread> thread = jobs.lock()) {
            thread->Post([jobs, event, left] { Mark(jobs, event, left - 1); });
        }
    }
    std::vector<std::string> TakeOffThread() {
        std::lock_guard<std::mutex> guard(offThreadMutex);
        std::vector<std::string> taken;
        taken.swap(offThread);
        return taken;
    }
    // Holds the job thread until the returned event is set.
    UniqueHandle Hold() {
        UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        HANDLE event = release.get();
        ControllerAccess::Of(*controller).jobThread->Post([event] { WaitForSingleObject(event, 30000); });
        return release;
    }
    // Runs after every job posted so far, the idle ones included.
    void Idle() {
        UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        HANDLE event = done.get();
        ControllerAccess::Of(*controller).jobThread->Post([event] { SetEvent(event); }, INT_MIN);
        ASSERT_EQ(WaitForSingleObject(event, 30000), WAIT_OBJECT_0);
    }
    // The colour of a bitmap file at (x, y), by default in its middle; CLR_INVALID when there
    // is none.
    static COLORREF BitmapColour(const Path& file, int x = -1, int y = -1) {
        Picture bitmap;
        if (!bitmap.LoadFromFile(file)) return CLR_INVALID;
        return GetPixel(bitmap.GetDC(), x < 0 ? bitmap.GetWidth() / 2 : x, y < 0 ? bitmap.GetHeight() / 2 : y);
    }
    static COLORREF WallpaperColour() { return BitmapColour(GetWallpaperPath()); }
    ImageLists& Lists() const { return ControllerAccess::Of(*controller).lists; }
    void SetDownloaded(ImageListPtr list) {
        OnThread([&] { Lists().SetDownloaded(list); });
    }
    ImageListPtr Downloaded() {
        ImageListPtr list;
        OnThread([&] { list = Lists().GetDownloaded(); });
        return list;
    }
    LocalImageListPtr Local() {
        LocalImageListPtr list;
        OnThread([&] { list = Lists().GetLocal(); });
        return list;
    }
    int DownloadedIndex() {
        int index = -1;
        OnThread([&] { index = Lists().GetCursor().downloadedIndex; });
        return index;
    }
    ImagePtr CurrentImage() {
        ImagePtr image;
        OnThread([&] { image = ControllerAccess::Of(*controller).CurrentImage(); });
        return image;
    }

    TempDir dir;
    std::atomic<std::int64_t> clock{1700000000};
    RecordingUI ui;
    std::shared_ptr<Settings> settings;
    std::unique_ptr<Controller> controller;
    WallpaperDescription before;
    std::mutex offThreadMutex;
    std::vector<std::string> offThread;  // where the thread check fired
};

// A cycle whose downloader talks to the reference service.
class ServiceCycle : public Cycle {
protected:
    void SetUp() override {
        if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
        Cycle::SetUp();
        SelectLanguage(1033);
        ServiceReset();
        settings->SetServiceUrl(ServiceUrl());
        settings->SetPartnerUrl(ServiceUrl());
        ControllerAccess::Of(*controller).downloader = std::make_shared<Downloader>(settings);
    }
    void TearDown() override {
        if (ServiceUrl().empty()) return;
        ServiceControl(L"DELETE", L"/_control/installer");
        ServiceReset();
        Cycle::TearDown();
    }
    // checksum: null for the service's own SHA-256 of the file. signature: kSign for the
    // service's signature by the development key, empty for none, else the base64 text.
    static constexpr const wchar_t* kSign = L"sign";
    static void Offer(const std::string& version, const std::string& content, const char* checksum = nullptr,
                      const std::wstring& signature = kSign) {
        std::string json = "{\"name\": \"KestraneSetup.exe\", \"version\": \"" + version +
                           "\", \"description\": \"Better\", \"content\": \"" + content + "\"";
        if (checksum) json += std::string(", \"checksum\": \"") + checksum + "\"";
        if (signature == kSign) {
            json += ", \"sign\": true";
        } else if (!signature.empty()) {
            json += ", \"signature\": \"";
            for (wchar_t c : signature)
                if (c > L' ') json += static_cast<char>(c);
            json += "\"";
        }
        ServiceControl(L"POST", L"/_control/installer", json + "}");
    }
    bool CheckInFlight() {
        bool inFlight = false;
        OnThread([&] { inFlight = !ControllerAccess::Of(*controller).checkUpdateTask.expired(); });
        return inFlight;
    }
    // Waits until the downloader has run every task queued so far, the Controller thread the
    // answers they posted, and so on for the tasks those queue (a version answer queues the
    // installer's download), three rounds deep. A marker task (refused at once) of the least
    // urgent priority runs after every task queued before it.
    void Settle() {
        for (int round = 0; round < 3; ++round) {
            Drain();
            UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
            HANDLE event = done.get();
            auto marker = std::make_shared<FileDownloadTask>(L"http://127.0.0.1:9/", dir.path());
            marker->SetPriority(INT_MAX);
            marker->SetErrorCallback([event](DownloadException::ErrorType, const std::wstring&) { SetEvent(event); });
            ControllerAccess::Of(*controller).downloader->AddTask(marker);
            ASSERT_EQ(WaitForSingleObject(event, 60000), WAIT_OBJECT_0);
            Drain();
        }
    }
    static size_t Requests(const std::wstring& endpoint) {
        std::string log = ServiceControl(L"GET", L"/_control/requests?path=/service/viewer/v1.0/" + endpoint);
        size_t count = 0;
        for (size_t at = log.find("\"seq\""); at != std::string::npos; at = log.find("\"seq\"", at + 1)) ++count;
        return count;
    }
    Path Installer() const { return settings->GetUpdateDirectory() / L"KestraneSetup.exe"; }
};

class SelfUpdate : public ServiceCycle {};
class Account : public ServiceCycle {};
