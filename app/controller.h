#pragma once
// The program's logic core: start-up, the exit sequence and (as they arrive) the wallpaper
// cycle, the account and self-update. A small handle on one shared record, so that jobs
// bound to it keep it alive while they run.
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

    // Loads the strings and config.xml, starts the job thread, handles first run and
    // upgrade. False when start-up cannot go on (no string map).
    bool Init();
    bool Start();
    // Posts the exit job (once); the job ends in IUI::RequestExit.
    void Exit();
    // Waits for the "Controller" job thread to end.
    void WaitForCompletion();

    // The user's proxy choice, for the downloader's next request.
    void ApplyProxySettings();

    // Hides or shows the desktop icons (when the shell has an icon view) and remembers it.
    void SetDesktopIconsHidden(bool hidden);
    void SetIconTextTransparent(bool transparent);
    // Puts the user's own wallpaper back and freezes the cycle.
    void RestoreOldWallpaper();

    // The wallpaper cycle. ShowImage queues the request; one job on the "Controller" thread
    // takes every queued request and renders once.
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

    // Asks the service for the newest version unless a check is under way; a newer one is
    // downloaded into the update folder, checked and, through IUI, installed.
    void CheckUpdate();
    // Starts the installer silently; the installer closes this program and replaces it.
    void InstallUpdate(const Path& installer);

    // The desktop's wallpaper when it is neither ours nor the one recorded as the user's: the
    // user chose it since. Asked before Start, so that nothing of ours is on the desktop yet.
    std::optional<WallpaperDescription> FindNewUserWallpaper() const;
    void SaveAsOldWallpaper(const WallpaperDescription& wallpaper);
    void SetFreeze(bool frozen);

    // The image on the desktop (the favourite shown, else the cursor's downloaded image); null
    // for a local picture or when there is none.
    ImagePtr GetCurrentImage() const;
    // The signed-in user's favourites, as the service last listed them.
    FavoriteListPtr GetFavorites() const;
    // Shows one favourite instead of the cycle's image and freezes the cycle; nothing happens
    // when its package is missing.
    void ShowFavoriteImage(const ImagePtr& image);

    struct Impl;

private:
    friend class ControllerAccess;  // the tests reach the record and the callbacks

    explicit Controller(std::shared_ptr<Impl> impl) : m_impl(std::move(impl)) {}
    void OnImageList(const ImageListPtr& images, bool moreToCome);
    void OnDownloadError(int type);
    void OnSignInState(const SignInData& data);
    void OnLoginSuccess();
    void OnLoginFail(const std::wstring& message);
    void OnAccountFail(const std::wstring& textId, const std::wstring& message, const std::wstring& titleId);
    void RequestFavorite(int pid, bool add);
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
