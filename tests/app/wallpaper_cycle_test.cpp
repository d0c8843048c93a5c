// The wallpaper cycle inside one process: a Controller with its job thread, a clock the
// test moves, packages of solid colours in a temporary program folder, and the desktop of
// the test prefix. Each rendering is seen twice: as an UpdateState call and as the colour
// of the wallpaper bitmap. Every operation is posted to the Controller thread: the test waits
// for that thread, and reaches the Controller's record only through jobs run there.
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
#include "desktop/desktop_icons.h"
#include "desktop/wallpaper_state.h"
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
    static void Fail(Controller& controller, int type) {
        controller.Post([type](Controller& c) { c.OnDownloadError(type); });
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

namespace {

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
};

COLORREF ColourOf(int n) { return RGB(10 + 30 * n, 220 - 30 * n, 90 + 17 * n); }

Bytes SolidBitmap(COLORREF colour) {
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
    // show job, for one), three deep.
    void Drain() {
        for (int round = 0; round < 3; ++round) OnThread([] {});
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

TEST_F(Cycle, ThreeNextPressesBeforeTheJobRunsAdvanceThreeImagesAndRenderOnce) {
    SetDownloaded(Packages({0, 1, 2, 3, 4}));
    UniqueHandle release = Hold();
    for (int i = 0; i < 3; ++i) controller->ShowImage(Controller::ShowNext, true);
    SetEvent(release.get());
    Drain();
    EXPECT_EQ(ui.updates, 1);
    EXPECT_EQ(DownloadedIndex(), 3);
    EXPECT_EQ(WallpaperColour(), ColourOf(3));
    EXPECT_TRUE(IsOwnWallpaper(CaptureCurrentWallpaper()));

    controller->ShowImage(Controller::ShowPrevious, true);
    Drain();
    EXPECT_EQ(ui.updates, 2);
    EXPECT_EQ(WallpaperColour(), ColourOf(2));
}

TEST_F(Cycle, TheTickChangesAfterChangeFrequencyMinutesAndNeverWhileFrozen) {
    SetDownloaded(Packages({0, 1, 2}));
    settings->SetChangeFrequency(5);
    OnThread([this] { ControllerAccess::Of(*controller).lastChangeTime = clock.load(); });
    const std::int64_t start = clock;

    clock = start + 299;
    controller->Tick();
    Drain();
    EXPECT_EQ(ui.updates, 0) << "not yet five minutes";
    clock = start + 300;
    controller->Tick();
    Drain();
    EXPECT_EQ(ui.updates, 1);
    EXPECT_EQ(WallpaperColour(), ColourOf(1));
    controller->Tick();
    Drain();
    EXPECT_EQ(ui.updates, 1) << "the change renewed the change time";

    controller->SetFreeze(true);
    Drain();
    EXPECT_EQ(ui.updates, 2) << "the window hears of the freeze";
    EXPECT_TRUE(ui.Last()->frozen);
    clock = start + 3600;
    controller->Tick();
    controller->ShowImage(Controller::ShowCurrent, false);
    ControllerAccess::Deliver(*controller, Packages({5, 6}), false);
    Drain();
    EXPECT_EQ(ui.updates, 2) << "frozen: neither the tick nor a new list changes the wallpaper";
    EXPECT_EQ(WallpaperColour(), ColourOf(1));
    EXPECT_EQ(Downloaded()->size(), 2u) << "the new list is kept all the same";

    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(ui.updates, 3) << "Next still works while frozen";
    EXPECT_EQ(WallpaperColour(), ColourOf(6));
}

TEST_F(Cycle, AFavouriteIsShownFrozenAndIsTheCurrentImageUntilTheNextStep) {
    EXPECT_EQ(CurrentImage(), nullptr) << "no images yet";
    ImageListPtr list = Packages({0, 1, 2});
    SetDownloaded(list);
    EXPECT_EQ(CurrentImage(), (*list)[0]);

    // Called from this thread, as the window calls it, the operation is only posted: nothing
    // changes here, and the Controller's record is not touched here, until its thread runs it.
    ImagePtr favourite = Package(5);
    UniqueHandle release = Hold();
    controller->ShowFavoriteImage(favourite);
    EXPECT_FALSE(settings->GetFreeze()) << "not run on the caller's thread";
    EXPECT_EQ(ui.updates, 0);
    SetEvent(release.get());
    Drain();
    EXPECT_TRUE(TakeOffThread().empty());
    EXPECT_EQ(WallpaperColour(), ColourOf(5));
    EXPECT_TRUE(settings->GetFreeze()) << "a favourite the user chose stays";
    ASSERT_TRUE(ui.Last());
    EXPECT_EQ(ui.Last()->currentImage, favourite) << "the window's state names the favourite";
    EXPECT_TRUE(ui.Last()->frozen);
    // The check itself: the record's methods called on this thread are caught.
    ControllerAccess::Of(*controller).PublishState();
    EXPECT_EQ(TakeOffThread(), std::vector<std::string>{"PublishState"});
    controller->Tick();
    controller->ShowImage(Controller::ShowCurrent, false);
    Drain();
    EXPECT_EQ(WallpaperColour(), ColourOf(5));

    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(WallpaperColour(), ColourOf(1)) << "Next goes on from the cycle's image";
    EXPECT_EQ(ui.Last()->currentImage, (*list)[1]);

    controller->SetFreeze(false);
    Drain();
    const int updates = ui.updates;
    ImagePtr gone = Package(6);
    ASSERT_TRUE(gone->GetPath().Remove());
    controller->ShowFavoriteImage(gone);
    Drain();
    EXPECT_EQ(ui.updates, updates) << "a favourite without its package is not shown";
    EXPECT_FALSE(settings->GetFreeze()) << "and does not freeze the cycle";
    EXPECT_EQ(CurrentImage(), (*list)[1]);
}

TEST_F(Cycle, AutomaticDownloadAttemptsKeepFiveMinutesApart) {
    Controller::Impl& impl = ControllerAccess::Of(*controller);
    settings->SetServiceUrl(L"http://127.0.0.1:9");  // nobody listens: every attempt fails at once
    impl.downloader = std::make_shared<Downloader>(settings);
    settings->SetDownloadFrequency(3);
    const std::int64_t start = clock;
    settings->SetLastDownloadTime(start - 4 * 3600);
    OnThread([&] { impl.lastChangeTime = start; });
    auto attemptEnded = [&] {
        bool running = true;
        for (int i = 0; i < 300 && running; ++i) {
            OnThread([&] { running = !impl.downloadTask.expired(); });
            if (running) Sleep(100);
        }
        return !running;
    };
    auto lastAttempt = [&] {
        std::int64_t at = 0;
        OnThread([&] { at = impl.lastDownloadAttempt; });
        return at;
    };

    controller->Tick();
    EXPECT_EQ(lastAttempt(), start) << "three hours are over: an attempt";
    ASSERT_TRUE(attemptEnded());
    clock = start + 120;
    controller->Tick();
    EXPECT_EQ(lastAttempt(), start) << "two minutes after a failed attempt: none";
    clock = start + 300;
    controller->Tick();
    EXPECT_EQ(lastAttempt(), start + 300);
    ASSERT_TRUE(attemptEnded());
    EXPECT_EQ(settings->GetLastDownloadTime(), start - 4 * 3600) << "failures leave the download time";
}

TEST_F(Cycle, DeliveriesShowTheFirstNewImageThenTheNewList) {
    ImageListPtr old = Packages({0, 1});
    SetDownloaded(old);
    ImagePtr first = Package(2), second = Package(3), third = Package(4);

    ControllerAccess::Deliver(*controller, std::make_shared<ImageList>(ImageList{first}), true);
    Drain();
    EXPECT_EQ(ui.updates, 1) << "the first image of a download is shown at once";
    EXPECT_EQ(WallpaperColour(), ColourOf(2));
    ImageList expected{first, (*old)[0], (*old)[1]};
    EXPECT_EQ(*Downloaded(), expected);

    ControllerAccess::Deliver(*controller, std::make_shared<ImageList>(ImageList{first, second}), true);
    Drain();
    EXPECT_EQ(ui.updates, 1) << "later partial deliveries do not change the wallpaper";
    expected = {first, second, (*old)[0], (*old)[1]};
    EXPECT_EQ(*Downloaded(), expected);

    clock += 42;
    ControllerAccess::Deliver(*controller, std::make_shared<ImageList>(ImageList{second, third}), false);
    Drain();
    EXPECT_EQ(ui.updates, 2);
    EXPECT_EQ(WallpaperColour(), ColourOf(3)) << "the final list's first image";
    EXPECT_EQ(Downloaded()->size(), 2u);
    EXPECT_EQ(settings->GetLastDownloadTime(), clock.load());
    EXPECT_FALSE((*old)[0]->GetPath().Exists()) << "packages no list holds are deleted";
    EXPECT_FALSE(first->GetPath().Exists());
    EXPECT_TRUE(second->GetPath().Exists());
    EXPECT_NE(ReadAll(dir / L"config.xml").find(std::to_string(clock.load())), std::string::npos) << "config.xml saved";

    ControllerAccess::Deliver(*controller, std::make_shared<ImageList>(), false);
    Drain();
    EXPECT_EQ(Downloaded()->size(), 2u) << "an empty delivery changes nothing";
}

TEST_F(Cycle, PicturesThatDoNotLoadLeaveTheWallpaperAndTheCycleGoesOn) {
    ImageListPtr list = Packages({0, 1, 2, 3});
    WriteAll((*list)[1]->GetPath(), "KSP1 and then nothing sensible");
    (*list)[2]->GetPath().Remove();
    // A real 8193 x 8192 BMP in 60 bytes, run-length coded and ended at once: over 256 MB decoded.
    Bytes tooLarge(60, 0);
    tooLarge[0] = 'B';
    tooLarge[1] = 'M';
    const std::pair<size_t, std::uint16_t> fields[] = {{2, 60}, {10, 58}, {14, 40},      {18, 8193}, {22, 8192},
                                                       {26, 1}, {28, 8},  {30, BI_RLE8}, {34, 2},    {46, 1}};
    for (auto [at, value] : fields) {
        tooLarge[at] = static_cast<unsigned char>(value);
        tooLarge[at + 1] = static_cast<unsigned char>(value >> 8);
    }
    tooLarge[59] = 1;  // after the one palette entry: "end of bitmap"
    ASSERT_TRUE(WritePackage((*list)[3], tooLarge, (*list)[3]->GetPath()));
    SetDownloaded(list);
    controller->ShowImage(Controller::ShowCurrent, false);
    Drain();
    ASSERT_EQ(WallpaperColour(), ColourOf(0));

    controller->ShowImage(Controller::ShowNext, true);  // a package that no longer reads
    controller->ShowImage(Controller::ShowCurrent, false);
    Drain();
    controller->ShowImage(Controller::ShowNext, true);  // a package that vanished
    Drain();
    controller->ShowImage(Controller::ShowNext, true);  // a picture too large to decode
    Drain();
    EXPECT_EQ(ui.updates, 1);
    EXPECT_EQ(WallpaperColour(), ColourOf(0));
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(DownloadedIndex(), 0);
    EXPECT_EQ(ui.updates, 2);
    EXPECT_EQ(WallpaperColour(), ColourOf(0));
}

TEST_F(Cycle, LocalPicturesAreMixedInAndAVanishedFolderIsNoList) {
    Path local = dir / L"my pictures";
    ASSERT_TRUE(local.CreateDirectories());
    WriteAll(local / L"ten.JPG", std::string(reinterpret_cast<const char*>(SolidBitmap(ColourOf(7)).data()),
                                             SolidBitmap(ColourOf(7)).size()));
    WriteAll(local / L"notes.txt", "not a picture");
    WriteAll(local / L"broken.jpg", "not a picture either");
    SetDownloaded(Packages({0, 1}));
    settings->SetUseLocalImage(true);
    settings->SetShuffleLocalImage(false);
    settings->SetLocalImageInterval(1);
    settings->SetLocalImagePath(local);
    controller->LoadLocalImages();
    ASSERT_EQ(Local()->size(), 2u) << "every .jpg, whatever its case, and nothing else";

    // With one downloaded image per local one: L D L D ...; the broken local file is skipped
    // by the user's next press, the wallpaper staying as it was meanwhile.
    std::vector<COLORREF> seen;
    for (int i = 0; i < 4; ++i) {
        controller->ShowImage(i == 0 ? Controller::ShowCurrent : Controller::ShowNext, true);
        Drain();
        seen.push_back(WallpaperColour());
    }
    bool tenFirst = (*Local())[0].FileName() == L"ten.JPG";
    std::vector<COLORREF> expected = tenFirst
                                         ? std::vector<COLORREF>{ColourOf(7), ColourOf(1), ColourOf(1), ColourOf(0)}
                                         : std::vector<COLORREF>{seen[0], ColourOf(1), ColourOf(7), ColourOf(0)};
    EXPECT_EQ(seen, expected);

    local.RemoveAll();
    controller->LoadLocalImages();
    EXPECT_TRUE(Local()->empty()) << "a vanished folder is an empty list";
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(WallpaperColour(), ColourOf(1)) << "Next walks the downloaded images alone";
}

TEST_F(Cycle, AFrameChangeRecomposesTheCurrentPictureUnlessFrozen) {
    SetDownloaded(Packages({0, 1}));
    ControllerAccess::FollowSettings(*controller);
    settings->SetFrameType(0);
    Drain();
    EXPECT_EQ(ui.updates, 1);
    EXPECT_EQ(DownloadedIndex(), 0) << "the same picture, composed again";
    EXPECT_EQ(WallpaperColour(), ColourOf(0));

    settings->SetPos(10, 20);
    settings->SetFrameType(0);
    Drain();
    EXPECT_EQ(ui.updates, 1) << "neither a moved window nor an unchanged frame is a reason to render";

    controller->SetFreeze(true);
    Drain();
    EXPECT_EQ(ui.updates, 2) << "the freeze is told";
    settings->SetStretchPercent(5);
    Drain();
    EXPECT_EQ(ui.updates, 2) << "a frozen wallpaper stays as it is";
}

// After each change the next wallpaper is made ahead; a Next (or a Previous) that comes to
// it moves it into place, and anything that changes what it would show is composed afresh.
TEST_F(Cycle, TheWallpaperMadeAheadIsTakenOnlyWhileItIsWhatTheStepWouldShow) {
    ImageListPtr list = Packages({0, 1, 2, 3});
    SetDownloaded(list);
    const Path prepared = GetPreparedWallpaperPath();
    controller->ShowImage(Controller::ShowCurrent, false);
    Idle();
    EXPECT_EQ(BitmapColour(prepared), ColourOf(1)) << "made ahead: the next picture";

    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(WallpaperColour(), ColourOf(1));
    EXPECT_FALSE(prepared.Exists()) << "moved into place";
    Idle();
    EXPECT_EQ(BitmapColour(prepared), ColourOf(2));

    ASSERT_TRUE(WritePackage((*list)[2], SolidBitmap(ColourOf(6)), (*list)[2]->GetPath()));
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(WallpaperColour(), ColourOf(6)) << "a package rewritten since is decoded afresh";
    Idle();

    settings->SetFrameType(1);  // always framed
    settings->SetFrameColor(RGB(1, 2, 3));
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(BitmapColour(GetWallpaperPath(), 1, 1), RGB(1, 2, 3)) << "a frame setting since: composed afresh";
    EXPECT_EQ(WallpaperColour(), ColourOf(3));

    ControllerAccess::Deliver(*controller, Packages({4, 5}), false);
    Idle();
    EXPECT_EQ(WallpaperColour(), ColourOf(4)) << "a new list";
    EXPECT_EQ(BitmapColour(prepared), ColourOf(5)) << "and its next picture made ahead, framed";
    controller->ShowImage(Controller::ShowPrevious, true);
    Drain();
    EXPECT_FALSE(prepared.Exists()) << "two pictures: the previous one is the next, made ahead";
    EXPECT_EQ(WallpaperColour(), ColourOf(5));
    EXPECT_EQ(BitmapColour(GetWallpaperPath(), 1, 1), RGB(1, 2, 3));
}

// Wine has no HTML engine here, so every template page times out: the plain frame must
// take over at once, and the same template must not be waited for on every change.
TEST_F(Cycle, ATemplateThatTimesOutIsNotWaitedForAgainUntilATemplateIsChosen) {
    SetDownloaded(Packages({0, 1, 2}));
    Controller::Impl& impl = ControllerAccess::Of(*controller);
    impl.templatePageTimeoutMs = 200;
    for (const wchar_t* name : {L"Frame", L"Other"}) {
        ASSERT_TRUE((settings->GetTemplatesDirectory() / name).CreateDirectories());
        WriteAll(settings->GetTemplatesDirectory() / name / L"index.tpl", "<img src=\"{ImageUri}\">");
    }
    settings->SetDebugMode(true);  // every page the template renderer makes shows as this file
    const Path page = dir / L"dbg_template.html";
    settings->SetFrameType(1);  // always framed
    settings->SetTemplate(L"Frame");
    settings->SetUseTemplate(true);

    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_TRUE(page.Exists()) << "the template was tried";
    EXPECT_EQ(WallpaperColour(), ColourOf(1)) << "and after its time-out the plain frame made the change";

    ASSERT_TRUE(page.Remove());
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_FALSE(page.Exists()) << "the template that timed out was not tried again";
    EXPECT_EQ(WallpaperColour(), ColourOf(2));

    settings->SetTemplate(L"Other");
    controller->ShowImage(Controller::ShowPrevious, true);
    Drain();
    EXPECT_TRUE(page.Exists()) << "a newly chosen template gets its chance";
    EXPECT_EQ(WallpaperColour(), ColourOf(1));

    ASSERT_TRUE(page.Remove());
    settings->SetUseTemplate(false);
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    bool released = false;
    OnThread([&] { released = !impl.templateRenderer; });
    EXPECT_TRUE(released) << "released when templates are switched off";
    EXPECT_FALSE(page.Exists());
    EXPECT_EQ(WallpaperColour(), ColourOf(2));
}

TEST_F(Cycle, TheIconLabelBackgroundFollowsItsSettingWhileTheIconsShow) {
    // Wine is a newer system: the choice shows as the shell's "ListviewShadow" value.
    auto shadow = [] {
        DWORD value = 99, size = sizeof(value);
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                     L"ListviewShadow", RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    };
    SetIconTextTransparent(false);
    ControllerAccess::FollowSettings(*controller);
    settings->SetDesktopTextBkTransparent(true);
    Drain();
    EXPECT_EQ(shadow(), 1u);

    settings->SetHideDesktopIcons(true);
    settings->SetDesktopTextBkTransparent(false);
    Drain();
    EXPECT_EQ(shadow(), 1u) << "hidden icons take the background when they are shown again";

    settings->SetHideDesktopIcons(false);
    settings->SetDesktopTextBkTransparent(true);
    settings->SetDesktopTextBkTransparent(false);
    Drain();
    EXPECT_EQ(shadow(), 0u);
}

TEST_F(Cycle, NothingRecordedIsNothingToRestore) {
    SetDownloaded(Packages({0}));
    controller->ShowImage(Controller::ShowCurrent, false);
    Drain();
    ASSERT_TRUE(IsOwnWallpaper(CaptureCurrentWallpaper()));
    EXPECT_FALSE(ui.Last()->canRestoreOldWallpaper) << "the menus gray the command";
    controller->RestoreOldWallpaper();  // no wallpaper was recorded at the first start
    Drain();
    EXPECT_EQ(CaptureCurrentWallpaper().Wallpaper, GetWallpaperPath().str()) << "the desktop keeps its wallpaper";
    EXPECT_FALSE(settings->GetFreeze());

    WallpaperDescription old;
    old.TileWallpaper = L"1";
    old.WallpaperStyle = L"0";
    old.Wallpaper = (dir / L"mine.bmp").str();
    controller->SaveAsOldWallpaper(old);
    Drain();
    EXPECT_TRUE(ui.Last()->canRestoreOldWallpaper);
    controller->RestoreOldWallpaper();
    Drain();
    WallpaperDescription now = CaptureCurrentWallpaper();
    EXPECT_EQ(now.Wallpaper, old.Wallpaper);
    EXPECT_EQ(now.TileWallpaper, L"1");
    EXPECT_EQ(now.WallpaperStyle, L"0");
    EXPECT_TRUE(settings->GetFreeze()) << "the cycle stops changing the wallpaper";

    // A change queued before the Restore must not put our picture back over the user's.
    controller->SetFreeze(false);
    Drain();
    UniqueHandle release = Hold();
    controller->ShowImage(Controller::ShowNext, false);
    controller->RestoreOldWallpaper();
    SetEvent(release.get());
    Drain();
    EXPECT_EQ(CaptureCurrentWallpaper().Wallpaper, old.Wallpaper) << "the job looks at the freeze when it runs";
    const int updates = ui.updates;
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(ui.updates, updates + 1) << "Next pressed by hand still shows the next picture";
}

TEST_F(Cycle, NeedLoginNamesEveryCategoryThatNeedsIt) {
    SelectLanguage(1033);
    ControllerAccess::Fail(*controller, DownloadException::Error_No_Internet_Connection);
    ControllerAccess::Fail(*controller, DownloadException::Error_Need_Login);
    Drain();
    std::lock_guard<std::mutex> guard(ui.mutex);
    ASSERT_EQ(ui.messages.size(), 1u) << "only the need-login failure is shown";
    EXPECT_EQ(ui.messages[0].first, IUI::ShowInfoMessage);
    // Of the built-in categories only the portraits need a sign-in.
    EXPECT_EQ(ui.messages[0].second, FormatString(GetString(L"Prompt_DownloadImage_NeedLogin"), {L"Portraits "}) +
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
