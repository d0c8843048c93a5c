#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "base/localization.h"
#include "base/resource_source.h"
#include "config/settings.h"
#include "desktop/skin/skin_bitmap.h"
#include "store/picture.h"
#include "support/test_support.h"
#include "used_string_ids.h"

namespace {

std::string Doc(const std::string& body) { return "<?xml version='1.0' encoding=\"UTF-8\" ?>" + body; }

std::string Lang(const std::string& name, const std::string& ids, const std::string& strings) {
    return "<Language><Name>" + name + "</Name>" + ids + strings + "</Language>";
}

std::string Str(const std::string& id, const std::string& text) {
    return "<String id=\"" + id + "\"><![CDATA[" + text + "]]></String>";
}

// A registry whose reports are collected and whose "user default" language is chosen.
struct TestMap {
    std::vector<std::wstring> reports;
    unsigned short userDefault = 0x0407;  // German: not shipped
    StringMap map{[this](const std::wstring& message) { reports.push_back(message); }, [this] { return userDefault; }};
};

class RecordingListener : public LanguageListener {
public:
    RecordingListener(std::vector<int>& log, int id) : m_log(log), m_id(id) {}
    void OnLanguageChanged() override { m_log.push_back(m_id); }

private:
    std::vector<int>& m_log;
    int m_id;
};

}  // namespace

TEST(Localisation, DocumentFormat) {
    TestMap t;
    ASSERT_TRUE(
        t.map.AddDocument(Doc("<Languages><!-- comment -->"
                              "<Language><Name>Hex</Name><LangId>0x0409</LangId><LangId>65536</LangId>" +
                              Str("a", "first") + Str("a", "second") + "<String>no id</String>" +
                              Str("esc", "x\\\\y\\nz\\tw\\q\\") + Str("cr\\tlf", "id escaped") +
                              "</Language>"
                              "<Language><Name>None</Name><LangId>0</LangId><LangId></LangId>" +
                              Str("a", "never") +
                              "</Language>"
                              "<Other><LangId>2052</LangId></Other>"
                              "</Languages>")));
    EXPECT_TRUE(t.reports.empty());
    std::vector<LanguagePtr> languages = t.map.GetLanguages();
    ASSERT_EQ(languages.size(), 1u) << "a language without a usable LangId is skipped; so are other elements";
    EXPECT_EQ(languages[0]->LangIds, (std::set<unsigned short>{1033})) << "0x0409 is 1033; 65536 has no low bits";
    t.map.Select(1033);
    EXPECT_EQ(t.map.Get(L"a", L"?"), L"second") << "a later String replaces an earlier one";
    EXPECT_EQ(t.map.Get(L"esc", L"?"), L"x\\y\nz\twq") << "escapes, and a lone final backslash is dropped";
    EXPECT_EQ(t.map.Get(L"cr\tlf", L"?"), L"id escaped");
    EXPECT_EQ(t.map.Get(L"", L"fallback"), L"fallback");
    EXPECT_EQ(t.map.Get(L"missing", L"fallback"), L"fallback");

    TestMap single;
    ASSERT_TRUE(single.map.AddDocument(Doc("<language><LangId>2052</LangId>" + Str("k", "v") + "</language>")));
    single.map.Select(2052);
    EXPECT_EQ(single.map.Get(L"k", L"?"), L"v") << "a root named language in any case is one language";
}

TEST(Localisation, BrokenDocumentsAreReportedAndLeaveTheOthers) {
    TestMap t;
    EXPECT_TRUE(t.map.AddDocument(
        Doc("<Languages>" + Lang("E", "<LangId>1033</LangId>", Str("k", "english")) + "</Languages>")));
    EXPECT_FALSE(t.map.AddDocument(Doc("<Languages><Language><LangId>2052</Language>")));
    EXPECT_FALSE(t.map.AddDocument(""));
    EXPECT_FALSE(t.map.AddDocument("<?xml version='1.0'?>"));
    std::string random(3000, '\0');
    for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>(i * 7919 % 251);
    EXPECT_FALSE(t.map.AddDocument(random));
    ASSERT_EQ(t.reports.size(), 4u);
    EXPECT_EQ(t.reports[0].rfind(L"Fatal Error: error parsing strings information : R1C", 0), 0u) << t.reports[0];
    EXPECT_EQ(t.reports[2], L"Fatal Error: wrong format strings information");
    t.map.Select(1033);
    EXPECT_EQ(t.map.Get(L"k", L"?"), L"english");
    EXPECT_EQ(t.map.GetLanguages().size(), 1u);
}

