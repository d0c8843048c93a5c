#pragma once
// The elements of a drawn layout: a filled rectangle ("Rect"), a skin bitmap ("Bitmap"), a
// line of text ("Text") and the program's version ("VersionText"), each placed relative to
// a container rectangle; and the two wrappers any of them may carry: "transparentColor"
// (drawn off screen on that colour, then copied with the colour keyed out) and "alpha"
// (blended onto what lies beneath with a constant opacity).
//
// A Text element with field="name" shows the text given for that name when the layout is
// drawn (the wallpaper's caption), and nothing while none is given.
//
// Placement of Bitmap, Text and VersionText, from the element's own size (w x h):
//   x: the first present of left=L (container left + L), right=R (container right - R - w),
//      center=C (container left + C - w / 2); nothing given means left 0.
//   y: the same with top, bottom and middle.
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "desktop/skin/layout_values.h"

class ResourceSource;
class TiXmlElement;

// The texts for the fields of a layout's Text elements, by field name.
using DrawnFields = std::map<std::string, std::wstring>;

class DrawnElement {
public:
    virtual ~DrawnElement() = default;
    // Reads the element's attributes and loads what it shows, for dpi: the document's numbers
    // are pixels at 96 DPI, scaled by dpi / 96. False drops the element; a bitmap that cannot
    // be loaded is reported first, a missing bitmap name is not.
    virtual bool Parse(const ResourceSource& source, const TiXmlElement* element, int dpi) = 0;
    // Paints the element placed in container; false when the system failed to draw.
    virtual bool Draw(HDC target, const RECT& container, const DrawnFields& fields) const = 0;
    // The rectangle the element covers when drawn into target with that container.
    virtual RECT Bounds(HDC target, const RECT& container, const DrawnFields& fields) const = 0;
};

// A new element for the layout element named "Rect", "Bitmap", "Text" or "VersionText" (in
// any case), inside the wrappers its attributes ask for; still to be parsed. Null for any
// other name.
std::unique_ptr<DrawnElement> CreateDrawnElement(const TiXmlElement* element, const LayoutErrorReport& report);
