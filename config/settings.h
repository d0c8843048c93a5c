#pragma once
// The program's configuration (config.xml beside the executable, or in the user's own folder
// when the executable's folder cannot be written) and the sign-in state the threads share.
// One process-wide instance, reached through Settings::Get(). A setter that changes a value
// tells the observers which field changed.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/path.h"
#include "config/settings_table.h"
#include "config/wallpaper_description.h"

// The names of a tags text (separated by blanks or tabs), each once.
std::set<std::wstring> SplitTags(const std::wstring& tags);

class Settings {
public:
    struct HotKey {
        std::uint16_t modifier = 0;  // RegisterHotKey flags: 1 Alt, 2 Control, 4 Shift, 8 Windows key
        std::uint16_t vkey = 0;
        bool operator==(const HotKey& o) const { return modifier == o.modifier && vkey == o.vkey; }
    };
    using HotKeyMap = std::map<std::wstring, HotKey>;

    struct Category {
        std::wstring id;
        int flags = 0;
    };
    enum CategoryFlags { kQuickMenuCategory = 1, kNeedsLogin = 2, kPartnerOnly = 4 };

    struct LoginRecord {
        std::wstring Uid, Username, Email;
        bool Manage = false;
        bool operator==(const LoginRecord& o) const {
            return Uid == o.Uid && Username == o.Username && Email == o.Email && Manage == o.Manage;
        }
    };
    enum LoginState { kLoggedIn = 0, kLoggedOut = 1 };

    struct Point {
        int x, y;
        bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    };
    struct Rect {
        int left, top, right, bottom;
    };

    static constexpr int kUnsetPosition = -2147483647 - 1;  // INT_MIN: "never placed"
    static constexpr std::uint32_t kDesktopColorMarker = 0xFF000000;
    // Downloaded pictures between two local ones (0 mixes none in): more is no rhythm anybody means.
    static constexpr int kMaxLocalImageInterval = 1000;
    static constexpr const wchar_t* kPartnerId = L"Quorvane";
    static constexpr const wchar_t* kPartnerCategory = L"Oem_Brellan";

    // The shared instance, for the executable's own directory; created on first use. What the
    // program writes goes there too, or under the user's local application data when the
    // executable's folder is not writable.
    static std::shared_ptr<Settings> Get();
    // A separate instance for a given program directory (tests, tools), which also holds what
    // the program writes.
    explicit Settings(Path programDirectory);
    // Shipped files read from programDirectory; config.xml and the data folders in userDirectory.
    Settings(Path programDirectory, Path userDirectory);
    ~Settings();

    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // What a change notification names: one value each.
    // clang-format off
    enum class Field {
#define KESTRANE_FIELD(Name, ...) Name,
        KESTRANE_SETTINGS(KESTRANE_FIELD, KESTRANE_FIELD)
#undef KESTRANE_FIELD
        LangId,  // kept by the string map, not here
    };
    // clang-format on
    // Every value of the table at once: the storage behind the accessors, and the options
    // sheet's draft.
    struct Values {
#define KESTRANE_VALUE(Name, Type, member, initial, ...) Type member = initial;
        KESTRANE_SETTINGS(KESTRANE_VALUE, KESTRANE_VALUE)
#undef KESTRANE_VALUE
        std::vector<Category> categories;  // the service's, fixed but for the partner's own
    };
    // The fields one notification names: one for a setter, all that changed for a batch.
    class Changes {
    public:
        Changes() = default;
        explicit Changes(Field field) { Add(field); }
        void Add(Field field) { m_fields.insert(field); }
        bool Has(Field field) const { return m_fields.count(field) != 0; }
        bool HasAny(std::initializer_list<Field> fields) const {
            for (Field field : fields)
                if (Has(field)) return true;
            return false;
        }
        bool Empty() const { return m_fields.empty(); }
        const std::set<Field>& Fields() const { return m_fields; }

    private:
        std::set<Field> m_fields;
    };
    using Observer = std::function<void(const Changes& changed)>;
    // Observers are called on the thread of the setter, after the value is stored and outside
    // the settings' lock, in the order they subscribed. An observer may read and set settings.
    int Subscribe(Observer observer);  // an id for Unsubscribe
    void Unsubscribe(int id);

