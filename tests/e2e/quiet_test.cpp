// Quiet while the user plays, calm while the service is away: Kestrane.exe on a Wine desktop
// for minutes at a time, first behind a full-screen program, then with the service gone.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "desktop/shell/wallpaper_state.h"
#include "e2e/kestrane_process.h"
#include "e2e/wine_desktop.h"
#include "resources/resource.h"
#include "support/service_control.h"

namespace {

const wchar_t kImageList[] = L"/service/viewer/v1.0/image.php";
const wchar_t kHeartbeat[] = L"/service/viewer/v1.0/heartbeat.php";

Path FullScreenWindow() { return TestExecutableDirectory() / L"full_screen_window.exe"; }

// A request in the service's log: when it came (seconds since 1970) and the status it got
// ("null" when it got no answer).
struct LoggedRequest {
    double time = 0;
    std::string status;
};

std::vector<LoggedRequest> RequestsTo(const std::wstring& path) {
    const std::string log = ServiceControl(L"GET", L"/_control/requests?path=" + path);
    std::vector<LoggedRequest> requests;
    for (size_t at = log.find("\"seq\""); at != std::string::npos; at = log.find("\"seq\"", at + 1)) {
        const size_t end = log.find("\"seq\"", at + 1);
        const std::string entry = log.substr(at, end == std::string::npos ? std::string::npos : end - at);
        LoggedRequest request;
        const size_t time = entry.find("\"time\": "), status = entry.find("\"status\": ");
        if (time != std::string::npos) request.time = std::strtod(entry.c_str() + time + 8, nullptr);
        if (status != std::string::npos)
            request.status = entry.substr(status + 10, entry.find_first_of(",}", status) - status - 10);
        requests.push_back(request);
    }
    return requests;
}

size_t CountAfter(const std::vector<LoggedRequest>& requests, double time) {
    size_t count = 0;
    for (const LoggedRequest& request : requests) count += request.time > time;
    return count;
}

// What a user would see of Kestrane, looked at once a second: wallpaper changes, balloons
// coming up, and whether a message box ever showed.
class Watch {
public:
    explicit Watch(const WineDesktop& desktop) : m_desktop(desktop), m_shown(WallpaperBytes()) {}
    // Looks until the condition holds or the time (NowMs) comes; true when the condition held.
    template <typename Condition>
    bool Until(unsigned long long deadlineMs, Condition condition) {
        while (NowMs() < deadlineMs) {
            if (condition()) return true;
            Sleep(1000);
            std::optional<std::string> now = WallpaperBytes();
            if (now && now != m_shown) ++changes, m_shown = now;
            const bool balloon = m_desktop.BalloonShown();
            balloons += balloon && !m_balloonShown;
            m_balloonShown = balloon;
            if (HWND box = m_desktop.Find(L"#32770")) boxShown |= m_desktop.IsVisible(box);
        }
        return condition();
    }
    void Until(unsigned long long deadlineMs) {
        Until(deadlineMs, [] { return false; });
    }

    int changes = 0;
    int balloons = 0;
    bool boxShown = false;

private:
    const WineDesktop& m_desktop;
    std::optional<std::string> m_shown;
    bool m_balloonShown = false;
};

// Each test starts against a reset reference service and gives the desktop its wallpaper back.
class QuietEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service was started for this test";
        ServiceReset();
        before = CaptureCurrentWallpaper();
    }
    void TearDown() override {
        if (IsSkipped()) return;
        ServiceReset();
        SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
    }

    WallpaperDescription before;
};

}  // namespace

