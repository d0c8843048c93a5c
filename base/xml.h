#pragma once
// A thin layer over TinyXML: safe parsing of untrusted bytes and wide-string accessors.
#include <tinyxml.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Why a document could not be used. Row and column count from 1 (0: unknown).
struct XmlError {
    int row = 0, column = 0;
    int id = 0;                // the parser's error code
    std::wstring description;  // the parser's text, or ours
    bool noRoot = false;       // well-formed, but without a root element
};

// Parses a whole document. Returns null (with the reason in *error) when the bytes are not
// well-formed XML, have no root element, or nest deeper than the parser can safely recurse.
std::unique_ptr<TiXmlDocument> ParseXml(std::string_view bytes, XmlError* error = nullptr);

// The document as UTF-8 text, declaration included.
std::string PrintXml(const TiXmlDocument& document);

// Text of an element as UTF-16; nothing when the element is missing or has no text.
std::optional<std::wstring> ElementText(const TiXmlElement* element);
std::optional<std::wstring> ChildText(const TiXmlElement* parent, const char* name);
std::optional<std::wstring> AttributeText(const TiXmlElement* element, const char* name);

// Appends <name>text</name> to parent and returns it.
TiXmlElement* AddTextElement(TiXmlNode* parent, const char* name, const std::wstring& text);
void SetAttribute(TiXmlElement* element, const char* name, const std::wstring& value);
