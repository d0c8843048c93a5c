#pragma once
// Localised texts. String maps (XML documents of one or more languages) are loaded once at
// start-up; one language is current; every user-visible text is looked up by its id.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

struct Language {
    std::wstring Name;
    std::wstring Author;
    std::set<unsigned short> LangIds;
    std::map<std::wstring, std::wstring> Strings;
};
using LanguagePtr = std::shared_ptr<const Language>;

// The registry of languages. The program uses one (StringMap::Instance); tests make their own.
class StringMap {
public:
    using ErrorReport = std::function<void(const std::wstring& message)>;
    using LangIdSource = std::function<unsigned short()>;

    // Problems are reported through report (a "Fatal Error" message box by default); the
    // user's default language comes from userDefault (GetUserDefaultLangID by default).
    explicit StringMap(ErrorReport report = nullptr, LangIdSource userDefault = nullptr);
    static StringMap& Instance();

    // Adds the languages of one document; a language replaces earlier ones for its LANGIDs.
    // False (after a report) when the document does not parse or has no root.
    bool AddDocument(const std::string& bytes);
    // The built-in map, then every lang_*.xml of programDirectory; then the default choice.
    // False when no built-in map was found (start-up cannot go on).
    bool LoadAll(const std::wstring& programDirectory);

    void Select(unsigned short langId);
    unsigned short GetSelectedLangId() const;
    LanguagePtr GetCurrent() const;
    std::wstring Get(const std::wstring& id, const std::wstring& fallback) const;
    // Every distinct language, by its smallest LANGID.
    std::vector<LanguagePtr> GetLanguages() const;
    // The texts of an id in every language that has it.
    std::vector<std::wstring> GetAllTexts(const std::wstring& id) const;

private:
    LanguagePtr Find(unsigned short langId) const;

    ErrorReport m_report;
    LangIdSource m_userDefault;
    mutable std::recursive_mutex m_lock;  // listeners call Get while Select holds it
    std::map<unsigned short, LanguagePtr> m_languages;
    LanguagePtr m_current;
    unsigned short m_selected = 0;
};

// Windows that re-text themselves when the language changes. Registered while they live;
// told in registration order.
class LanguageListener {
public:
    virtual void OnLanguageChanged() = 0;

protected:
    LanguageListener();
    virtual ~LanguageListener();
    LanguageListener(const LanguageListener&) = delete;
    LanguageListener& operator=(const LanguageListener&) = delete;
};
void NotifyLanguageListeners();

// The program's registry.
bool LoadStringMaps();
void SelectLanguage(unsigned short langId);
unsigned short GetSelectedLangId();
std::wstring GetString(const std::wstring& id);  // the id itself when no language has it
std::wstring GetString(const std::wstring& id, const std::wstring& fallback);
std::wstring GetLanguageDisplayName(const Language& language);

// One argument of a format text, turned into text: strings unchanged, numbers in decimal,
// bools as "1" or "0".
class FormatArg {
public:
    FormatArg(const std::wstring& text) : m_text(text) {}
    FormatArg(const wchar_t* text) : m_text(text ? text : L"") {}
    FormatArg(bool value) : m_text(value ? L"1" : L"0") {}
    FormatArg(int value) : m_text(std::to_wstring(value)) {}
    FormatArg(long value) : m_text(std::to_wstring(value)) {}
    FormatArg(long long value) : m_text(std::to_wstring(value)) {}
    FormatArg(unsigned value) : m_text(std::to_wstring(value)) {}
    FormatArg(unsigned long value) : m_text(std::to_wstring(value)) {}
    FormatArg(unsigned long long value) : m_text(std::to_wstring(value)) {}
    const std::wstring& text() const { return m_text; }

private:
    std::wstring m_text;
};

// Fills "%1", "%2", ... with the arguments under the system's message-format rules ("%%" is
// a percent sign). A placeholder without an argument becomes empty text; a format text the
// system cannot format gives an empty string.
std::wstring FormatString(const std::wstring& pattern, const std::vector<FormatArg>& arguments);