TEST(Localisation, SelectionAndItsFallbacks) {
    const std::string three = Doc("<Languages>" + Lang("zh", "<LangId>2052</LangId>", Str("k", "zh")) +
                                  Lang("tw", "<LangId>1028</LangId><LangId>3076</LangId>", Str("k", "tw")) +
                                  Lang("en", "<LangId>1033</LangId>", Str("k", "en")) + "</Languages>");
    {
        TestMap t;
        t.map.AddDocument(three);
        t.map.Select(0);
        EXPECT_EQ(t.map.Get(L"k", L"?"), L"en") << "no user-default language: 1033 first";
        EXPECT_EQ(t.map.GetSelectedLangId(), 0) << "a fallback does not change the selected id";
        t.map.Select(3076);
        EXPECT_EQ(t.map.Get(L"k", L"?"), L"tw");
        t.map.Select(1028);
        EXPECT_EQ(t.map.GetSelectedLangId(), 1028);
        EXPECT_EQ(t.map.GetLanguages().size(), 3u) << "a language with two ids is listed once";
        t.map.Select(1031);
        EXPECT_EQ(t.map.Get(L"k", L"?"), L"tw") << "an unknown id keeps the current language";
        EXPECT_EQ(t.map.GetSelectedLangId(), 1028);
    }
    {
        TestMap t;
        t.userDefault = 3076;
        t.map.AddDocument(three);
        t.map.Select(0);
        EXPECT_EQ(t.map.Get(L"k", L"?"), L"tw") << "the user's default language comes first";
    }
    {
        TestMap t;
        t.map.AddDocument(Doc("<Languages>" + Lang("a", "<LangId>3076</LangId>", Str("k", "3076")) +
                              Lang("b", "<LangId>2052</LangId>", Str("k", "2052")) + "</Languages>"));
        t.map.Select(0);
        EXPECT_EQ(t.map.Get(L"k", L"?"), L"2052") << "then 2052";
    }
    {
        TestMap t;
        t.map.AddDocument(Doc("<Languages>" + Lang("a", "<LangId>3076</LangId>", Str("k", "3076")) +
                              Lang("b", "<LangId>1031</LangId>", Str("k", "1031")) + "</Languages>"));
        t.map.Select(0);
        EXPECT_EQ(t.map.Get(L"k", L"?"), L"1031") << "then the smallest id";
    }
    TestMap empty;
    empty.map.Select(0);
    EXPECT_EQ(empty.map.GetCurrent(), nullptr);
    EXPECT_EQ(empty.map.Get(L"k", L"fallback"), L"fallback");
}

TEST(Localisation, ALaterLanguageReplacesAWholeLanguageAndLookupsFallBack) {
    TestMap t;
    t.userDefault = 2052;
    t.map.AddDocument(
        Doc("<Languages>" + Lang("zh", "<LangId>2052</LangId>", Str("only_zh", "zh") + Str("both", "zh")) +
            Lang("en", "<LangId>1033</LangId>", Str("only_en", "en") + Str("both", "en")) + "</Languages>"));
    t.map.AddDocument(Doc(Lang("de", "<LangId>1033</LangId><LangId>1031</LangId>", Str("own", "de"))));
    t.map.Select(1031);
    EXPECT_EQ(t.map.Get(L"own", L"?"), L"de");
    EXPECT_EQ(t.map.Get(L"only_en", L"?"), L"?") << "the old English is gone entirely";
    EXPECT_EQ(t.map.Get(L"both", L"?"), L"zh") << "then the user's default language";
    EXPECT_EQ(t.map.Get(L"nowhere", L"?"), L"?");
    t.map.Select(2052);
    EXPECT_EQ(t.map.Get(L"own", L"?"), L"de") << "1033 answers what the current language lacks";
}

TEST(Localisation, ListenersHearRealChangesInRegistrationOrder) {
    TestMap t;
    t.map.AddDocument(Doc("<Languages>" + Lang("zh", "<LangId>2052</LangId>", "") +
                          Lang("tw", "<LangId>1028</LangId><LangId>3076</LangId>", "") + "</Languages>"));
    std::vector<int> log;
    RecordingListener first(log, 1), second(log, 2);
    { RecordingListener gone(log, 3); }
    t.map.Select(2052);
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
    t.map.Select(2052);
    t.map.Select(4242);
    EXPECT_EQ(log.size(), 2u) << "nothing changed, nobody told";
    t.map.Select(1028);
    t.map.Select(3076);
    EXPECT_EQ(log, (std::vector<int>{1, 2, 1, 2})) << "another id of the same language is no change";
}

