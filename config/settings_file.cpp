// Reading and writing config.xml.
#include <windows.h>

#include <cstdlib>
#include <ctime>

#include "base/debug_log.h"
#include "base/file_io.h"
#include "base/localization.h"
#include "base/text.h"
#include "base/xml.h"
#include "config/settings.h"
#include "config/settings_values.h"
#include "config/version_table.h"

namespace {

// A real config.xml is a few kilobytes; anything this large is not ours.
constexpr std::uint64_t kMaxConfigBytes = 4 << 20;

bool ParseBool(const std::wstring& text) { return ParseNumber(text) != 0; }

std::wstring Text(bool value) { return value ? L"1" : L"0"; }
std::wstring Text(long long value) { return std::to_wstring(value); }

}  // namespace

bool Settings::Load() {
    Path path = GetConfigPath();
    // An unusable file is kept for the user: the first-run path writes a fresh one.
    auto setAside = [&path](const std::wstring& reason) {
        DebugLog(L"config.xml not usable: " + reason + L"\n");
        CopyFileW(path.c_str(), Path(path.str() + L".broken").c_str(), FALSE);
        return false;
    };
    std::optional<std::string> bytes = ReadFileBytes(path, kMaxConfigBytes);
    if (!bytes) return path.Exists() && setAside(L"unreadable or too large");
    if (bytes->empty()) return false;
    XmlError error;
    std::unique_ptr<TiXmlDocument> document = ParseXml(*bytes, &error);
    const TiXmlElement* root = document ? document->RootElement() : nullptr;
    if (!root) return setAside(error.description);
    if (root->ValueStr() != "TovarinSetting") return setAside(L"wrong root element");

    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    auto text = [&](const char* name) { return ChildText(root, name); };

    if (auto v = text("Version")) SetVersion(*v);
    if (auto v = text("LangId")) SelectLanguage(static_cast<unsigned short>(ParseNumber(*v) & 0xFFFF));
    if (auto v = text("DebugMode")) SetDebugMode(ParseBool(*v));
    if (auto v = text("LastDownloadTime"); v && ParseNumber(*v) <= now) SetLastDownloadTime(ParseNumber(*v));
    if (auto v = text("DownloadFrequency")) SetDownloadFrequency(ParseInt(*v));
    if (auto v = text("ChangeFrequency")) SetChangeFrequency(ParseInt(*v));
    if (auto v = text("LastCheckUpdateTime"); v && ParseNumber(*v) <= now) SetLastCheckUpdateTime(ParseNumber(*v));
    if (auto v = text("Username")) SetUsername(*v);
    if (root->FirstChildElement("Tags")) SetTags(text("Tags").value_or(L""));
    if (const TiXmlElement* pos = root->FirstChildElement("Pos")) {
        auto x = AttributeText(pos, "x"), y = AttributeText(pos, "y");
        if (x && y) SetPos(ParseInt(*x), ParseInt(*y));
    }
    if (auto v = text("AutoUpdate")) SetAutoUpdate(ParseBool(*v));
    if (auto v = text("SlientUpdate")) SetSlientUpdate(ParseBool(*v));
    if (auto v = text("HideDesktopIcons")) SetHideDesktopIcons(ParseBool(*v));
    if (auto v = text("FrameType")) SetFrameType(ParseInt(*v));
    if (auto v = text("FrameStyle")) SetFrameColor(ParseNumber(*v) ? 0xFFFFFF : 0x000000);
    if (auto v = text("FrameColor")) SetFrameColor(static_cast<std::uint32_t>(ParseNumber(*v)));
    if (auto v = text("Template")) SetTemplate(*v);
    if (auto v = text("UseTemplate")) SetUseTemplate(ParseBool(*v));
    if (auto v = text("StretchPercent")) SetStretchPercent(ParseInt(*v));
    if (const TiXmlElement* old = root->FirstChildElement("OldWallpaper")) {
        WallpaperDescription wallpaper;
        wallpaper.Wallpaper = ChildText(old, "Wallpaper").value_or(L"");
        wallpaper.TileWallpaper = ChildText(old, "TileWallpaper").value_or(L"");
        wallpaper.WallpaperStyle = ChildText(old, "WallpaperStyle").value_or(L"");
        wallpaper.IsActiveDesktopEnabled = ParseBool(ChildText(old, "IsActiveDesktopEnabled").value_or(L"0"));
        SetOldWallpaper(wallpaper);
    }
    if (const TiXmlElement* keys = root->FirstChildElement("HotKeys")) {
        HotKeyMap map;
        for (const TiXmlElement* key = keys->FirstChildElement("HotKey"); key;
             key = key->NextSiblingElement("HotKey")) {
            std::wstring name = Trim(AttributeText(key, "name").value_or(L""));
            auto vkey = AttributeText(key, "vkey");
            if (name.empty() || !vkey || (ParseNumber(*vkey) & 0xFFFF) == 0) continue;
            auto modifier = AttributeText(key, "modifier");
            map[name] = HotKey{static_cast<std::uint16_t>(modifier ? ParseNumber(*modifier) & 0xFFFF : 0),
                               static_cast<std::uint16_t>(ParseNumber(*vkey) & 0xFFFF)};
        }
        SetHotKeys(map);
    }
    if (auto v = text("ProxyType")) SetProxyType(*v);
    if (auto v = text("ProxyServer")) SetProxyServer(*v);
    if (auto v = text("ProxyUsername")) SetProxyUsername(*v);
    if (auto v = text("ProxyPassword")) SetProxyPassword(*v);
    if (auto v = text("UseLocalImage")) SetUseLocalImage(ParseBool(*v));
    if (auto v = text("ShuffleLocalImage")) SetShuffleLocalImage(ParseBool(*v));
    if (auto v = text("LocalImageInterval")) SetLocalImageInterval(ParseInt(*v));
    if (auto v = text("LocalImagePath")) SetLocalImagePath(Path(*v));
    if (auto v = text("Transparent")) SetTransparent(ParseInt(*v));
    if (auto v = text("DesktopTextBkTransparent")) SetDesktopTextBkTransparent(ParseBool(*v));
    if (auto v = text("ServiceUrl")) SetServiceUrl(*v);
    if (auto v = text("PartnerUrl")) SetPartnerUrl(*v);
    return true;
}

