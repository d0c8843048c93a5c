#include "desktop/skin/layout_values.h"

#include <algorithm>
#include <climits>

#include "base/debug_log.h"
#include "base/text.h"
#include "base/utf8.h"
#include "base/xml.h"

void ShowLayoutError(const std::wstring& text, const std::wstring& title) {
    DebugLog(title + L": " + text + L"\n");
    MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK);
}

int ParseLayoutInt(const char* text) { return text ? ParseInt(FromUtf8(text)) : 0; }

COLORREF ParseLayoutColor(const char* text) {
    long long value = text ? ParseNumber(FromUtf8(text)) : 0;
    // A Windows long has 32 bits; strtol saturates there.
    if (value > LONG_MAX) value = LONG_MAX;
    if (value < LONG_MIN) value = LONG_MIN;
    return static_cast<COLORREF>(static_cast<unsigned long>(static_cast<long>(value)) & 0xFFFFFFul);
}

std::optional<int> IntAttribute(const TiXmlElement* element, const char* name) {
    const char* value = element->Attribute(name);
    if (!value) return std::nullopt;
    return ParseLayoutInt(value);
}

std::optional<int> CoordinateAttribute(const TiXmlElement* element, const char* name) {
    std::optional<int> value = IntAttribute(element, name);
    if (value) value = std::clamp(*value, -kMaxLayoutCoordinate, kMaxLayoutCoordinate);
    return value;
}

std::optional<COLORREF> ColorAttribute(const TiXmlElement* element, const char* name) {
    const char* value = element->Attribute(name);
    if (!value) return std::nullopt;
    return ParseLayoutColor(value);
}

std::optional<std::wstring> TextAttribute(const TiXmlElement* element, const char* name) {
    return AttributeText(element, name);
}

bool IsElementNamed(const TiXmlElement* element, const wchar_t* name) {
    return EqualsIgnoringCase(ElementName(element), name);
}

std::wstring ElementName(const TiXmlElement* element) { return FromUtf8(element->ValueStr()); }