TEST(Localisation, LookupsFromAnotherThreadWhileTheLanguageChanges) {
    TestMap t;
    t.map.AddDocument(Doc("<Languages>" + Lang("zh", "<LangId>2052</LangId>", Str("k", "zh")) +
                          Lang("en", "<LangId>1033</LangId>", Str("k", "en")) + "</Languages>"));
    t.map.Select(1033);
    std::atomic<bool> stop{false};
    std::atomic<int> odd{0}, reads{0};
    std::thread reader([&] {
        while (!stop) {
            std::wstring text = t.map.Get(L"k", L"?");
            if (text != L"zh" && text != L"en") ++odd;
            ++reads;
        }
    });
    for (int i = 0; i < 2000; ++i) t.map.Select(i % 2 ? 1033 : 2052);
    while (reads < 1000) Sleep(1);
    stop = true;
    reader.join();
    EXPECT_EQ(odd, 0);
}

TEST(Localisation, LanguageFilesOfTheProgramFolder) {
    TempDir dir;
    ASSERT_TRUE((dir / L"resource").CreateDirectories());
    WriteAll(dir / L"resource" / L"STRING_MAP.XML",
             Doc("<Languages>" + Lang("English", "<LangId>1033</LangId>", Str("k", "built-in") + Str("keep", "yes")) +
                 "</Languages>"));
    WriteAll(dir / L"Lang_X.XML", Doc(Lang("Russian", "<LangId>1049</LangId>", Str("k", "loaded"))));
    WriteAll(dir / L"mylang_x.xml", Doc(Lang("No", "<LangId>1036</LangId>", "")));
    WriteAll(dir / L"lang_x.txt", Doc(Lang("No", "<LangId>1040</LangId>", "")));
    WriteAll(dir / L"lang_broken.xml", "<Language><LangId>1050");
    WriteAll(dir / L"lang_huge.xml", Doc(Lang("Huge", "<LangId>1041</LangId>", "")) + std::string(40 << 20, ' '));
    ASSERT_TRUE((dir / L"lang_folder.xml").CreateDirectories());

    ScopedResourceFolder overrides(dir / L"resource");
    TestMap t;
    bool builtIn = t.map.LoadAll(dir.path().str());

    EXPECT_TRUE(builtIn);
    std::set<unsigned short> ids;
    for (const LanguagePtr& language : t.map.GetLanguages())
        ids.insert(language->LangIds.begin(), language->LangIds.end());
    EXPECT_EQ(ids, (std::set<unsigned short>{1033, 1049})) << "only lang_*.xml files, of any case, that parse";
    EXPECT_EQ(t.reports.size(), 1u) << "the broken file is reported, the huge one skipped quietly";
    EXPECT_EQ(t.map.Get(L"k", L"?"), L"built-in") << "the default choice is English";
}

TEST(Localisation, FormatterTurnsArgumentsIntoText) {
    EXPECT_EQ(FormatString(L"%1 %2 %3 %4 %5", {L"text", -42, 42u, true, false}), L"text -42 42 1 0");
    EXPECT_EQ(FormatString(L"%1 %2", {-9000000000LL, 18000000000ULL}), L"-9000000000 18000000000");
    EXPECT_EQ(FormatString(L"Downloading %1%%", {45}), L"Downloading 45%");
    EXPECT_EQ(FormatString(L"'%1' can't save as '%3'", {L"url", L"path"}), L"'url' can't save as ''")
        << "a placeholder without an argument is empty, never read from nowhere";
    EXPECT_EQ(FormatString(L"%99|%2|%1", {L"a"}), L"||a");
    EXPECT_EQ(FormatString(L"%1!d! and %2!*.*s!", {L"x", L"y"}), L"x and y") << "format specs are not honoured";
    EXPECT_EQ(FormatString(L"no placeholders", {}), L"no placeholders");
    // Stray percent signs must not crash; what the system makes of them is its business, but
    // nothing may come from anywhere but the pattern and the argument.
    for (const wchar_t* odd : {L"100%", L"%", L"%0 cut", L"%x%y", L"%1!", L"%1!unterminated", L"%%%%%"}) {
        std::wstring out = FormatString(odd, {L"a"});
        std::string name(odd, odd + wcslen(odd));
        EXPECT_LE(out.size(), wcslen(odd) + 1) << name;
        EXPECT_EQ(out.find_first_not_of(std::wstring(odd) + L"a"), std::wstring::npos) << name;
    }
}

