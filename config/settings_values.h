#pragma once
// The record behind Settings; shared by its accessors and its file reader and writer.
#include "config/settings.h"

struct Settings::Values {
    bool debugMode = false;
    std::wstring tags = L"\u98CE\u5149";  // the scenery category's display name
    std::int64_t lastDownloadTime = 0;
    int downloadFrequency = 3;
    int changeFrequency = 5;
    std::wstring username;
    std::wstring password;
    Point pos{kUnsetPosition, kUnsetPosition};
    bool autoUpdate = true;
    bool slientUpdate = false;
    WallpaperDescription oldWallpaper;
    bool hideDesktopIcons = false;
    int frameType = 2;
    std::uint32_t frameColor = 0xFFFFFF;
    int stretchPercent = 0;
    std::wstring templateName;
    bool useTemplate = false;
    HotKeyMap hotKeys = GetDefaultHotKeys();
    std::wstring proxyType = L"NoProxy";
    std::wstring proxyServer;
    std::wstring proxyUsername;
    std::wstring proxyPassword;
    bool useLocalImage = false;
    bool shuffleLocalImage = true;
    Path localImagePath;
    int localImageInterval = 3;
    int transparent = 225;
    bool desktopTextBkTransparent = false;
    int loginState = kLoggedOut;
    bool freeze = false;
    std::int64_t lastCheckUpdateTime = 0;
    std::wstring version;
    HWND mainWindow = nullptr;
    LoginRecord login;
    std::wstring partnerId;
    std::vector<Category> categories;
    std::optional<std::wstring> serviceUrl;
    std::optional<std::wstring> partnerUrl;
};

template <typename T>
T Settings::Read(T Values::*member) const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_values.get()->*member;
}

template <typename T>
bool Settings::Write(T Values::*member, T value, Field field) {
    {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        T& stored = m_values.get()->*member;
        if (stored == value) return false;
        stored = std::move(value);
    }
    Notify(field);
    return true;
}
