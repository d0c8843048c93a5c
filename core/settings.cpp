#include "core/settings.h"

#include <windows.h>

#include <algorithm>
#include <ctime>
#include <set>

#include "core/settings_values.h"
#include "core/text.h"
#include "desktop/auto_start.h"
#include "ui/localization.h"

namespace {

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

// "http://host:port" with no trailing slash; anything else is refused.
std::optional<std::wstring> NormaliseServiceUrl(std::wstring url) {
    url = Path(url).str();  // trims blanks (and a URL holds no backslash to worry about)
    std::replace(url.begin(), url.end(), L'\\', L'/');
    while (!url.empty() && url.back() == L'/') url.pop_back();
    bool http = url.compare(0, 7, L"http://") == 0 && url.size() > 7;
    bool https = url.compare(0, 8, L"https://") == 0 && url.size() > 8;
    if (!http && !https) return std::nullopt;
    return url;
}

Path ExecutableDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0) return Path();
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return Path(buffer).Parent();
}

}  // namespace

std::shared_ptr<Settings> Settings::Get() {
    static std::shared_ptr<Settings> instance = std::make_shared<Settings>(ExecutableDirectory());
    return instance;
}

Settings::Settings(Path programDirectory)
    : m_programDirectory(std::move(programDirectory)), m_values(std::make_unique<Values>()) {
    m_values->categories = {{L"dongman", 1}, {L"dongwu", 1}, {L"fengguang", 1}, {L"qiche", 1},
                            {L"qita", 1},    {L"renwu", 1},  {L"xiezhen", 3},   {L"zhiwu", 1}};
}

Settings::~Settings() = default;

Path Settings::GetConfigPath() const { return m_programDirectory / L"config.xml"; }

void Settings::LockSave(bool lock) {
    std::lock_guard<std::mutex> guard(m_saveMutex);
    if (lock) m_saveLocked = true;  // once locked, locked for the life of the process
}

Settings::HotKeyMap Settings::GetDefaultHotKeys() {
    const std::uint16_t kWin = MOD_WIN;
    return {{L"Prev", {kWin, VK_PRIOR}}, {L"Next", {kWin, VK_NEXT}}, {L"ShowHideDesktopIcons", {kWin, VK_END}}};
}

bool Settings::GetDebugMode() const { return Read(&Values::debugMode); }
void Settings::SetDebugMode(bool on) { Write(&Values::debugMode, on); }

std::wstring Settings::GetTags() const { return Read(&Values::tags); }
void Settings::SetTags(const std::wstring& tags) {
    std::wstring normalised = NormaliseTags(tags);
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    m_values->tags = normalised;
}

// Category display names become ids, "All" goes, and the partner category stays only for
// the partner build (unless dropping it would leave nothing, then the tags stay as they were).
std::wstring Settings::NormaliseTags(const std::wstring& tags) const {
    std::set<std::wstring> names;
    size_t start = 0;
    while (start < tags.size()) {
        size_t end = tags.find_first_of(L" \t", start);
        if (end == std::wstring::npos) end = tags.size();
        if (end > start) names.insert(tags.substr(start, end - start));
        start = end + 1;
    }
    std::set<std::wstring> result;
    std::vector<Category> categories = GetCategories();
    // Display names of every language count: the default tags are a Chinese display name,
    // and a tag typed in one language must not turn into an unknown key in another.
    for (const std::wstring& name : names) {
        std::wstring id = name;
        for (const Category& category : categories) {
            std::vector<std::wstring> displayNames = StringMap::Instance().GetAllTexts(L"Category_" + category.id);
            if (std::find(displayNames.begin(), displayNames.end(), name) != displayNames.end()) {
                id = category.id;
                break;
            }
        }
        result.insert(id);
    }
    result.erase(L"All");
    if (!EqualsIgnoringCase(GetPartnerId(), kPartnerId) && result.erase(kPartnerCategory) && result.empty())
        return GetTags();
    std::wstring joined;
    for (const std::wstring& name : result) joined += (joined.empty() ? L"" : L" ") + name;
    return joined;
}

std::int64_t Settings::GetLastDownloadTime() const { return Read(&Values::lastDownloadTime); }
void Settings::SetLastDownloadTime(std::int64_t seconds) { Write(&Values::lastDownloadTime, seconds ? seconds : Now()); }

int Settings::GetDownloadFrequency() const { return Read(&Values::downloadFrequency); }
void Settings::SetDownloadFrequency(int hours) {
    if (hours > 0) Write(&Values::downloadFrequency, hours);
}

int Settings::GetChangeFrequency() const { return Read(&Values::changeFrequency); }
void Settings::SetChangeFrequency(int minutes) {
    if (minutes > 0) Write(&Values::changeFrequency, minutes);
}

std::wstring Settings::GetUsername() const { return Read(&Values::username); }
void Settings::SetUsername(const std::wstring& name) { Write(&Values::username, name); }
std::wstring Settings::GetPassword() const { return Read(&Values::password); }
void Settings::SetPassword(const std::wstring& password) { Write(&Values::password, password); }

