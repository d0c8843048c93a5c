#pragma once
// The program's logic core: start-up, the exit sequence, the wallpaper cycle, the account and
// self-update. A small handle on one record that only the "Controller" job thread touches:
// every operation below posts its work there and answers through IUI, so the caller (the
// window thread) never waits for disk, network, decoding or the shell. Construction and Init
// are the exception: they run before the window is up.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "config/settings.h"
#include "config/wallpaper_description.h"
#include "store/image.h"

class IUI;
struct SignInData;
struct VersionInfo;

class Controller {
public:
    enum ImageToBeShown { ShowPrevious = -1, ShowCurrent = 0, ShowNext = 1 };

    Controller(IUI* ui, std::shared_ptr<Settings> settings);

    struct StartUp {
        bool ok = false;  // false: start-up cannot go on (no string map)
        // The desktop's wallpaper when it is neither ours nor the one recorded as the user's:
        // the user chose it since. Looked at before anything of ours is on the desktop.
        std::optional<WallpaperDescription> newUserWallpaper;
    };
    // Synchronous, on the caller's thread, before the window shows: loads the strings and
    // config.xml, starts the job thread, handles first run and upgrade, and hands the first
    // state to IUI.
    StartUp Init();
    // Starts the tick (a window timer that only posts Tick) and posts the start of the cycle.
    void Start();
    // Posts the exit job (once); the job ends in IUI::RequestExit.
    void Exit();
    // Waits for the "Controller" job thread to end.
    void WaitForCompletion();

    // The user's proxy choice, for the downloader's next request.
    void ApplyProxySettings();

    // Hides or shows the desktop icons (when the shell has an icon view) and remembers it.
    void SetDesktopIconsHidden(bool hidden);
    void ToggleDesktopIconsHidden();
    // Puts the user's own wallpaper back and freezes the cycle.
    void RestoreOldWallpaper();

    // The wallpaper cycle. Requests are queued; one show job takes every queued request and
    // renders once.
    void ShowImage(ImageToBeShown which, bool force);
    void Tick();
    void DownloadImages(bool restart);
    void LoadLocalImages();
    void Heartbeat();
    // Signs in with the user name and the password's digest, as the login dialog gives them;
    // the outcome is told through IUI.
    void Login(const std::wstring& username, const std::wstring& passwordDigest);
    void Logout();
    // Asks the service to keep or to drop one image (by its id); the outcome is told through IUI.
    void AddFavorite(int pid);
    void DeleteFavorite(int pid);
    // Opens the service's category page of the current image in the browser.
    void ManageCategory();

    // Asks the service for the newest version unless a check is under way; a newer one is
    // downloaded into the update folder, checked and, through IUI, installed.
    void CheckUpdate();
    // Starts the installer silently; the installer closes this program and replaces it.
    void InstallUpdate(const Path& installer);

    void SaveAsOldWallpaper(const WallpaperDescription& wallpaper);
    // Writes config.xml with the settings as they are (a failure is logged, the values stay).
    void SaveSettings();
    void SetFreeze(bool frozen);
    void ToggleFreeze();
    // Shows one favourite instead of the cycle's image and freezes the cycle; nothing happens
    // when its package is missing.
    void ShowFavoriteImage(const ImagePtr& image);
    // Never shows the picture on the desktop again, and shows the next: a downloaded one is
    // banned by its id (its package is removed, and a favourite leaves the favourites), a
    // picture of the user's folder by its path (the file stays).
    void NeverShowCurrent();
    // Writes a copy of the picture on the desktop into the user's Pictures folder, under
    // "Kestrane", named after its category and the day it came: the package's picture byte for
    // byte as the service sent it, or the user's own file as it is. Told through IUI.
    void SavePicture();

    struct Impl;

private:
    friend class ControllerAccess;  // the tests reach the record and the callbacks
    friend struct Impl;

    explicit Controller(std::shared_ptr<Impl> impl) : m_impl(std::move(impl)) {}
    // Runs the work on the Controller thread, whichever thread asks; nothing once it has stopped.
    void Post(std::function<void(Controller&)> work) const;
    static void PostTo(const std::weak_ptr<Impl>& weak, std::function<void(Controller&)> work);

    // The operations' work, on the Controller thread.
    void StartJob();
    // False when nothing was queued (frozen, and not forced).
    bool QueueShow(ImageToBeShown which, bool force);
    void RunTick();
    void StartDownload(bool restart);
    void ScanLocalImages();
    void StartHeartbeat();
    void StartCheckUpdate();
    void RunInstaller(const Path& installer);
    void ChangeFreeze(bool frozen);
    // Looks at the pause signals the settings ask for; the end of a pause lets the show it
    // held go.
    void UpdatePause();
    // A show the cycle makes by itself, not for the user: it waits while changes are paused.
    bool QueueAutomaticShow(ImageToBeShown which);
    void ChangeDesktopIcons(bool hidden);
    void RequestFavorite(int pid, bool add);
    void BanCurrent();
    void SaveCurrent();

    // The downloader's answers, posted to the Controller thread.
    void OnImageList(const ImageListPtr& images, bool moreToCome);
    // A download of images failed: the outage's reckoning, then the common handler.
    void OnDownloadError(int type, const std::wstring& message);
    // The common handler of failed requests: a sign-in the categories need is asked for.
    void OnRequestError(int type);
    void OnSignInState(const SignInData& data);
    void OnLoginSuccess();
    void OnLoginFail(const std::wstring& message);
    void OnAccountFail(const std::wstring& textId, const std::wstring& message, const std::wstring& titleId);
    void OnFavoritesDone(int pid, bool add);
    void OnFavoritesError(const std::wstring& message, bool add);
    void OnHeartbeatDone();
    void OnVersionInfo(const VersionInfo& info);
    void OnUpdateDownloaded(const VersionInfo& info, const Path& installer);
    // The one place the application reacts to a changed setting.
    void FollowSettings();
    void OnSettingChanged(const Settings::Changes& changes);

    std::shared_ptr<Impl> m_impl;
};
