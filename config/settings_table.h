#pragma once
// Every setting, once. Settings makes of each line its Field, its value in Settings::Values,
// its accessors GetName and SetName, its change notification and its place in config.xml;
// the options sheet's draft copies and commits it from the same line.
//
//   X(Name, Type, member, initial, form, rule)
//     Name     the Field, the accessors and the config.xml element (SlientUpdate is spelt as
//              the files of every earlier version spell it)
//     Type     what the accessors take and give, as named inside Settings
//     member   the value in Settings::Values
//     initial  the value before anything is set or read
//     form     how config.xml holds it (SettingForm in settings_file.cpp): Saved, SavedIfChanged
//              (left out while it is the initial value), SavedPastTime (a time in the future
//              reads as none), SavedEmptyToo (an empty element reads as the empty value),
//              ByHand (read and written by hand there), NotSaved (run-time state)
//     rule     what the setter stores of the value it is given, or refuses (settings.cpp)
//
// OWN lines have the same columns but no rule: their accessors are written by hand, because
// setting them does more than store a value. The order is the order of config.xml.
// clang-format off
#define KESTRANE_SETTINGS(X, OWN) \
    X(Version,                  std::wstring,         version,                  {},               ByHand,         Any) \
    X(DebugMode,                bool,                 debugMode,                false,            SavedIfChanged, Any) \
    X(LastDownloadTime,         std::int64_t,         lastDownloadTime,         0,                SavedPastTime,  ZeroIsNow) \
    X(DownloadFrequency,        int,                  downloadFrequency,        3,                Saved,          Range(1, INT_MAX)) /* hours */ \
    X(ChangeFrequency,          int,                  changeFrequency,          5,                Saved,          Range(1, INT_MAX)) /* minutes */ \
    X(LastCheckUpdateTime,      std::int64_t,         lastCheckUpdateTime,      0,                SavedPastTime,  ZeroIsNow) \
    X(Username,                 std::wstring,         username,                 {},               SavedIfChanged, Any) \
    X(Tags,                     std::wstring,         tags,                     L"\u98CE\u5149",  SavedEmptyToo,  CategoryIds) /* the scenery category's display name */ \
    X(Pos,                      Point,                pos,                      (Point{kUnsetPosition, kUnsetPosition}), Saved, Any) \
    X(AutoUpdate,               bool,                 autoUpdate,               true,             Saved,          Any) \
    X(SlientUpdate,             bool,                 slientUpdate,             false,            Saved,          Any) \
    X(HideDesktopIcons,         bool,                 hideDesktopIcons,         false,            Saved,          Any) \
    X(FrameType,                int,                  frameType,                2,                Saved,          Range(0, 2)) \
    X(FrameColor,               std::uint32_t,        frameColor,               0xFFFFFF,         Saved,          Any) /* or kDesktopColorMarker */ \
    X(Template,                 std::wstring,         templateName,             {},               Saved,          PlainFolderName) \
    X(UseTemplate,              bool,                 useTemplate,              false,            Saved,          Any) \
    X(StretchPercent,           int,                  stretchPercent,           0,                Saved,          Range(0, 10)) \
    X(OldWallpaper,             WallpaperDescription, oldWallpaper,             {},               Saved,          Any) \
    X(HotKeys,                  HotKeyMap,            hotKeys,                  GetDefaultHotKeys(), Saved,       Any) \
    X(RefusedHotKeys,           std::wstring,         refusedHotKeys,           {},               SavedIfChanged, Any) /* the refusal last shown in a box */ \
    X(ProxyType,                std::wstring,         proxyType,                L"NoProxy",       Saved,          Any) \
    X(ProxyServer,              std::wstring,         proxyServer,              {},               Saved,          Any) \
    X(ProxyUsername,            std::wstring,         proxyUsername,            {},               Saved,          Any) \
    X(ProxyPassword,            std::wstring,         proxyPassword,            {},               Saved,          Any) \
    X(UseLocalImage,            bool,                 useLocalImage,            false,            Saved,          Any) \
    X(ShuffleLocalImage,        bool,                 shuffleLocalImage,        true,             Saved,          Any) \
    X(LocalImageInterval,       int,                  localImageInterval,       3,                Saved,          Range(0, kMaxLocalImageInterval)) \
    X(LocalImagePath,           Path,                 localImagePath,           {},               Saved,          Any) \
    X(Transparent,              int,                  transparent,              225,              Saved,          Range(0, 255)) /* the main window's alpha */ \
    X(DesktopTextBkTransparent, bool,                 desktopTextBkTransparent, false,            Saved,          Any) \
    X(ShowCaption,              bool,                 showCaption,              false,            Saved,          Any) /* the picture's name on the wallpaper */ \
    X(PauseWhileFullScreen,     bool,                 pauseWhileFullScreen,     true,             Saved,          Any) /* automatic changes and balloons */ \
    X(PauseOnBattery,           bool,                 pauseOnBattery,           true,             Saved,          Any) /* automatic changes and downloads */ \
    X(ServiceUrl,               std::wstring,         serviceUrl,               KESTRANE_SERVICE_URL, SavedIfChanged, ServiceAddress) \
    X(PartnerUrl,               std::wstring,         partnerUrl,               KESTRANE_PARTNER_URL, SavedIfChanged, ServiceAddress) \
    X(Password,                 std::wstring,         password,                 {},               NotSaved,       Any) \
    X(LoginState,               int,                  loginState,               kLoggedOut,       NotSaved,       Any) \
    X(Freeze,                   bool,                 freeze,                   false,            NotSaved,       Any) \
    X(LoginRecord,              LoginRecord,          login,                    {},               NotSaved,       Any) \
    OWN(PartnerId,              std::wstring,         partnerId,                {},               NotSaved)
// clang-format on
