#pragma once
// What the window shows of the Controller, as one immutable record: the Controller makes a
// new one on its own thread after each change and hands it over through IUI::UpdateState.
// The window keeps the last one; nothing in it changes once it is handed over.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/path.h"
#include "config/settings.h"
#include "store/image.h"

// A favourite's thumbnail decoded for its menu item: kSize x kSize, 32-bit BGRA rows from the top.
struct Thumbnail {
    static constexpr int kSize = 25;
    std::vector<std::uint32_t> pixels;
};
using ThumbnailPtr = std::shared_ptr<const Thumbnail>;

// The middle square of the package's picture; null while the package does not load (its
// download may still be on its way).
ThumbnailPtr DecodeThumbnail(const Path& package);

struct ControllerState {
    // The image on the desktop (the favourite shown, else the cursor's downloaded image); null
    // for a local picture or when there is none.
    ImagePtr currentImage;
    // The name of the picture on the primary monitor (picture_name.h); empty: none.
    std::wstring currentPicture;
    // The signed-in user's favourites as the service last listed them, and the thumbnails
    // decoded so far, by thumbnail package path.
    FavoriteListPtr favorites;
    std::map<std::wstring, ThumbnailPtr> thumbnails;
    bool frozen = false;
    bool desktopIconsHidden = false;
    int loginState = Settings::kLoggedOut;
    Settings::LoginRecord loginRecord;
    // False while the recorded wallpaper is our own or none: nothing to go back to.
    bool canRestoreOldWallpaper = false;
    // Why automatic changes wait now: a program runs full screen, the battery asks for it.
    bool pausedForFullScreen = false;
    bool pausedForBattery = false;
    // A download found the service away, and no image has come since.
    bool serviceAway = false;
    // When new wallpapers last arrived (seconds since 1970); 0: never.
    std::int64_t lastNewWallpapers = 0;
};
using ControllerStatePtr = std::shared_ptr<const ControllerState>;
