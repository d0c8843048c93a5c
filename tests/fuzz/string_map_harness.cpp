// String-map documents through StringMap::AddDocument, on a map of the harness's own whose
// error report only counts (the program's shows a message box).
#include "base/localization.h"
#include "fuzz/harness.h"

namespace {

using Problem = std::optional<std::string>;

// A table of words, packed by hand: clang-format would give each a line of its own.
// clang-format off
Tokens StringMapTokens() {
    Tokens tokens = XmlTokens();
    const Tokens& numbers = InterestingNumbers();
    tokens.insert(tokens.end(), numbers.begin(), numbers.end());
    for (const char* word : {
        "<Languages>", "</Languages>", "<Language>", "</Language>", "<LANGUAGE>", "<LangId>", "</LangId>",
        "<LangId>0x0409</LangId>", "<LangId>0</LangId>", "<LangId>0x10000</LangId>", "<LangId>-1</LangId>",
        "<LangId>08</LangId>", "<Name>", "</Name>", "<Author>", "</Author>", "<String id=\"", "\">", "</String>",
        "<String>", "<String id=\"Error_Xml_Parse_Exception\">", "\\", "\\\\", "\\t", "\\n", "\\x", "0x", "1033",
        "2052", "1028", "3076"})
        tokens.push_back(word);
    return tokens;
}
// clang-format on

class StringMapHarness : public Harness {
public:
    const char* Name() const override { return "stringmap"; }
    const Tokens& FormatTokens() const override { return m_tokens; }
    void Prepare(const Path&) override {}

    Problem Run(const std::string& input) override {
        try {
            ReportStage("adding the document");
            int reports = 0;
            std::wstring report;
            StringMap map(
                [&](const std::wstring& message) {
                    ++reports;
                    report = message;
                },
                [] { return static_cast<unsigned short>(1033); });
            bool added = map.AddDocument(input);
            if (added == (reports != 0))
                return "added " + std::to_string(added) + " after " + std::to_string(reports) + " reports";
            if (!added && report.empty()) return std::string("a refused document with an empty report");
            if (!added && !map.GetLanguages().empty()) return std::string("a refused document added languages");
            if (added) ReportAccepted();
            return CheckLanguages(map);
        } catch (...) {
            return DescribeCurrentException();
        }
    }

private:
    static Problem CheckLanguages(StringMap& map) {
        for (const LanguagePtr& language : map.GetLanguages()) {
            if (!language || language->LangIds.empty()) return std::string("a language without a LANGID");
            if (language->LangIds.count(0)) return std::string("a language registered under LANGID 0");
            // Every id it carries is registered (a later language may have taken it over), and
            // at least one of them still leads to it.
            bool reachable = false;
            for (unsigned short langId : language->LangIds) {
                map.Select(langId);
                if (map.GetSelectedLangId() != langId)
                    return "LANGID " + std::to_string(langId) + " of a language cannot be selected";
                reachable = reachable || map.GetCurrent() == language;
            }
            if (!reachable) return std::string("a listed language that no LANGID selects");
        }
        return std::nullopt;
    }

    Tokens m_tokens = StringMapTokens();
};

}  // namespace

std::unique_ptr<Harness> MakeStringMapHarness() { return std::make_unique<StringMapHarness>(); }
