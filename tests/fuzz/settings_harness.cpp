// config.xml through Settings::Load on settings made for a program folder of the harness's
// own. Whatever the file holds, every value must stay inside its setter's rules, a file that
// is refused must change nothing, and what was read must survive a save and a reload.
#include <ctime>
#include <map>

#include "base/localization.h"
#include "base/text.h"
#include "base/utf8.h"
#include "config/settings.h"
#include "fuzz/harness.h"
#include "support/test_support.h"

namespace {

using Problem = std::optional<std::string>;
using Snapshot = std::map<std::string, std::wstring>;

// A table of words, packed by hand: clang-format would give each a line of its own.
// clang-format off
Tokens ConfigTokens() {
    Tokens tokens = XmlTokens();
    const Tokens& numbers = InterestingNumbers();
    tokens.insert(tokens.end(), numbers.begin(), numbers.end());
    for (const char* name : {
        "TovarinSetting", "Version", "LangId", "DebugMode", "LastDownloadTime", "DownloadFrequency",
        "ChangeFrequency", "LastCheckUpdateTime", "Username", "Tags", "AutoUpdate", "SlientUpdate",
        "HideDesktopIcons", "FrameType", "FrameStyle", "FrameColor", "Template", "UseTemplate", "StretchPercent",
        "OldWallpaper", "Wallpaper", "TileWallpaper", "WallpaperStyle", "IsActiveDesktopEnabled", "ProxyType",
        "ProxyServer", "ProxyUsername", "ProxyPassword", "UseLocalImage", "ShuffleLocalImage", "LocalImageInterval",
        "LocalImagePath", "Transparent", "DesktopTextBkTransparent", "ServiceUrl", "PartnerUrl"}) {
        tokens.push_back(std::string("<") + name + ">");
        tokens.push_back(std::string("</") + name + ">");
    }
    for (const char* word : {
        "<Pos x=\"-2147483648\" y=\"2147483647\"/>", "<Pos x=\"1\"/>", "<HotKeys>", "</HotKeys>",
        "<HotKey name=\"Next\" modifier=\"8\" vkey=\"34\"/>", "<HotKey name=\" \" vkey=\"0\"/>", " modifier=\"",
        " vkey=\"", " name=\"", "All", "Oem_Brellan", "fengguang qiche", "\xE9\xA3\x8E\xE5\x85\x89", "http://",
        "https://", "http:///", "ftp://x", "NoProxy", "HttpProxy", "C:\\", "\\\\?\\"})
        tokens.push_back(word);
    return tokens;
}
// clang-format on

std::wstring Text(long long value) { return std::to_wstring(value); }

// Every value Load can set, as text, by the name of its getter.
Snapshot TakeSnapshot(const Settings& s) {
    Snapshot v;
    v["DebugMode"] = Text(s.GetDebugMode());
    v["Tags"] = s.GetTags();
    v["LastDownloadTime"] = Text(s.GetLastDownloadTime());
    v["DownloadFrequency"] = Text(s.GetDownloadFrequency());
    v["ChangeFrequency"] = Text(s.GetChangeFrequency());
    v["Username"] = s.GetUsername();
    v["Pos"] = Text(s.GetPos().x) + L"," + Text(s.GetPos().y);
    v["AutoUpdate"] = Text(s.GetAutoUpdate());
    v["SlientUpdate"] = Text(s.GetSlientUpdate());
    WallpaperDescription old = s.GetOldWallpaper();
    v["OldWallpaper"] =
        old.Wallpaper + L"|" + old.TileWallpaper + L"|" + old.WallpaperStyle + L"|" + Text(old.IsActiveDesktopEnabled);
    v["HideDesktopIcons"] = Text(s.GetHideDesktopIcons());
    v["FrameType"] = Text(s.GetFrameType());
    v["FrameColor"] = Text(s.GetFrameColor());
    v["StretchPercent"] = Text(s.GetStretchPercent());
    v["Template"] = s.GetTemplate();
    v["UseTemplate"] = Text(s.GetUseTemplate());
    for (const auto& [name, key] : s.GetHotKeys())
        v["HotKey " + ToUtf8(name)] = Text(key.modifier) + L"," + Text(key.vkey);
    v["ProxyType"] = s.GetProxyType();
    v["ProxyServer"] = s.GetProxyServer();
    v["ProxyUsername"] = s.GetProxyUsername();
    v["ProxyPassword"] = s.GetProxyPassword();
    v["UseLocalImage"] = Text(s.GetUseLocalImage());
    v["ShuffleLocalImage"] = Text(s.GetShuffleLocalImage());
    v["LocalImagePath"] = s.GetLocalImagePath().str();
    v["LocalImageInterval"] = Text(s.GetLocalImageInterval());
    v["Transparent"] = Text(s.GetTransparent());
    v["DesktopTextBkTransparent"] = Text(s.GetDesktopTextBkTransparent());
    v["LastCheckUpdateTime"] = Text(s.GetLastCheckUpdateTime());
    v["Version"] = s.GetVersion();
    v["LangId"] = Text(s.GetLangId());
    v["ServiceUrl"] = s.GetServiceUrl();
    v["PartnerUrl"] = s.GetPartnerUrl();
    return v;
}

Problem Differences(const Snapshot& expected, const Snapshot& actual, const char* what) {
    for (const auto& [name, value] : expected) {
        auto other = actual.find(name);
        if (other == actual.end() || other->second != value)
            return std::string(what) + ": " + name + " was '" + ToUtf8(value) + "', is '" +
                   (other == actual.end() ? std::string("(missing)") : ToUtf8(other->second)) + "'";
    }
    if (actual.size() != expected.size()) return std::string(what) + ": the hot keys differ";
    return std::nullopt;
}

bool IsServiceUrl(const std::wstring& url) {
    bool scheme = url.compare(0, 7, L"http://") == 0 || url.compare(0, 8, L"https://") == 0;
    return scheme && url.back() != L'/' && Trim(url) == url;
}

// Category keys, ascending, one blank apart; "All" never, the partner's only for the partner.
Problem CheckTags(const std::wstring& tags) {
    std::wstring previous;
    size_t start = 0;
    while (start <= tags.size() && !tags.empty()) {
        size_t end = tags.find(L' ', start);
        if (end == std::wstring::npos) end = tags.size();
        std::wstring tag = tags.substr(start, end - start);
        if (tag.empty() || tag == L"All" || tag == Settings::kPartnerCategory || (!previous.empty() && tag <= previous))
            return "the tags '" + ToUtf8(tags) + "' are not distinct categories in order";
        previous = tag;
        start = end + 1;
    }
    return std::nullopt;
}

Problem CheckRules(const Settings& s) {
    auto outside = [](const char* name, long long value) {
        return std::string(name) + " " + std::to_string(value) + " is outside its rules";
    };
    const long long now = static_cast<long long>(std::time(nullptr));
    if (s.GetFrameType() < 0 || s.GetFrameType() > 2) return outside("FrameType", s.GetFrameType());
    if (s.GetTransparent() < 0 || s.GetTransparent() > 255) return outside("Transparent", s.GetTransparent());
    if (s.GetStretchPercent() < 0 || s.GetStretchPercent() > 10)
        return outside("StretchPercent", s.GetStretchPercent());
    if (s.GetDownloadFrequency() <= 0) return outside("DownloadFrequency", s.GetDownloadFrequency());
    if (s.GetChangeFrequency() <= 0) return outside("ChangeFrequency", s.GetChangeFrequency());
    if (s.GetLastDownloadTime() > now) return outside("LastDownloadTime", s.GetLastDownloadTime());
    if (s.GetLastCheckUpdateTime() > now) return outside("LastCheckUpdateTime", s.GetLastCheckUpdateTime());
    for (const auto& [name, key] : s.GetHotKeys())
        if (name.empty() || Trim(name) != name || key.vkey == 0)
            return "the hot key '" + ToUtf8(name) + "' breaks its rules";
    if (!IsServiceUrl(s.GetServiceUrl()) || !IsServiceUrl(s.GetPartnerUrl()))
        return "a service address that is not http(s)://host: '" + ToUtf8(s.GetServiceUrl()) + "'";
    return CheckTags(s.GetTags());
}

class SettingsHarness : public Harness {
public:
    const char* Name() const override { return "config"; }
    const Tokens& FormatTokens() const override { return m_tokens; }

