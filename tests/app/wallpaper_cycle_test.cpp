// The wallpaper cycle inside one process (tests/app/controller_fixture.h). Each rendering is
// seen twice: as an UpdateState call and as the colour of the wallpaper bitmap.
#include "app/controller_fixture.h"

namespace {

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
    auto releases = std::make_shared<int>(0);  // counted on the Controller thread, read after Idle
    OnThread([this, releases] {
        ControllerAccess::Of(*controller).lastChangeTime = clock.load();
        ControllerAccess::Of(*controller).releaseMemory = [releases] { ++*releases; };
    });
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
    Idle();
    EXPECT_EQ(*releases, 1) << "freed memory goes back once after the change";

    controller->SetFreeze(true);
    Drain();
    EXPECT_EQ(ui.updates, 2) << "the window hears of the freeze";
    EXPECT_TRUE(ui.Last()->frozen);
    clock = start + 3600;
    controller->Tick();
    controller->ShowImage(Controller::ShowCurrent, false);
    ControllerAccess::Deliver(*controller, Packages({5, 6}), false);
    Drain();
    EXPECT_EQ(ui.updates, 3) << "frozen: neither the tick nor a new list changes the wallpaper; the window "
                                "only hears when the list came";
    EXPECT_EQ(WallpaperColour(), ColourOf(1));
    EXPECT_EQ(Downloaded()->size(), 2u) << "the new list is kept all the same";
    for (int i = 1; i <= 3; ++i) {
        clock = start + 3600 + 5 * i;
        controller->Tick();
    }
    Idle();
    EXPECT_EQ(*releases, 1) << "frozen ticks change nothing, so nothing is trimmed";

    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(ui.updates, 4) << "Next still works while frozen";
    EXPECT_EQ(WallpaperColour(), ColourOf(6));
    Idle();
    EXPECT_EQ(*releases, 2) << "and is followed by one release";
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

TEST_F(Cycle, AnOutageIsToldOnceItsAttemptsThinOutAndArrivingImagesEndIt) {
    SelectLanguage(1033);
    Controller::Impl& impl = ControllerAccess::Of(*controller);
    settings->SetServiceUrl(L"http://127.0.0.1:9");  // nobody listens: every attempt fails at once
    impl.downloader = std::make_shared<Downloader>(settings);
    settings->SetDownloadFrequency(3);
    const std::int64_t start = clock;
    settings->SetLastDownloadTime(start - 4 * 3600);
    OnThread([&] { impl.lastChangeTime = start; });
    auto lastAttempt = [&] {
        std::int64_t at = 0;
        OnThread([&] { at = impl.lastDownloadAttempt; });
        return at;
    };
    auto balloons = [&] {
        std::vector<std::wstring> texts;
        std::lock_guard<std::mutex> guard(ui.mutex);
        for (const auto& message : ui.messages)
            if (message.first == IUI::ShowInfoBalloon) texts.push_back(message.second);
        return texts;
    };

    // Ten minutes of ticks, each attempt failing before the clock moves on.
    std::vector<std::int64_t> attempts;
    for (std::int64_t t = start; t <= start + 600; t += 5) {
        clock = t;
        controller->Tick();
        Drain();
        if (lastAttempt() != t) continue;
        attempts.push_back(t - start);
        bool running = true;
        for (int i = 0; i < 300 && running; ++i) {
            OnThread([&] { running = !impl.downloadTask.expired(); });
            if (running) Sleep(100);
        }
        ASSERT_FALSE(running) << "the attempt at " << t - start << " s did not end";
        Drain();
    }
    EXPECT_EQ(attempts, (std::vector<std::int64_t>{0, 60, 180, 420})) << "1, 2 and 4 minutes apart";
    EXPECT_EQ(balloons(), std::vector<std::wstring>{GetString(L"Balloon_ServiceAway") + L"|"}) << "told once";
    EXPECT_EQ(ui.MessageCount(), 1u) << "no box for an outage";
    ASSERT_TRUE(ui.Last());
    EXPECT_TRUE(ui.Last()->serviceAway);
    EXPECT_EQ(settings->GetLastDownloadTime(), start - 4 * 3600) << "failures leave the download time";

    // An error answer during the outage is one more attempt, not its end; images end it.
    ControllerAccess::Fail(*controller, DownloadException::Error_Xml_Server_Error);
    Drain();
    EXPECT_TRUE(ui.Last()->serviceAway);
    ControllerAccess::Deliver(*controller, Packages({0}), true);
    Drain();
    EXPECT_FALSE(ui.Last()->serviceAway);
    EXPECT_EQ(balloons().back(), GetString(L"Balloon_ServiceBack") + L"|");
    ControllerAccess::Deliver(*controller, Packages({0, 1}), false);
    Drain();
    EXPECT_EQ(balloons().size(), 2u) << "more images are no second return";
    EXPECT_EQ(ui.Last()->lastNewWallpapers, clock.load()) << "the tip learns when they came";

    // Outside an outage an error answer is no outage; in debug mode the balloon says why.
    ControllerAccess::Fail(*controller, DownloadException::Error_Xml_Server_Error);
    Drain();
    EXPECT_EQ(balloons().size(), 2u);
    settings->SetDebugMode(true);
    ControllerAccess::Fail(*controller, DownloadException::Error_Web_Page_Answer, L"a sign-in page");
    Drain();
    EXPECT_EQ(balloons().back(), FormatString(GetString(L"Balloon_ServiceAway_Debug"), {L"a sign-in page"}) + L"|");
}

TEST_F(Cycle, WhileAProgramRunsFullScreenOrTheBatteryIsLowTheCycleWaitsThenChangesOnce) {
    Controller::Impl& impl = ControllerAccess::Of(*controller);
    SetDownloaded(Packages({0, 1, 2}));
    settings->SetChangeFrequency(1);
    auto fullScreen = std::make_shared<std::atomic<bool>>(true);
    auto battery = std::make_shared<std::atomic<bool>>(false);
    const std::int64_t start = clock;
    OnThread([&] {
        impl.lastChangeTime = start;
        impl.fullScreen = [fullScreen] { return fullScreen->load(); };
        impl.lowBattery = [battery] { return battery->load(); };
    });
    controller->ShowImage(Controller::ShowCurrent, true);
    Drain();
    ASSERT_EQ(WallpaperColour(), ColourOf(0));

    for (int minute = 1; minute <= 3; ++minute) {
        clock = start + 60 * minute;
        controller->Tick();
        Drain();
    }
    EXPECT_EQ(WallpaperColour(), ColourOf(0)) << "three changes due, none made";
    ASSERT_TRUE(ui.Last());
    EXPECT_TRUE(ui.Last()->pausedForFullScreen);
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_EQ(WallpaperColour(), ColourOf(1)) << "Next by hand acts all the same";
    ControllerAccess::Deliver(*controller, Packages({3}), true);
    Drain();
    EXPECT_EQ(WallpaperColour(), ColourOf(1)) << "the first new image waits too";

    *fullScreen = false;
    clock = start + 300;
    const int updates = ui.updates;
    controller->Tick();
    Drain();
    EXPECT_FALSE(ui.Last()->pausedForFullScreen);
    EXPECT_EQ(WallpaperColour(), ColourOf(0)) << "the new list, one step on: one change for all that waited";
    EXPECT_EQ(ui.updates, updates + 2) << "the pause's end, and one render";
    clock = start + 305;
    controller->Tick();
    Drain();
    EXPECT_EQ(ui.updates, updates + 2) << "not once per missed minute";

    *battery = true;
    clock = start + 400;
    controller->Tick();
    Drain();
    EXPECT_TRUE(ui.Last()->pausedForBattery);
    EXPECT_EQ(WallpaperColour(), ColourOf(0));
    settings->SetPauseOnBattery(false);
    *fullScreen = true;
    settings->SetPauseWhileFullScreen(false);
    controller->Tick();
    Drain();
    EXPECT_FALSE(ui.Last()->pausedForBattery) << "the user switched both off";
    EXPECT_FALSE(ui.Last()->pausedForFullScreen);
    EXPECT_EQ(WallpaperColour(), ColourOf(1));
}

TEST_F(Cycle, APictureNeverShownAgainIsGoneForGoodButTheUsersOwnFileStays) {
    Controller::Impl& impl = ControllerAccess::Of(*controller);
    const Path banFile = dir / BanList::kFileName;
    OnThread([&] { impl.bans = BanList(banFile); });
    ImageListPtr list = Packages({0, 1, 2});
    SetDownloaded(list);
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    ASSERT_EQ(WallpaperColour(), ColourOf(1));

    controller->NeverShowCurrent();
    Drain();
    EXPECT_EQ(WallpaperColour(), ColourOf(2)) << "the next picture takes its place at once";
    EXPECT_FALSE((*list)[1]->GetPath().Exists()) << "its package is removed";
    EXPECT_EQ(Downloaded()->size(), 2u);
    BanList saved(banFile);
    ASSERT_TRUE(saved.Load());
    EXPECT_TRUE(saved.IsBanned(101)) << "remembered by its id";

    // The service offers it again: it is not taken, nor shown.
    ImageListPtr offered = Packages({1, 3});
    ControllerAccess::Deliver(*controller, offered, false);
    Drain();
    ASSERT_EQ(Downloaded()->size(), 1u);
    EXPECT_EQ((*Downloaded())[0], (*offered)[1]);
    EXPECT_EQ(WallpaperColour(), ColourOf(3));

    // A picture of the user's own folder is banned by its path and never deleted.
    TempDir own;
    const Path mine = own / L"mine.jpg", other = own / L"other.jpg";
    Picture picture;
    ASSERT_TRUE(picture.Create(64, 48, ColourOf(6)));
    ASSERT_TRUE(picture.SaveToFile(mine));
    ASSERT_TRUE(picture.Create(64, 48, ColourOf(7)));
    ASSERT_TRUE(picture.SaveToFile(other));
    OnThread([&] {
        Lists().SetDownloaded(std::make_shared<ImageList>());
        Lists().SetLocal(std::make_shared<std::vector<Path>>(std::vector<Path>{mine, other}));
    });
    settings->SetUseLocalImage(true);
    controller->ShowImage(Controller::ShowCurrent, true);
    Drain();
    controller->NeverShowCurrent();
    Drain();
    EXPECT_TRUE(mine.Exists()) << "the user's file stays";
    ASSERT_TRUE(saved.Load());
    EXPECT_TRUE(saved.IsBanned(mine));
    EXPECT_EQ(*Local(), std::vector<Path>{other});
    settings->SetLocalImagePath(own.path());
    controller->LoadLocalImages();
    Drain();
    EXPECT_EQ(*Local(), std::vector<Path>{other}) << "a new look at the folder leaves it out";
}

TEST_F(Cycle, ASavedCopyIsThePackagesPictureNamedAfterItsCategoryAndNeverOverAnother) {
    SelectLanguage(1033);
    Controller::Impl& impl = ControllerAccess::Of(*controller);
    const Path pictures = dir / L"Pictures";
    OnThread([&] { impl.picturesFolder = [pictures] { return pictures; }; });
    auto scenery = std::make_shared<Image>(7, settings->GetDataDirectory() / L"s.tvp", L"lake.jpg",
                                           L"http://127.0.0.1/pictures/fengguang/");
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 4, 5};
    ASSERT_TRUE(WritePackage(scenery, jpeg, scenery->GetPath()));
    SetDownloaded(std::make_shared<ImageList>(ImageList{scenery}));
    controller->SavePicture();
    controller->SavePicture();
    Drain();
    std::vector<Path> saved;
    {
        std::lock_guard<std::mutex> guard(ui.mutex);
        saved = ui.saved;
    }
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].Parent(), pictures / L"Kestrane");
    const std::wstring name = saved[0].FileName();
    EXPECT_EQ(name.rfind(GetString(L"Category_fengguang") + L" 20", 0), 0u) << "the category, then the day: " << name;
    EXPECT_EQ(saved[0].Extension(), L".jpg");
    EXPECT_EQ(ReadAll(saved[0]), std::string(jpeg.begin(), jpeg.end())) << "byte for byte";
    EXPECT_EQ(saved[1].FileName(), saved[0].Stem() + L" (2).jpg") << "the first is not replaced";

    // A damaged package: a clear message, nothing written.
    std::string bytes = ReadAll(scenery->GetPath());
    WriteAll(scenery->GetPath(), bytes.substr(0, 30));
    controller->SavePicture();
    Drain();
    EXPECT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.messages.back().second,
              GetString(L"Prompt_SavePicture_Fail") + L"|" + GetString(L"Prompt_SavePicture_Fail_Title"));
    EXPECT_EQ((pictures / L"Kestrane").ListFiles().size(), 2u);
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

