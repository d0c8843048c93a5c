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
#include "config/wallpaper_description.h"

struct HWND__;
typedef HWND__* HWND;

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
    enum class Field {
        DebugMode,
        Tags,
        LastDownloadTime,
        DownloadFrequency,
        ChangeFrequency,
        Username,
        Password,
        Pos,
        AutoUpdate,
        SlientUpdate,
        OldWallpaper,
        HideDesktopIcons,
        FrameType,
        FrameColor,
        StretchPercent,
        Template,
        UseTemplate,
        HotKeys,
        ProxyType,
        ProxyServer,
        ProxyUsername,
        ProxyPassword,
        UseLocalImage,
        ShuffleLocalImage,
        LocalImagePath,
        LocalImageInterval,
        Transparent,
        DesktopTextBkTransparent,
        LastCheckUpdateTime,
        Version,
        LangId,
        ServiceUrl,
        PartnerUrl,
        LoginState,
        Freeze,
        MainWindow,
        LoginRecord,
        PartnerId
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

    bool GetDebugMode() const;
    void SetDebugMode(bool on);
    std::wstring GetTags() const;
    void SetTags(const std::wstring& tags);
    std::int64_t GetLastDownloadTime() const;
    void SetLastDownloadTime(std::int64_t seconds);
    int GetDownloadFrequency() const;
    void SetDownloadFrequency(int hours);
    int GetChangeFrequency() const;
    void SetChangeFrequency(int minutes);
    std::wstring GetUsername() const;
    void SetUsername(const std::wstring& name);
    std::wstring GetPassword() const;
    void SetPassword(const std::wstring& password);
    Point GetPos() const;
    void SetPos(int x, int y);
    bool GetAutoUpdate() const;
    void SetAutoUpdate(bool on);
    bool GetSlientUpdate() const;
    void SetSlientUpdate(bool on);
    WallpaperDescription GetOldWallpaper() const;
    void SetOldWallpaper(const WallpaperDescription& wallpaper);
    bool GetHideDesktopIcons() const;
    void SetHideDesktopIcons(bool hide);
    int GetFrameType() const;
    void SetFrameType(int type);
    std::uint32_t GetFrameColor() const;           // as stored, the marker included
    std::uint32_t GetEffectiveFrameColor() const;  // the marker resolved to the desktop colour
    void SetFrameColor(std::uint32_t color);
    int GetStretchPercent() const;
    void SetStretchPercent(int percent);
    std::wstring GetTemplate() const;
    // A plain folder name under the templates folder, trimmed; any other name (a path, "..",
    // a drive, control characters, nothing) means no template.
    void SetTemplate(const std::wstring& name);
    // The name SetTemplate keeps: trimmed, or empty when it is no plain folder name.
    static std::wstring NormaliseTemplateName(const std::wstring& name);
    bool GetUseTemplate() const;
    void SetUseTemplate(bool on);
    HotKeyMap GetHotKeys() const;
    void SetHotKeys(const HotKeyMap& keys);
    static HotKeyMap GetDefaultHotKeys();
    std::wstring GetProxyType() const;
    void SetProxyType(const std::wstring& type);
    std::wstring GetProxyServer() const;
    void SetProxyServer(const std::wstring& server);
    std::wstring GetProxyUsername() const;
    void SetProxyUsername(const std::wstring& name);
    std::wstring GetProxyPassword() const;
    void SetProxyPassword(const std::wstring& password);
    bool GetUseLocalImage() const;
    void SetUseLocalImage(bool on);
    bool GetShuffleLocalImage() const;
    void SetShuffleLocalImage(bool on);
    Path GetLocalImagePath() const;
    void SetLocalImagePath(const Path& path);
    int GetLocalImageInterval() const;
    void SetLocalImageInterval(int interval);
    int GetTransparent() const;
    void SetTransparent(int alpha);
    bool GetDesktopTextBkTransparent() const;
    void SetDesktopTextBkTransparent(bool on);
    std::int64_t GetLastCheckUpdateTime() const;
    void SetLastCheckUpdateTime(std::int64_t seconds);
    std::wstring GetVersion() const;  // the version that wrote config.xml
    void SetVersion(const std::wstring& version);

    // The user-interface language; selecting one that is present saves config.xml.
    unsigned short GetLangId() const;
    void SetLangId(unsigned short langId);

    // Service addresses: the compiled-in defaults unless config.xml names others.
    std::wstring GetServiceUrl() const;
    void SetServiceUrl(const std::wstring& url);
    std::wstring GetPartnerUrl() const;
    void SetPartnerUrl(const std::wstring& url);
    std::wstring GetImageListUrl() const;
    std::wstring GetCheckUpdateUrl() const;
    std::wstring GetRegisterUrl() const;
    std::wstring GetManageCategoryUrl(int imageId) const;  // the service's page for an image
    std::wstring GetLoginUrl() const;
    std::wstring GetLogoutUrl() const;
    std::wstring GetHeartbeatUrl() const;
    std::wstring GetFavoritesUrl() const;

    // Run-time state, never written to config.xml.
    int GetLoginState() const;
    void SetLoginState(int state);
    bool GetFreeze() const;
    void SetFreeze(bool frozen);
    HWND GetMainWindow() const;
    void SetMainWindow(HWND window);
    LoginRecord GetLoginRecord() const;
    void SetLoginRecord(const LoginRecord& record);
    std::wstring GetPartnerId() const;
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
    struct Values;
    template <typename T>
    T Read(T Values::*member) const;
    // Stores the value; true (and the observers told) when it differs from the one before.
    template <typename T>
    bool Write(T Values::*member, T value, Field field);
    void Notify(Field field);
    void NotifyAll(const Changes& changes);
    std::wstring NormaliseTags(const std::wstring& tags) const;
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
