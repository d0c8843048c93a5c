// Reading and writing config.xml.
#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <type_traits>

#include "base/debug_log.h"
#include "base/file_io.h"
#include "base/localization.h"
#include "base/text.h"
#include "base/xml.h"
#include "config/settings.h"
#include "config/version_table.h"

namespace {

// A real config.xml is a few kilobytes; anything this large is not ours.
constexpr std::uint64_t kMaxConfigBytes = 4 << 20;

// The form column of the table (config/settings_table.h).
enum class SettingForm { Saved, SavedIfChanged, SavedPastTime, SavedEmptyToo, ByHand, NotSaved };

// A value as <Name>text</Name>; the types below have elements of their own.
void FromText(const std::wstring& text, bool* value) { *value = ParseNumber(text) != 0; }
void FromText(const std::wstring& text, int* value) { *value = ParseInt(text); }
void FromText(const std::wstring& text, std::int64_t* value) { *value = ParseNumber(text); }
void FromText(const std::wstring& text, std::uint32_t* value) {
    *value = static_cast<std::uint32_t>(ParseNumber(text));
}
void FromText(const std::wstring& text, std::wstring* value) { *value = text; }
void FromText(const std::wstring& text, Path* value) { *value = Path(text); }

std::wstring ToText(bool value) { return value ? L"1" : L"0"; }
std::wstring ToText(long long value) { return std::to_wstring(value); }
std::wstring ToText(const std::wstring& value) { return value; }
std::wstring ToText(const Path& value) { return value.str(); }

// False when the element holds no value of the type: the setting keeps the one it has.
template <typename T>
bool ReadElement(const TiXmlElement* element, SettingForm form, T* value) {
    std::optional<std::wstring> text = ElementText(element);
    if (!text && form == SettingForm::SavedEmptyToo) text.emplace();
    if (!text) return false;
    FromText(*text, value);
    return true;
}

template <typename T>
void WriteElement(TiXmlElement* root, const char* name, const T& value) {
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>)
        AddTextElement(root, name, ToText(static_cast<long long>(value)));
    else
        AddTextElement(root, name, ToText(value));
}

// <Pos x="" y=""/>: a position needs both.
bool ReadElement(const TiXmlElement* element, SettingForm, Settings::Point* pos) {
    auto x = AttributeText(element, "x"), y = AttributeText(element, "y");
    if (!x || !y) return false;
    *pos = Settings::Point{ParseInt(*x), ParseInt(*y)};
    return true;
}

void WriteElement(TiXmlElement* root, const char* name, const Settings::Point& pos) {
    TiXmlElement* element = root->LinkEndChild(new TiXmlElement(name))->ToElement();
    element->SetAttribute("x", pos.x);
    element->SetAttribute("y", pos.y);
}

// The user's own wallpaper, to put back: a missing part reads as empty.
bool ReadElement(const TiXmlElement* element, SettingForm, WallpaperDescription* wallpaper) {
    wallpaper->Wallpaper = ChildText(element, "Wallpaper").value_or(L"");
    wallpaper->TileWallpaper = ChildText(element, "TileWallpaper").value_or(L"");
    wallpaper->WallpaperStyle = ChildText(element, "WallpaperStyle").value_or(L"");
    wallpaper->IsActiveDesktopEnabled = ParseNumber(ChildText(element, "IsActiveDesktopEnabled").value_or(L"0")) != 0;
    return true;
}

void WriteElement(TiXmlElement* root, const char* name, const WallpaperDescription& wallpaper) {
    TiXmlElement* element = root->LinkEndChild(new TiXmlElement(name))->ToElement();
    AddTextElement(element, "Wallpaper", wallpaper.Wallpaper);
    AddTextElement(element, "TileWallpaper", wallpaper.TileWallpaper);
    AddTextElement(element, "WallpaperStyle", wallpaper.WallpaperStyle);
    AddTextElement(element, "IsActiveDesktopEnabled", ToText(wallpaper.IsActiveDesktopEnabled));
}

