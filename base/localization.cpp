#include "base/localization.h"

#include <windows.h>

#include <algorithm>

#include "base/debug_log.h"
#include "base/file_io.h"
#include "base/resource_source.h"
#include "base/text.h"
#include "base/utf8.h"
#include "base/xml.h"

namespace {

void ShowFatalError(const std::wstring& message) {
    DebugLog(message + L"\n");
    MessageBoxW(nullptr, message.c_str(), L"Fatal Error", MB_OK);
}

// "\n" line feed, "\t" tab, "\x" any other character itself; a lone final backslash goes.
std::wstring Unescape(const std::wstring& text) {
    std::wstring result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\') {
            result += text[i];
        } else if (i + 1 < text.size()) {
            wchar_t next = text[++i];
            result += next == L'n' ? L'\n' : next == L't' ? L'\t' : next;
        }
    }
    return result;
}

// C notation with automatic base; only the low 16 bits count.
unsigned short ParseLangId(const std::wstring& text) {
    return static_cast<unsigned short>(std::wcstoul(Trim(text).c_str(), nullptr, 0) & 0xFFFF);
}

std::shared_ptr<Language> ReadLanguage(const TiXmlElement* element) {
    auto language = std::make_shared<Language>();
    for (const TiXmlElement* id = element->FirstChildElement("LangId"); id; id = id->NextSiblingElement("LangId")) {
        if (unsigned short langId = ParseLangId(ElementText(id).value_or(L""))) language->LangIds.insert(langId);
    }
    if (language->LangIds.empty()) return nullptr;
    language->Name = ChildText(element, "Name").value_or(L"");
    language->Author = ChildText(element, "Author").value_or(L"");
    for (const TiXmlElement* string = element->FirstChildElement("String"); string;
         string = string->NextSiblingElement("String")) {
        std::optional<std::wstring> id = AttributeText(string, "id");
        if (!id) continue;
        language->Strings[Unescape(*id)] = Unescape(ElementText(string).value_or(L""));
    }
    return language;
}

bool IsLanguageFile(const Path& entry) {
    std::wstring name = entry.FileName();
    return name.size() >= 5 && EqualsIgnoringCase(name.substr(0, 5), L"lang_") &&
           EqualsIgnoringCase(entry.Extension(), L".xml");
}

}  // namespace

StringMap::StringMap(ErrorReport report, LangIdSource userDefault)
    : m_report(report ? std::move(report) : ShowFatalError), m_userDefault(userDefault ? std::move(userDefault) : [] {
          return static_cast<unsigned short>(GetUserDefaultLangID());
      }) {}

StringMap& StringMap::Instance() {
    static StringMap map;
    return map;
}

bool StringMap::AddDocument(const std::string& bytes) {
    XmlError error;
    std::unique_ptr<TiXmlDocument> document = ParseXml(bytes, &error);
    if (!document) {
        m_report(error.noRoot ? L"Fatal Error: wrong format strings information"
                              : FormatString(L"Fatal Error: error parsing strings information : R%1C%2: %3, %4",
                                             {error.row, error.column, error.id, error.description}));
        return false;
    }
    const TiXmlElement* root = document->RootElement();
    std::vector<std::shared_ptr<Language>> languages;
    if (EqualsIgnoringCase(FromUtf8(root->ValueStr()), L"Language")) {
        if (auto language = ReadLanguage(root)) languages.push_back(language);
    } else {
        for (const TiXmlElement* element = root->FirstChildElement("Language"); element;
             element = element->NextSiblingElement("Language"))
            if (auto language = ReadLanguage(element)) languages.push_back(language);
    }
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    for (const auto& language : languages)
        for (unsigned short langId : language->LangIds) m_languages[langId] = language;
    return true;
}

bool StringMap::LoadAll(const std::wstring& programDirectory) {
    bool builtIn = false;
    {
        ResourceSource source;
        Bytes data;
        if (source.LoadResourceData(L"XML", L"STRING_MAP", data)) {
            builtIn = true;
            AddDocument(std::string(data.begin(), data.end()));
        } else {
            m_report(L"Fatal Error: can't find strings information, Exit!");
        }
    }
    for (const Path& entry : Path(programDirectory).ListFiles()) {
        if (!IsLanguageFile(entry)) continue;
        if (auto bytes = ReadFileBytes(entry, ResourceSource::kMaxFileBytes)) AddDocument(*bytes);
    }
    Select(0);
    return builtIn;
}

LanguagePtr StringMap::Find(unsigned short langId) const {
    auto entry = m_languages.find(langId);
    return entry == m_languages.end() ? nullptr : entry->second;
}

void StringMap::Select(unsigned short langId) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    LanguagePtr candidate = Find(langId);
    if (candidate) {
        m_selected = langId;
    } else if (m_current) {
        return;
    } else {
        for (unsigned short fallback :
             {m_userDefault(), static_cast<unsigned short>(1033), static_cast<unsigned short>(2052)})
            if ((candidate = Find(fallback))) break;
        if (!candidate && !m_languages.empty()) candidate = m_languages.begin()->second;
        if (!candidate) return;
    }
    if (candidate == m_current) return;
    m_current = candidate;
    NotifyLanguageListeners();
}

