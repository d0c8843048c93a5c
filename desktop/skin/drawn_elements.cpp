#include "desktop/skin/drawn_elements.h"

#include <algorithm>
#include <optional>
#include <string>

#include "base/debug_log.h"
#include "base/dpi.h"
#include "base/handles.h"
#include "base/localization.h"
#include "base/resource_source.h"
#include "base/xml.h"
#include "config/version_table.h"
#include "desktop/skin/memory_surface.h"
#include "desktop/skin/skin_bitmap.h"

namespace {

using UniqueFont = ScopedHandle<GdiObjectTraits<HFONT>>;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr size_t kMaxFaceLength = LF_FACESIZE - 1;  // 31 characters and the terminator

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

RECT Shifted(const RECT& r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// The part of an element's area that can show on the target: off-screen copies need no more.
RECT VisiblePart(HDC target, const RECT& area) {
    RECT clip, visible{0, 0, 0, 0};
    if (GetClipBox(target, &clip) == ERROR) return area;
    IntersectRect(&visible, &area, &clip);
    return visible;
}

// One axis of the placement rule: which edge the offset is measured from.
struct Anchor {
    enum Kind { Start, End, Centre };
    Kind kind = Start;
    int offset = 0;

    static Anchor Read(const TiXmlElement* element, const char* start, const char* end, const char* centre, int dpi) {
        if (auto value = CoordinateAttribute(element, start)) return {Start, ScaleForDpi(*value, dpi)};
        if (auto value = CoordinateAttribute(element, end)) return {End, ScaleForDpi(*value, dpi)};
        if (auto value = CoordinateAttribute(element, centre)) return {Centre, ScaleForDpi(*value, dpi)};
        return {};
    }
    int Place(int low, int high, int size) const {
        switch (kind) {
            case End:
                return high - offset - size;
            case Centre:
                return low + offset - size / 2;
            default:
                return low + offset;
        }
    }
};

struct Position {
    Anchor horizontal, vertical;

    void Read(const TiXmlElement* element, int dpi) {
        horizontal = Anchor::Read(element, "left", "right", "center", dpi);
        vertical = Anchor::Read(element, "top", "bottom", "middle", dpi);
    }
    RECT Place(const RECT& container, SIZE size) const {
        int x = horizontal.Place(container.left, container.right, size.cx);
        int y = vertical.Place(container.top, container.bottom, size.cy);
        return RECT{x, y, x + size.cx, y + size.cy};
    }
};

// A solid rectangle. Per axis: without a size it spans the container less the insets given;
// with one it hangs from the far edge when that inset is given, else from the near edge.
class RectElement : public DrawnElement {
public:
    bool Parse(const ResourceSource&, const TiXmlElement* element, int dpi) override {
        auto scaled = [element, dpi](const char* name) -> std::optional<int> {
            if (std::optional<int> value = CoordinateAttribute(element, name)) return ScaleForDpi(*value, dpi);
            return std::nullopt;
        };
        m_left = scaled("left");
        m_top = scaled("top");
        m_right = scaled("right");
        m_bottom = scaled("bottom");
        m_width = scaled("width");
        m_height = scaled("height");
        m_color = ColorAttribute(element, "color").value_or(kWhite);
        return true;
    }

    bool Draw(HDC target, const RECT& container, const DrawnFields& fields) const override {
        RECT area = Bounds(target, container, fields);
        if (area.right <= area.left || area.bottom <= area.top) return true;
        UniqueBrush brush(CreateSolidBrush(m_color));
        if (!brush) {
            LogLastError(L"CreateSolidBrush");
            return false;
        }
        return FillRect(target, &area, brush.get()) != 0;
    }

    RECT Bounds(HDC, const RECT& container, const DrawnFields&) const override {
        auto [left, right] = Span(container.left, container.right, m_left, m_right, m_width);
        auto [top, bottom] = Span(container.top, container.bottom, m_top, m_bottom, m_height);
        return RECT{left, top, right, bottom};
    }

private:
    static std::pair<int, int> Span(int low, int high, std::optional<int> nearInset, std::optional<int> farInset,
                                    std::optional<int> size) {
        if (!size) return {low + nearInset.value_or(0), high - farInset.value_or(0)};
        int start = farInset ? high - *farInset - *size : low + nearInset.value_or(0);
        return {start, start + *size};
    }

    std::optional<int> m_left, m_top, m_right, m_bottom, m_width, m_height;
    COLORREF m_color = kWhite;
};

// A skin bitmap at its own size, copied opaque.
class BitmapElement : public DrawnElement {
public:
    explicit BitmapElement(LayoutErrorReport report) : m_report(std::move(report)) {}

    bool Parse(const ResourceSource& source, const TiXmlElement* element, int dpi) override {
        std::optional<std::wstring> name = TextAttribute(element, "bitmap");
        if (!name) return false;
        m_bitmap.reset(LoadSkinBitmap(source, *name, dpi, ColorAttribute(element, "transparentColor")));
        if (!m_bitmap) {
            m_report(FormatString(L"Can't load bitmap '%1'", {*name}), L"Error");
            return false;
        }
        m_size = BitmapSize(m_bitmap.get());
        m_position.Read(element, dpi);
        return true;
    }

    bool Draw(HDC target, const RECT& container, const DrawnFields& fields) const override {
        RECT area = Bounds(target, container, fields);
        MemorySurface bitmap(target, m_bitmap.get());
        if (!bitmap) return false;
        if (BitBlt(target, area.left, area.top, m_size.cx, m_size.cy, bitmap.dc(), 0, 0, SRCCOPY)) return true;
        LogLastError(L"BitBlt");
        return false;
    }

    RECT Bounds(HDC, const RECT& container, const DrawnFields&) const override {
        return m_position.Place(container, m_size);
    }

private:
    LayoutErrorReport m_report;
    UniqueBitmap m_bitmap;
    SIZE m_size{0, 0};
    Position m_position;
};

// One line of text on a transparent background, placed by its extent in its font.
class TextElement : public DrawnElement {
public:
    bool Parse(const ResourceSource&, const TiXmlElement* element, int layoutDpi) override {
        m_text = ReadText(element);
        if (const char* field = element->Attribute("field")) m_field = field;
        std::wstring face = TextAttribute(element, "fontFace").value_or(L"Arial");
        int size = ScaleForDpi(IntAttribute(element, "fontSize").value_or(10), layoutDpi);
        m_color = ColorAttribute(element, "color").value_or(RGB(0, 0, 0));
        m_position.Read(element, layoutDpi);

        // The size is a character height in screen pixels, taken to tenths of a point and
        // back as a point-size font would be.
        WindowDc screen;
        int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
        if (dpi <= 0) dpi = 96;
        int tenths = MulDiv(size, 720, dpi);
        LOGFONTW font{};
        font.lfHeight = -std::abs(MulDiv(tenths, dpi, 720));
        font.lfCharSet = DEFAULT_CHARSET;
        face.resize(std::min(face.size(), kMaxFaceLength));
        std::copy(face.begin(), face.end(), font.lfFaceName);
        m_font.reset(CreateFontIndirectW(&font));
        if (!m_font) LogLastError(L"CreateFontIndirectW");
        return static_cast<bool>(m_font);
    }

    bool Draw(HDC target, const RECT& container, const DrawnFields& fields) const override {
        const std::wstring& text = TextOf(fields);
        if (text.empty()) return true;
        RECT area = Bounds(target, container, fields);
        ScopedSelect font(target, m_font.get());
        int mode = SetBkMode(target, TRANSPARENT);
        COLORREF color = SetTextColor(target, m_color);
        UINT align = SetTextAlign(target, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        BOOL drawn = TextOutW(target, area.left, area.top, text.c_str(), static_cast<int>(text.size()));
        SetTextAlign(target, align);
        SetTextColor(target, color);
        SetBkMode(target, mode);
        if (!drawn) LogLastError(L"TextOutW");
        return drawn != 0;
    }

    RECT Bounds(HDC target, const RECT& container, const DrawnFields& fields) const override {
        SIZE extent{0, 0};
        const std::wstring& text = TextOf(fields);
        if (!text.empty()) {
            ScopedSelect font(target, m_font.get());
            if (!GetTextExtentPoint32W(target, text.c_str(), static_cast<int>(text.size()), &extent))
                extent = SIZE{0, 0};
        }
        return m_position.Place(container, extent);
    }

protected:
    virtual std::wstring ReadText(const TiXmlElement* element) const {
        return TextAttribute(element, "text").value_or(L"");
    }

private:
    const std::wstring& TextOf(const DrawnFields& fields) const {
        static const std::wstring none;
        if (m_field.empty()) return m_text;
        auto given = fields.find(m_field);
        return given == fields.end() ? none : given->second;
    }

    std::wstring m_text;
    std::string m_field;  // where the text comes from when drawn; empty: m_text
    COLORREF m_color = RGB(0, 0, 0);
    Position m_position;
    UniqueFont m_font;
};

// Text whose "format" has every "%1" replaced by the program's version.
class VersionTextElement : public TextElement {
protected:
    std::wstring ReadText(const TiXmlElement* element) const override {
        std::wstring text = TextAttribute(element, "format").value_or(L"");
        const std::wstring version = GetProgramVersion();
        for (size_t at = text.find(L"%1"); at != std::wstring::npos; at = text.find(L"%1", at + version.size()))
            text.replace(at, 2, version);
        return text;
    }
};

// Base of the wrappers: the wrapped element decides where it goes.
class WrappingElement : public DrawnElement {
public:
    explicit WrappingElement(std::unique_ptr<DrawnElement> inner) : m_inner(std::move(inner)) {}
    RECT Bounds(HDC target, const RECT& container, const DrawnFields& fields) const override {
        return m_inner->Bounds(target, container, fields);
    }

protected:
    std::unique_ptr<DrawnElement> m_inner;
};

// Drawn off screen on the key colour, then copied with that colour left out.
class ColorKeyedElement : public WrappingElement {
public:
    using WrappingElement::WrappingElement;

    bool Parse(const ResourceSource& source, const TiXmlElement* element, int dpi) override {
        m_key = ColorAttribute(element, "transparentColor").value_or(0);
        return m_inner->Parse(source, element, dpi);
    }

    bool Draw(HDC target, const RECT& container, const DrawnFields& fields) const override {
        RECT area = VisiblePart(target, Bounds(target, container, fields));
        const int width = Width(area), height = Height(area);
        if (width <= 0 || height <= 0) return true;
        MemorySurface surface(target, width, height);
        if (!surface) return false;
        UniqueBrush key(CreateSolidBrush(m_key));
        RECT all{0, 0, width, height};
        if (!key || !FillRect(surface.dc(), &all, key.get())) return false;
        if (!m_inner->Draw(surface.dc(), Shifted(container, -area.left, -area.top), fields)) return false;
        if (TransparentBlt(target, area.left, area.top, width, height, surface.dc(), 0, 0, width, height, m_key))
            return true;
        LogLastError(L"TransparentBlt");
        return false;
    }

private:
    COLORREF m_key = 0;
};

// Blended onto what lies beneath with one opacity for every pixel: 0 hides the element,
// 255 draws it directly.
class AlphaElement : public WrappingElement {
public:
    using WrappingElement::WrappingElement;

    bool Parse(const ResourceSource& source, const TiXmlElement* element, int dpi) override {
        m_alpha = std::clamp(IntAttribute(element, "alpha").value_or(255), 0, 255);
        return m_inner->Parse(source, element, dpi);
    }

    bool Draw(HDC target, const RECT& container, const DrawnFields& fields) const override {
        if (m_alpha == 0) return true;
        if (m_alpha == 255) return m_inner->Draw(target, container, fields);
        RECT area = VisiblePart(target, Bounds(target, container, fields));
        const int width = Width(area), height = Height(area);
        if (width <= 0 || height <= 0) return true;
        MemorySurface surface(target, width, height);
        if (!surface) return false;
        if (!BitBlt(surface.dc(), 0, 0, width, height, target, area.left, area.top, SRCCOPY)) {
            LogLastError(L"BitBlt");
            return false;
        }
        if (!m_inner->Draw(surface.dc(), Shifted(container, -area.left, -area.top), fields)) return false;
        BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(m_alpha), 0};
        if (AlphaBlend(target, area.left, area.top, width, height, surface.dc(), 0, 0, width, height, blend))
            return true;
        LogLastError(L"AlphaBlend");
        return false;
    }

private:
    int m_alpha = 255;
};

}  // namespace

std::unique_ptr<DrawnElement> CreateDrawnElement(const TiXmlElement* element, const LayoutErrorReport& report) {
    std::unique_ptr<DrawnElement> created;
    if (IsElementNamed(element, L"Rect"))
        created = std::make_unique<RectElement>();
    else if (IsElementNamed(element, L"Bitmap"))
        created = std::make_unique<BitmapElement>(report);
    else if (IsElementNamed(element, L"Text"))
        created = std::make_unique<TextElement>();
    else if (IsElementNamed(element, L"VersionText"))
        created = std::make_unique<VersionTextElement>();
    else
        return nullptr;
    // The key is applied inside the blend, so a keyed element fades as a whole.
    if (element->Attribute("transparentColor")) created = std::make_unique<ColorKeyedElement>(std::move(created));
    if (element->Attribute("alpha")) created = std::make_unique<AlphaElement>(std::move(created));
    return created;
}