Settings::Point Settings::GetPos() const { return Read(&Values::pos); }
void Settings::SetPos(int x, int y) { Write(&Values::pos, Point{x, y}); }

bool Settings::GetAutoUpdate() const { return Read(&Values::autoUpdate); }
void Settings::SetAutoUpdate(bool on) { Write(&Values::autoUpdate, on); }
bool Settings::GetSlientUpdate() const { return Read(&Values::slientUpdate); }
void Settings::SetSlientUpdate(bool on) { Write(&Values::slientUpdate, on); }

WallpaperDescription Settings::GetOldWallpaper() const { return Read(&Values::oldWallpaper); }
void Settings::SetOldWallpaper(const WallpaperDescription& wallpaper) { Write(&Values::oldWallpaper, wallpaper); }

bool Settings::GetHideDesktopIcons() const { return Read(&Values::hideDesktopIcons); }
void Settings::SetHideDesktopIcons(bool hide) { Write(&Values::hideDesktopIcons, hide); }

int Settings::GetFrameType() const { return Read(&Values::frameType); }
void Settings::SetFrameType(int type) {
    if (type >= 0 && type < 3) Write(&Values::frameType, type);
}

std::uint32_t Settings::GetFrameColor() const { return Read(&Values::frameColor); }
std::uint32_t Settings::GetEffectiveFrameColor() const {
    std::uint32_t color = GetFrameColor();
    return color == kDesktopColorMarker ? static_cast<std::uint32_t>(GetSysColor(COLOR_BACKGROUND)) : color;
}
void Settings::SetFrameColor(std::uint32_t color) { Write(&Values::frameColor, color); }

int Settings::GetStretchPercent() const { return Read(&Values::stretchPercent); }
void Settings::SetStretchPercent(int percent) {
    if (percent >= 0 && percent <= 10) Write(&Values::stretchPercent, percent);
}

std::wstring Settings::GetTemplate() const { return Read(&Values::templateName); }
void Settings::SetTemplate(const std::wstring& name) { Write(&Values::templateName, name); }
bool Settings::GetUseTemplate() const { return Read(&Values::useTemplate); }
void Settings::SetUseTemplate(bool on) { Write(&Values::useTemplate, on); }

Settings::HotKeyMap Settings::GetHotKeys() const { return Read(&Values::hotKeys); }
void Settings::SetHotKeys(const HotKeyMap& keys) { Write(&Values::hotKeys, keys); }

std::wstring Settings::GetProxyType() const { return Read(&Values::proxyType); }
void Settings::SetProxyType(const std::wstring& type) { Write(&Values::proxyType, type); }
std::wstring Settings::GetProxyServer() const { return Read(&Values::proxyServer); }
void Settings::SetProxyServer(const std::wstring& server) { Write(&Values::proxyServer, server); }
std::wstring Settings::GetProxyUsername() const { return Read(&Values::proxyUsername); }
void Settings::SetProxyUsername(const std::wstring& name) { Write(&Values::proxyUsername, name); }
std::wstring Settings::GetProxyPassword() const { return Read(&Values::proxyPassword); }
void Settings::SetProxyPassword(const std::wstring& password) { Write(&Values::proxyPassword, password); }

bool Settings::GetUseLocalImage() const { return Read(&Values::useLocalImage); }
void Settings::SetUseLocalImage(bool on) { Write(&Values::useLocalImage, on); }
bool Settings::GetShuffleLocalImage() const { return Read(&Values::shuffleLocalImage); }
void Settings::SetShuffleLocalImage(bool on) { Write(&Values::shuffleLocalImage, on); }
Path Settings::GetLocalImagePath() const { return Read(&Values::localImagePath); }
void Settings::SetLocalImagePath(const Path& path) { Write(&Values::localImagePath, path); }
int Settings::GetLocalImageInterval() const { return Read(&Values::localImageInterval); }
void Settings::SetLocalImageInterval(int interval) { Write(&Values::localImageInterval, interval); }

int Settings::GetTransparent() const { return Read(&Values::transparent); }
void Settings::SetTransparent(int alpha) {
    if (alpha >= 0 && alpha <= 255) Write(&Values::transparent, alpha);
}
bool Settings::GetDesktopTextBkTransparent() const { return Read(&Values::desktopTextBkTransparent); }
void Settings::SetDesktopTextBkTransparent(bool on) { Write(&Values::desktopTextBkTransparent, on); }

std::int64_t Settings::GetLastCheckUpdateTime() const { return Read(&Values::lastCheckUpdateTime); }
void Settings::SetLastCheckUpdateTime(std::int64_t seconds) {
    Write(&Values::lastCheckUpdateTime, seconds ? seconds : Now());
}
std::wstring Settings::GetVersion() const { return Read(&Values::version); }
void Settings::SetVersion(const std::wstring& version) { Write(&Values::version, version); }