unsigned short StringMap::GetSelectedLangId() const {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_selected;
}

LanguagePtr StringMap::GetCurrent() const {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_current;
}

std::wstring StringMap::Get(const std::wstring& id, const std::wstring& fallback) const {
    if (id.empty()) return fallback;
    // A reference keeps the language alive while we read, whatever another thread selects.
    if (LanguagePtr current = GetCurrent()) {
        auto text = current->Strings.find(id);
        if (text != current->Strings.end()) return text->second;
    }
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    for (unsigned short langId : {static_cast<unsigned short>(1033), m_userDefault()}) {
        if (LanguagePtr language = Find(langId)) {
            auto text = language->Strings.find(id);
            if (text != language->Strings.end()) return text->second;
        }
    }
    return fallback;
}

std::vector<LanguagePtr> StringMap::GetLanguages() const {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    std::vector<LanguagePtr> languages;
    for (const auto& entry : m_languages)  // ascending LANGID: each language first at its smallest
        if (std::find(languages.begin(), languages.end(), entry.second) == languages.end())
            languages.push_back(entry.second);
    return languages;
}

std::vector<std::wstring> StringMap::GetAllTexts(const std::wstring& id) const {
    std::vector<std::wstring> texts;
    for (const LanguagePtr& language : GetLanguages()) {
        auto text = language->Strings.find(id);
        if (text != language->Strings.end()) texts.push_back(text->second);
    }
    return texts;
}

namespace {

struct ListenerList {
    std::recursive_mutex lock;
    std::vector<LanguageListener*> listeners;
};

ListenerList& Listeners() {
    static ListenerList list;
    return list;
}

}  // namespace

LanguageListener::LanguageListener() {
    std::lock_guard<std::recursive_mutex> guard(Listeners().lock);
    Listeners().listeners.push_back(this);
}

LanguageListener::~LanguageListener() {
    std::lock_guard<std::recursive_mutex> guard(Listeners().lock);
    auto& listeners = Listeners().listeners;
    listeners.erase(std::remove(listeners.begin(), listeners.end(), this), listeners.end());
}

void NotifyLanguageListeners() {
    std::lock_guard<std::recursive_mutex> guard(Listeners().lock);
    std::vector<LanguageListener*> listeners = Listeners().listeners;
    for (LanguageListener* listener : listeners) listener->OnLanguageChanged();
}

bool LoadStringMaps() { return StringMap::Instance().LoadAll(ExecutableFolder().str()); }

void SelectLanguage(unsigned short langId) { StringMap::Instance().Select(langId); }
unsigned short GetSelectedLangId() { return StringMap::Instance().GetSelectedLangId(); }
std::wstring GetString(const std::wstring& id) { return StringMap::Instance().Get(id, id); }
std::wstring GetString(const std::wstring& id, const std::wstring& fallback) {
    return StringMap::Instance().Get(id, fallback);
}

std::wstring GetLanguageDisplayName(const Language& language) {
    LanguagePtr current = StringMap::Instance().GetCurrent();
    if (current) {
        for (unsigned short langId : language.LangIds) {
            auto label = current->Strings.find(L"Language_" + std::to_wstring(langId));
            if (label != current->Strings.end()) return label->second;
        }
    }
    return language.Name;
}

namespace {

// Keeps plain "%N" inserts only: a printf-like "%N!...!" would make the system read an insert
// as a number, or take more inserts than there are.
std::wstring WithoutFormatSpecs(const std::wstring& pattern) {
    std::wstring safe;
    safe.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        safe += pattern[i];
        if (pattern[i] != L'%' || i + 1 >= pattern.size()) continue;
        size_t next = i + 1;
        if (!iswdigit(pattern[next])) {  // "%%", "%n" and the like stay a pair
            safe += pattern[next];
            i = next;
            continue;
        }
        while (next < pattern.size() && iswdigit(pattern[next])) safe += pattern[next++];
        if (next < pattern.size() && pattern[next] == L'!') {
            size_t close = pattern.find(L'!', next + 1);
            next = close == std::wstring::npos ? pattern.size() : close + 1;
        }
        i = next - 1;
    }
    return safe;
}

}  // namespace

std::wstring FormatString(const std::wstring& pattern, const std::vector<FormatArg>& arguments) {
    std::wstring safe = WithoutFormatSpecs(pattern);
    // Every insert the system may ask for (%1 to %99) exists; unsupplied ones are empty.
    std::vector<DWORD_PTR> inserts(100, reinterpret_cast<DWORD_PTR>(L""));
    for (size_t i = 0; i < arguments.size() && i < inserts.size(); ++i)
        inserts[i] = reinterpret_cast<DWORD_PTR>(arguments[i].text().c_str());
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY, safe.c_str(), 0, 0,
        reinterpret_cast<wchar_t*>(&buffer), 0, reinterpret_cast<va_list*>(inserts.data()));
    std::wstring result = length ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    return result;
}
