// The nesting guard in front of the XML parser: it must see the elements the parser would
// open, however the closing marks are disguised, and let ordinary documents through.
#include <gtest/gtest.h>

#include <string>

#include "base/xml.h"

namespace {

std::string Repeat(const std::string& text, size_t times) {
    std::string out;
    out.reserve(text.size() * times);
    for (size_t i = 0; i < times; ++i) out += text;
    return out;
}

// Refused as too deep, not crashed: the parser's recursion would overflow the stack here.
void ExpectRefusedAsTooDeep(const std::string& document, const char* disguise) {
    XmlError error;
    EXPECT_FALSE(ParseXml(document, &error)) << disguise;
    EXPECT_EQ(error.description, L"elements nest too deeply") << disguise;
}

}  // namespace

TEST(XmlNestingGuard, DisguisedClosingMarksDoNotHideDeepNesting) {
    const std::string deep = Repeat("<a>", 200000);
    const size_t marks = 250000;
    ExpectRefusedAsTooDeep("<R>" + Repeat("/>", marks) + deep, "\"/>\" in text");
    ExpectRefusedAsTooDeep("<R>" + Repeat("</R>", 3) + deep, "end tags that do not close the open element");
    ExpectRefusedAsTooDeep("<R><!--" + Repeat("</a>/>", marks) + "-->" + deep, "a comment");
    ExpectRefusedAsTooDeep("<R><![CDATA[" + Repeat("</a>/>", marks) + "]]>" + deep, "CDATA");
    ExpectRefusedAsTooDeep("<R x=\"" + Repeat("</a>/>", marks) + "\" y='/>'>" + deep, "attribute values");
    ExpectRefusedAsTooDeep("<R>" + Repeat("<?pi </>", marks) + deep, "processing instructions");
    ExpectRefusedAsTooDeep("<R>" + Repeat("<!x </>", marks) + deep, "unknown tags");
    ExpectRefusedAsTooDeep("<?xml version=\"" + Repeat("</a>", marks) + "\"?><R>" + deep, "the declaration");
    // The parser reads a multi-byte character whole by its lead byte, and a numeric character
    // reference up to the next ';': both swallow what looks like an end tag.
    ExpectRefusedAsTooDeep("<R>" + Repeat("\xE0</", marks) + deep, "multi-byte characters in text");
    ExpectRefusedAsTooDeep("<R>&#" + Repeat("</a>", marks) + "#;" + deep, "a character reference in text");
    ExpectRefusedAsTooDeep("<R x=\"&#x" + Repeat("\"></a>", marks) + "x;\">" + deep,
                           "a character reference in an attribute value");
}

TEST(XmlNestingGuard, OrdinaryDocumentsStillParse) {
    std::string atLimit = Repeat("<a>", 256) + "text" + Repeat("</a>", 256);
    EXPECT_TRUE(ParseXml(atLimit)) << "256 levels are allowed";
    ExpectRefusedAsTooDeep(Repeat("<a>", 257) + Repeat("</a>", 257), "one level more");

    std::string wide =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- a list --><R>" +
        Repeat("<Image pid=\"1\" file=\"a/>b.jpg\"/><Note>&lt;/x&gt; &#x41; \xE4\xB8\xAD</Note>", 50000) +
        "<![CDATA[</R>]]></R>";
    auto document = ParseXml(wide);
    ASSERT_TRUE(document) << "many elements side by side are not deep";
    int count = 0;
    for (const TiXmlElement* e = document->RootElement()->FirstChildElement("Image"); e;
         e = e->NextSiblingElement("Image"))
        ++count;
    EXPECT_EQ(count, 50000);
    for (const char* closedOften : {"<R/><S/><T></T>", "<R>a<b/>c<d x='1'>e</d></R>"})
        EXPECT_TRUE(ParseXml(closedOften)) << closedOften;
}