TEST_F(QuietEndToEnd, AFullScreenProgramHoldsTheChangesAndItsEndLetsOneThrough) {
    ProgramFolder folder;
    ASSERT_TRUE(OwnWallpaperAndThreeStoredPictures(folder));
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WallpaperChangesFrom(std::nullopt, 20)) << "a stored picture becomes the wallpaper";
    Sleep(1000);
    const std::optional<std::string> held = WallpaperBytes();

    ChildProcess game;
    ASSERT_TRUE(game.Start(FullScreenWindow(), L"KestraneE2E"));
    HWND cover = desktop.WaitForWindow(L"KestraneFullScreenTest", game.GetId(), 10000);
    ASSERT_NE(cover, nullptr);
    const unsigned long long covered = NowMs();
    Watch watch(desktop);
    watch.Until(covered + 6000);  // the next tick sees the program
    // A download by hand acts, finds no service, and has a balloon to tell.
    PostMessageW(window, WM_COMMAND, ID_DOWNLOAD_NOW, 0);
    watch.Until(covered + 120 * 1000);
    EXPECT_EQ(watch.changes, 0) << "a change due every minute, none for two minutes";
    EXPECT_EQ(watch.balloons, 0) << "the balloon waits too";

    PostMessageW(cover, WM_CLOSE, 0, 0);
    ASSERT_EQ(game.WaitForExit(10000), std::optional<DWORD>(0));
    const unsigned long long closed = NowMs();
    ASSERT_TRUE(WallpaperChangesFrom(held, 20)) << "the change that waited comes when the program ends";
    EXPECT_LE(NowMs() - closed, 10000u) << "within the next tick (5 s) and its rendering";
    EXPECT_TRUE(WaitUntil([&] { return desktop.BalloonShown(); }, 10)) << "and so does the balloon";
    const std::optional<std::string> after = WallpaperBytes();
    EXPECT_FALSE(WallpaperChangesFrom(after, 45)) << "one change for the missed minutes, not one each";
    EXPECT_TRUE(WallpaperChangesFrom(after, 30)) << "then a minute after it, as always";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
}

TEST_F(QuietEndToEnd, WithTheServiceAwayForTenMinutesTheCycleGoesOnAndDownloadsBackOff) {
    ProgramFolder folder;
    // The next download falls due five minutes in, while the service is away.
    const std::time_t started = std::time(nullptr);
    ASSERT_TRUE(OwnWallpaperAndThreeStoredPictures(folder, ServiceUrl(), started - 3 * 3600 + 300));
    ServiceFault(R"({"mode": "drop"})");  // every request closed unanswered, as by a service gone
    WineDesktop desktop;
    ChildProcess kestrane;
    HWND window = desktop.StartKestrane(folder.Executable(), kestrane);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WallpaperChangesFrom(std::nullopt, 20)) << "a stored picture becomes the wallpaper";

    const unsigned long long stopped = NowMs();
    Watch watch(desktop);
    watch.Until(stopped + 10 * 60 * 1000);
    EXPECT_GE(watch.changes, 8) << "the stored pictures go on changing every minute";
    EXPECT_EQ(watch.balloons, 1) << "one balloon when the outage started, none while it lasts";
    EXPECT_FALSE(watch.boxShown) << "no error box";
    const std::vector<LoggedRequest> away = RequestsTo(kImageList);
    for (const LoggedRequest& request : away)
        std::printf("image list at %+.1f s: %s\n", request.time - started, request.status.c_str());
    ASSERT_EQ(away.size(), 3u) << "due at 5 minutes, then 1 and 2 minutes later";
    EXPECT_NEAR(away[0].time - started, 300, 15);
    EXPECT_NEAR(away[1].time - away[0].time, 60, 10);
    EXPECT_NEAR(away[2].time - away[1].time, 120, 10);
    EXPECT_EQ(CountAfter(RequestsTo(kHeartbeat), away[0].time), 0u) << "no heartbeats while the service is away";

    // The service is back: the next attempt, one step (4 minutes) after the last, brings images.
    ServiceControl(L"DELETE", L"/_control/faults");
    std::vector<LoggedRequest> answered;
    const bool arrived = watch.Until(NowMs() + 6 * 60 * 1000, [&] {
        answered = RequestsTo(kImageList);
        return answered.size() > away.size() && answered.back().status == "200";
    });
    for (size_t i = away.size(); i < answered.size(); ++i)
        std::printf("image list at %+.1f s: %s\n", answered[i].time - started, answered[i].status.c_str());
    ASSERT_TRUE(arrived) << "a download within one step of the service's return";
    EXPECT_NEAR(answered.back().time - away.back().time, 240, 15);
    EXPECT_TRUE(watch.Until(NowMs() + 60 * 1000, [&] { return watch.balloons == 2; }))
        << "a balloon says new wallpapers are arriving again";
    EXPECT_FALSE(watch.boxShown);

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(kestrane.WaitForExit(20000), std::optional<DWORD>(0));
}
