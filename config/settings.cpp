#include "config/settings.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <set>

#include "base/localization.h"
#include "base/text.h"
#include "config/hot_key_commands.h"
#include "config/user_folder.h"

namespace {

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

// The rules of the table: what a setter stores of the value it is given, or nothing to refuse
// it (the value before stays).
template <typename T>
std::optional<T> Any(const Settings&, const T& value) {
    return value;
}

// A number outside [low, high] is refused.
auto Range(long long low, long long high) {
    return [low, high](const Settings&, auto value) -> std::optional<decltype(value)> {
        if (value < low || value > high) return std::nullopt;
        return value;
    };
}

std::optional<std::int64_t> ZeroIsNow(const Settings&, std::int64_t seconds) { return seconds ? seconds : Now(); }

std::optional<std::wstring> PlainFolderName(const Settings&, const std::wstring& name) {
    return Settings::NormaliseTemplateName(name);
}

// "http://host:port" with no trailing slash; anything else is refused.
std::optional<std::wstring> ServiceAddress(const Settings&, const std::wstring& address) {
    std::wstring url = Path(address).str();  // trims blanks (and a URL holds no backslash to worry about)
    std::replace(url.begin(), url.end(), L'\\', L'/');
    while (!url.empty() && url.back() == L'/') url.pop_back();
    bool http = url.compare(0, 7, L"http://") == 0 && url.size() > 7;
    bool https = url.compare(0, 8, L"https://") == 0 && url.size() > 8;
    if (!http && !https) return std::nullopt;
    return url;
}

// Category display names become ids, "All" goes, and the partner category stays only for
// the partner build (unless dropping it would leave nothing, then the tags stay as they were).
std::optional<std::wstring> CategoryIds(const Settings& settings, const std::wstring& tags) {
    const std::set<std::wstring> names = SplitTags(tags);
    std::set<std::wstring> result;
    std::vector<Settings::Category> categories = settings.GetCategories();
    // Display names of every language count: the default tags are a Chinese display name,
    // and a tag typed in one language must not turn into an unknown key in another.
    for (const std::wstring& name : names) {
        std::wstring id = name;
        for (const Settings::Category& category : categories) {
            std::vector<std::wstring> displayNames = StringMap::Instance().GetAllTexts(L"Category_" + category.id);
            if (std::find(displayNames.begin(), displayNames.end(), name) != displayNames.end()) {
                id = category.id;
                break;
            }
        }
        result.insert(id);
    }
    result.erase(L"All");
    if (!EqualsIgnoringCase(settings.GetPartnerId(), Settings::kPartnerId) &&
        result.erase(Settings::kPartnerCategory) && result.empty())
        return std::nullopt;
    std::wstring joined;
    for (const std::wstring& name : result) joined += (joined.empty() ? L"" : L" ") + name;
    return joined;
}

}  // namespace

std::shared_ptr<Settings> Settings::Get() {
    static std::shared_ptr<Settings> instance = [] {
        Path program = ExecutableFolder();
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
    return {{NameOf(HotKeyCommand::Prev), {kWin, VK_PRIOR}},
            {NameOf(HotKeyCommand::Next), {kWin, VK_NEXT}},
            {NameOf(HotKeyCommand::ShowHideDesktopIcons), {kWin, VK_END}}};
}

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

// The rule runs before the lock is taken: it may read other settings.
// clang-format off
#define KESTRANE_ACCESSORS(Name, Type, member, initial, form, rule)                             \
    auto Settings::Get##Name() const -> Type { return Read(&Values::member); }                  \
    void Settings::Set##Name(const Type& value) {                                               \
        if (std::optional<Type> kept = rule(*this, value))                                      \
            Write(&Values::member, std::move(*kept), Field::Name);                              \
    }
// clang-format on
#define KESTRANE_OWN_ACCESSORS(...)
KESTRANE_SETTINGS(KESTRANE_ACCESSORS, KESTRANE_OWN_ACCESSORS)
#undef KESTRANE_ACCESSORS
#undef KESTRANE_OWN_ACCESSORS

Settings::Values Settings::GetValues() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return *m_values;
}

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

std::uint32_t Settings::GetEffectiveFrameColor() const {
    std::uint32_t color = GetFrameColor();
    return color == kDesktopColorMarker ? static_cast<std::uint32_t>(GetSysColor(COLOR_BACKGROUND)) : color;
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

unsigned short Settings::GetLangId() const { return GetSelectedLangId(); }
void Settings::SetLangId(unsigned short langId) {
    unsigned short before = GetSelectedLangId();
    SelectLanguage(langId);
    if (GetSelectedLangId() != langId) return;
    if (before != langId) Notify(Field::LangId);
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
std::wstring Settings::ResolveServiceLink(const std::wstring& link) const {
    return !link.empty() && link[0] == L'/' && link.compare(0, 2, L"//") != 0 ? GetServiceUrl() + link : link;
}

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
