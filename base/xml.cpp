#include "base/xml.h"

#include "base/utf8.h"
#include "base/xml_nesting.h"

namespace {

// None of our documents nests deeply; the parser's recursion must stay far from the stack's end.
constexpr int kMaxDepth = 256;

}  // namespace

std::unique_ptr<TiXmlDocument> ParseXml(std::string_view bytes, XmlError* error) {
    auto fail = [&](XmlError reason) {
        if (error) *error = std::move(reason);
        return nullptr;
    };
    // TinyXML reads up to a zero byte, and a multi-byte character may make it step a few
    // bytes past it: give it a terminated copy with some slack.
    std::string buffer(bytes);
    buffer.append(4, '\0');
    if (ParserWouldNestDeeperThan(buffer.c_str(), kMaxDepth))
        return fail({0, 0, 0, L"elements nest too deeply", false});
    // Keep text exactly as written (a password may begin or end with a blank); blank
    // runs between elements are still dropped by the parser.
    TiXmlBase::SetCondenseWhiteSpace(false);
    auto document = std::make_unique<TiXmlDocument>();
    document->Parse(buffer.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (document->Error()) {
        return fail({document->ErrorRow(), document->ErrorCol(), document->ErrorId(),
                     FromUtf8(document->ErrorDesc() ? document->ErrorDesc() : "parse error"), false});
    }
    if (!document->RootElement()) return fail({0, 0, 0, L"no root element", true});
    return document;
}

std::string PrintXml(const TiXmlDocument& document) {
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\r\n");
    document.Accept(&printer);
    return printer.Str();
}

std::optional<std::wstring> ElementText(const TiXmlElement* element) {
    if (!element || !element->GetText()) return std::nullopt;
    return FromUtf8(element->GetText());
}

std::optional<std::wstring> ChildText(const TiXmlElement* parent, const char* name) {
    return parent ? ElementText(parent->FirstChildElement(name)) : std::nullopt;
}

std::optional<std::wstring> AttributeText(const TiXmlElement* element, const char* name) {
    const char* value = element ? element->Attribute(name) : nullptr;
    if (!value) return std::nullopt;
    return FromUtf8(value);
}

TiXmlElement* AddTextElement(TiXmlNode* parent, const char* name, const std::wstring& text) {
    TiXmlElement* element = parent->LinkEndChild(new TiXmlElement(name))->ToElement();
    element->LinkEndChild(new TiXmlText(ToUtf8(text)));
    return element;
}

void SetAttribute(TiXmlElement* element, const char* name, const std::wstring& value) {
    element->SetAttribute(name, ToUtf8(value));
}