    // Runs the edit with the notifications held back, then tells the observers once of
    // everything it changed (nothing when it changed nothing), which it also returns: the
    // options sheet commits all its pages this way, so the program reacts once.
    Changes Batch(const std::function<void(Settings&)>& edit);

    // config.xml
    bool Load();
    bool Save();
    void LockSave(bool lock);
    Path GetConfigPath() const;

    // GetName() and SetName(value) of every X line of the table; a setter that changes the
    // value tells the observers.
#define KESTRANE_ACCESSORS(Name, Type, ...) \
    Type Get##Name() const;                 \
    void Set##Name(const Type& value);
#define KESTRANE_OWN_ACCESSORS(...)
    KESTRANE_SETTINGS(KESTRANE_ACCESSORS, KESTRANE_OWN_ACCESSORS)
#undef KESTRANE_ACCESSORS
#undef KESTRANE_OWN_ACCESSORS
    Values GetValues() const;

    void SetPos(int x, int y) { SetPos(Point{x, y}); }
    std::uint32_t GetEffectiveFrameColor() const;  // kDesktopColorMarker resolved to the desktop colour
    // The name SetTemplate keeps: a plain folder name under the templates folder, trimmed; any
    // other name (a path, "..", a drive, control characters, nothing) means no template.
    static std::wstring NormaliseTemplateName(const std::wstring& name);
    static HotKeyMap GetDefaultHotKeys();

    // The user-interface language (config.xml keeps it when the settings are saved next).
    unsigned short GetLangId() const;
    void SetLangId(unsigned short langId);

    // The service's pages, under GetServiceUrl(): the compiled-in address unless config.xml
    // names another.
    std::wstring GetImageListUrl() const;
    std::wstring GetCheckUpdateUrl() const;
    std::wstring GetRegisterUrl() const;
    std::wstring GetManageCategoryUrl(int imageId) const;  // the service's page for an image
    std::wstring GetLoginUrl() const;
    std::wstring GetLogoutUrl() const;
    std::wstring GetHeartbeatUrl() const;
    std::wstring GetFavoritesUrl() const;
    // A skin's link: one given as a path ("/", "/about.php") is a page of the service;
    // anything else is kept as it is.
    std::wstring ResolveServiceLink(const std::wstring& link) const;

    std::wstring GetPartnerId() const;
    // The partner's id also brings its category and makes it the tags.
    void SetPartnerId(const std::wstring& id);
    std::vector<Category> GetCategories() const;

    // Shipped, read only: the executable, templates\, language files.
    Path GetProgramDirectory() const { return m_programDirectory; }
    // Written: config.xml, data\, favorites\, update\ and the debug dumps.
    Path GetUserDirectory() const { return m_userDirectory; }
    Path GetDataDirectory() const { return m_userDirectory / L"data"; }
    Path GetFavoritesDirectory() const { return m_userDirectory / L"favorites"; }
    Path GetUpdateDirectory() const { return m_userDirectory / L"update"; }
    Path GetTemplatesDirectory() const { return m_programDirectory / L"templates"; }

    static constexpr int GetCheckUpdateInterval() { return 1440; }  // minutes
    static constexpr int GetHeartbeatInterval() { return 120; }     // seconds
    static Point GetScreenSize();
    static Rect GetWorkArea();

private:
    template <typename T>
    T Read(T Values::*member) const;
    // Stores the value; true (and the observers told) when it differs from the one before.
    template <typename T>
    bool Write(T Values::*member, T value, Field field);
    void Notify(Field field);
    void NotifyAll(const Changes& changes);
    std::string Serialise() const;

    const Path m_programDirectory;
    const Path m_userDirectory;
    mutable std::recursive_mutex m_mutex;  // guards *m_values
    std::unique_ptr<Values> m_values;
    std::mutex m_saveMutex;  // one writer of config.xml at a time
    bool m_saveLocked = false;
    std::mutex m_observersMutex;  // guards m_observers and m_nextObserverId
    std::vector<std::pair<int, std::shared_ptr<const Observer>>> m_observers;
    int m_nextObserverId = 1;
    // The batch in progress (held by the thread that runs it), and what it changed so far.
    std::recursive_mutex m_batchMutex;
    int m_batchDepth = 0;
    Changes m_batchChanges;
};