// Wine's desktop has one monitor: the monitors are the test's own. Each shows its own
// picture, a step moves them all on, and the wallpaper made ahead covers them all.
TEST_F(Cycle, EveryMonitorShowsItsOwnPictureAndAStepMovesThemAllOn) {
    Controller::Impl& impl = ControllerAccess::Of(*controller);
    const wallpaper_layout::Monitor primary = SystemMonitors().front();
    const int width = primary.bounds.Width(), height = primary.bounds.Height();
    // A smaller one left of the primary and lower: a negative origin.
    wallpaper_layout::Monitors two = {primary, {{-400, 100, 0, 400}, {-400, 100, 0, 400}}};
    auto monitors = std::make_shared<wallpaper_layout::Monitors>(two);
    OnThread([&] {
        impl.monitors = [monitors] { return *monitors; };
        impl.tileOrigin = wallpaper_layout::TileOrigin::VirtualScreen;
    });
    SetDownloaded(Packages({0, 1, 2, 3, 4, 5}));
    const Path wallpaper = GetWallpaperPath(), prepared = GetPreparedWallpaperPath();
    auto primaryColour = [&](const Path& file) { return BitmapColour(file, 400 + width / 2, height / 2); };
    auto secondColour = [&](const Path& file) { return BitmapColour(file, 200, 250); };

    controller->ShowImage(Controller::ShowCurrent, false);
    Idle();
    Picture shown;
    ASSERT_TRUE(shown.LoadFromFile(wallpaper));
    EXPECT_EQ(shown.GetWidth(), width + 400) << "one bitmap across the virtual screen";
    EXPECT_EQ(shown.GetHeight(), std::max(height, 400));
    EXPECT_EQ(primaryColour(wallpaper), ColourOf(0));
    EXPECT_EQ(secondColour(wallpaper), ColourOf(1));
    EXPECT_EQ(primaryColour(prepared), ColourOf(2)) << "made ahead for both monitors";
    EXPECT_EQ(secondColour(prepared), ColourOf(3));

    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    EXPECT_FALSE(prepared.Exists()) << "the one made ahead, moved into place";
    EXPECT_EQ(primaryColour(wallpaper), ColourOf(2));
    EXPECT_EQ(secondColour(wallpaper), ColourOf(3));
    EXPECT_EQ(CurrentImage()->GetId(), 102) << "the primary's picture is the current one";
    controller->ShowImage(Controller::ShowPrevious, true);
    Drain();
    EXPECT_EQ(primaryColour(wallpaper), ColourOf(0));
    EXPECT_EQ(secondColour(wallpaper), ColourOf(1));
    Idle();

    // The second monitor went away: the next change is for the primary alone, and what was
    // made ahead for two is not taken.
    OnThread([&] { monitors->resize(1); });
    controller->ShowImage(Controller::ShowNext, true);
    Drain();
    ASSERT_TRUE(shown.LoadFromFile(wallpaper));
    EXPECT_EQ(shown.GetWidth(), width);
    EXPECT_EQ(WallpaperColour(), ColourOf(1)) << "one step is one picture again";
}

