#pragma once
// Layouts of drawn elements (rectangles, bitmaps, texts, the version) painted into a
// container rectangle: the about page and the watermark on the wallpaper. A document's root
// may have any name; each child element is one element of desktop/skin/drawn_elements.h, painted
// in document order.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/skin/drawn_elements.h"
#include "desktop/skin/layout_values.h"

class ResourceSource;

class DrawnLayout {
public:
    // Problems are reported through report (a message box without owner by default).
    explicit DrawnLayout(LayoutErrorReport report = nullptr);
    ~DrawnLayout();
    DrawnLayout(const DrawnLayout&) = delete;
    DrawnLayout& operator=(const DrawnLayout&) = delete;

    // Loads the "XML" resource of that name (a loose file, resource.dll or the program).
    // False, after a "Fatal Error" report, when it is missing, does not parse or has no root;
    // the layout is then empty. Unknown elements and bitmaps that cannot be loaded are
    // reported, left out, and the rest still loads.
    // The document is in pixels at 96 DPI; with another dpi its places, sizes and fonts are
    // scaled and its bitmaps drawn for that DPI (the about page on a larger screen).
    bool Load(const std::wstring& resourceName, int dpi = 96);
    // The same for a document already in memory; bitmaps come from source.
    bool LoadDocument(std::string_view document, const ResourceSource& source, int dpi = 96);

    // Paints every element into target, placed in container, its fields' texts taken from
    // fields, stopping at the first one that fails to draw (false). One thread at a time: the
    // elements' bitmaps are selected while they are drawn.
    bool Draw(HDC target, const RECT& container, const DrawnFields& fields = {}) const;

    bool IsEmpty() const { return m_elements.empty(); }

private:
    LayoutErrorReport m_report;
    std::vector<std::unique_ptr<DrawnElement>> m_elements;
};