unsigned short Settings::GetLangId() const { return GetSelectedLangId(); }
void Settings::SetLangId(unsigned short langId) {
    SelectLanguage(langId);
    if (GetSelectedLangId() == langId) Save();
}

std::wstring Settings::GetServiceUrl() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_values->serviceUrl.value_or(KESTRANE_SERVICE_URL);
}
void Settings::SetServiceUrl(const std::wstring& url) {
    if (auto normalised = NormaliseServiceUrl(url)) Write(&Values::serviceUrl, normalised);
}
std::wstring Settings::GetPartnerUrl() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_values->partnerUrl.value_or(KESTRANE_PARTNER_URL);
}
void Settings::SetPartnerUrl(const std::wstring& url) {
    if (auto normalised = NormaliseServiceUrl(url)) Write(&Values::partnerUrl, normalised);
}
std::wstring Settings::GetImageListUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/image.php"; }
std::wstring Settings::GetCheckUpdateUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/checkupdate.php"; }
std::wstring Settings::GetRegisterUrl() const { return GetServiceUrl() + L"/reg.php"; }
std::wstring Settings::GetLoginUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/login.php"; }
std::wstring Settings::GetLogoutUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/logout.php"; }
std::wstring Settings::GetHeartbeatUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/heartbeat.php"; }
std::wstring Settings::GetFavoritesUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/favorites.php"; }

int Settings::GetLoginState() const { return Read(&Values::loginState); }
void Settings::SetLoginState(int state) { Write(&Values::loginState, state); }
bool Settings::GetFreeze() const { return Read(&Values::freeze); }
void Settings::SetFreeze(bool frozen) { Write(&Values::freeze, frozen); }
HWND Settings::GetMainWindow() const { return Read(&Values::mainWindow); }
void Settings::SetMainWindow(HWND window) { Write(&Values::mainWindow, window); }
Settings::LoginRecord Settings::GetLoginRecord() const { return Read(&Values::login); }
void Settings::SetLoginRecord(const LoginRecord& record) { Write(&Values::login, record); }
Settings::FavoriteListPtr Settings::GetFavorites() const { return Read(&Values::favorites); }
void Settings::SetFavorites(FavoriteListPtr favorites) { Write(&Values::favorites, std::move(favorites)); }
std::vector<Settings::Category> Settings::GetCategories() const { return Read(&Values::categories); }

std::wstring Settings::GetPartnerId() const { return Read(&Values::partnerId); }
void Settings::SetPartnerId(const std::wstring& id) {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    m_values->partnerId = id;
    if (!EqualsIgnoringCase(id, kPartnerId)) return;
    auto& categories = m_values->categories;
    bool present = std::any_of(categories.begin(), categories.end(),
                               [](const Category& c) { return c.id == kPartnerCategory; });
    if (!present) categories.insert(categories.begin(), Category{kPartnerCategory, kQuickMenuCategory | kPartnerOnly});
    m_values->tags = kPartnerCategory;
}

Settings::ImagePtr Settings::GetOverrideImage() const { return Read(&Values::overrideImage); }
void Settings::SetOverrideImage(ImagePtr image) { Write(&Values::overrideImage, std::move(image)); }
Settings::ImageListPtr Settings::GetDownloadedImages() const { return Read(&Values::downloadedImages); }
void Settings::SetDownloadedImages(ImageListPtr images) {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (images && !images->empty()) m_values->cursor.downloadedIndex = 0;
    m_values->downloadedImages = std::move(images);
}
Settings::LocalImageListPtr Settings::GetLocalImages() const { return Read(&Values::localImages); }
void Settings::SetLocalImages(LocalImageListPtr images) {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (images && !images->empty()) m_values->cursor.localIndex = 0;
    m_values->localImages = std::move(images);
}
Settings::ImageCursor Settings::GetImageCursor() const { return Read(&Values::cursor); }
void Settings::SetImagePhase(int phase) {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    m_values->cursor.phase = phase;
}
void Settings::SetDownloadedIndex(int index) {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const auto& list = m_values->downloadedImages;
    if (list && index >= 0 && static_cast<size_t>(index) < list->size()) m_values->cursor.downloadedIndex = index;
}
void Settings::SetLocalIndex(int index) {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const auto& list = m_values->localImages;
    if (list && index >= 0 && static_cast<size_t>(index) < list->size()) m_values->cursor.localIndex = index;
}

bool Settings::IsAutoStartEnabled() const { return ::IsAutoStartEnabled(); }
void Settings::SetAutoStartEnabled(bool on) { ::SetAutoStartEnabled(on); }

Settings::Point Settings::GetScreenSize() { return Point{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

Settings::Rect Settings::GetWorkArea() {
    RECT area;
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return Rect{area.left, area.top, area.right, area.bottom};
    Point screen = GetScreenSize();
    return Rect{0, 0, screen.x, screen.y};
}
