#include "config/settings.h"

#include <windows.h>

#include <algorithm>
#include <ctime>
#include <set>

#include "base/localization.h"
#include "base/text.h"
#include "config/settings_values.h"
#include "config/user_folder.h"

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
    static std::shared_ptr<Settings> instance = [] {
        Path program = ExecutableDirectory();
        return std::make_shared<Settings>(program, ChooseUserFolder(program, LocalUserFolder()));
    }();
    return instance;
}

Settings::Settings(Path programDirectory) : Settings(programDirectory, programDirectory) {}

Settings::Settings(Path programDirectory, Path userDirectory)
    : m_programDirectory(std::move(programDirectory)),
      m_userDirectory(std::move(userDirectory)),
      m_values(std::make_unique<Values>()) {
    m_values->categories = {{L"dongman", 1}, {L"dongwu", 1}, {L"fengguang", 1}, {L"qiche", 1},
                            {L"qita", 1},    {L"renwu", 1},  {L"xiezhen", 3},   {L"zhiwu", 1}};
}

Settings::~Settings() = default;

int Settings::Subscribe(Observer observer) {
    std::lock_guard<std::mutex> guard(m_observersMutex);
    int id = m_nextObserverId++;
    m_observers.emplace_back(id, std::make_shared<const Observer>(std::move(observer)));
    return id;
}

void Settings::Unsubscribe(int id) {
    std::lock_guard<std::mutex> guard(m_observersMutex);
    m_observers.erase(
        std::remove_if(m_observers.begin(), m_observers.end(), [id](const auto& entry) { return entry.first == id; }),
        m_observers.end());
}

void Settings::Notify(Field field) {
    {
        // Inside a batch of this thread the change waits for the batch's end. Another thread's
        // setter waits here until the batch is over, so it is never told inside one.
        std::lock_guard<std::recursive_mutex> guard(m_batchMutex);
        if (m_batchDepth > 0) {
            m_batchChanges.Add(field);
            return;
        }
    }
    NotifyAll(Changes(field));
}

void Settings::NotifyAll(const Changes& changes) {
    std::vector<std::shared_ptr<const Observer>> observers;
    {
        std::lock_guard<std::mutex> guard(m_observersMutex);
        for (const auto& entry : m_observers) observers.push_back(entry.second);
    }
    for (const auto& observer : observers) (*observer)(changes);
}

Settings::Changes Settings::Batch(const std::function<void(Settings&)>& edit) {
    Changes changes;
    {
        std::lock_guard<std::recursive_mutex> guard(m_batchMutex);
        ++m_batchDepth;
        try {
            edit(*this);
        } catch (...) {
            --m_batchDepth;
            throw;
        }
        if (--m_batchDepth == 0) std::swap(changes, m_batchChanges);
    }
    if (!changes.Empty()) NotifyAll(changes);
    return changes;
}

Path Settings::GetConfigPath() const { return m_userDirectory / kConfigFileName; }

void Settings::LockSave(bool lock) {
    std::lock_guard<std::mutex> guard(m_saveMutex);
    if (lock) m_saveLocked = true;  // once locked, locked for the life of the process
}

Settings::HotKeyMap Settings::GetDefaultHotKeys() {
    const std::uint16_t kWin = MOD_WIN;
    return {{L"Prev", {kWin, VK_PRIOR}}, {L"Next", {kWin, VK_NEXT}}, {L"ShowHideDesktopIcons", {kWin, VK_END}}};
}

bool Settings::GetDebugMode() const { return Read(&Values::debugMode); }
void Settings::SetDebugMode(bool on) { Write(&Values::debugMode, on, Field::DebugMode); }