    void Prepare(const Path& workFolder) override {
        m_folder = workFolder;
        SelectLanguage(1033);
        m_defaults = TakeSnapshot(Settings(m_folder));
    }

    Problem Run(const std::string& input) override {
        try {
            SelectLanguage(1033);  // each input starts from the same language
            WriteAll(m_folder / L"config.xml", input);
            ReportStage("loading config.xml");
            Settings settings(m_folder);
            if (!settings.Load())
                return Differences(m_defaults, TakeSnapshot(settings), "a refused file changed a value");
            ReportAccepted();
            if (Problem problem = CheckRules(settings)) return problem;
            return CheckRoundTrip(settings);
        } catch (...) {
            return DescribeCurrentException();
        }
    }

private:
    // The times say "now" when they are 0 and the version is always the program's own, so
    // those three may differ after a reload; the tags are checked by their own rules.
    Problem CheckRoundTrip(Settings& loaded) {
        ReportStage("saving and reloading config.xml");
        if (!loaded.Save()) return std::string("the loaded settings could not be saved");
        Settings reloaded(m_folder);
        if (!reloaded.Load()) return std::string("the saved config.xml does not load");
        Snapshot before = TakeSnapshot(loaded), after = TakeSnapshot(reloaded);
        for (const char* changing : {"LastDownloadTime", "LastCheckUpdateTime", "Version", "Tags"}) {
            before.erase(changing);
            after.erase(changing);
        }
        return Differences(before, after, "a value changed on save and reload");
    }

    Tokens m_tokens = ConfigTokens();
    Path m_folder;
    Snapshot m_defaults;
};

}  // namespace

std::unique_ptr<Harness> MakeSettingsHarness() { return std::make_unique<SettingsHarness>(); }
