#include "desktop/skin/main_layout_document.h"

#include <algorithm>

#include "base/debug_log.h"
#include "base/dpi.h"
#include "base/localization.h"
#include "base/resource_source.h"
#include "base/text.h"
#include "base/xml.h"
#include "desktop/skin/memory_surface.h"
#include "desktop/skin/skin_bitmap.h"

namespace {

const wchar_t* const kFatal = L"Fatal Error";
// No skin window comes near this; a larger one is refused as wrong rather than allocated.
constexpr int kMaxWindowSide = 4096;

// Reads the attributes every child shares, scaled to the DPI, and loads its bitmap for that
// DPI (windowKey is what it is keyed against when it names no key of its own). False (after
// the report) when the bitmap it names cannot be loaded.
bool ReadElement(const TiXmlElement* xml, const ResourceSource& source, const LayoutErrorReport& report, int dpi,
                 std::optional<COLORREF> windowKey, MainLayout::Element& element) {
    element.left = ScaleForDpi(CoordinateAttribute(xml, "left").value_or(0), dpi);
    element.top = ScaleForDpi(CoordinateAttribute(xml, "top").value_or(0), dpi);
    element.transparentColor = ColorAttribute(xml, "transparentColor");
    SIZE size{0, 0};
    if (std::optional<std::wstring> name = TextAttribute(xml, "bitmap")) {
        element.bitmap.reset(
            LoadSkinBitmap(source, *name, dpi, element.transparentColor ? element.transparentColor : windowKey));
        if (!element.bitmap) {
            report(FormatString(L"Can't load bitmap '%1'", {*name}), kFatal);
            return false;
        }
        size = BitmapSize(element.bitmap.get());
    }
    int width = CoordinateAttribute(xml, "width").value_or(0), height = CoordinateAttribute(xml, "height").value_or(0);
    element.width = width < 1 ? size.cx : ScaleForDpi(width, dpi);
    element.height = height < 1 ? size.cy : ScaleForDpi(height, dpi);
    return true;
}

// Draws a "Bitmap" child into the background: centred in its box when the box is larger,
// cut to the box when it is smaller, with its key colour left out when it has one.
bool PaintIntoBackground(const MainLayout::Element& element, HDC background) {
    if (!element.bitmap) return true;
    SIZE size = BitmapSize(element.bitmap.get());
    const int width = std::min<int>(size.cx, element.width), height = std::min<int>(size.cy, element.height);
    const int x = element.left + std::max<int>(0, (element.width - size.cx) / 2);
    const int y = element.top + std::max<int>(0, (element.height - size.cy) / 2);
    MemorySurface picture(background, element.bitmap.get());
    if (!picture) return false;
    if (element.transparentColor)
        return TransparentBlt(background, x, y, width, height, picture.dc(), 0, 0, width, height,
                              *element.transparentColor) != 0;
    return BitBlt(background, x, y, width, height, picture.dc(), 0, 0, SRCCOPY) != 0;
}

// The window's face before any bitmap: all see-through colour.
bool FillBackground(HDC background, int width, int height, COLORREF colour) {
    UniqueBrush brush(CreateSolidBrush(colour));
    RECT all{0, 0, width, height};
    return brush && FillRect(background, &all, brush.get());
}

}  // namespace

bool MainLayout::Control::Is(const wchar_t* target) const { return EqualsIgnoringCase(name, target); }

std::optional<MainLayout> ParseMainLayout(std::string_view document, const ResourceSource& source,
                                          const LayoutErrorReport& reportTo, int dpi) {
    const LayoutErrorReport report = reportTo ? reportTo : LayoutErrorReport(ShowLayoutError);
    XmlError error;
    std::unique_ptr<TiXmlDocument> parsed = ParseXml(document, &error);
    if (!parsed) {
        report(error.noRoot ? L"Fatal Error: wrong format layout information"
                            : FormatString(L"Fatal Error: error parsing layout information : R%1C%2: %3, %4",
                                           {error.row, error.column, error.id, error.description}),
               kFatal);
        return std::nullopt;
    }
    const TiXmlElement* root = parsed->RootElement();
    MainLayout layout;
    layout.width = IntAttribute(root, "width").value_or(0);
    layout.height = IntAttribute(root, "height").value_or(0);
    auto wrongSize = [&] {
        report(FormatString(L"Fatal Error: missing or wrong width and height attribute in <%1>", {ElementName(root)}),
               kFatal);
        return std::nullopt;
    };
    if (layout.width <= 0 || layout.height <= 0 || layout.width > kMaxWindowSide || layout.height > kMaxWindowSide)
        return wrongSize();
    layout.transparentColor = ColorAttribute(root, "transparentColor");
    layout.oem = TextAttribute(root, "oem");
    // The document is in 96-DPI units; the model is in the window's pixels.
    layout.width = ScaleForDpi(layout.width, dpi);
    layout.height = ScaleForDpi(layout.height, dpi);

    // A size the system cannot make a bitmap of is as wrong as a missing one.
    MemorySurface background(nullptr, layout.width, layout.height);
    if (!background ||
        !FillBackground(background.dc(), layout.width, layout.height, layout.transparentColor.value_or(RGB(0, 0, 0))))
        return wrongSize();
    for (const TiXmlElement* child = root->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (IsElementNamed(child, L"Bitmap")) {
            MainLayout::Element element;
            if (!ReadElement(child, source, report, dpi, layout.transparentColor, element)) return std::nullopt;
            if (!PaintIntoBackground(element, background.dc())) LogLastError(L"Painting the main window's background");
        } else if (IsElementNamed(child, L"Control")) {
            MainLayout::Control control;
            std::optional<std::wstring> name = TextAttribute(child, "name");
            if (!name) {
                report(FormatString(L"Fatal Error: <Control> must have name attribute : R%1C%2",
                                    {child->Row(), child->Column()}),
                       kFatal);
                return std::nullopt;
            }
            if (!ReadElement(child, source, report, dpi, layout.transparentColor, control)) return std::nullopt;
            control.name = *name;
            control.color = ColorAttribute(child, "color").value_or(RGB(0, 0, 0));
            layout.controls.push_back(std::move(control));
        } else if (IsElementNamed(child, L"Link")) {
            MainLayout::Link link;
            if (!ReadElement(child, source, report, dpi, layout.transparentColor, link)) return std::nullopt;
            link.url = TextAttribute(child, "url").value_or(L"");
            link.tooltip = TextAttribute(child, "tooltip").value_or(L"");
            layout.links.push_back(std::move(link));
        }
    }
    layout.background.reset(background.Detach());
    return layout;
}

std::optional<MainLayout> LoadMainLayoutDocument(const std::wstring& resourceName, const LayoutErrorReport& reportTo,
                                                 int dpi) {
    const LayoutErrorReport report = reportTo ? reportTo : LayoutErrorReport(ShowLayoutError);
    ResourceSource source;
    Bytes data;
    if (!source.LoadResourceData(L"XML", resourceName, data)) {
        report(L"Fatal Error: can't find layout information, Exit!", kFatal);
        return std::nullopt;
    }
    return ParseMainLayout(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), source, report,
                           dpi);
}