std::set<std::wstring> SplitTags(const std::wstring& tags) {
    std::set<std::wstring> names;
    size_t start = 0;
    while (start < tags.size()) {
        size_t end = tags.find_first_of(L" \t", start);
        if (end == std::wstring::npos) end = tags.size();
        if (end > start) names.insert(tags.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::wstring Settings::GetTags() const { return Read(&Values::tags); }
void Settings::SetTags(const std::wstring& tags) { Write(&Values::tags, NormaliseTags(tags), Field::Tags); }

// Category display names become ids, "All" goes, and the partner category stays only for
// the partner build (unless dropping it would leave nothing, then the tags stay as they were).
std::wstring Settings::NormaliseTags(const std::wstring& tags) const {
    const std::set<std::wstring> names = SplitTags(tags);
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
void Settings::SetLastDownloadTime(std::int64_t seconds) {
    Write(&Values::lastDownloadTime, seconds ? seconds : Now(), Field::LastDownloadTime);
}

int Settings::GetDownloadFrequency() const { return Read(&Values::downloadFrequency); }
void Settings::SetDownloadFrequency(int hours) {
    if (hours > 0) Write(&Values::downloadFrequency, hours, Field::DownloadFrequency);
}

int Settings::GetChangeFrequency() const { return Read(&Values::changeFrequency); }
void Settings::SetChangeFrequency(int minutes) {
    if (minutes > 0) Write(&Values::changeFrequency, minutes, Field::ChangeFrequency);
}

std::wstring Settings::GetUsername() const { return Read(&Values::username); }
void Settings::SetUsername(const std::wstring& name) { Write(&Values::username, name, Field::Username); }
std::wstring Settings::GetPassword() const { return Read(&Values::password); }
void Settings::SetPassword(const std::wstring& password) { Write(&Values::password, password, Field::Password); }

Settings::Point Settings::GetPos() const { return Read(&Values::pos); }
void Settings::SetPos(int x, int y) { Write(&Values::pos, Point{x, y}, Field::Pos); }

bool Settings::GetAutoUpdate() const { return Read(&Values::autoUpdate); }
void Settings::SetAutoUpdate(bool on) { Write(&Values::autoUpdate, on, Field::AutoUpdate); }
bool Settings::GetSlientUpdate() const { return Read(&Values::slientUpdate); }
void Settings::SetSlientUpdate(bool on) { Write(&Values::slientUpdate, on, Field::SlientUpdate); }

WallpaperDescription Settings::GetOldWallpaper() const { return Read(&Values::oldWallpaper); }
void Settings::SetOldWallpaper(const WallpaperDescription& wallpaper) {
    Write(&Values::oldWallpaper, wallpaper, Field::OldWallpaper);
}

bool Settings::GetHideDesktopIcons() const { return Read(&Values::hideDesktopIcons); }
void Settings::SetHideDesktopIcons(bool hide) { Write(&Values::hideDesktopIcons, hide, Field::HideDesktopIcons); }

int Settings::GetFrameType() const { return Read(&Values::frameType); }
void Settings::SetFrameType(int type) {
    if (type >= 0 && type < 3) Write(&Values::frameType, type, Field::FrameType);
}

std::uint32_t Settings::GetFrameColor() const { return Read(&Values::frameColor); }
std::uint32_t Settings::GetEffectiveFrameColor() const {
    std::uint32_t color = GetFrameColor();
    return color == kDesktopColorMarker ? static_cast<std::uint32_t>(GetSysColor(COLOR_BACKGROUND)) : color;
}
void Settings::SetFrameColor(std::uint32_t color) { Write(&Values::frameColor, color, Field::FrameColor); }

int Settings::GetStretchPercent() const { return Read(&Values::stretchPercent); }
void Settings::SetStretchPercent(int percent) {
    if (percent >= 0 && percent <= 10) Write(&Values::stretchPercent, percent, Field::StretchPercent);
}

// A name the templates folder joins to without leaving itself; empty (no template) otherwise.
std::wstring Settings::NormaliseTemplateName(const std::wstring& name) {
    constexpr size_t kMaxFolderName = 255;
    const std::wstring trimmed = Trim(name);
    const bool plain = !trimmed.empty() && trimmed != L"." && trimmed.size() <= kMaxFolderName &&
                       trimmed.find(L"..") == std::wstring::npos &&
                       std::none_of(trimmed.begin(), trimmed.end(), [](wchar_t c) {
                           return c < 0x20 || c == 0x7F || c == L'\\' || c == L'/' || c == L':';
                       });
    return plain ? trimmed : std::wstring();
}

std::wstring Settings::GetTemplate() const { return Read(&Values::templateName); }
void Settings::SetTemplate(const std::wstring& name) {
    Write(&Values::templateName, NormaliseTemplateName(name), Field::Template);
}
bool Settings::GetUseTemplate() const { return Read(&Values::useTemplate); }
void Settings::SetUseTemplate(bool on) { Write(&Values::useTemplate, on, Field::UseTemplate); }

Settings::HotKeyMap Settings::GetHotKeys() const { return Read(&Values::hotKeys); }
void Settings::SetHotKeys(const HotKeyMap& keys) { Write(&Values::hotKeys, keys, Field::HotKeys); }

std::wstring Settings::GetProxyType() const { return Read(&Values::proxyType); }
void Settings::SetProxyType(const std::wstring& type) { Write(&Values::proxyType, type, Field::ProxyType); }
std::wstring Settings::GetProxyServer() const { return Read(&Values::proxyServer); }
void Settings::SetProxyServer(const std::wstring& server) { Write(&Values::proxyServer, server, Field::ProxyServer); }
std::wstring Settings::GetProxyUsername() const { return Read(&Values::proxyUsername); }
void Settings::SetProxyUsername(const std::wstring& name) { Write(&Values::proxyUsername, name, Field::ProxyUsername); }
std::wstring Settings::GetProxyPassword() const { return Read(&Values::proxyPassword); }
void Settings::SetProxyPassword(const std::wstring& password) {
    Write(&Values::proxyPassword, password, Field::ProxyPassword);
}

bool Settings::GetUseLocalImage() const { return Read(&Values::useLocalImage); }
void Settings::SetUseLocalImage(bool on) { Write(&Values::useLocalImage, on, Field::UseLocalImage); }
bool Settings::GetShuffleLocalImage() const { return Read(&Values::shuffleLocalImage); }
void Settings::SetShuffleLocalImage(bool on) { Write(&Values::shuffleLocalImage, on, Field::ShuffleLocalImage); }
Path Settings::GetLocalImagePath() const { return Read(&Values::localImagePath); }
void Settings::SetLocalImagePath(const Path& path) { Write(&Values::localImagePath, path, Field::LocalImagePath); }
int Settings::GetLocalImageInterval() const { return Read(&Values::localImageInterval); }
void Settings::SetLocalImageInterval(int interval) {
    // 0 mixes no local picture in; more than a thousand downloaded images between two local
    // pictures is no rhythm anybody means.
    if (interval >= 0 && interval <= kMaxLocalImageInterval)
        Write(&Values::localImageInterval, interval, Field::LocalImageInterval);
}

int Settings::GetTransparent() const { return Read(&Values::transparent); }
void Settings::SetTransparent(int alpha) {
    if (alpha >= 0 && alpha <= 255) Write(&Values::transparent, alpha, Field::Transparent);
}
bool Settings::GetDesktopTextBkTransparent() const { return Read(&Values::desktopTextBkTransparent); }
void Settings::SetDesktopTextBkTransparent(bool on) {
    Write(&Values::desktopTextBkTransparent, on, Field::DesktopTextBkTransparent);
}

std::int64_t Settings::GetLastCheckUpdateTime() const { return Read(&Values::lastCheckUpdateTime); }
void Settings::SetLastCheckUpdateTime(std::int64_t seconds) {
    Write(&Values::lastCheckUpdateTime, seconds ? seconds : Now(), Field::LastCheckUpdateTime);
}
std::wstring Settings::GetVersion() const { return Read(&Values::version); }
void Settings::SetVersion(const std::wstring& version) { Write(&Values::version, version, Field::Version); }

unsigned short Settings::GetLangId() const { return GetSelectedLangId(); }
void Settings::SetLangId(unsigned short langId) {
    unsigned short before = GetSelectedLangId();
    SelectLanguage(langId);
    if (GetSelectedLangId() != langId) return;
    Save();
    if (before != langId) Notify(Field::LangId);
}

std::wstring Settings::GetServiceUrl() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_values->serviceUrl.value_or(KESTRANE_SERVICE_URL);
}
void Settings::SetServiceUrl(const std::wstring& url) {
    if (auto normalised = NormaliseServiceUrl(url)) Write(&Values::serviceUrl, normalised, Field::ServiceUrl);
}
std::wstring Settings::GetPartnerUrl() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_values->partnerUrl.value_or(KESTRANE_PARTNER_URL);
}
void Settings::SetPartnerUrl(const std::wstring& url) {
    if (auto normalised = NormaliseServiceUrl(url)) Write(&Values::partnerUrl, normalised, Field::PartnerUrl);
}
std::wstring Settings::GetImageListUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/image.php"; }
std::wstring Settings::GetCheckUpdateUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/checkupdate.php"; }
std::wstring Settings::GetRegisterUrl() const { return GetServiceUrl() + L"/reg.php"; }
std::wstring Settings::GetManageCategoryUrl(int imageId) const {
    return GetServiceUrl() + L"/admin/manage_category.php?pid=" + std::to_wstring(imageId);
}
std::wstring Settings::GetLoginUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/login.php"; }
std::wstring Settings::GetLogoutUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/logout.php"; }
std::wstring Settings::GetHeartbeatUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/heartbeat.php"; }
std::wstring Settings::GetFavoritesUrl() const { return GetServiceUrl() + L"/service/viewer/v1.0/favorites.php"; }

int Settings::GetLoginState() const { return Read(&Values::loginState); }
void Settings::SetLoginState(int state) { Write(&Values::loginState, state, Field::LoginState); }
bool Settings::GetFreeze() const { return Read(&Values::freeze); }
void Settings::SetFreeze(bool frozen) { Write(&Values::freeze, frozen, Field::Freeze); }
HWND Settings::GetMainWindow() const { return Read(&Values::mainWindow); }
void Settings::SetMainWindow(HWND window) { Write(&Values::mainWindow, window, Field::MainWindow); }
Settings::LoginRecord Settings::GetLoginRecord() const { return Read(&Values::login); }
void Settings::SetLoginRecord(const LoginRecord& record) { Write(&Values::login, record, Field::LoginRecord); }
std::vector<Settings::Category> Settings::GetCategories() const { return Read(&Values::categories); }

std::wstring Settings::GetPartnerId() const { return Read(&Values::partnerId); }
void Settings::SetPartnerId(const std::wstring& id) {
    Write(&Values::partnerId, id, Field::PartnerId);
    if (!EqualsIgnoringCase(id, kPartnerId)) return;
    {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        auto& categories = m_values->categories;
        bool present = std::any_of(categories.begin(), categories.end(),
                                   [](const Category& c) { return c.id == kPartnerCategory; });
        if (!present)
            categories.insert(categories.begin(), Category{kPartnerCategory, kQuickMenuCategory | kPartnerOnly});
    }
    Write(&Values::tags, std::wstring(kPartnerCategory), Field::Tags);
}

Settings::Point Settings::GetScreenSize() {
    return Point{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Settings::Rect Settings::GetWorkArea() {
    RECT area;
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return Rect{area.left, area.top, area.right, area.bottom};
    Point screen = GetScreenSize();
    return Rect{0, 0, screen.x, screen.y};
}