TEST(Localisation, ShippedMapCarriesEveryIdTheProgramUses) {
    // The shipped map is linked into this test from the program's resources.
    TestMap t;
    ASSERT_TRUE(t.map.LoadAll(L"C:\\nonexistent-folder"));
    std::vector<LanguagePtr> languages = t.map.GetLanguages();
    ASSERT_EQ(languages.size(), 3u);
    const std::set<std::wstring> carriedByNone = {L"CmdName_Tags", L"Error_Query_Status_Code", L"Error_Abort",
                                                  L"Error_Invalid_Paper"};
    std::vector<std::wstring> ids(std::begin(kUsedStringIds), std::end(kUsedStringIds));
    for (const Settings::Category& category : Settings(Path(L"C:\\x")).GetCategories())
        ids.push_back(L"Category_" + category.id);
    ids.push_back(L"Category_Oem_Brellan");
    for (const std::wstring& id : ids) {
        if (carriedByNone.count(id)) continue;
        for (const LanguagePtr& language : languages)
            EXPECT_TRUE(language->Strings.count(id)) << std::string(id.begin(), id.end()) << " missing in "
                                                     << std::string(language->Name.begin(), language->Name.end());
    }
    // The three languages carry the same ids, English also the names of the other two.
    auto idsOf = [](const LanguagePtr& language) {
        std::set<std::wstring> set;
        for (const auto& entry : language->Strings)
            if (entry.first.rfind(L"Language_", 0) != 0) set.insert(entry.first);
        return set;
    };
    for (const LanguagePtr& language : languages) {
        EXPECT_EQ(idsOf(language), idsOf(languages[0]));
        EXPECT_EQ(idsOf(language).size(), 219u);
    }
    t.map.Select(1033);
    EXPECT_EQ(t.map.Get(L"Balloon_DownloadImageProgress", L"?"), L"Downloading Images %1%%");
    EXPECT_EQ(GetLanguageDisplayName(*languages[0]), languages[0]->Name) << "the program's registry is not loaded here";
    std::vector<std::wstring> scenery = t.map.GetAllTexts(L"Category_fengguang");
    EXPECT_NE(std::find(scenery.begin(), scenery.end(), L"\u98CE\u5149"), scenery.end());
}

TEST(ResourceSource, OverrideFilesComeFirst) {
    TempDir dir;
    ASSERT_TRUE((dir / L"resource").CreateDirectories());
    Picture picture;
    ASSERT_TRUE(picture.Create(7, 5, RGB(10, 200, 30)));
    ASSERT_TRUE(picture.SaveToFile(dir / L"resource" / L"SKIN.bmp"));
    WriteAll(dir / L"resource" / L"Custom.TXT", "override");

    // The current directory is no override folder: a shortcut or the installer may set any.
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(dir.path().c_str());
    Bytes data;
    EXPECT_FALSE(ResourceSource().LoadResourceData(L"TXT", L"Custom", data));
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(ResourceOverrideFolder(), ExecutableFolder() / L"resource");

    ScopedResourceFolder overrides(dir / L"resource");
    ResourceSource source;
    bool custom = source.LoadResourceData(L"TXT", L"Custom", data);
    std::string customText(data.begin(), data.end());
    bool builtIn = source.LoadResourceData(L"XML", L"STRING_MAP", data);
    bool missing = source.LoadResourceData(L"XML", L"NO_SUCH_THING", data);
    HBITMAP skin = LoadSkinBitmap(source, L"SKIN");
    HBITMAP none = LoadSkinBitmap(source, L"NO_SUCH_BITMAP");

    EXPECT_TRUE(custom);
    EXPECT_EQ(customText, "override");
    EXPECT_TRUE(builtIn) << "falls back to the program's own resources";
    EXPECT_FALSE(missing);
    EXPECT_EQ(none, nullptr);
    ASSERT_NE(skin, nullptr);
    BITMAP info{};
    GetObjectW(skin, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 7);
    EXPECT_EQ(info.bmHeight, 5);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, skin);
    COLORREF pixel = GetPixel(dc, 3, 2);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(skin);
    EXPECT_EQ(pixel, RGB(10, 200, 30));
}
