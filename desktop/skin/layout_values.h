#pragma once
// What the two layout dialects (the main window's and the drawn one) share: how attribute
// values read, how element names compare, and how a layout reports a problem.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

class TiXmlElement;

// A problem found while loading a layout: the message and its box title.
using LayoutErrorReport = std::function<void(const std::wstring& text, const std::wstring& title)>;
// The default report: a message box without owner window, OK button only.
void ShowLayoutError(const std::wstring& text, const std::wstring& title);

// Numbers read as C's atoi does: leading digits count, anything else gives 0; values beyond
// the int range are clamped.
int ParseLayoutInt(const char* text);
// Colours are decimal COLORREF values (0x00BBGGRR) read as a 32-bit long, of which only the
// low 24 bits are kept: "-1" is white.
COLORREF ParseLayoutColor(const char* text);

// The attribute's value, or nothing when the attribute is absent. Attribute names are exact.
std::optional<int> IntAttribute(const TiXmlElement* element, const char* name);
// A position or size, kept within GDI's 27-bit coordinate space, so that sums of a few of
// them cannot overflow.
std::optional<int> CoordinateAttribute(const TiXmlElement* element, const char* name);
constexpr int kMaxLayoutCoordinate = (1 << 27) - 1;
std::optional<COLORREF> ColorAttribute(const TiXmlElement* element, const char* name);
std::optional<std::wstring> TextAttribute(const TiXmlElement* element, const char* name);

// The element's name compared case-insensitively.
bool IsElementNamed(const TiXmlElement* element, const wchar_t* name);
std::wstring ElementName(const TiXmlElement* element);
