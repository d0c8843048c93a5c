#include "base/xml.h"

#include "base/utf8.h"

namespace {

// TinyXML parses nested elements recursively; a hostile document of a few hundred
// kilobytes of "<a>" would overflow the stack. None of our documents nests deeply.
constexpr int kMaxDepth = 256;

bool NestsTooDeeply(std::string_view bytes) {
    int depth = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == '<') {
            char next = bytes[i + 1];
            if (next == '/')
                --depth;
            else if (next != '!' && next != '?' && ++depth > kMaxDepth)
                return true;
        } else if (bytes[i] == '/' && bytes[i + 1] == '>') {
            --depth;
        }
    }
    return false;
}

}  // namespace

std::unique_ptr<TiXmlDocument> ParseXml(std::string_view bytes, XmlError* error) {
    auto fail = [&](XmlError reason) {
        if (error) *error = std::move(reason);
        return nullptr;
    };
    if (NestsTooDeeply(bytes)) return fail({0, 0, 0, L"elements nest too deeply", false});
    // TinyXML reads up to a zero byte; give it a terminated copy with some slack.
    std::string buffer(bytes);
    buffer.append(4, '\0');
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