// <HotKey name="" modifier="" vkey=""/> each: one without a name or a key is left out, and an
// empty list means no hot keys at all.
bool ReadElement(const TiXmlElement* element, SettingForm, Settings::HotKeyMap* keys) {
    keys->clear();
    for (const TiXmlElement* key = element->FirstChildElement("HotKey"); key; key = key->NextSiblingElement("HotKey")) {
        std::wstring name = Trim(AttributeText(key, "name").value_or(L""));
        auto vkey = AttributeText(key, "vkey");
        if (name.empty() || !vkey || (ParseNumber(*vkey) & 0xFFFF) == 0) continue;
        auto modifier = AttributeText(key, "modifier");
        (*keys)[name] = Settings::HotKey{static_cast<std::uint16_t>(modifier ? ParseNumber(*modifier) & 0xFFFF : 0),
                                         static_cast<std::uint16_t>(ParseNumber(*vkey) & 0xFFFF)};
    }
    return true;
}

void WriteElement(TiXmlElement* root, const char* name, const Settings::HotKeyMap& keys) {
    TiXmlElement* element = root->LinkEndChild(new TiXmlElement(name))->ToElement();
    for (const auto& [command, key] : keys) {
        TiXmlElement* entry = element->LinkEndChild(new TiXmlElement("HotKey"))->ToElement();
        SetAttribute(entry, "name", command);
        entry->SetAttribute("modifier", key.modifier);
        entry->SetAttribute("vkey", key.vkey);
    }
}

constexpr bool InFile(SettingForm form) { return form != SettingForm::ByHand && form != SettingForm::NotSaved; }

// The setting's value in config.xml, when the file holds one its form lets it read.
template <SettingForm form, typename T>
bool ReadSetting(const TiXmlElement* root, const char* name, T* value) {
    if constexpr (!InFile(form)) {
        return false;
    } else {
        const TiXmlElement* element = root->FirstChildElement(name);
        if (!element || !ReadElement(element, form, value)) return false;
        // A time still to come would put off what waits for it (a download, an update check).
        if constexpr (form == SettingForm::SavedPastTime) return *value <= std::time(nullptr);
        return true;
    }
}

template <SettingForm form, typename T>
void WriteSetting(TiXmlElement* root, const char* name, const T& value, const T& initial) {
    if constexpr (InFile(form)) {
        if (form == SettingForm::SavedIfChanged && value == initial) return;
        WriteElement(root, name, value);
    }
}

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

    if (auto v = ChildText(root, "Version")) SetVersion(*v);
    if (auto v = ChildText(root, "LangId")) SelectLanguage(static_cast<unsigned short>(ParseNumber(*v) & 0xFFFF));
    // Older files name only black or white; a FrameColor element below wins.
    if (auto v = ChildText(root, "FrameStyle")) SetFrameColor(ParseNumber(*v) ? 0xFFFFFF : 0x000000);
#define KESTRANE_LOAD(Name, Type, member, initial, form, ...) \
    if (Type value{}; ReadSetting<SettingForm::form>(root, #Name, &value)) Set##Name(value);
    // Through the setters, so a value out of its rules is refused as if a user had typed it.
    KESTRANE_SETTINGS(KESTRANE_LOAD, KESTRANE_LOAD)
#undef KESTRANE_LOAD
    return true;
}

std::string Settings::Serialise() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const Values& v = *m_values;
    const Values defaults;
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    TiXmlElement* root = document.LinkEndChild(new TiXmlElement("TovarinSetting"))->ToElement();
    root->LinkEndChild(new TiXmlComment(" Settings for TovarinClient "));
    // The version that wrote the file, which the next start compares with its own.
    AddTextElement(root, "Version", GetProgramVersion());
    if (unsigned short langId = GetSelectedLangId())
        AddTextElement(root, "LangId", ToText(static_cast<long long>(langId)));
#define KESTRANE_SAVE(Name, Type, member, initial, form, ...) \
    WriteSetting<SettingForm::form>(root, #Name, v.member, defaults.member);
    KESTRANE_SETTINGS(KESTRANE_SAVE, KESTRANE_SAVE)
#undef KESTRANE_SAVE
    return PrintXml(document);
}

bool Settings::Save() {
    std::lock_guard<std::mutex> guard(m_saveMutex);
    if (m_saveLocked) return false;  // locked for the exit, which must not store its own changes
    if (WriteFileAtomically(GetConfigPath(), Serialise())) return true;
    // Every caller is told by the result; those that cannot tell the user leave this trace.
    DebugLog(L"config.xml not saved: " + GetConfigPath().str() + L" (the settings stay in effect)\n");
    return false;
}