// The caption names the primary monitor's picture as the tray tip does; off, the bitmap is
// exactly the one made without any watermark.
TEST_F(Cycle, TheCaptionNamesThePictureAndOffChangesNoByte) {
    SelectLanguage(1033);
    Controller::Impl& impl = ControllerAccess::Of(*controller);
    auto scenery = std::make_shared<Image>(7, settings->GetDataDirectory() / L"s.tvp", L"lake.bmp",
                                           L"http://127.0.0.1/pictures/fengguang/");
    ASSERT_TRUE(WritePackage(scenery, SolidBitmap(RGB(40, 90, 160)), scenery->GetPath()));
    SetDownloaded(std::make_shared<ImageList>(ImageList{scenery}));
    ControllerAccess::FollowSettings(*controller);
    const Path wallpaper = GetWallpaperPath();

    controller->ShowImage(Controller::ShowCurrent, false);
    Drain();
    const std::string plain = ReadAll(wallpaper);
    bool loaded = false;
    OnThread([&] { loaded = impl.watermark.Load(L"layout_watermark"); });
    ASSERT_TRUE(loaded);
    controller->ShowImage(Controller::ShowCurrent, false);
    Drain();
    EXPECT_EQ(ReadAll(wallpaper), plain) << "the caption off: the shipped watermark changes no byte";

    settings->SetShowCaption(true);
    Drain();
    EXPECT_NE(ReadAll(wallpaper), plain) << "composed again, with the caption (its place: WallpaperEndToEnd)";
    const ControllerStatePtr state = ui.Last();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->currentPicture.rfind(GetString(L"Category_fengguang") + L" \u00B7 ", 0), 0u)
        << "the tray tip's name: " << ToUtf8(state->currentPicture);

    settings->SetShowCaption(false);
    Drain();
    EXPECT_EQ(ReadAll(wallpaper), plain) << "and off again, as before";
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

}  // namespace