std::string Settings::Serialise() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const Values& v = *m_values;
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    TiXmlElement* root = document.LinkEndChild(new TiXmlElement("TovarinSetting"))->ToElement();
    root->LinkEndChild(new TiXmlComment(" Settings for TovarinClient "));
    auto add = [&](const char* name, const std::wstring& value) { AddTextElement(root, name, value); };

    add("Version", GetProgramVersion());
    if (unsigned short langId = GetSelectedLangId()) add("LangId", Text(static_cast<long long>(langId)));
    if (v.debugMode) add("DebugMode", L"1");
    add("LastDownloadTime", Text(static_cast<long long>(v.lastDownloadTime)));
    add("DownloadFrequency", Text(static_cast<long long>(v.downloadFrequency)));
    add("ChangeFrequency", Text(static_cast<long long>(v.changeFrequency)));
    add("LastCheckUpdateTime", Text(static_cast<long long>(v.lastCheckUpdateTime)));
    if (!v.username.empty()) add("Username", v.username);
    add("Tags", v.tags);
    TiXmlElement* pos = root->LinkEndChild(new TiXmlElement("Pos"))->ToElement();
    pos->SetAttribute("x", v.pos.x);
    pos->SetAttribute("y", v.pos.y);
    add("AutoUpdate", Text(v.autoUpdate));
    add("SlientUpdate", Text(v.slientUpdate));
    add("HideDesktopIcons", Text(v.hideDesktopIcons));
    add("FrameType", Text(static_cast<long long>(v.frameType)));
    add("FrameColor", Text(static_cast<long long>(v.frameColor)));
    add("Template", v.templateName);
    add("UseTemplate", Text(v.useTemplate));
    add("StretchPercent", Text(static_cast<long long>(v.stretchPercent)));
    TiXmlElement* old = root->LinkEndChild(new TiXmlElement("OldWallpaper"))->ToElement();
    AddTextElement(old, "Wallpaper", v.oldWallpaper.Wallpaper);
    AddTextElement(old, "TileWallpaper", v.oldWallpaper.TileWallpaper);
    AddTextElement(old, "WallpaperStyle", v.oldWallpaper.WallpaperStyle);
    AddTextElement(old, "IsActiveDesktopEnabled", Text(v.oldWallpaper.IsActiveDesktopEnabled));
    TiXmlElement* keys = root->LinkEndChild(new TiXmlElement("HotKeys"))->ToElement();
    for (const auto& [name, key] : v.hotKeys) {
        TiXmlElement* element = keys->LinkEndChild(new TiXmlElement("HotKey"))->ToElement();
        SetAttribute(element, "name", name);
        element->SetAttribute("modifier", key.modifier);
        element->SetAttribute("vkey", key.vkey);
    }
    add("ProxyType", v.proxyType);
    add("ProxyServer", v.proxyServer);
    add("ProxyUsername", v.proxyUsername);
    add("ProxyPassword", v.proxyPassword);
    add("UseLocalImage", Text(v.useLocalImage));
    add("ShuffleLocalImage", Text(v.shuffleLocalImage));
    add("LocalImageInterval", Text(static_cast<long long>(v.localImageInterval)));
    add("LocalImagePath", v.localImagePath.str());
    add("Transparent", Text(static_cast<long long>(v.transparent)));
    add("DesktopTextBkTransparent", Text(v.desktopTextBkTransparent));
    if (v.serviceUrl) add("ServiceUrl", *v.serviceUrl);
    if (v.partnerUrl) add("PartnerUrl", *v.partnerUrl);
    return PrintXml(document);
}

bool Settings::Save() {
    std::lock_guard<std::mutex> guard(m_saveMutex);
    if (m_saveLocked) return false;
    return WriteFileAtomically(GetConfigPath(), Serialise());
}
